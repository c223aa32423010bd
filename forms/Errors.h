// Errors and conversions of the runtime: error numbers and the runtime's own error
// type, the "skip and go on" handling, the error boundary of window procedures and system
// callbacks, value conversions with the runtime's rounding, screen units, colours, and the
// one case-insensitive comparison.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

namespace forms {

// Truth values as the program stores them: True is -1, False is 0. Several procedures
// test for exactly True, so a 16-bit value is kept rather than a bool.
using VbBool = std::int16_t;
inline constexpr VbBool kTrue = -1;
inline constexpr VbBool kFalse = 0;
constexpr VbBool ToVbBool(bool b) noexcept { return b ? kTrue : kFalse; }

// Error numbers raised by this layer. Raise and RuntimeError take nothing else, and the
// table of texts in Errors.cpp names every one of them (a number left out of it does not
// compile), so no raised error reads as the generic "Application-defined" one.
enum ErrorNumber : int {
    kErrInvalidCall = 5,
    kErrOverflow = 6,
    kErrOutOfMemory = 7,
    kErrTypeMismatch = 13,
    kErrFileNotFound = 53,
    kErrFileExists = 58,
    kErrPermissionDenied = 70,
    kErrPathFileAccess = 75,
    kErrPathNotFound = 76,
    kErrObjectNotSet = 91,
    kErrInvalidPropertyValue = 380,
    kErrInvalidPicture = 481,
};

// An error raised by a runtime service; what() is the description.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(ErrorNumber number, const std::string& description);
    int Number() const noexcept { return number_; }

private:
    int number_;
};

// The runtime's text for an error number ("Overflow", "File not found", ...); the generic
// text for a number this layer does not raise.
std::string ErrorDescription(int number);

// Raises the error with the runtime's text as its description.
[[noreturn]] void Raise(ErrorNumber number);

// Raises error 7 "Out of memory". The error is made when the program starts, so raising it
// needs no memory of its own.
[[noreturn]] void RaiseOutOfMemory();

// Runs body, in which the layer runs code of the program's own (a form's event handler):
// an allocation that fails there reaches the caller as error 7, a runtime error that its
// handler sees like any other.
template <class Body>
auto OutOfMemoryAsRuntimeError(Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        RaiseOutOfMemory();
    }
}

// Runs one statement and, if it raises an error, skips it: the caller goes on with its
// next statement. Returns the number of the runtime error it raised: 0 for none, -1 for a
// failure of another kind.
template <class Statement>
int ResumeNextErr(Statement&& statement) noexcept {
    try {
        statement();
        return 0;
    } catch (const RuntimeError& error) {
        return error.Number();
    } catch (...) {
        return -1;
    }
}

// The same, telling only whether the statement went through.
template <class Statement>
bool ResumeNext(Statement&& statement) noexcept {
    return ResumeNextErr(statement) == 0;
}

// Conversions with the runtime's rules: rounding to the nearest whole number with a half
// going to the even neighbour, and an overflow error when the value does not fit.
std::uint8_t ToByte(double value);
std::int16_t ToInt16(double value);
std::int32_t ToInt32(double value);
// Rounds to single precision, as a stored single-precision running value is.
inline float ToSingle(double value) noexcept { return static_cast<float>(value); }

// Colour from components: components above 255 count as 255, negative ones are an
// invalid call.
COLORREF Rgb(std::int16_t red, std::int16_t green, std::int16_t blue);

// Screen units: positions and sizes of windows are kept in twips.
int ScreenDpiY();
int TwipsPerPixelX();
int TwipsPerPixelY();
int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);
double PixelsToTwipsX(int pixels);
double PixelsToTwipsY(int pixels);

// A colour as the runtime stores it (OleColor): a value with the high bit set names a
// system colour by its index in the low byte, anything else is a plain RGB value.
COLORREF TranslateOleColor(std::uint32_t oleColor);

// A number as the runtime writes it when it joins it to a text: at most 15 significant
// digits, no point for a whole number, "1E+20" and "1E-05" beyond the plain range.
std::string NumberText(double value);

// The runtime's box for an error nothing handled; the program ends after it. A failed
// allocation reads as error 7, like every runtime error, with its number and text.
[[noreturn]] void ReportUnhandledError(const std::exception& error) noexcept;
[[noreturn]] void ReportUnhandledError() noexcept;

// Raises the runtime's error for a Win32 error code of a file or folder operation.
[[noreturn]] void RaiseForWin32Error(DWORD error);

// Text comparison without regard to ASCII case; every case-insensitive key, name and
// letter of this layer is compared with it.
bool EqualsNoCase(std::string_view a, std::string_view b);

// Runs a piece of a window procedure or system callback: an error nothing handled is
// reported by the runtime's error box (which ends the program) and never leaves here.
template <class Body>
auto RunGuarded(Body&& body) noexcept -> decltype(body());

// A timer procedure for SetTimer that runs proc behind the same error boundary as our
// window procedures:  ::SetTimer(hwnd, 237, 50, &forms::GuardedTimerProc<&ButtTimerProc>);
using TimerCallback = void (*)(HWND hwnd, UINT msg, UINT_PTR id, DWORD time);
template <TimerCallback Proc>
void CALLBACK GuardedTimerProc(HWND hwnd, UINT msg, UINT_PTR id, DWORD time) noexcept {
    RunGuarded([&] { Proc(hwnd, msg, id, time); });
}

// Thrown by the test seam of End() so that a handler stops where the process would have
// ended; production never sees it.
struct EndRequested {};

// Reports the exception in flight (inside a catch): the runtime's error box, or nothing
// for the test seam's EndRequested.
void ReportCurrentError() noexcept;

template <class Body>
auto RunGuarded(Body&& body) noexcept -> decltype(body()) {
    using Result = decltype(body());
    try {
        return body();
    } catch (...) {
        ReportCurrentError();
    }
    if constexpr (!std::is_void_v<Result>) return Result{};
}

}  // namespace forms
