// The runtime services the program's windows rely on: errors and the "skip and go on"
// handling, value conversions, the application object, message boxes, the message loop
// and its yield, starting a program, file attributes and ending the process.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace forms {

// Truth values as the program stores them: True is -1, False is 0. Several procedures
// test for exactly True, so a 16-bit value is kept rather than a bool.
using VbBool = std::int16_t;
inline constexpr VbBool kTrue = -1;
inline constexpr VbBool kFalse = 0;
constexpr VbBool ToVbBool(bool b) noexcept { return b ? kTrue : kFalse; }

// Error numbers raised by this runtime.
enum ErrorNumber : int {
    kErrInvalidCall = 5,
    kErrOverflow = 6,
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
    RuntimeError(int number, const std::string& description);
    int Number() const noexcept { return number_; }

private:
    int number_;
};

// The standard description of an error number ("Overflow", "File not found", ...).
std::string ErrorDescription(int number);

[[noreturn]] void Raise(int number);

// Runs one statement and, if it raises an error, skips it: the caller goes on with its
// next statement. Returns false when the statement failed.
template <class Statement>
bool ResumeNext(Statement&& statement) noexcept {
    try {
        statement();
        return true;
    } catch (...) {
        return false;
    }
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

// The screen, as the runtime's Screen object gives it.
namespace Screen {
double Width();   // twips
double Height();  // twips
inline int TwipsPerPixelX() { return forms::TwipsPerPixelX(); }
inline int TwipsPerPixelY() { return forms::TwipsPerPixelY(); }
}  // namespace Screen

// The application object.
namespace App {
HINSTANCE Instance();
// The program's folder, without a trailing backslash unless it is a drive's root.
std::string Path();
const std::string& Title();
void SetTitle(std::string title);
}  // namespace App

// Message box styles and answers used by the program.
inline constexpr UINT kMsgOkOnly = MB_OK;
inline constexpr UINT kMsgYesNo = MB_YESNO;
inline constexpr UINT kMsgInformation = MB_ICONINFORMATION;
inline constexpr int kAnswerYes = IDYES;

// Shows a message box titled with the application's title; owned by the active window.
int MsgBox(const std::string& text, UINT style = kMsgOkOnly);
// The same with a title of its own.
int MsgBox(const std::string& text, UINT style, const std::string& title);

// Handles every message waiting in this thread's queue, then returns.
void DoEvents();

// Runs the message loop until the last form is gone or the process ends.
int RunMessageLoop();

// Hands one message on as both loops do: the host's keyboard routing, then the dialog
// keys (Tab, arrows), then translation and dispatch.
void PumpMessage(MSG& msg);
// The host's keyboard routing (access keys, Enter, Esc); true when the message was used.
bool RouteHostKeys(const MSG& msg);
// True for Enter and Esc that go to a hosted control as plain keys.
bool KeepFromDialogHandling(const MSG& msg);

// Ends the process at once: no window is unloaded, nothing is cleaned up.
[[noreturn]] void End();

// Starts a program from a command line; the window style is the show command (1 normal
// with the focus). Returns the new process's identifier; raises "File not found" when the
// program cannot be started.
std::uint32_t Shell(const std::string& commandLine, int windowStyle);

// Sets a file's attributes; raises an error when the file cannot be found or changed.
void SetAttr(const std::string& path, DWORD attributes);

// The name, without its folder, of the first entry that matches pathName (wildcards
// allowed) and the attribute mask, or empty text when none does. Plain, read-only and
// archive files always match; a hidden (2), system (4) or folder (16) entry only when the
// mask has every one of those bits that the entry carries.
std::string Dir(const std::string& pathName, DWORD attributes);

// Deletes one file; "File not found" when there is none of that name, "Path/File access
// error" when it is read-only.
void Kill(const std::string& path);

// Plain byte access: opens the file (creating it when absent), writes bytes from its
// start and closes it. Bytes of an existing file beyond the written ones stay.
void PutBytes(const std::string& path, const std::string& bytes);

// A number as the runtime writes it when it joins it to a text: at most 15 significant
// digits, no point for a whole number, "1E+20" and "1E-05" beyond the plain range.
std::string NumberText(double value);

// The runtime's box for an error nothing handled; the program ends after it.
[[noreturn]] void ReportUnhandledError(const std::exception& error) noexcept;
[[noreturn]] void ReportUnhandledError() noexcept;

// Seams for tests: each one, when set, takes the place of the real service.
struct RuntimeHooks {
    std::function<int(const std::string& text, UINT style)> messageBox;
    // Takes the place of both message boxes when set, with the title that shows.
    std::function<int(const std::string& text, UINT style, const std::string& title)> messageBoxTitled;
    std::function<void()> end;  // must not return to the caller's next statement in production
    std::function<std::uint32_t(const std::string& commandLine, int windowStyle)> shell;
    std::function<void()> onYield;  // called once at the start of every DoEvents
    std::function<void(const std::string& text)> unhandledError;
};
RuntimeHooks& Hooks();

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
