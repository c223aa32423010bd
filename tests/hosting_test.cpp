// Hosting of custom controls: factories, property bags, ambient properties, focus order,
// and the window's box against the stored one.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "button/Butt.h"
#include "forms/Description.h"
#include "forms/Form.h"
#include "forms/Hosting.h"
#include "forms/UserControl.h"

namespace {

using forms::BagValue;
using forms::ControlSite;
using forms::PropertyBag;

// A stand-in control that records what its host gave it.
class Probe : public forms::UserControl {
public:
    explicit Probe(ControlSite& site) : UserControl(site) {}
    void UserControl_ReadProperties(const PropertyBag& bag) override {
        caption = bag.ReadText("Caption", "none");
        value = bag.ReadInt32("Value", 0);
        missing = bag.ReadInt32("Missing", 7);
        ambient = Ambient();
    }
    void UserControl_WriteProperties(PropertyBag& bag) override {
        bag.WriteText("Caption", caption, std::string());
        bag.WriteInt32("Value", value, 0);
    }

    std::string caption;
    std::int32_t value = 0;
    std::int32_t missing = 0;
    forms::AmbientProperties ambient;
};

constexpr char kDescription[] = R"(
form Host {
    ClientSize = 3000, 2000
    BackColor  = &H102030
    Font       = "Tahoma", 8.25
    picturebox Box {
        Rect      = 0, 0, 3000, 2000
        BackColor = &H493328
        Font      = "Verdana", 9.75, Bold
        checkbox First {
            Rect     = 0, 600, 900, 240
            TabIndex = 0
        }
        control Probe1 : Probe {
            Rect     = 60, 60, 600, 300
            TabIndex = 1
            bag {
                caption = "APPLY"
                VALUE   = -1
            }
        }
        control Later : NobodyMadeThis {
            Rect = 60, 400, 600, 300
        }
        checkbox Last {
            Rect     = 0, 900, 900, 240
            TabIndex = 2
        }
    }
}
)";

class HostingTest : public ::testing::Test {
protected:
    void SetUp() override {
        forms::RegisterControlClass("probe", [this](ControlSite& site) {
            auto probe = std::make_unique<Probe>(site);
            probes.push_back(probe.get());
            return probe;
        });
        form = std::make_unique<forms::Form>(forms::desc::Parse(kDescription));
    }
    void TearDown() override {
        form.reset();
        forms::RegisterControlClass("Probe", nullptr);
    }

    std::vector<Probe*> probes;
    std::unique_ptr<forms::Form> form;
};

TEST_F(HostingTest, AStoredInstanceLoadsFromItsBagAndSeesItsContainer) {
    ASSERT_EQ(probes.size(), 1u);
    ControlSite& site = form->Get<ControlSite>("Probe1");
    ASSERT_EQ(site.Instance(), probes[0]);
    const Probe& probe = *probes[0];
    EXPECT_EQ(probe.caption, "APPLY");  // keys compare without regard to case
    EXPECT_EQ(probe.value, -1);
    EXPECT_EQ(probe.missing, 7);  // an absent key gives the reader's default
    EXPECT_EQ(probe.ambient.BackColor, 0x493328u);  // the picture box's, not the form's
    EXPECT_EQ(probe.ambient.Font.face, "Verdana");
    EXPECT_EQ(probe.ambient.DisplayName, "Probe1");
    EXPECT_TRUE(probe.ambient.UserMode);
    EXPECT_EQ(site.ContainerHwnd(), form->Get<forms::PictureBox>("Box").hWnd());
    EXPECT_EQ(site.Font().face, "Verdana");  // the host's font setting starts as the container's
}

TEST_F(HostingTest, AClassNobodyRegisteredLeavesAnEmptySite) {
    const ControlSite& later = form->Get<ControlSite>("Later");
    EXPECT_EQ(later.Instance(), nullptr);
    EXPECT_EQ(later.TypeName(), "NobodyMadeThis");
}

TEST_F(HostingTest, ChangesAreMarkedOnceAndSavingWritesTheBagAnew) {
    ControlSite& site = form->Get<ControlSite>("Probe1");
    site.PropertyChanged("Caption");
    site.PropertyChanged("caption");
    site.PropertyChanged("Value");
    EXPECT_EQ(site.ChangedProperties(), (std::vector<std::string>{"Caption", "Value"}));

    probes[0]->caption = "GO";
    probes[0]->value = 0;  // the default: not written
    site.Save();
    EXPECT_TRUE(site.ChangedProperties().empty());
    EXPECT_EQ(site.Bag().Size(), 1u);
    EXPECT_EQ(std::get<std::string>(site.Bag().ReadProperty("CAPTION")), "GO");
    EXPECT_FALSE(site.Bag().Contains("Value"));
}

TEST_F(HostingTest, AnInstanceWindowJoinsTheFocusOrderByTabIndex) {
    HWND first = form->Get<forms::CheckBox>("First").hWnd();
    HWND last = form->Get<forms::CheckBox>("Last").hWnd();
    HWND probe = probes[0]->hWnd();
    EXPECT_EQ(::GetNextDlgTabItem(form->hWnd(), first, FALSE), probe);
    EXPECT_EQ(::GetNextDlgTabItem(form->hWnd(), probe, FALSE), last);
    EXPECT_EQ(::GetNextDlgTabItem(form->hWnd(), last, FALSE), first);
}

// ---- The window's box ----------------------------------------------------------------------

RECT RectInParent(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

struct Box {
    double left, top, width, height;
};

// Probe1 stands at 60, 60, 600, 300 twips: 4, 4, 44, 24 in the picture box's pixels.
TEST_F(HostingTest, ASetterThatOverflowsLeavesTheControlWhereItWasAndTheNextMoveWorks) {
    form->Show();
    ControlSite& site = form->Get<ControlSite>("Probe1");
    HWND window = site.InstanceHwnd();
    const struct {
        const char* name;
        std::function<void()> overflow;
    } setters[] = {
        {"Move", [&] { site.Move(1e12, 60, 600, 300); }},
        {"Move of the size", [&] { site.Move(60, 60, 600, 1e12); }},
        {"Size", [&] { site.Size(1e12, 300); }},
        {"Left", [&] { site.SetLeft(-1e12); }},
        {"Top", [&] { site.SetTop(1e12); }},
        {"Width", [&] { site.SetWidth(1e12); }},
        {"Height", [&] { site.SetHeight(1e12); }},
        {"Move to no number", [&] { site.Move(std::nan(""), 60, 600, 300); }},
    };
    for (const auto& setter : setters) {
        SCOPED_TRACE(setter.name);
        try {
            setter.overflow();
            ADD_FAILURE() << "no error";
        } catch (const forms::RuntimeError& error) {
            EXPECT_EQ(error.Number(), forms::kErrOverflow);
        }
        EXPECT_EQ(site.Left(), 60);
        EXPECT_EQ(site.Top(), 60);
        EXPECT_EQ(site.Width(), 600);
        EXPECT_EQ(site.Height(), 300);
        EXPECT_EQ(Text(RectInParent(window)), "4,4,44,24");

        site.Move(300, 150, 750, 450);
        EXPECT_EQ(Text(RectInParent(window)), "20,10,70,40");
        site.Move(60, 60, 600, 300);
        EXPECT_EQ(Text(RectInParent(window)), "4,4,44,24");
    }
}

// However far the stored twips go, a window is made and moved within -32768..32767 for
// its position and 0..32767 for its size; Left, Top, Width and Height stay as stored.
TEST_F(HostingTest, TheWindowsBoxKeepsWithinWhatAWindowCanBeAtCreationAndAtAMove) {
    const struct {
        Box box;
        const char* window;
    } rows[] = {
        {{150, 300, 900, 450}, "10,20,70,50"},
        {{-1e6, -1e6, 1e7, 6e6}, "-32768,-32768,-1,-1"},
        {{1e6, 600, 15 * 40000.0, 15}, "32767,40,65534,41"},
        {{-491520, 491505, 15 * 32767.0, 15 * 32768.0}, "-32768,32767,-1,65534"},
        {{0, 0, 19500000, 8550000}, "0,0,32767,32767"},
    };
    PropertyBag bag;
    for (const auto& row : rows) {
        SCOPED_TRACE(Text(RECT{static_cast<LONG>(row.box.left), static_cast<LONG>(row.box.top),
                               static_cast<LONG>(row.box.width), static_cast<LONG>(row.box.height)}));
        const Box b = row.box;
        ControlSite made("Made", *form, "Probe", b.left, b.top, b.width, b.height, bag);
        made.Load();
        ASSERT_TRUE(::IsWindow(made.InstanceHwnd()));
        EXPECT_EQ(Text(RectInParent(made.InstanceHwnd())), row.window);
        EXPECT_EQ(made.Width(), b.width);
        EXPECT_EQ(made.Height(), b.height);

        ControlSite moved("Moved", *form, "Probe", 0, 0, 300, 300, bag);
        moved.Load();
        moved.Move(b.left, b.top, b.width, b.height);
        EXPECT_EQ(Text(RectInParent(moved.InstanceHwnd())), row.window);
        EXPECT_EQ(moved.Left(), b.left);
        EXPECT_EQ(moved.Top(), b.top);
        EXPECT_EQ(moved.Width(), b.width);
        EXPECT_EQ(moved.Height(), b.height);
    }
}

// A ring-shaped button stored at a size no window can be: made at that size, its ellipse
// overran the platform's region arithmetic and took the process down.
TEST(HugeButtonTest, ARingButtonStoredLargerThanAWindowLoadsAndLives) {
    button::Butt::Register();
    forms::Form form(forms::desc::Parse(R"(
form Host {
    ClientSize = 3000, 2000
    control Ring : Butt {
        Rect = 150, 150, 1500, 600
        bag {
            Shape = 6
        }
    }
}
)"));
    form.Show();
    ControlSite& ring = form.Get<ControlSite>("Ring");
    ring.Move(0, 0, 19500000, 8550000);
    ring.Save();

    ControlSite loaded("Loaded", form, "Butt", ring.Left(), ring.Top(), ring.Width(), ring.Height(),
                       ring.Bag());
    loaded.Load();
    forms::DoEvents();  // its paint
    ASSERT_NE(loaded.Instance(), nullptr);
    EXPECT_EQ(static_cast<button::Butt*>(loaded.Instance())->GetButtonShape(), 6);
    HWND window = loaded.InstanceHwnd();
    ASSERT_TRUE(::IsWindow(window));
    RECT r{};
    ::GetWindowRect(window, &r);
    EXPECT_GT(r.right - r.left, 0);
    EXPECT_LE(r.right - r.left, 32767);
    EXPECT_LE(r.bottom - r.top, 32767);
    EXPECT_EQ(loaded.Width(), 19500000);
    EXPECT_EQ(loaded.Height(), 8550000);
    forms::RegisterControlClass("Butt", nullptr);
}

}  // namespace
