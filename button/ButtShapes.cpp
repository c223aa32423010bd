// The button's window outline by shape and style, the inner regions the face is clipped
// to, and the scaled picture copy whose key-coloured areas a custom outline leaves out.
#include <windows.h>

#include <utility>
#include <vector>

#include "button/Butt.h"
#include "button/ButtDraw.h"
#include "button/ButtGeometry.h"
#include "forms/Handles.h"
#include "forms/Picture.h"

namespace button {

namespace {

void DeleteRegion(HRGN& region) noexcept {
    if (region) {
        ::DeleteObject(region);
        region = nullptr;
    }
}

void CutRect(HRGN from, RECT cut) {
    forms::OwnedRegion piece(::CreateRectRgnIndirect(&cut));
    ::CombineRgn(from, from, piece.Get(), RGN_DIFF);
}

void CutCorners(HRGN from, const std::vector<butt::CornerCut>& cuts) {
    for (const butt::CornerCut& cut : cuts) {
        if (!cut.triangle) {
            CutRect(from, cut.pixel);
            continue;
        }
        forms::OwnedRegion piece(::CreatePolygonRgn(cut.points.data(), 3, WINDING));
        ::CombineRgn(from, from, piece.Get(), RGN_DIFF);
    }
}

void FrameInBackBuffer(HDC memoryDC, HRGN region, RgbColor colour) {
    forms::OwnedBrush brush(::CreateSolidBrush(static_cast<COLORREF>(colour)));
    ::FrameRgn(memoryDC, region, brush.Get(), 1, 1);
}

}  // namespace

void Butt::CreateButtonRegion() {
    LeftSlantX = 0;
    RightSlantX = ScaleWidthPixels();
    if (MemoryDC) ::SelectClipRgn(MemoryDC, nullptr);
    DeleteRegion(InnerRegion2);
    DeleteRegion(InnerRegion);

    forms::OwnedRegion region;
    switch (ButtonShape) {
    case shapeRectangle:
        region.Reset(::CreateRectRgn(0, 0, forms::ToInt32(ScaleWidth() + 1),
                                     forms::ToInt32(ScaleHeight() + 1)));
        CutCorners(region.Get(), butt::CornerCuts(ButtonShape, ButtonStyle,
                                                  GetEnabled() == kTrue, ScaleWidthPixels(),
                                                  ScaleHeightPixels()));
        break;
    case shapeOval:
    case shapeOvalPicture:
    case shapeOvalRing: {
        const std::int32_t w = ScaleWidthPixels();
        const std::int32_t h = ScaleHeightPixels();
        region.Reset(::CreateEllipticRgn(0, 0, w, h));
        if (ButtonStyle != styleHotTrack) {
            if (ButtonShape == shapeOvalRing) {
                FrameInBackBuffer(MemoryDC, region.Get(), kBlack);
            } else {
                PaintRingGradient();
            }
        }
        InnerRegion = ::CreateEllipticRgn(1, 1, forms::ToInt32(ScaleWidth() - 1),
                                          forms::ToInt32(ScaleHeight() - 1));
        InnerRegion2 = ::CreateEllipticRgn(2, 2, forms::ToInt32(ScaleWidth() - 2),
                                           forms::ToInt32(ScaleHeight() - 2));
        break;
    }
    case shapeCustom:
    case shapeCustomRing:
        if (PictureWidth == 0 || PictureHeight == 0) return;  // the old outline stays
        try {
            region = BuildPictureOutline();
        } catch (const forms::EndRequested&) {
            throw;
        } catch (...) {
            // Any failure from the resize on (the resize itself, an overflow, no memory
            // for the picture scan) ends the work silently: the old outline stays.
            return;
        }
        break;
    default:  // the slants; a shape outside the enumeration gets neither
        region = BuildSlantOutline();
        break;
    }

    forms::GiveRegionToWindow(hWnd(), std::move(region), TRUE);
    if (RightSlantX == 0) RightSlantX = ScaleWidthPixels();
}

forms::OwnedRegion Butt::BuildSlantOutline() {
    const std::int32_t slant = butt::SlantWidth(ScaleHeight());
    const std::int32_t width = butt::WidenForSlant(ScaleWidthPixels(), slant);
    if (width != ScaleWidth()) {
        // The resize raises UserControl_Resize again; under the delay it only rebuilds
        // the back buffer.
        DelayDrawing(kTrue);
        const forms::ParentProperties parent = Extender().Parent();
        const int toScale = parent.IsMdiForm ? 1 : parent.ScaleMode;
        Extender().SetWidth(ScaleX(width, 3, toScale));
        RightSlantX = ScaleWidthPixels();
        DrawingDelayed = kFalse;
    }

    const butt::SlantOutline outline =
        butt::SlantPolygon(ButtonShape, ScaleWidth(), ScaleHeight(), slant);
    if (ButtonShape == shapeLeftSlant || ButtonShape == shapeBothSlants) {
        LeftSlantX = outline.leftSlantX;
    }
    if (ButtonShape == shapeRightSlant || ButtonShape == shapeBothSlants) {
        RightSlantX = outline.rightSlantX;
    }
    forms::OwnedRegion region(::CreatePolygonRgn(outline.points.data(), 4, WINDING));
    CutCorners(region.Get(), butt::CornerCuts(ButtonShape, ButtonStyle, GetEnabled() == kTrue,
                                              ScaleWidthPixels(), ScaleHeightPixels()));
    return region;
}

forms::OwnedRegion Butt::BuildPictureOutline() {
    DelayDrawing(kTrue);
    std::int32_t boxWidth = ScaleWidthPixels();
    std::int32_t boxHeight = ScaleHeightPixels();
    std::int32_t width = 0;
    std::int32_t height = 0;
    FitSizeToBox(boxWidth, boxHeight, width, height);
    // Always, even when the size stays as it is.
    Extender().Size(static_cast<double>(width) * forms::Screen::TwipsPerPixelX(),
                    static_cast<double>(height) * forms::Screen::TwipsPerPixelY());
    RightSlantX = ScaleWidthPixels();
    DrawingDelayed = kFalse;

    std::int32_t copyWidth = ScaleWidthPixels();
    std::int32_t copyHeight = ScaleHeightPixels();
    forms::OwnedRegion region(::CreateRectRgn(0, 0, copyWidth, copyHeight));
    HRGN outline = region.Get();
    CreatePictureRegion(copyWidth, copyHeight, outline);

    // The cut runs leave the inner regions as large as the outline; move them in by one
    // and two pixels from the outline's top-left corner.
    RECT outer{};
    ::GetRgnBox(outline, &outer);
    RECT inner{};
    ::GetRgnBox(InnerRegion, &inner);
    ::OffsetRgn(InnerRegion, outer.left - inner.left + 1, outer.top - inner.top + 1);
    ::GetRgnBox(InnerRegion2, &inner);
    ::OffsetRgn(InnerRegion2, outer.left - inner.left + 2, outer.top - inner.top + 2);

    if (ButtonShape == shapeCustomRing) {
        PaintRingGradient();
    } else {
        FrameInBackBuffer(MemoryDC, outline, TranslateColor(BackColor));
    }
    ::SelectClipRgn(MemoryDC, InnerRegion);
    return region;
}

void Butt::PaintRingGradient() {
    // White at the top to grey at the bottom, whatever the button's own gradient is.
    const std::int32_t savedMode = GradientMode;
    GradientMode = gradTopToBottom;
    DrawGradient(kWhite, kGrey);
    GradientMode = savedMode;
}

void Butt::CreatePictureRegion(std::int32_t& CopyWidth, std::int32_t& CopyHeight,
                               HRGN& Region) {
    if (Picture.IsNone()) return;
    if (PictureCopy) {
        ::DeleteObject(PictureCopy);
        PictureCopy = nullptr;
    }
    if (PictureIsIcon != 0) return;  // icons are drawn from their own handle

    forms::OwnedBitmap copy(static_cast<HBITMAP>(
        ::CopyImage(Picture.BitmapHandle(), IMAGE_BITMAP, CopyWidth, CopyHeight, 0)));

    if (Region) {
        DeleteRegion(InnerRegion);
        DeleteRegion(InnerRegion2);
        InnerRegion = ::CreateRectRgn(0, 0, ScaleWidthPixels(), ScaleHeightPixels());
        InnerRegion2 = ::CreateRectRgn(0, 0, ScaleWidthPixels(), ScaleHeightPixels());
    }

    // The scan works on the copy's pixels in one buffer: read once, evened out, written
    // back once. A copy that could not be made is not scanned, so nothing is cut.
    if (copy && CopyWidth > 0 && CopyHeight > 0) {
        BITMAPINFO info = forms::TopDown32BitInfo(CopyWidth, CopyHeight);
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(CopyWidth) *
                                          static_cast<std::size_t>(CopyHeight));
        forms::OwnedDc workDC(::CreateCompatibleDC(hDC()));
        const UINT rows = static_cast<UINT>(CopyHeight);
        if (::GetDIBits(workDC.Get(), copy.Get(), 0, rows, pixels.data(), &info,
                        DIB_RGB_COLORS) == static_cast<int>(rows)) {
            const COLORREF key = butt::ColourOfDibPixel(pixels.front());
            const std::vector<butt::KeyRun> runs =
                butt::EvenOutKeyRuns(pixels, CopyWidth, CopyHeight, key);
            ::SetDIBits(workDC.Get(), copy.Get(), 0, rows, pixels.data(), &info,
                        DIB_RGB_COLORS);
            if (Region) {
                for (const butt::KeyRun& run : runs) {
                    RECT cut{run.left, run.y, run.right, run.y + 1};
                    CutRect(Region, cut);
                    ::InflateRect(&cut, 1, 1);
                    CutRect(InnerRegion, cut);
                    ::InflateRect(&cut, 1, 1);
                    CutRect(InnerRegion2, cut);
                }
            }
        }
    }

    PictureCopy = copy.Release();
    PictureCopyWidth = CopyWidth;
    PictureCopyHeight = CopyHeight;
}

}  // namespace button
