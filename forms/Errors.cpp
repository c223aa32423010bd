#include "forms/Errors.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <system_error>

#include "forms/App.h"
#include "forms/Hooks.h"

namespace forms {

RuntimeError::RuntimeError(ErrorNumber number, const std::string& description)
    : std::runtime_error(description), number_(number) {}

std::string ErrorDescription(int number) {
    // No default: every ErrorNumber must have its case here.
    switch (static_cast<ErrorNumber>(number)) {
    case kErrInvalidCall: return "Invalid procedure call or argument";
    case kErrOverflow: return "Overflow";
    case kErrOutOfMemory: return "Out of memory";
    case kErrTypeMismatch: return "Type mismatch";
    case kErrFileNotFound: return "File not found";
    case kErrFileExists: return "File already exists";
    case kErrPermissionDenied: return "Permission denied";
    case kErrPathFileAccess: return "Path/File access error";
    case kErrPathNotFound: return "Path not found";
    case kErrObjectNotSet: return "Object variable or With block variable not set";
    case kErrInvalidPropertyValue: return "Invalid property value";
    case kErrInvalidPicture: return "Invalid picture";
    }
    return "Application-defined or object-defined error";
}

void Raise(ErrorNumber number) { throw RuntimeError(number, ErrorDescription(number)); }

namespace {

// Made at start-up: when memory has run out, neither the error's text nor the box's can be.
const RuntimeError kOutOfMemory(kErrOutOfMemory, ErrorDescription(kErrOutOfMemory));
constexpr char kOutOfMemoryBox[] = "Run-time error '7':\r\n\r\nOut of memory";

}  // namespace

void RaiseOutOfMemory() { throw kOutOfMemory; }

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

COLORREF TranslateOleColor(std::uint32_t oleColor) {
    if (oleColor & 0x80000000u) return ::GetSysColor(static_cast<int>(oleColor & 0xFFu));
    return static_cast<COLORREF>(oleColor & 0xFFFFFFu);
}

void RaiseForWin32Error(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND: Raise(kErrFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH: Raise(kErrPathNotFound);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: Raise(kErrFileExists);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: Raise(kErrPermissionDenied);
    default: Raise(kErrPathFileAccess);
    }
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
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
    const auto* runtime = dynamic_cast<const RuntimeError*>(&error);
    // A failed allocation is error 7. Its text is fixed: no memory may be left to make one.
    const bool outOfMemory = dynamic_cast<const std::bad_alloc*>(&error) != nullptr ||
                             (runtime && runtime->Number() == kErrOutOfMemory);
    std::string text;
    if (!outOfMemory) {
        try {
            text = runtime ? "Run-time error '" + std::to_string(runtime->Number()) +
                                 "':\r\n\r\n" + runtime->what()
                           : std::string("Run-time error:\r\n\r\n") + error.what();
        } catch (...) {
            text = "Run-time error";  // short enough to need no allocation
        }
    }
    const char* shown = outOfMemory ? kOutOfMemoryBox : text.c_str();
    if (Hooks().unhandledError) {
        try {
            Hooks().unhandledError(shown);
        } catch (...) {
            // The hook takes a copy of the text, which may need memory that is not there.
        }
    } else {
        ::MessageBoxA(::GetActiveWindow(), shown, App::Title().c_str(),
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
