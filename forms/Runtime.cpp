#include "forms/Runtime.h"

#include <charconv>
#include <cmath>
#include <system_error>
#include <utility>

#include "forms/Handles.h"

namespace forms {

RuntimeError::RuntimeError(int number, const std::string& description)
    : std::runtime_error(description), number_(number) {}

std::string ErrorDescription(int number) {
    switch (number) {
    case kErrInvalidCall: return "Invalid procedure call or argument";
    case kErrOverflow: return "Overflow";
    case kErrTypeMismatch: return "Type mismatch";
    case kErrFileNotFound: return "File not found";
    case kErrFileExists: return "File already exists";
    case kErrPermissionDenied: return "Permission denied";
    case kErrPathFileAccess: return "Path/File access error";
    case kErrPathNotFound: return "Path not found";
    case kErrObjectNotSet: return "Object variable not set";
    case kErrInvalidPicture: return "Invalid picture";
    default: return "Application-defined or object-defined error";
    }
}

void Raise(int number) { throw RuntimeError(number, ErrorDescription(number)); }

namespace {

// Round half to even, then range-check. NaN never fits.
double RoundHalfEven(double value) { return std::nearbyint(value); }

template <class T>
T RoundInto(double value, double lo, double hi) {
    const double r = RoundHalfEven(value);
    if (!(r >= lo && r <= hi)) Raise(kErrOverflow);
    return static_cast<T>(r);
}

}  // namespace

std::uint8_t ToByte(double value) { return RoundInto<std::uint8_t>(value, 0, 255); }
std::int16_t ToInt16(double value) { return RoundInto<std::int16_t>(value, -32768, 32767); }
std::int32_t ToInt32(double value) {
    return RoundInto<std::int32_t>(value, -2147483648.0, 2147483647.0);
}

COLORREF Rgb(std::int16_t red, std::int16_t green, std::int16_t blue) {
    if (red < 0 || green < 0 || blue < 0) Raise(kErrInvalidCall);
    auto clamp = [](std::int16_t c) { return static_cast<BYTE>(c > 255 ? 255 : c); };
    return RGB(clamp(red), clamp(green), clamp(blue));
}

namespace {

int ScreenDpi(int index) {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, index) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

int ScreenDpiY() {
    static const int value = ScreenDpi(LOGPIXELSY);
    return value;
}

int TwipsPerPixelX() {
    static const int value = 1440 / ScreenDpi(LOGPIXELSX);
    return value;
}
int TwipsPerPixelY() {
    static const int value = 1440 / ScreenDpiY();
    return value;
}
int TwipsToPixelsX(double twips) { return ToInt32(twips / TwipsPerPixelX()); }
int TwipsToPixelsY(double twips) { return ToInt32(twips / TwipsPerPixelY()); }
double PixelsToTwipsX(int pixels) { return static_cast<double>(pixels) * TwipsPerPixelX(); }
double PixelsToTwipsY(int pixels) { return static_cast<double>(pixels) * TwipsPerPixelY(); }

namespace App {

HINSTANCE Instance() { return ::GetModuleHandleA(nullptr); }

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

int MsgBox(const std::string& text, UINT style) { return MsgBox(text, style, App::Title()); }

int MsgBox(const std::string& text, UINT style, const std::string& title) {
    if (Hooks().messageBoxTitled) return Hooks().messageBoxTitled(text, style, title);
    if (Hooks().messageBox) return Hooks().messageBox(text, style);
    return ::MessageBoxA(::GetActiveWindow(), text.c_str(), title.c_str(), style | MB_SETFOREGROUND);
}

namespace Screen {
double Width() { return PixelsToTwipsX(::GetSystemMetrics(SM_CXSCREEN)); }
double Height() { return PixelsToTwipsY(::GetSystemMetrics(SM_CYSCREEN)); }
}  // namespace Screen

void DoEvents() {
    if (Hooks().onYield) Hooks().onYield();
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        PumpMessage(msg);
    }
}

int RunMessageLoop() {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) PumpMessage(msg);
    return static_cast<int>(msg.wParam);
}

void PumpMessage(MSG& msg) {
    // The host's own keys first: access keys, Enter to the default and Esc to the cancel
    // control, which the dialog handling below would otherwise take.
    if (RouteHostKeys(msg)) return;
    // Tab and arrow keys move the focus between a form's controls.
    HWND top = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (top && !KeepFromDialogHandling(msg) && ::IsDialogMessageA(top, &msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
}

void End() {
    if (Hooks().end) {
        Hooks().end();
        throw EndRequested{};
    }
    ::ExitProcess(0);
}

std::uint32_t Shell(const std::string& commandLine, int windowStyle) {
    if (Hooks().shell) return Hooks().shell(commandLine, windowStyle);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION pi{};
    std::string mutableLine = commandLine;  // CreateProcessA may write into it
    if (!::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &si, &pi)) {
        Raise(kErrFileNotFound);
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return pi.dwProcessId;
}

namespace {

[[noreturn]] void RaiseFromLastError() {
    switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND: Raise(kErrFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH: Raise(kErrPathNotFound);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: Raise(kErrPermissionDenied);
    default: Raise(kErrPathFileAccess);
    }
}

}  // namespace

void SetAttr(const std::string& path, DWORD attributes) {
    // The runtime's "normal" is 0; the system spells it FILE_ATTRIBUTE_NORMAL.
    const DWORD value = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    if (!::SetFileAttributesA(path.c_str(), value)) RaiseFromLastError();
}

std::string Dir(const std::string& pathName, DWORD attributes) {
    constexpr DWORD kSpecial = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                               FILE_ATTRIBUTE_DIRECTORY;
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA(pathName.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    std::string name;
    do {
        const std::string entry = found.cFileName;
        if (entry == "." || entry == "..") continue;
        if ((found.dwFileAttributes & kSpecial & ~attributes) == 0) {
            name = entry;
            break;
        }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return name;
}

void Kill(const std::string& path) {
    const DWORD current = ::GetFileAttributesA(path.c_str());
    if (current == INVALID_FILE_ATTRIBUTES || (current & FILE_ATTRIBUTE_DIRECTORY)) {
        Raise(kErrFileNotFound);
    }
    // Checked here: run as root, Wine would delete a read-only file all the same.
    if (current & FILE_ATTRIBUTE_READONLY) Raise(kErrPathFileAccess);
    if (!::DeleteFileA(path.c_str())) RaiseFromLastError();
}

void PutBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) RaiseFromLastError();
    OwnedHandle owned(file);
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(bytes.size() - done);
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            RaiseFromLastError();
        }
        done += written;
    }
}

std::string NumberText(double value) {
    if (value == 0) return "0";  // no "-0"
    char buffer[32];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    if (error != std::errc{}) return {};
    std::string text(buffer, end);
    for (char& c : text) {
        if (c == 'e') c = 'E';
    }
    return text;
}

void ReportUnhandledError(const std::exception& error) noexcept {
    std::string text;
    try {
        if (const auto* runtime = dynamic_cast<const RuntimeError*>(&error)) {
            text = "Run-time error '" + std::to_string(runtime->Number()) + "':\r\n\r\n" +
                   runtime->what();
        } else {
            text = std::string("Run-time error:\r\n\r\n") + error.what();
        }
    } catch (...) {
        text = "Run-time error";
    }
    if (Hooks().unhandledError) {
        Hooks().unhandledError(text);
    } else {
        ::MessageBoxA(::GetActiveWindow(), text.c_str(), App::Title().c_str(),
                      MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    }
    ::ExitProcess(1);
}

void ReportCurrentError() noexcept {
    try {
        throw;
    } catch (const EndRequested&) {
        // Only the test seam of End() throws this: the handler stops where the process
        // would have ended.
    } catch (const std::exception& error) {
        ReportUnhandledError(error);
    } catch (...) {
        ReportUnhandledError();
    }
}

void ReportUnhandledError() noexcept {
    ReportUnhandledError(std::runtime_error("Unexpected error"));
}

}  // namespace forms
