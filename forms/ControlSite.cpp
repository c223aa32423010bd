#include "forms/ControlSite.h"

#include <windowsx.h>

#include <algorithm>

#include "forms/Description.h"
#include "forms/HostWindow.h"
#include "forms/UserControl.h"

namespace forms {

namespace {

// Every live site, so that the keyboard routing and the default look can find the sites
// of one top-level window.
std::vector<ControlSite*>& LiveSites() {
    static std::vector<ControlSite*> sites;
    return sites;
}

bool KnownPointer(std::int16_t pointer) { return (pointer >= 0 && pointer <= 15) || pointer == 99; }

}  // namespace

ControlSite::ControlSite(std::string name, Container& container, std::string typeName,
                         double left, double top, double width, double height, PropertyBag bag)
    : WindowedControl(std::move(name), container), typeName_(std::move(typeName)),
      bag_(std::move(bag)), font_(container.ContainerFont()) {
    Control::Move(left, top, width, height);
    LiveSites().push_back(this);
}

ControlSite::~ControlSite() {
    auto& sites = LiveSites();
    sites.erase(std::remove(sites.begin(), sites.end(), this), sites.end());
    if (host_) host_->Terminate();
    host_.reset();
    instance_.reset();
}

HWND ControlSite::ControlWindow() const noexcept { return host_ ? host_->WindowHandle() : nullptr; }

HWND ControlSite::InstanceHwnd() const noexcept { return ControlWindow(); }

void ControlSite::Load() { Create(true); }

void ControlSite::Place() { Create(false); }

void ControlSite::Create(bool fromBag) {
    HostedControlFactory factory = FindControlClass(typeName_);
    if (!factory) return;
    instance_ = factory(*this);
    if (!instance_) return;
    // The window comes once the instance is whole, so that every message reaches it.
    host_ = std::make_unique<HostWindow>(*this, *instance_);
    host_->Create(ContainerHwnd(), PixelRect(), Enabled());
    if (fromBag) {
        instance_->UserControl_ReadProperties(bag_);
    } else {
        instance_->UserControl_InitProperties();
    }
    host_->SetSited();
    instance_->UserControl_Resize();
    if (Visible()) {
        instance_->UserControl_Show();
        ::ShowWindow(host_->WindowHandle(), SW_SHOWNA);
    }
    UpdateDefaultLook(::GetFocus());
}

void ControlSite::Save() {
    if (!instance_) return;
    PropertyBag fresh;
    instance_->UserControl_WriteProperties(fresh);
    bag_ = std::move(fresh);
    changed_.clear();
}

AmbientProperties ControlSite::Ambient() const {
    AmbientProperties ambient;
    ambient.UserMode = userMode_;
    ambient.DisplayName = Name();
    ambient.BackColor = GetContainer()->ContainerBackColor();
    ambient.ForeColor = GetContainer()->ContainerForeColor();
    ambient.Font = GetContainer()->ContainerFont();
    ambient.DisplayAsDefault = displayAsDefault_;
    return ambient;
}

HWND ControlSite::ContainerHwnd() const { return GetContainer()->ClientWindow(); }

void ControlSite::PropertyChanged(std::string_view key) {
    for (const std::string& marked : changed_) {
        if (EqualsNoCase(marked, key)) return;
    }
    changed_.emplace_back(key);
}

void ControlSite::SetForeColor(std::uint32_t oleColor) {
    foreColor_ = oleColor;
    if (host_) host_->ApplyForeColor(oleColor);
}

void ControlSite::SetFont(const FontSpec& font) {
    font_ = font;
    if (host_) host_->ApplyFont(font);
}

void ControlSite::SetMousePointer(std::int16_t pointer) {
    if (!KnownPointer(pointer)) Raise(kErrInvalidPropertyValue);
    mousePointer_ = pointer;
}

void ControlSite::SetMouseIcon(forms::Picture icon) {
    if (icon.GetKind() == forms::Picture::Kind::Bitmap) Raise(kErrInvalidPropertyValue);
    mouseIcon_ = std::move(icon);
}

void ControlSite::SetDefault(bool isDefault) {
    if (isDefault) {
        for (ControlSite* other : SitesOfMyForm()) other->default_ = false;
    }
    default_ = isDefault;
    UpdateDefaultLook(::GetFocus());
}

void ControlSite::SetCancel(bool isCancel) {
    if (isCancel) {
        for (ControlSite* other : SitesOfMyForm()) other->cancel_ = false;
    }
    cancel_ = isCancel;
}

ParentProperties ControlSite::Parent() const {
    ParentProperties parent;
    const Container* form = GetContainer();
    while (const auto* control = dynamic_cast<const Control*>(form)) {
        if (!control->GetContainer()) break;
        form = control->GetContainer();
    }
    parent.Font = form->ContainerFont();
    parent.BackColor = form->ContainerBackColor();
    return parent;
}

void ControlSite::SetUserMode(bool userMode) {
    if (userMode_ == userMode) return;
    userMode_ = userMode;
    NotifyAmbientChanged("UserMode");
}

void ControlSite::NotifyAmbientChanged(const std::string& name) {
    if (host_ && host_->Sited()) instance_->UserControl_AmbientChanged(name);
}

void ControlSite::NotifyContainerChanged(const Container& container, const std::string& name) {
    for (ControlSite* site : std::vector<ControlSite*>(LiveSites())) {
        if (site->GetContainer() == &container) site->NotifyAmbientChanged(name);
    }
}

std::vector<ControlSite*> ControlSite::SitesOfMyForm() const {
    std::vector<ControlSite*> result;
    HWND root = ::GetAncestor(ContainerHwnd(), GA_ROOT);
    for (ControlSite* site : LiveSites()) {
        if (site != this && ::GetAncestor(site->ContainerHwnd(), GA_ROOT) == root) {
            result.push_back(site);
        }
    }
    return result;
}

std::vector<ControlSite*> ControlSite::SitesOf(HWND root) {
    std::vector<ControlSite*> result;
    if (!root) return result;
    for (ControlSite* site : LiveSites()) {
        if (::GetAncestor(site->ContainerHwnd(), GA_ROOT) == root) result.push_back(site);
    }
    return result;
}

ControlSite* ControlSite::FromWindow(HWND hwnd) {
    if (!hwnd) return nullptr;
    for (ControlSite* site : LiveSites()) {
        if (site->InstanceHwnd() == hwnd) return site;
    }
    return nullptr;
}

bool ControlSite::TakesInput() const {
    const HWND window = InstanceHwnd();
    return instance_ && host_ && host_->Sited() && window && ::IsWindowVisible(window) &&
           ::IsWindowEnabled(window);
}

void ControlSite::UpdateDefaultLook(HWND focus) {
    HWND root = ::GetAncestor(ContainerHwnd(), GA_ROOT);
    if (!root) return;
    std::vector<ControlSite*> sites = SitesOf(root);
    ControlSite* acting = nullptr;
    ControlSite* focused = FromWindow(focus);
    if (focused && focused->instance_ && focused->instance_->DefaultCancel()) {
        acting = focused;
    } else {
        for (ControlSite* site : sites) {
            if (site->default_) acting = site;
        }
    }
    for (ControlSite* site : sites) {
        const bool look = site == acting;
        if (site->displayAsDefault_ == look) continue;
        site->displayAsDefault_ = look;
        site->NotifyAmbientChanged("DisplayAsDefault");
    }
}

ControlSite* ControlSite::ActingDefault(HWND root, HWND focus) {
    ControlSite* focused = FromWindow(focus);
    if (focused && focused->TakesInput() && focused->instance_->DefaultCancel()) return focused;
    for (ControlSite* site : SitesOf(root)) {
        if (site->default_ && site->TakesInput()) return site;
    }
    return nullptr;
}

ControlSite* ControlSite::ActingCancel(HWND root) {
    for (ControlSite* site : SitesOf(root)) {
        if (site->cancel_ && site->TakesInput()) return site;
    }
    return nullptr;
}

ControlSite* ControlSite::WithAccessKey(HWND root, char key) {
    for (ControlSite* site : SitesOf(root)) {
        if (!site->TakesInput()) continue;
        for (char c : site->accessKeys_) {
            if (EqualsNoCase(std::string_view(&c, 1), std::string_view(&key, 1))) return site;
        }
    }
    return nullptr;
}

void ControlSite::PressAccessKey(std::int16_t keyAscii) {
    if (!instance_) return;
    instance_->UserControl_AccessKeyPress(keyAscii);
}

void ControlSite::OnVisibilityChanged() {
    if (Visible() && instance_ && host_ && host_->Sited()) instance_->UserControl_Show();
    WindowedControl::OnVisibilityChanged();
}

void ControlSite::SetHandler(std::string_view event, std::any handler) {
    for (auto it = handlers_.begin(); it != handlers_.end(); ++it) {
        if (EqualsNoCase(it->first, event)) {
            if (handler.has_value()) {
                it->second = std::move(handler);
            } else {
                handlers_.erase(it);
            }
            return;
        }
    }
    if (handler.has_value()) handlers_.emplace_back(std::string(event), std::move(handler));
}

std::any ControlSite::FindHandler(std::string_view event) const {
    for (const auto& [name, handler] : handlers_) {
        if (EqualsNoCase(name, event)) return handler;
    }
    return {};
}

}  // namespace forms

namespace forms {

namespace {

// Key releases whose press the routing used: they reach nobody either.
std::vector<WPARAM>& SwallowedReleases() {
    static std::vector<WPARAM> keys;
    return keys;
}

bool FocusTakesChars(HWND focus) {
    if (!focus) return false;
    const auto code = ::SendMessageA(focus, WM_GETDLGCODE, 0, 0);
    return (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_HASSETSEL)) != 0;
}

}  // namespace

bool RouteHostKeys(const MSG& msg) {
    const WPARAM vk = msg.wParam;
    if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) {
        auto& swallowed = SwallowedReleases();
        const auto it = std::find(swallowed.begin(), swallowed.end(), vk);
        if (it == swallowed.end()) return false;
        swallowed.erase(it);
        return true;
    }
    if ((msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) || !msg.hwnd) return false;
    HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
    if (ControlSite::SitesOf(root).empty()) return false;
    HWND focus = ::GetFocus();
    const bool alt = msg.message == WM_SYSKEYDOWN || ::GetKeyState(VK_MENU) < 0;
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;

    ControlSite* target = nullptr;
    std::int16_t keyAscii = 0;
    if (vk == VK_RETURN && !alt && !ctrl) {
        target = ControlSite::ActingDefault(root, focus);
        keyAscii = 13;
    } else if (vk == VK_ESCAPE && !alt && !ctrl) {
        target = ControlSite::ActingCancel(root);
        keyAscii = 27;
    } else if (((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) && !ctrl &&
               (alt || !FocusTakesChars(focus))) {
        target = ControlSite::WithAccessKey(root, static_cast<char>(vk));
        if (target) {
            const char letter = static_cast<char>(vk);
            for (char c : target->AccessKeys()) {
                if (EqualsNoCase(std::string_view(&c, 1), std::string_view(&letter, 1))) {
                    keyAscii = static_cast<unsigned char>(c);
                    break;
                }
            }
            HWND window = target->InstanceHwnd();
            if (target->Instance()->CanGetFocus() && ::GetFocus() != window) ::SetFocus(window);
        }
    }
    if (!target) return false;
    SwallowedReleases().push_back(vk);
    target->PressAccessKey(keyAscii);
    return true;
}

bool KeepFromDialogHandling(const MSG& msg) {
    const bool key = msg.message == WM_KEYDOWN || msg.message == WM_KEYUP;
    const bool enterOrEsc = key ? (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)
                                : (msg.message == WM_CHAR && (msg.wParam == 13 || msg.wParam == 27));
    return enterOrEsc && ControlSite::FromWindow(msg.hwnd) != nullptr;
}

}  // namespace forms
