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

namespace forms {

class ControlSite;
class UserControl;

// What the host tells a control about its surroundings. Read afresh at every call of
// UserControl::Ambient(); a change is announced through UserControl_AmbientChanged.
struct AmbientProperties {
    bool UserMode = true;            // False only while the host is being designed
    std::string DisplayName;         // the instance's name on its form
    std::uint32_t BackColor = 0x8000000F;  // the container's back colour (may name a system colour)
    std::uint32_t ForeColor = 0x80000012;  // the container's fore colour
    FontSpec Font;                   // the container's font
    bool DisplayAsDefault = false;   // the control should look like the default button now
};

// The window that a control's container belongs to (its form), as a control sees it
// through Extender().Parent().
struct ParentProperties {
    FontSpec Font;
    std::uint32_t BackColor = 0x8000000F;
    int ScaleMode = 1;       // 1 twips: positions and sizes of controls are kept in twips
    bool IsMdiForm = false;  // no window of this layer is an MDI parent
};

// Makes a control instance for a site; the site creates the control's window afterwards.
using HostedControlFactory = std::function<std::unique_ptr<UserControl>(ControlSite& site)>;

// Makes a control class available to descriptions; the last registration of a name wins.
// An empty factory removes the class.
void RegisterControlClass(const std::string& typeName, HostedControlFactory factory);
// The factory for a class name (case-insensitive), or an empty function.
HostedControlFactory FindControlClass(const std::string& typeName);

}  // namespace forms
