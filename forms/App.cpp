#include "forms/App.h"

#include <utility>

#include "forms/Hooks.h"

namespace forms {

namespace App {

HINSTANCE Instance() { return ::GetModuleHandleA(nullptr); }

std::string_view ResourceBytes(const char* name, const char* type) {
    HRSRC found = ::FindResourceA(Instance(), name, type);
    HGLOBAL loaded = found ? ::LoadResource(Instance(), found) : nullptr;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return {static_cast<const char*>(bytes), ::SizeofResource(Instance(), found)};
}

std::string Path() {
    char buffer[MAX_PATH * 2];
    const DWORD n = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    std::string path(buffer, n < sizeof buffer ? n : 0);
    const auto slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return path;
    path.resize(slash);
    if (path.size() == 2 && path[1] == ':') path += '\\';  // "C:" is the root "C:\"
    return path;
}

namespace {
std::string& TitleStorage() {
    static std::string title;
    return title;
}
}  // namespace

const std::string& Title() { return TitleStorage(); }
void SetTitle(std::string title) { TitleStorage() = std::move(title); }

}  // namespace App

RuntimeHooks& Hooks() {
    static RuntimeHooks hooks;
    return hooks;
}
namespace Screen {
double Width() { return PixelsToTwipsX(::GetSystemMetrics(SM_CXSCREEN)); }
double Height() { return PixelsToTwipsY(::GetSystemMetrics(SM_CYSCREEN)); }
}  // namespace Screen

}  // namespace forms
