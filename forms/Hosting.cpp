#include "forms/Hosting.h"

#include <map>

#include "forms/Description.h"
#include "forms/UserControl.h"

namespace forms {

namespace {

std::map<std::string, HostedControlFactory>& Classes() {
    static std::map<std::string, HostedControlFactory> classes;
    return classes;
}

}  // namespace

void RegisterControlClass(const std::string& typeName, HostedControlFactory factory) {
    for (auto it = Classes().begin(); it != Classes().end(); ++it) {
        if (desc::EqualsNoCase(it->first, typeName)) {
            Classes().erase(it);
            break;
        }
    }
    if (factory) Classes().emplace(typeName, std::move(factory));
}

HostedControlFactory FindControlClass(const std::string& typeName) {
    for (const auto& [name, factory] : Classes()) {
        if (desc::EqualsNoCase(name, typeName)) return factory;
    }
    return {};
}

}  // namespace forms
