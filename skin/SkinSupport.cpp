#include "skin/SkinSupport.h"

#include "forms/Library.h"
#include "skin/KeyRegion.h"
#include "skin/Manifest.h"

namespace {

std::int16_t Component(const std::optional<double>& value) {
    if (!value) forms::Raise(forms::kErrTypeMismatch);  // an omitted colour component
    return forms::ToInt16(*value);
}

// Hidden and system manifests count, folders don't.
bool ManifestExists(const std::string& path) {
    constexpr DWORD kAnyFile = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    return !forms::Dir(path, kAnyFile).empty();
}

// The window calls raise nothing themselves: a call that fails, telling so by its result
// and the thread's last error, raises here. Both style values may legitimately be 0.
LONG ReadExStyle(HWND hwnd) {
    ::SetLastError(ERROR_SUCCESS);
    const LONG style = ::GetWindowLongA(hwnd, GWL_EXSTYLE);
    if (style == 0 && ::GetLastError() != ERROR_SUCCESS) forms::Raise(forms::kErrInvalidCall);
    return style;
}

void WriteExStyle(HWND hwnd, LONG style) {
    ::SetLastError(ERROR_SUCCESS);
    if (::SetWindowLongA(hwnd, GWL_EXSTYLE, style) == 0 &&
        ::GetLastError() != ERROR_SUCCESS) {
        forms::Raise(forms::kErrInvalidCall);
    }
}

// The common controls' set-up. The library is loaded here, when a manifest is written,
// and not at start: loading it takes a good share of the program's start-up under Wine.
// A library that cannot be had is reported as the runtime reports a missing one.
void InitCommonControlsNow() {
    using Init = void(WINAPI*)();
    const auto init = forms::LibraryFunction<Init>("comctl32.dll", "InitCommonControls");
    if (!init) forms::Raise(forms::kErrFileNotFound);
    init();
}

}  // namespace

void SkinSupport::Set_Background(forms::Form& form, forms::PictureBox& picture,
                                 forms::VbBool usingTransparentColor,
                                 std::optional<double> transparentColor1RED,
                                 std::optional<double> transparentColor2GREEN,
                                 std::optional<double> transparentColor3BLUE) {
    if (usingTransparentColor == forms::kTrue) {
        forms::OwnedRegion region = MakeRegion(picture, transparentColor1RED,
                                               transparentColor2GREEN, transparentColor3BLUE);
        forms::GiveRegionToWindow(form.hWnd(), std::move(region), TRUE);
        picture.SetTop(0);
        picture.SetLeft(0);
        form.SetWidth(picture.Width());
        form.SetHeight(picture.Height());
    } else {
        form.SetPicture(picture.Picture());
        picture.SetAutoSize(true);
        form.SetWidth(picture.Width());
        form.SetHeight(picture.Height());
        picture.SetTop(0);
        picture.SetLeft(0);
    }
}

void SkinSupport::Drag_Form(std::int32_t mouseButton, forms::Form& form) {
    // Three separate tests, each skipped on its own if the window is not usable.
    for (const std::int32_t button : {1, 4, 2}) {
        if (mouseButton != button) continue;
        forms::ResumeNext([] { ::ReleaseCapture(); });
        forms::ResumeNext(
            [&] { ::SendMessageA(form.hWnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0); });
    }
}

forms::OwnedRegion SkinSupport::MakeRegion(forms::PictureBox& picture,
                                           std::optional<double> red,
                                           std::optional<double> green,
                                           std::optional<double> blue) {
    const COLORREF key = forms::Rgb(Component(red), Component(green), Component(blue));
    HDC dc = picture.hDC();
    const std::int32_t width = forms::ToInt32(picture.ScaleWidth());
    const std::int32_t height = forms::ToInt32(picture.ScaleHeight());
    return skin::KeyCutRegion(dc, width, height, key);
}

forms::VbBool SkinSupport::Debug_WriteEXEmanifest(
    const TextOrNumber& appPath, const TextOrNumber& appEXEName, const TextOrNumber& appMajor,
    const TextOrNumber& appMinor, const TextOrNumber& appRevision,
    const TextOrNumber& appFileDescription, forms::VbBool autoRestart,
    std::int32_t autoRestartWindowStyle) {
    forms::VbBool createNew = forms::kFalse;
    return Debug_WriteEXEmanifest(appPath, appEXEName, appMajor, appMinor, appRevision,
                                  appFileDescription, autoRestart, autoRestartWindowStyle,
                                  createNew);
}

forms::VbBool SkinSupport::Debug_WriteEXEmanifest(
    const TextOrNumber& appPath, const TextOrNumber& appEXEName, const TextOrNumber& appMajor,
    const TextOrNumber& appMinor, const TextOrNumber& appRevision,
    const TextOrNumber& appFileDescription, forms::VbBool autoRestart,
    std::int32_t autoRestartWindowStyle, const forms::VbBool& createNew) {
    forms::VbBool copy = createNew;
    return Debug_WriteEXEmanifest(appPath, appEXEName, appMajor, appMinor, appRevision,
                                  appFileDescription, autoRestart, autoRestartWindowStyle, copy);
}

forms::VbBool SkinSupport::Debug_WriteEXEmanifest(
    const TextOrNumber& appPath, const TextOrNumber& appEXEName, const TextOrNumber& appMajor,
    const TextOrNumber& appMinor, const TextOrNumber& appRevision,
    const TextOrNumber& appFileDescription, forms::VbBool autoRestart,
    std::int32_t autoRestartWindowStyle, forms::VbBool& createNew) {
    // Before the skipping starts: a failure here goes back to the caller.
    InitCommonControlsNow();

    // A restart must not rewrite a manifest that is already there.
    if (autoRestart == forms::kTrue) createNew = forms::kFalse;

    // Always beside the running program; appPath only names the program to restart.
    const std::string path = forms::App::Path() + "\\" + appEXEName.Text() + ".exe.manifest";
    const bool existed = ManifestExists(path);
    if (existed && createNew != forms::kTrue) return forms::kTrue;

    const std::string text = Manifest::Fill(
        appEXEName.Text() + ".exe",
        appMajor.Text() + "." + appMinor.Text() + "." + appRevision.Text() + ".0",
        appFileDescription.Text());
    if (existed) {
        forms::ResumeNext([&] { forms::SetAttr(path, 0); });
        forms::ResumeNext([&] { forms::Kill(path); });
    }
    forms::ResumeNext([&] { forms::PutBytes(path, text); });
    forms::ResumeNext(
        [&] { forms::SetAttr(path, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM); });

    // The restarted program would find no manifest either and restart again, for ever:
    // restart only once the manifest is really there.
    if (autoRestart == forms::kTrue && ManifestExists(path)) {
        forms::ResumeNext([&] {
            forms::Shell(appPath.Text() + "\\" + appEXEName.Text() + ".exe",
                         autoRestartWindowStyle);
        });
        forms::End();
    }
    return forms::ToVbBool(existed);
}

forms::VbBool SkinSupport::Check_isTransparent(HWND hwnd) {
    try {
        return forms::ToVbBool((ReadExStyle(hwnd) & WS_EX_LAYERED) != 0);
    } catch (const forms::RuntimeError&) {
        return forms::kFalse;
    }
}

std::int32_t SkinSupport::Make_Transparent(HWND hwnd, std::int16_t percentage) {
    if (percentage < 0 || percentage > 255) return 1;
    try {
        WriteExStyle(hwnd, ReadExStyle(hwnd) | WS_EX_LAYERED);
        if (!::SetLayeredWindowAttributes(hwnd, 0, static_cast<BYTE>(percentage), LWA_ALPHA)) {
            forms::Raise(forms::kErrInvalidCall);
        }
        return 0;
    } catch (const forms::RuntimeError&) {
        return 2;
    }
}

std::int32_t SkinSupport::Make_Opaque(HWND hwnd) {
    try {
        WriteExStyle(hwnd, ReadExStyle(hwnd) & ~LONG{WS_EX_LAYERED});
        return 0;
    } catch (const forms::RuntimeError&) {
        return 2;
    }
}
