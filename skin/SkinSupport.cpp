#include "skin/SkinSupport.h"

namespace {

std::int16_t Component(const std::optional<double>& value) {
    if (!value) forms::Raise(forms::kErrTypeMismatch);  // an omitted colour component
    return forms::ToInt16(*value);
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

    forms::OwnedRegion result;
    auto addRun = [&](int left, int top, int right) {
        forms::OwnedRegion run(::CreateRectRgn(left, top, right, top + 1));
        if (!result) {
            result = std::move(run);
        } else {
            ::CombineRgn(result.Get(), result.Get(), run.Get(), RGN_OR);
        }
    };

    for (int y = 0; y < height; ++y) {
        bool open = false;
        int start = 0;
        for (int x = 0; x < width; ++x) {
            // An unreadable pixel (CLR_INVALID) differs from any key and so stays.
            const bool isKey = ::GetPixel(dc, x, y) == key;
            if (!isKey && !open) {
                open = true;
                start = x;
            } else if (isKey && open) {
                addRun(start, y, x);
                open = false;
            }
        }
        if (open) addRun(start, y, width);  // a run touching the right edge
    }
    return result;
}
