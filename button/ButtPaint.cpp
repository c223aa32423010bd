// The painting pipeline: RedrawButton, the back buffer, the shared drawing tools, resize
// and the end of the control.
#include <array>

#include "button/Butt.h"
#include "forms/Handles.h"

namespace button {

namespace {

// Puts a new pen or brush into dc and deletes the one it replaces, unless that one is the
// DC's original (kept for the end). A failed selection deletes the new object instead.
void SwapInto(HDC dc, HGDIOBJ created, HGDIOBJ original) noexcept {
    if (created == nullptr) return;
    HGDIOBJ out = dc != nullptr ? ::SelectObject(dc, created) : nullptr;
    if (out == nullptr || out == HGDI_ERROR) {
        ::DeleteObject(created);
        return;
    }
    if (out != original && out != created) ::DeleteObject(out);
}

// Selects saved back into dc and deletes what comes out.
void RestoreAndDelete(HDC dc, HGDIOBJ saved) noexcept {
    if (dc == nullptr || saved == nullptr) return;
    HGDIOBJ out = ::SelectObject(dc, saved);
    if (out != nullptr && out != HGDI_ERROR && out != saved) ::DeleteObject(out);
}

// The painter of each ButtonStyle, by its number.
constexpr std::array<StylePainter, kStyleCount> kStylePainters{
    &Butt::DrawButtonStyle0, &Butt::DrawButtonStyle1, &Butt::DrawButtonStyle2,
    &Butt::DrawButtonStyle3, &Butt::DrawButtonStyle4, &Butt::DrawButtonStyle5,
    &Butt::DrawButtonStyle6, &Butt::DrawButtonStyle7};

}  // namespace

std::int32_t Butt::ScaleWidthPixels() const { return forms::ToInt32(ScaleWidth()); }
std::int32_t Butt::ScaleHeightPixels() const { return forms::ToInt32(ScaleHeight()); }

void Butt::RedrawButton() {
    if (DrawingDelayed != kFalse) return;
    ++PaintsRun;
    EdgePoints points{};
    EdgeColors colors{};
    VisualState state = 0;
    PaintFlag flag = 0;
    // An unknown style paints nothing: the flag stays 0.
    if (ButtonStyle >= 0 && ButtonStyle < kStyleCount) {
        const StylePainter painter = kStylePainters[static_cast<std::size_t>(ButtonStyle)];
        (this->*painter)(points, colors, state, flag);
    }
    const RgbColor frameColor = colors(12);
    if (flag == 0) return;
    ManageBackBuffer(kFalse);
    if (flag > 1) {
        // The frame along a shaped button's outline goes onto the screen after the copy.
        const bool pressed = HasPressedLook(ButtonState);
        HRGN region = nullptr;
        forms::OwnedRegion windowRegion;
        RgbColor color = frameColor;
        auto copyOfWindowRegion = [&] {
            windowRegion.Reset(::CreateRectRgn(0, 0, 0, 0));
            if (windowRegion && ::GetWindowRgn(hWnd(), windowRegion.Get()) != ERROR) {
                region = windowRegion.Get();
            }
        };
        switch (ButtonShape) {
        case shapeOval:
        case shapeOvalPicture:
        case shapeOvalRing:
            if (ButtonStyle == styleRounded && !pressed) {
                region = InnerRegion;
            } else if (ButtonShape == shapeOvalRing) {
                copyOfWindowRegion();
            }
            break;
        case shapeCustom:
        case shapeCustomRing:
            if (HoverTimerOn != kFalse && !pressed &&
                (ButtonStyle == styleRounded || HoverFaceColor != TranslateColor(BackColor))) {
                copyOfWindowRegion();
                if (ButtonStyle != styleRounded) color = HoverFaceColor;
            } else if ((ButtonState & bsDefault) != 0) {
                region = ButtonShape == shapeCustomRing ? InnerRegion2 : InnerRegion;
                if (Value == kTrue && ButtonStyle != styleRounded) {
                    color = ShiftColor(PressedFaceColor, -32);
                }
            }
            break;
        default:
            break;
        }
        if (region != nullptr) {
            forms::OwnedBrush brush(::CreateSolidBrush(static_cast<COLORREF>(color)));
            ::FrameRgn(hDC(), region, brush.Get(), 1, 1);
        }
    }
    UserControl::Refresh();
}

void Butt::ManageBackBuffer(VbBool Create) {
    if (Create == kTrue) {
        if (MemoryDC == nullptr) {
            MemoryDC = ::CreateCompatibleDC(hDC());
            // Text leaves the face behind the glyphs untouched: the embossed, engraved and
            // disabled captions draw over an already painted face.
            ::SetBkMode(MemoryDC, TRANSPARENT);
            HGDIOBJ brush = ::CreateSolidBrush(0);
            SavedBrush = static_cast<HBRUSH>(::SelectObject(MemoryDC, brush));
            HGDIOBJ pen = ::CreatePen(PS_SOLID, 1, 0);
            SavedPen = static_cast<HPEN>(::SelectObject(MemoryDC, pen));
        }
        SyncProp("Font");
        if (SavedBitmap == nullptr && MemoryDC != nullptr) {
            HBITMAP bitmap =
                ::CreateCompatibleBitmap(hDC(), ScaleWidthPixels(), ScaleHeightPixels());
            HGDIOBJ out = bitmap != nullptr ? ::SelectObject(MemoryDC, bitmap) : nullptr;
            if (out == nullptr || out == HGDI_ERROR) {
                if (bitmap != nullptr) ::DeleteObject(bitmap);
            } else {
                SavedBitmap = static_cast<HBITMAP>(out);
            }
        }
    } else {
        ::BitBlt(hDC(), 0, 0, ScaleWidthPixels(), ScaleHeightPixels(), MemoryDC, 0, 0, SRCCOPY);
    }
}

void Butt::SetDrawTool(VbBool Select, HDC hDC, std::int32_t ToolKind, RgbColor Color,
                       VbBool AlsoPen, std::int32_t PenWidth, std::int32_t Unused,
                       std::int32_t PenStyle) {
    (void)Unused;
    if (Select == kFalse) {
        RestoreAndDelete(MemoryDC, SavedBrush);
        RestoreAndDelete(MemoryDC, SavedPen);
        return;
    }
    const auto color = static_cast<COLORREF>(Color);
    switch (ToolKind) {
    case 0:
        SwapInto(MemoryDC, ::CreateSolidBrush(color), SavedBrush);
        if (AlsoPen != kFalse) SwapInto(MemoryDC, ::CreatePen(PenStyle, PenWidth, color), SavedPen);
        break;
    case 1:
        SwapInto(MemoryDC, ::CreatePen(PenStyle, PenWidth, color), SavedPen);
        break;
    case 2:
        ::SetTextColor(hDC, static_cast<COLORREF>(TranslateColor(static_cast<OleColor>(Color))));
        break;
    default:
        break;
    }
}

void Butt::DrawRectangle(HDC hDC, std::int32_t X1, std::int32_t Y1, std::int32_t X2,
                         std::int32_t Y2, RgbColor FillColor, RgbColor PenColor,
                         std::int32_t PenWidth, std::int32_t PenStyle) {
    if (PenColor != kNoColor) SetDrawTool(kTrue, hDC, 1, PenColor, kTrue, PenWidth, 0, PenStyle);
    SetDrawTool(kTrue, hDC, 0, FillColor, forms::ToVbBool(PenColor == kNoColor), 1, 0, 0);
    ::Rectangle(hDC, X1, Y1, X2, Y2);
}

void Butt::UserControl_Resize() {
    if (MemoryDC != nullptr && SavedBitmap != nullptr) {
        RestoreAndDelete(MemoryDC, SavedBitmap);
        SavedBitmap = nullptr;
    }
    ManageBackBuffer(kTrue);
    if (DrawingDelayed == kFalse) {
        CreateButtonRegion();
        CalcLayout(kFalse);
        RedrawButton();
    }
}

void Butt::UserControl_Terminate() {
    if (terminated_) return;
    terminated_ = true;
    HWND own = Extender().InstanceHwnd();
    if (own != nullptr) {
        // No tick may reach the ended button: the timer goes whether or not a hover is
        // on, and so does the address the callback would find.
        ::KillTimer(own, HoverTimerID);
        ::RemovePropA(own, kPropClassID);
        ::RemovePropA(own, kPropTimerID);
    }
    HoverTimerOn = kFalse;
    // A group must not keep the address of an ended button.
    LeaveOptionGroup();
    if (InnerRegion2 != nullptr) ::DeleteObject(InnerRegion2);
    if (InnerRegion != nullptr) ::DeleteObject(InnerRegion);
    InnerRegion2 = nullptr;
    InnerRegion = nullptr;
    if (MemoryDC != nullptr) {
        SetDrawTool(kFalse, MemoryDC, 0, 0);
        RestoreAndDelete(MemoryDC, SavedFont);
        RestoreAndDelete(MemoryDC, SavedBitmap);
        ::DeleteDC(MemoryDC);
        MemoryDC = nullptr;
        SavedFont = nullptr;
        SavedBitmap = nullptr;
        SavedPen = nullptr;
        SavedBrush = nullptr;
    }
    if (PictureCopy != nullptr) ::DeleteObject(PictureCopy);
    PictureCopy = nullptr;
}

}  // namespace button
