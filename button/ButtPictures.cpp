// The button's picture: fitted sizes, the masked draw that leaves the key colour out,
// and the grey look of a disabled button.
#include <windows.h>

#include <optional>

#include "button/Butt.h"
#include "button/ButtDraw.h"
#include "button/ButtGeometry.h"
#include "forms/Handles.h"

namespace button {

namespace {

// Destination AND NOT source: clears the image where the mask is set.
constexpr DWORD kRopAndNotSource = 0x220326;
// The destination where the source bit is 1, the brush where it is 0.
constexpr DWORD kRopDestWhereSourceElseBrush = 0xB8074A;

}  // namespace

void Butt::FitSizeToBox(std::int32_t& BoxWidth, std::int32_t& BoxHeight,
                        std::int32_t& OutWidth, std::int32_t& OutHeight) {
    const butt::PixelSize fitted = butt::FitSize(BoxWidth, BoxHeight, PictureWidth, PictureHeight);
    OutWidth = fitted.width;
    OutHeight = fitted.height;
}

void Butt::DrawTransparentBitmap(HDC& DestDC, RECT& DestRect, HBITMAP& Bitmap,
                                 RECT& SourceRect, std::int32_t& DrawWidth,
                                 std::int32_t& DrawHeight) {
    std::optional<forms::WindowDc> screen(std::in_place, nullptr);
    forms::OwnedDc sourceDC(::CreateCompatibleDC(screen->Get()));
    forms::SelectGuard sourceBitmap(sourceDC.Get(), Bitmap);

    std::int32_t sw = PictureCopyWidth;
    std::int32_t sh = PictureCopyHeight;
    if (SourceRect.right != 0) {
        sw = SourceRect.right - SourceRect.left;
    } else {
        SourceRect.right = PictureCopyWidth;
    }
    if (SourceRect.bottom != 0) {
        sh = SourceRect.bottom - SourceRect.top;
    } else {
        SourceRect.bottom = PictureCopyHeight;
    }
    const std::int32_t dw = DestRect.right != 0 ? DestRect.right - DestRect.left : DrawWidth;
    const std::int32_t dh = DestRect.bottom != 0 ? DestRect.bottom - DestRect.top : DrawHeight;

    if (DrawWidth > dw || DrawHeight > dh) {
        const float rx = static_cast<float>(dw) / static_cast<float>(DrawWidth);
        const float ry = static_cast<float>(dh) / static_cast<float>(DrawHeight);
        const double r = ry < rx ? ry : rx;
        DrawWidth = forms::ToInt32(r * DrawWidth);
        DrawHeight = forms::ToInt32(r * DrawHeight);
    }

    // The copy's own top-left pixel, whatever part of it is drawn.
    const COLORREF key = static_cast<COLORREF>(
        TranslateColor(static_cast<OleColor>(::GetPixel(sourceDC.Get(), 0, 0))));

    forms::OwnedDc maskDC(::CreateCompatibleDC(screen->Get()));
    forms::OwnedDc workDC(::CreateCompatibleDC(screen->Get()));
    forms::OwnedDc imageDC(::CreateCompatibleDC(screen->Get()));
    forms::OwnedBitmap imageBitmap(::CreateCompatibleBitmap(screen->Get(), sw, sh));
    forms::OwnedBitmap workBitmap(::CreateCompatibleBitmap(screen->Get(), dw, dh));
    forms::OwnedBitmap maskBitmap(::CreateBitmap(sw, sh, 1, 1, nullptr));
    screen.reset();
    {
        // Destruction order puts each DC's own bitmap back (image, mask, work) before
        // the DCs and bitmaps above go.
        forms::SelectGuard work(workDC.Get(), workBitmap.Get());
        forms::SelectGuard mask(maskDC.Get(), maskBitmap.Get());
        forms::SelectGuard image(imageDC.Get(), imageBitmap.Get());

        ::SetMapMode(workDC.Get(), ::GetMapMode(DestDC));
        ::BitBlt(workDC.Get(), 0, 0, dw, dh, DestDC, DestRect.left, DestRect.top, SRCCOPY);

        ::SetBkColor(imageDC.Get(), ::GetBkColor(sourceDC.Get()));
        ::SetTextColor(imageDC.Get(), ::GetTextColor(sourceDC.Get()));
        ::BitBlt(imageDC.Get(), 0, 0, sw, sh, sourceDC.Get(), SourceRect.left, SourceRect.top,
                 SRCCOPY);

        // Mask: 1 exactly where the image holds the key.
        ::SetBkColor(imageDC.Get(), key);
        ::SetTextColor(imageDC.Get(), kWhite);
        ::BitBlt(maskDC.Get(), 0, 0, sw, sh, imageDC.Get(), 0, 0, SRCCOPY);

        // Key pixels of the image turn black, so that OR-ing the image adds nothing there.
        ::SetTextColor(imageDC.Get(), kBlack);
        ::SetBkColor(imageDC.Get(), kWhite);
        ::BitBlt(imageDC.Get(), 0, 0, sw, sh, maskDC.Get(), 0, 0, kRopAndNotSource);

        // Black hole where the picture is opaque, then the picture into it.
        ::StretchBlt(workDC.Get(), 0, 0, DrawWidth, DrawHeight, maskDC.Get(), 0, 0, sw, sh,
                     SRCAND);
        ::StretchBlt(workDC.Get(), 0, 0, DrawWidth, DrawHeight, imageDC.Get(), 0, 0, sw, sh,
                     SRCPAINT);

        ::BitBlt(DestDC, DestRect.left, DestRect.top, dw, dh, workDC.Get(), 0, 0, SRCCOPY);
    }
}

void Butt::DrawPicture(RECT& Rect) {
    if (PictureWidth + PictureHeight == 0) return;
    if (!PictureCopy) {
        std::int32_t copyWidth = Rect.right - Rect.left;
        std::int32_t copyHeight = Rect.bottom - Rect.top;
        HRGN noRegion = nullptr;
        CreatePictureRegion(copyWidth, copyHeight, noRegion);
    }
    if (ButtonShape > shapeOvalRing) {
        Rect = {0, 0, ScaleWidthPixels(), ScaleHeightPixels()};
        if (HasPressedLook(ButtonState)) ::InflateRect(&Rect, -1, -1);
    }
    const std::int32_t w = Rect.right - Rect.left;
    const std::int32_t h = Rect.bottom - Rect.top;
    // A layout squeezed to nothing (or inverted) leaves no room for a picture.
    if (w <= 0 || h <= 0) return;
    RECT drawRect = Rect;

    // A disabled button draws the picture onto white first and greys it from there.
    const bool enabled = GetEnabled() == kTrue;
    forms::OwnedDc greyDC;
    forms::OwnedBitmap greyBitmap;
    std::optional<forms::SelectGuard> greySelected;  // goes first: the bitmap comes out
    HDC target = MemoryDC;
    if (!enabled) {
        greyDC.Reset(::CreateCompatibleDC(MemoryDC));
        greyBitmap.Reset(::CreateCompatibleBitmap(MemoryDC, w, h));
        greySelected.emplace(greyDC.Get(), greyBitmap.Get());
        ::PatBlt(greyDC.Get(), 0, 0, w, h, WHITENESS);
        ::OffsetRect(&drawRect, -drawRect.left, -drawRect.top);
        target = greyDC.Get();
    }

    if (PictureIsIcon == 1) {
        ::DrawIconEx(target, drawRect.left, drawRect.top, Picture.IconHandle(), w, h, 0, nullptr,
                     DI_NORMAL);
    } else {
        RECT sourceRect{0, 0, 0, 0};
        std::int32_t drawWidth = w;
        std::int32_t drawHeight = h;
        DrawTransparentBitmap(target, drawRect, PictureCopy, sourceRect, drawWidth, drawHeight);
    }

    if (enabled) return;
    const COLORREF oldBack = ::SetBkColor(MemoryDC, kWhite);
    forms::OwnedBrush grey(::CreateSolidBrush(kGrey));
    {
        forms::SelectGuard greyBrush(MemoryDC, grey.Get());
        ::BitBlt(MemoryDC, Rect.left, Rect.top, w, h, greyDC.Get(), 0, 0,
                 kRopDestWhereSourceElseBrush);
    }
    ::SetBkColor(MemoryDC, oldBack);
}

}  // namespace button
