// Shapes a borderless window after a bitmap and lets the user drag it by its client area.
#pragma once

#include <cstdint>
#include <optional>

#include "forms/Form.h"
#include "forms/Handles.h"
#include "forms/Runtime.h"

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

private:
    // One rectangle per run of non-key pixels, row by row; empty when every pixel is key.
    forms::OwnedRegion MakeRegion(forms::PictureBox& picture, std::optional<double> red,
                                  std::optional<double> green, std::optional<double> blue);
};
