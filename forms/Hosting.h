// Hosting of custom controls: the control class that a description names after ':' is
// made through a registered factory, reads its settings from the property bag that the
// description stores for it, and sees its host through ambient properties.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "forms/Picture.h"
#include "forms/PropertyBag.h"

namespace forms {

class ControlSite;

// What the host tells a control about its surroundings.
struct AmbientProperties {
    std::uint32_t backColor = 0x8000000F;  // the container's back colour
    std::uint32_t foreColor = 0x80000012;
    FontSpec font;                         // the container's font
    std::string displayName;               // the instance's name
    bool userMode = true;                  // this program is never being designed
    bool displayAsDefault = false;
};

// A control instance living in a site.
class HostedControl {
public:
    virtual ~HostedControl() = default;
    // A new instance's first settings (never for one loaded from a bag).
    virtual void InitProperties() {}
    // Loads the instance from its stored settings.
    virtual void ReadProperties(const PropertyBag& bag) = 0;
    // Saves its settings.
    virtual void WriteProperties(PropertyBag& bag) const = 0;
    virtual void Show() {}
    // The instance's own window, if it has one; it joins the form's focus order.
    virtual HWND Window() const { return nullptr; }
};

using HostedControlFactory = std::function<std::unique_ptr<HostedControl>(ControlSite& site)>;

// Makes a control class available to descriptions; the last registration of a name wins.
void RegisterControlClass(const std::string& typeName, HostedControlFactory factory);
// The factory for a class name (case-insensitive), or an empty function.
HostedControlFactory FindControlClass(const std::string& typeName);

}  // namespace forms
