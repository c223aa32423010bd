// Turns a parsed stored description into a form and its controls, checking every setting.
#include <algorithm>
#include <map>

#include "forms/BagText.h"
#include "forms/Description.h"
#include "forms/Form.h"

namespace forms {

namespace {

using desc::DescriptionError;
using desc::Node;
using desc::Property;

[[noreturn]] void Fail(int line, const std::string& message) { throw DescriptionError(line, message); }

std::uint32_t GetColor(const Property& p) { return static_cast<std::uint32_t>(desc::GetInt(p)); }

FontSpec GetFont(const Property& p) { return FontFromProperty(p); }

struct Rect4 {
    double left, top, width, height;
};

Rect4 GetRect(const Property& p) {
    const auto v = desc::GetInts(p, 4);
    if (v[2] < 0 || v[3] < 0) Fail(p.line, "'" + p.key + "' has a negative size");
    return Rect4{double(v[0]), double(v[1]), double(v[2]), double(v[3])};
}

const Property& Require(const Node& node, std::string_view key) {
    const Property* p = node.Find(key);
    if (!p) Fail(node.line, std::string(node.kind) + " '" + node.name + "' needs '" + std::string(key) + "'");
    return *p;
}

// Pictures are loaded once per resource and key, and shared by every control showing them.
class PictureCache {
public:
    Picture Get(const Property& p) {
        if (p.values.empty() || p.values.size() > 2 || p.values[0].kind != desc::Atom::Kind::String ||
            (p.values.size() == 2 && p.values[1].kind != desc::Atom::Kind::Integer)) {
            Fail(p.line, "'" + p.key + "' needs a resource name and an optional transparent colour");
        }
        const std::string& name = p.values[0].text;
        std::optional<COLORREF> key;
        if (p.values.size() == 2) key = static_cast<COLORREF>(p.values[1].integer & 0xFFFFFF);
        const std::string id = name + "/" + (key ? std::to_string(*key) : "-");
        if (auto it = cache_.find(id); it != cache_.end()) return it->second;
        Picture picture;
        try {
            picture = Picture::FromResource(name.c_str(), key);
        } catch (const RuntimeError&) {
            Fail(p.line, "no bitmap resource '" + name + "'");
        }
        cache_.emplace(id, picture);
        return picture;
    }

private:
    std::map<std::string, Picture> cache_;
};

bool GetVisible(const Node& n) {
    const Property* p = n.Find("Visible");
    return p ? desc::GetBool(*p) : true;
}
bool GetEnabled(const Node& n) {
    const Property* p = n.Find("Enabled");
    return p ? desc::GetBool(*p) : true;
}

class Builder {
public:
    explicit Builder(Form& form) : form_(form) {}

    void BuildChildren(const Node& parent, Container& container, bool onForm) {
        for (const Node& child : parent.children) BuildControl(child, container, onForm);
    }

    // Hosted controls load once everything around them stands.
    void LoadSites() {
        for (ControlSite* site : sites_) {
            site->Load();
            if (HWND window = site->InstanceHwnd()) {
                tabOrder_.emplace_back(site->TabIndex(), window);
            }
        }
    }

    void FinishTabOrder() {
        // The dialog manager moves the focus in z-order: put the windows in tab order.
        std::stable_sort(tabOrder_.begin(), tabOrder_.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& entry : tabOrder_) {
            ::SetWindowPos(entry.second, HWND_BOTTOM, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }

private:
    void CheckName(const Node& n) {
        if (n.name.empty()) Fail(n.line, "a " + n.kind + " needs a name");
        if (form_.FindControl(n.name) || HasTimer(n.name)) {
            Fail(n.line, "duplicate control name '" + n.name + "'");
        }
    }
    bool HasTimer(std::string_view name) const {
        try {
            form_.GetTimer(name);
            return true;
        } catch (const RuntimeError&) {
            return false;
        }
    }
    void NoChildren(const Node& n) {
        if (!n.children.empty()) {
            Fail(n.children.front().line, "a " + n.kind + " cannot hold '" + n.children.front().name + "'");
        }
    }
    void TabIndex(const Node& n, HWND hwnd) {
        const Property* p = n.Find("TabIndex");
        const int index = p ? desc::GetInt(*p) : 1000 + static_cast<int>(tabOrder_.size());
        tabOrder_.emplace_back(index, hwnd);
    }

    void BuildControl(const Node& n, Container& container, bool onForm) {
        using desc::EqualsNoCase;
        if (EqualsNoCase(n.kind, "label")) {
            desc::CheckKeys(n, {"Rect", "Caption", "ForeColor", "BackColor", "BackStyle", "Font",
                                "Visible", "Enabled", "Alignment"});
            CheckName(n);
            NoChildren(n);
            auto& label = form_.Add<Label>(n.name, container);
            const Rect4 r = GetRect(Require(n, "Rect"));
            label.Move(r.left, r.top, r.width, r.height);
            if (auto* p = n.Find("Caption")) label.SetCaption(desc::GetString(*p));
            if (auto* p = n.Find("ForeColor")) label.SetForeColor(GetColor(*p));
            if (auto* p = n.Find("BackColor")) label.SetBackColor(GetColor(*p));
            if (auto* p = n.Find("BackStyle")) {
                const std::string style = desc::GetWord(*p);
                if (EqualsNoCase(style, "Transparent")) {
                    label.SetTransparent(true);
                } else if (EqualsNoCase(style, "Opaque")) {
                    label.SetTransparent(false);
                } else {
                    Fail(p->line, "'BackStyle' is Transparent or Opaque, not '" + style + "'");
                }
            }
            if (auto* p = n.Find("Alignment")) {
                const std::string a = desc::GetWord(*p);
                if (EqualsNoCase(a, "Left")) label.SetAlignment(Label::Alignment::Left);
                else if (EqualsNoCase(a, "Right")) label.SetAlignment(Label::Alignment::Right);
                else if (EqualsNoCase(a, "Center")) label.SetAlignment(Label::Alignment::Center);
                else Fail(p->line, "'Alignment' is Left, Right or Center, not '" + a + "'");
            }
            label.SetFont(n.Find("Font") ? GetFont(*n.Find("Font")) : form_.Font());
            label.SetVisible(GetVisible(n));
            label.SetEnabled(GetEnabled(n));
        } else if (EqualsNoCase(n.kind, "image")) {
            desc::CheckKeys(n, {"Rect", "Picture", "Visible", "Enabled"});
            CheckName(n);
            NoChildren(n);
            auto& image = form_.Add<Image>(n.name, container);
            const Rect4 r = GetRect(Require(n, "Rect"));
            image.Move(r.left, r.top, r.width, r.height);
            if (auto* p = n.Find("Picture")) image.SetPicture(pictures_.Get(*p));
            image.SetVisible(GetVisible(n));
            image.SetEnabled(GetEnabled(n));
        } else if (EqualsNoCase(n.kind, "picturebox")) {
            desc::CheckKeys(n, {"Rect", "Picture", "BackColor", "ForeColor", "Font", "AutoSize",
                                "ScaleMode", "BorderStyle", "AutoRedraw", "Visible", "Enabled"});
            CheckName(n);
            if (auto* p = n.Find("ScaleMode"); p && !EqualsNoCase(desc::GetWord(*p), "Pixel")) {
                Fail(p->line, "picture boxes measure in Pixel only");
            }
            if (auto* p = n.Find("BorderStyle"); p && !EqualsNoCase(desc::GetWord(*p), "None")) {
                Fail(p->line, "picture boxes have BorderStyle None only");
            }
            if (auto* p = n.Find("AutoRedraw"); p && !desc::GetBool(*p)) {
                Fail(p->line, "picture boxes always keep a persistent image (AutoRedraw True)");
            }
            const Rect4 r = GetRect(Require(n, "Rect"));
            auto& box = form_.Add<PictureBox>(n.name, container, r.left, r.top, r.width, r.height);
            if (auto* p = n.Find("BackColor")) box.SetBackColor(GetColor(*p));
            if (auto* p = n.Find("ForeColor")) (void)GetColor(*p);  // kept for the description's sake
            box.SetFont(n.Find("Font") ? GetFont(*n.Find("Font")) : form_.Font());
            if (auto* p = n.Find("AutoSize")) box.SetAutoSize(desc::GetBool(*p));
            if (auto* p = n.Find("Picture")) box.SetPicture(pictures_.Get(*p));
            box.SetVisible(GetVisible(n));
            box.SetEnabled(GetEnabled(n));
            BuildChildren(n, box, false);
        } else if (EqualsNoCase(n.kind, "checkbox")) {
            desc::CheckKeys(n, {"Rect", "Caption", "Value", "BackColor", "ForeColor", "Font",
                                "TabIndex", "Visible", "Enabled"});
            CheckName(n);
            NoChildren(n);
            const Rect4 r = GetRect(Require(n, "Rect"));
            const Property* caption = n.Find("Caption");
            auto& box = form_.Add<CheckBox>(n.name, container, r.left, r.top, r.width, r.height,
                                            caption ? desc::GetString(*caption) : n.name);
            if (auto* p = n.Find("Value")) {
                const int value = desc::GetInt(*p);
                if (value < 0 || value > 2) Fail(p->line, "'Value' of a check box is 0, 1 or 2");
                box.SetValue(value);
            }
            if (auto* p = n.Find("BackColor")) box.SetBackColor(GetColor(*p));
            if (auto* p = n.Find("ForeColor")) box.SetForeColor(GetColor(*p));
            box.SetFont(n.Find("Font") ? GetFont(*n.Find("Font")) : form_.Font());
            box.SetVisible(GetVisible(n));
            box.SetEnabled(GetEnabled(n));
            TabIndex(n, box.hWnd());
        } else if (EqualsNoCase(n.kind, "timer")) {
            desc::CheckKeys(n, {"Interval", "Enabled"});
            CheckName(n);
            NoChildren(n);
            const int interval = desc::GetInt(Require(n, "Interval"));
            if (interval < 0 || interval > 65535) Fail(Require(n, "Interval").line, "'Interval' is 0 to 65535 ms");
            if (!onForm) Fail(n.line, "a timer belongs to the form itself");
            form_.AddTimerControl(n.name, static_cast<unsigned>(interval), GetEnabled(n));
        } else if (EqualsNoCase(n.kind, "control")) {
            desc::CheckKeys(n, {"Rect", "TabIndex", "Visible", "Enabled", "Default", "Cancel"});
            CheckName(n);
            if (n.type.empty()) Fail(n.line, "control '" + n.name + "' needs a class, as in 'control " + n.name + " : Butt'");
            PropertyBag bag;
            for (const Node& child : n.children) {
                if (!EqualsNoCase(child.kind, "bag")) Fail(child.line, "control '" + n.name + "' holds only a bag");
                for (const Property& p : child.properties) bag.WriteProperty(p.key, BagValueFromProperty(p));
            }
            const Rect4 r = GetRect(Require(n, "Rect"));
            auto& site = form_.Add<ControlSite>(n.name, container, n.type, r.left, r.top, r.width,
                                                r.height, std::move(bag));
            site.SetVisible(GetVisible(n));
            site.SetEnabled(GetEnabled(n));
            if (auto* p = n.Find("Default")) site.SetDefault(desc::GetBool(*p));
            if (auto* p = n.Find("Cancel")) site.SetCancel(desc::GetBool(*p));
            if (auto* p = n.Find("TabIndex")) site.SetTabIndex(desc::GetInt(*p));
            sites_.push_back(&site);
        } else {
            Fail(n.line, "unknown control kind '" + n.kind + "'");
        }
    }

    Form& form_;
    PictureCache pictures_;
    std::vector<std::pair<int, HWND>> tabOrder_;
    std::vector<ControlSite*> sites_;
};

}  // namespace

void Form::Build(const desc::Node& n) {
    using desc::EqualsNoCase;
    if (!EqualsNoCase(n.kind, "form")) Fail(n.line, "the description must start with a form");
    desc::CheckKeys(n, {"Caption", "BorderStyle", "ClientSize", "StartUpPosition", "BackColor",
                        "ForeColor", "Font", "Icon", "FillColor"});
    settings_.name = n.name;
    if (auto* p = n.Find("Caption")) settings_.caption = desc::GetString(*p);
    if (auto* p = n.Find("BorderStyle")) {
        const std::string border = desc::GetWord(*p);
        if (EqualsNoCase(border, "None")) settings_.bordered = false;
        else if (EqualsNoCase(border, "Sizable")) settings_.bordered = true;
        else Fail(p->line, "'BorderStyle' is None or Sizable, not '" + border + "'");
    }
    if (auto* p = n.Find("ClientSize")) {
        const auto v = desc::GetInts(*p, 2);
        if (v[0] <= 0 || v[1] <= 0) Fail(p->line, "'ClientSize' must be positive");
        settings_.clientWidth = v[0];
        settings_.clientHeight = v[1];
    }
    if (auto* p = n.Find("StartUpPosition")) {
        const std::string pos = desc::GetWord(*p);
        if (EqualsNoCase(pos, "CenterScreen")) settings_.centreOnScreen = true;
        else if (EqualsNoCase(pos, "Default")) settings_.centreOnScreen = false;
        else Fail(p->line, "'StartUpPosition' is CenterScreen or Default, not '" + pos + "'");
    }
    if (auto* p = n.Find("BackColor")) settings_.backColor = GetColor(*p);
    if (auto* p = n.Find("ForeColor")) settings_.foreColor = GetColor(*p);
    if (auto* p = n.Find("FillColor")) (void)GetColor(*p);  // nothing draws with it
    if (auto* p = n.Find("Font")) settings_.font = GetFont(*p);
    if (auto* p = n.Find("Icon")) settings_.iconResource = desc::GetString(*p);

    CreateFormWindow();
    Builder builder(*this);
    builder.BuildChildren(n, *this, true);
    builder.LoadSites();
    builder.FinishTabOrder();
}

}  // namespace forms
