#include "app/Misc.h"

#include <shellapi.h>

#include "forms/Runtime.h"

namespace Misc {

namespace {
constexpr int kShowNormal = SW_SHOWNORMAL;
}

ShellExecuteCall& ShellExecuteFunction() {
    static ShellExecuteCall call = [](HWND window, const char* verb, const char* file,
                                      const char* parameters, const char* folder,
                                      int showCommand) {
        return ::ShellExecuteA(window, verb, file, parameters, folder, showCommand);
    };
    return call;
}

void OpenURL(const std::string& address, forms::Form& window) {
    ShellExecuteFunction()(window.hWnd(), nullptr, address.c_str(), nullptr, "C:\\", kShowNormal);
}

std::int32_t ShellOpen(const std::string& target, forms::Form& window) {
    const std::string folder = forms::App::Path();
    const HINSTANCE result = ShellExecuteFunction()(window.hWnd(), "Open", target.c_str(), "",
                                                    folder.c_str(), kShowNormal);
    return static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(result));
}

}  // namespace Misc
