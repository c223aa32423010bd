// A form that hosts button controls for the tests, and a recorder of their events.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "button/Butt.h"
#include "forms/ControlSite.h"
#include "forms/Description.h"
#include "forms/Form.h"
#include "forms/PropertyBag.h"
#include "forms/Runtime.h"

namespace buttontest {

using button::Butt;
using forms::kFalse;
using forms::kTrue;

// The stored settings of the main window's Apply button.
inline forms::PropertyBag ApplyBag() {
    forms::PropertyBag bag;
    bag.WriteProperty("_extentx", std::int32_t{2011});
    bag.WriteProperty("_extenty", std::int32_t{635});
    bag.WriteProperty("caption", std::string("APPLY"));
    bag.WriteProperty("capalign", std::int32_t{2});
    bag.WriteProperty("backstyle", std::int32_t{2});
    bag.WriteProperty("gradient", std::int32_t{4});
    bag.WriteProperty("cgradient", std::int32_t{0x493328});
    bag.WriteProperty("cfore", std::int32_t{0xC0C0C0});
    forms::FontSpec font;
    font.face = "Verdana";
    font.size = 8.25;
    font.weight = FW_BOLD;
    bag.WriteProperty("font", font);
    bag.WriteProperty("mode", std::int32_t{0});
    bag.WriteProperty("value", std::int32_t{0});
    bag.WriteProperty("cfhover", std::int32_t{0xC0C0C0});
    bag.WriteProperty("cback", std::int32_t{0x400000});
    bag.WriteProperty("lockhover", std::int32_t{1});
    return bag;
}

// A bag with only a font, the least that a stored instance carries.
inline forms::PropertyBag FontOnlyBag() {
    forms::PropertyBag bag;
    forms::FontSpec font;
    font.face = "Verdana";
    bag.WriteProperty("Font", font);
    return bag;
}

// A shown form with one picture box "Box" (back colour &H493328) that buttons are put on.
class ButtonHost {
public:
    ButtonHost() {
        Butt::Register();
        form_ = std::make_unique<forms::Form>(forms::desc::Parse(R"(
form Host {
    ClientSize = 6000, 3000
    BackColor  = &H102030
    Font       = "Tahoma", 8.25
    picturebox Box {
        Rect      = 0, 0, 6000, 3000
        BackColor = &H493328
        Font      = "Verdana", 8.25
    }
}
)"));
        form_->Show();
    }

    forms::Form& Form() const { return *form_; }
    forms::PictureBox& Box() const { return form_->Get<forms::PictureBox>("Box"); }

    // Puts a button loaded from bag at (x, y) pixels, w x h pixels, on the box.
    Butt& Add(const std::string& name, forms::PropertyBag bag, int x = 10, int y = 10,
              int w = 76, int h = 24) {
        auto& site = form_->Add<forms::ControlSite>(
            name, static_cast<forms::Container&>(Box()), "Butt", forms::PixelsToTwipsX(x),
            forms::PixelsToTwipsY(y), forms::PixelsToTwipsX(w), forms::PixelsToTwipsY(h),
            std::move(bag));
        site.Load();
        return *static_cast<Butt*>(site.Instance());
    }
    // A newly placed instance (InitProperties in place of loading).
    Butt& Place(const std::string& name, int x = 10, int y = 10, int w = 76, int h = 24) {
        auto& site = form_->Add<forms::ControlSite>(
            name, static_cast<forms::Container&>(Box()), "Butt", forms::PixelsToTwipsX(x),
            forms::PixelsToTwipsY(y), forms::PixelsToTwipsX(w), forms::PixelsToTwipsY(h),
            forms::PropertyBag());
        site.Place();
        return *static_cast<Butt*>(site.Instance());
    }
    forms::ControlSite& Site(const std::string& name) const {
        return form_->Get<forms::ControlSite>(name);
    }

private:
    std::unique_ptr<forms::Form> form_;
};

// Records a button's events as text, in order: "MouseDown(1)", "Click", "KeyUp(32)"...
class EventLog {
public:
    explicit EventLog(forms::ControlSite& site) {
        using I16 = std::int16_t;
        auto mouse = [this](const char* name) {
            return [this, name](I16& button, I16&, float&, float&) {
                entries.push_back(std::string(name) + "(" + std::to_string(button) + ")");
            };
        };
        site.OnEvent<I16, I16, float, float>("MouseDown", mouse("MouseDown"));
        site.OnEvent<I16, I16, float, float>("MouseUp", mouse("MouseUp"));
        site.OnEvent<I16, I16, float, float>("MouseMove", [this](I16&, I16&, float&, float&) {
            entries.push_back("MouseMove");
        });
        auto key = [this](const char* name) {
            return [this, name](I16& code, I16&) {
                entries.push_back(std::string(name) + "(" + std::to_string(code) + ")");
            };
        };
        site.OnEvent<I16, I16>("KeyDown", key("KeyDown"));
        site.OnEvent<I16, I16>("KeyUp", key("KeyUp"));
        site.OnEvent<I16>("KeyPress", [this](I16& ascii) {
            entries.push_back("KeyPress(" + std::to_string(ascii) + ")");
        });
        site.OnEvent<forms::VbBool>("MouseOnButton", [this](forms::VbBool& on) {
            entries.push_back(on == kTrue ? "MouseOnButton(True)" : "MouseOnButton(False)");
        });
        site.OnEvent<>("Click", [this] { entries.push_back("Click"); });
        site.OnEvent<I16>("DoubleClick", [this](I16& button) {
            entries.push_back("DoubleClick(" + std::to_string(button) + ")");
            button = 99;  // a copy: must not reach the control
        });
    }
    // Takes the entries recorded so far.
    std::vector<std::string> Take() { return std::exchange(entries, {}); }

    std::vector<std::string> entries;
};

}  // namespace buttontest
