// Shapes a borderless window after a bitmap and lets the user drag it by its client area.
#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "forms/Form.h"
#include "forms/Handles.h"
#include "forms/Runtime.h"

// An argument given as a text or as a number and used as text; a number is written the way
// the runtime joins it to a text (1 gives "1", 2.5 gives "2.5").
class TextOrNumber {
public:
    TextOrNumber(std::string text) : text_(std::move(text)) {}
    TextOrNumber(const char* text) : text_(text) {}
    template <std::integral Number>
        requires(!std::same_as<Number, bool> && !std::same_as<Number, char>)
    TextOrNumber(Number number) : text_(std::to_string(number)) {}
    TextOrNumber(double number) : text_(forms::NumberText(number)) {}

    const std::string& Text() const noexcept { return text_; }

private:
    std::string text_;
};

class SkinSupport {
public:
    // With usingTransparentColor exactly True, cuts the window to the picture box's pixels
    // that differ from the key colour (red, green, blue); otherwise uses the picture as the
    // window's background. Either way the window takes the picture box's size. A colour
    // component must be given when the key is used.
    void Set_Background(forms::Form& form, forms::PictureBox& picture,
                        forms::VbBool usingTransparentColor = forms::kFalse,
                        std::optional<double> transparentColor1RED = std::nullopt,
                        std::optional<double> transparentColor2GREEN = std::nullopt,
                        std::optional<double> transparentColor3BLUE = std::nullopt);

    // For mouse button 1, 2 or 4 hands the press to the system as a press on the window's
    // caption, so that its move loop drags the window; returns when the drag has ended.
    void Drag_Form(std::int32_t mouseButton, forms::Form& form);

    // Writes "<appEXEName>.exe.manifest", hidden and system, into the running program's
    // folder, asking for version 6 of the common controls; a manifest already there is
    // kept unless createNew is exactly True. True when a manifest of that name existed.
    // autoRestart exactly True forces createNew to False, in the caller's variable too,
    // and once the manifest is newly there starts "<appPath>\<appEXEName>.exe" with
    // autoRestartWindowStyle and ends this process. Failing steps after the common
    // controls' set-up are skipped.
    forms::VbBool Debug_WriteEXEmanifest(const TextOrNumber& appPath,
                                         const TextOrNumber& appEXEName,
                                         const TextOrNumber& appMajor,
                                         const TextOrNumber& appMinor,
                                         const TextOrNumber& appRevision,
                                         const TextOrNumber& appFileDescription,
                                         forms::VbBool autoRestart = forms::kFalse,
                                         std::int32_t autoRestartWindowStyle = 0);
    forms::VbBool Debug_WriteEXEmanifest(const TextOrNumber& appPath,
                                         const TextOrNumber& appEXEName,
                                         const TextOrNumber& appMajor,
                                         const TextOrNumber& appMinor,
                                         const TextOrNumber& appRevision,
                                         const TextOrNumber& appFileDescription,
                                         forms::VbBool autoRestart,
                                         std::int32_t autoRestartWindowStyle,
                                         forms::VbBool& createNew);
    // A constant for createNew: used as given, nothing to change.
    forms::VbBool Debug_WriteEXEmanifest(const TextOrNumber& appPath,
                                         const TextOrNumber& appEXEName,
                                         const TextOrNumber& appMajor,
                                         const TextOrNumber& appMinor,
                                         const TextOrNumber& appRevision,
                                         const TextOrNumber& appFileDescription,
                                         forms::VbBool autoRestart,
                                         std::int32_t autoRestartWindowStyle,
                                         const forms::VbBool& createNew);

    // The switches take any window by its bare handle. A Windows call that reports a
    // failure (a handle that is no window, a window the system won't let this process
    // change) counts as an error.

    // True when the window has the layered style; False otherwise or on an error.
    forms::VbBool Check_isTransparent(HWND hwnd);
    // Makes the window layered with the constant alpha percentage (0 clear to 255 opaque,
    // not a percentage): 0; 1 when it lies outside 0-255 and the window is left alone;
    // 2 on an error.
    std::int32_t Make_Transparent(HWND hwnd, std::int16_t percentage);
    // Clears the layered style, keeping every other extended style: 0, or 2 on an error.
    std::int32_t Make_Opaque(HWND hwnd);

private:
    // One rectangle per run of non-key pixels, row by row; empty when every pixel is key.
    forms::OwnedRegion MakeRegion(forms::PictureBox& picture, std::optional<double> red,
                                  std::optional<double> green, std::optional<double> blue);
};
