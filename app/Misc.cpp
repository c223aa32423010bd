#include "app/Misc.h"

#include <shellapi.h>

#include "forms/Library.h"
#include "forms/Runtime.h"

namespace Misc {

namespace {

constexpr int kShowNormal = SW_SHOWNORMAL;

// The shell is loaded at the first call, not at start: the import alone brings three
// libraries into every start of the program. A shell that cannot be had answers as
// ShellExecuteA does for a missing library.
HINSTANCE CallShellExecute(HWND window, const char* verb, const char* file,
                           const char* parameters, const char* folder, int showCommand) {
    using Call = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    static const Call call = forms::LibraryFunction<Call>("shell32.dll", "ShellExecuteA");
    if (!call) return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
    return call(window, verb, file, parameters, folder, showCommand);
}

}  // namespace

ShellExecuteCall& ShellExecuteFunction() {
    static ShellExecuteCall call = CallShellExecute;
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
