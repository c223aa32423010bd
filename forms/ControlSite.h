// The place of a hosted custom control on its form: class name, box, stored property bag,
// the settings the host keeps for the instance, the instance's window, and the handlers the
// form wires to the instance's events. To the control the site is its Extender.
#pragma once

#include <windows.h>

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "forms/Control.h"
#include "forms/Hosting.h"
#include "forms/Picture.h"
#include "forms/PropertyBag.h"
#include "forms/Runtime.h"

namespace forms {

class HostWindow;

class ControlSite : public WindowedControl {
public:
    ControlSite(std::string name, Container& container, std::string typeName, double left,
                double top, double width, double height, PropertyBag bag);
    // Terminates the instance while its window still exists, then destroys the window.
    ~ControlSite() override;

    const std::string& TypeName() const noexcept { return typeName_; }
    const PropertyBag& Bag() const noexcept { return bag_; }
    PropertyBag& Bag() noexcept { return bag_; }

    // Makes the instance through its class's factory, creates its window at the site's
    // box and loads it from the bag: UserControl_ReadProperties, UserControl_Resize, then
    // (when the site is visible) UserControl_Show and a paint. A class nobody registered
    // leaves the site empty. An error of the instance's loading reaches the caller.
    void Load();
    // The same for a new instance placed on the host: UserControl_InitProperties in place
    // of UserControl_ReadProperties.
    void Place();
    UserControl* Instance() const noexcept { return instance_.get(); }
    // Stores the instance's settings into the bag anew (UserControl_WriteProperties).
    void Save();

    AmbientProperties Ambient() const;
    // The window of the container the site is on (a form or a picture box).
    HWND ContainerHwnd() const;
    // The instance's own window; null while there is no instance.
    HWND InstanceHwnd() const noexcept;

    // The instance reports a changed setting by its bag key; the host saves when any is.
    void PropertyChanged(std::string_view key);
    const std::vector<std::string>& ChangedProperties() const noexcept { return changed_; }

    // ---- Settings the host keeps for the instance ----
    // The fore colour is the text colour, and the font the font, of the instance's hDC.
    std::uint32_t ForeColor() const noexcept { return foreColor_; }
    void SetForeColor(std::uint32_t oleColor);
    const FontSpec& Font() const noexcept { return font_; }
    void SetFont(const FontSpec& font);
    // 0 default, 1 to 15 the system's pointers, 99 the MouseIcon; anything else raises
    // "Invalid property value". Applied whenever the window asks for its cursor.
    std::int16_t MousePointer() const noexcept { return mousePointer_; }
    void SetMousePointer(std::int16_t pointer);
    // Icons and cursors only (or none); a bitmap raises "Invalid property value".
    const forms::Picture& MouseIcon() const noexcept { return mouseIcon_; }
    void SetMouseIcon(forms::Picture icon);
    int TabIndex() const noexcept { return tabIndex_; }
    void SetTabIndex(int index) noexcept { tabIndex_ = index; }
    // The letters that, with Alt (or alone while the focus is on a control that takes no
    // characters), raise UserControl_AccessKeyPress.
    const std::string& AccessKeys() const noexcept { return accessKeys_; }
    void SetAccessKeys(std::string keys) { accessKeys_ = std::move(keys); }

    // ---- Extender properties ----
    // Enter clicks the form's default control, Esc its cancel control; one of each per
    // form (setting one clears the flag on the others).
    bool Default() const noexcept { return default_; }
    void SetDefault(bool isDefault);
    bool Cancel() const noexcept { return cancel_; }
    void SetCancel(bool isCancel);
    // The form the site is on.
    ParentProperties Parent() const;
    // Position and size in twips (Left, Top, Width, Height, Move, Visible, Enabled) come
    // from Control; Size sets width and height in one step.
    void Size(double width, double height) { Move(Left(), Top(), width, height); }

    // ---- Design mode ----
    // False while the host is being designed; a change is announced to the instance as
    // the ambient "UserMode".
    bool UserMode() const noexcept { return userMode_; }
    void SetUserMode(bool userMode);

    // ---- Events of the instance ----
    // Wires the form's handler of an event, by the event's name (case-insensitive). The
    // parameter types are given explicitly and must be those the control raises, every
    // one by reference:
    //   site.OnEvent<>("Click", [this] { Apply_Click(); });
    //   site.OnEvent<std::int16_t, std::int16_t, float, float>("MouseDown",
    //       [](std::int16_t& button, std::int16_t& shift, float& x, float& y) { ... });
    // An empty handler unwires the event.
    template <class... Args, class F>
    void OnEvent(std::string_view event, F&& handler) {
        std::function<void(Args&...)> fn(std::forward<F>(handler));
        SetHandler(event, fn ? std::any(std::move(fn)) : std::any());
    }
    // Runs the handler wired to the event, synchronously, with the arguments by reference;
    // nothing happens when none is wired. A handler wired with other parameter types
    // raises "Type mismatch"; an allocation that fails in the handler reaches the caller
    // as "Out of memory".
    template <class... Args>
    void RaiseEvent(std::string_view event, Args&... args) {
        OutOfMemoryAsRuntimeError([&] {
            std::any handler = FindHandler(event);  // a copy: the handler may rewire itself
            if (!handler.has_value()) return;
            auto* fn = std::any_cast<std::function<void(Args&...)>>(&handler);
            if (!fn) Raise(kErrTypeMismatch);
            (*fn)(args...);
        });
    }

    // ---- Host plumbing (the message pump and the containers use these) ----
    // Tells the sites on a container that one of its ambient properties changed.
    static void NotifyContainerChanged(const Container& container, const std::string& name);
    // The site whose instance window is hwnd, or null.
    static ControlSite* FromWindow(HWND hwnd);
    // The sites on one top-level window.
    static std::vector<ControlSite*> SitesOf(HWND root);
    // Who takes Enter: the focused control when it can act as the default, else the
    // form's default control; null when none can take input.
    static ControlSite* ActingDefault(HWND root, HWND focus);
    static ControlSite* ActingCancel(HWND root);
    // The site on root whose access keys hold key (case-insensitive), or null.
    static ControlSite* WithAccessKey(HWND root, char key);
    // Gives the default look to the control that acts as the default with focus on focus,
    // and announces each change as the ambient "DisplayAsDefault".
    void UpdateDefaultLook(HWND focus);
    // Raises UserControl_AccessKeyPress.
    void PressAccessKey(std::int16_t keyAscii);
    // The instance is loaded, its window shown and enabled.
    bool TakesInput() const;
    // The instance's window object; null while there is no instance.
    HostWindow* Host() const noexcept { return host_.get(); }

protected:
    HWND ControlWindow() const noexcept override;
    void OnVisibilityChanged() override;

private:
    void Create(bool fromBag);
    void NotifyAmbientChanged(const std::string& name);
    std::vector<ControlSite*> SitesOfMyForm() const;
    void SetHandler(std::string_view event, std::any handler);
    std::any FindHandler(std::string_view event) const;

    std::string typeName_;
    PropertyBag bag_;
    std::unique_ptr<UserControl> instance_;
    std::unique_ptr<HostWindow> host_;
    std::vector<std::string> changed_;
    std::vector<std::pair<std::string, std::any>> handlers_;
    std::uint32_t foreColor_ = 0x80000012;
    FontSpec font_;
    std::int16_t mousePointer_ = 0;
    forms::Picture mouseIcon_;
    std::string accessKeys_;
    int tabIndex_ = 0;
    bool default_ = false;
    bool cancel_ = false;
    bool userMode_ = true;
    bool displayAsDefault_ = false;
};

}  // namespace forms
