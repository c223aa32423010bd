// Butt: the owner-drawn button control (command, check-box and option-button modes,
// eight drawing styles, nine shapes, gradients, pictures, hover colours).
//
// Naming: per-instance fields carry the names the rest of the control uses
// (`ButtonStyle`, `FaceColor`, `MemoryDC`...). The public property of the same name is
// read with GetX() and set with SetX(); "through its setter" means SetX, "directly" means
// the field. Settings the host keeps (ForeColor, Enabled, Font, MousePointer, MouseIcon)
// have no field: GetX()/SetX() are the control's property with its rules, and
// UserControl::X()/SetX() the host's setting itself.
//
// The class is split by concern over several files:
//   ButtProperties.cpp  properties, setter rules, access keys, DelayDrawing/Refresh
//   ButtPaint.cpp       RedrawButton, the back buffer, drawing tools, resize, terminate
//   ButtColors.cpp      TranslateColor, ShiftColor, SyncProp, BlendColors, DrawGradient
//   ButtInput.cpp       mouse, keyboard, access keys, ambient changes, CustomClick nudge
//   ButtHover.cpp       hover start and end, option groups, focus
//   ButtPersist.cpp     InitProperties, ReadProperties, WriteProperties, Show
//   ButtTimer.cpp       the hover timer's callback
//   ButtLayout.cpp      CalcLayout: where the caption and the picture go
//   ButtFace.cpp        background clip, face fill, caption and picture
//   ButtEdges.cpp       the edge rings and the focus mark
//   ButtStyles.cpp      the eight style painters DrawButtonStyle0..7
//   ButtShapes.cpp      the window outline by shape, the inner regions, the picture region
//   ButtPictures.cpp    fitted picture sizes, the masked picture draw
//   ButtGeometry.cpp    outline and picture-scan geometry without a device context
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/Picture.h"
#include "forms/PropertyBag.h"
#include "forms/Runtime.h"
#include "forms/UserControl.h"

namespace button {

using forms::VbBool;
using forms::kTrue;
using forms::kFalse;

// A colour as properties hold it: &H80000000 plus an index names a system colour.
using OleColor = std::uint32_t;
// A colour to draw with: red in bits 0-7, green 8-15, blue 16-23; -1 where a table
// means "not drawn" or "none".
using RgbColor = std::int32_t;
inline constexpr RgbColor kNoColor = -1;

inline constexpr OleColor kSysButtonFace = 0x8000000F;  // system colour 15
inline constexpr OleColor kSysButtonText = 0x80000012;  // system colour 18

enum ButtonLook : std::int32_t {
    styleDoubleBevel = 0,
    styleSingleBevel = 1,
    styleRounded = 2,
    styleFlatOutline = 3,
    styleFrame = 4,
    styleHotTrack = 5,
    styleLightBevel = 6,
    styleRoundedShaded = 7,
};

enum ButtonOutline : std::int32_t {
    shapeRectangle = 0,
    shapeLeftSlant = 1,
    shapeRightSlant = 2,
    shapeBothSlants = 3,
    shapeOval = 4,
    shapeOvalPicture = 5,
    shapeOvalRing = 6,
    shapeCustom = 7,
    shapeCustomRing = 8,
};

enum ButtonMode : std::int32_t { modeCommand = 0, modeCheckBox = 1, modeOption = 2 };

enum CaptionAlignment : std::int32_t { alignLeft = 0, alignRight = 1, alignCenter = 2 };

enum CaptionEffect : std::int32_t { ceFlat = 0, ceEmbossed = 1, ceEngraved = 2 };

enum ImageAlign : std::int32_t {
    imgLeftEdge = 0,
    imgLeftOfCaption = 1,
    imgRightEdge = 2,
    imgRightOfCaption = 3,
    imgTopCenter = 4,
    imgBottomCenter = 5,
};

enum ImageSize : std::int32_t { size16 = 0, size24 = 1, size32 = 2, sizeStretch = 3, sizeFit = 4 };

enum HoverLock : std::int32_t { lockBoth = 0, lockFore = 1, lockBack = 2, lockNone = 3 };

enum GradientDirection : std::int32_t {
    gradNone = 0,
    gradLeftToRight = 1,
    gradRightToLeft = 2,
    gradTopToBottom = 3,
    gradBottomToTop = 4,
};

enum ClickNudge : std::int32_t {
    clickNone = 0,
    clickUp = 1,
    clickUpRight = 2,
    clickUpLeft = 3,
    clickDownRight = 4,
    clickDownLeft = 5,
    clickRight = 6,
    clickDown = 7,
    clickLeft = 8,
};

enum FontStyleBits : std::int32_t { fsBold = 2, fsItalic = 4, fsUnderline = 8 };

// ButtonState flags. The pressed look is bsPressed and bsHover together.
inline constexpr std::int16_t bsDefault = 1;
inline constexpr std::int16_t bsPressed = 2;
inline constexpr std::int16_t bsHover = 4;
inline constexpr std::int16_t bsMoved = 0x400;
inline constexpr std::int16_t kPressedLook = bsPressed | bsHover;
inline constexpr bool HasPressedLook(std::int16_t state) noexcept {
    return (state & kPressedLook) == kPressedLook;
}

// The hover timer: identifier and period.
inline constexpr UINT_PTR HoverTimerID = 237;
inline constexpr UINT HoverTimerInterval = 50;

// Window properties of the hover timer (on the button's window) and of option groups
// (on the container's window).
inline constexpr char kPropClassID[] = "butt_ClassID";
inline constexpr char kPropTimerID[] = "butt_TimerID";
inline constexpr char kPropOptCount[] = "butt_OptCount";
inline constexpr char kPropObjPrefix[] = "butt_Obj";

// Painter contract: made afresh by RedrawButton for every paint and handed by reference to
// the painter of the style, and on to the face fill and the edge procedures.
//
// EdgePoints: 16 points, indexed 0 to 15, all (0, 0) when the painter starts.
using EdgePoints = std::array<POINT, 16>;

// EdgeColors: 12 colours indexed 1 to 12, written colors(i): 1-4 inner ring, 5-8 middle,
// 9-12 outer, each ring left, top, right, bottom; -1 = the line is not drawn.
// colors(12) is also the colour of the region frame RedrawButton may draw.
struct EdgeColors {
    std::array<RgbColor, 12> entries{};
    RgbColor& operator()(int index) { return entries.at(static_cast<std::size_t>(index - 1)); }
    RgbColor operator()(int index) const {
        return entries.at(static_cast<std::size_t>(index - 1));
    }
};

// VisualState: 0 normal, 1 default look, 2 pressed look (set by DrawBackground); painters
// may use codes of their own afterwards. RedrawButton never reads it.
using VisualState = std::int16_t;

// PaintFlag: 0 show nothing (the CustomClick nudge moved the window), 1 copy only,
// 3 face clipped to InnerRegion, 4 edge gradient, face clipped to InnerRegion2.
using PaintFlag = std::int16_t;

class Butt;
using StylePainter = void (Butt::*)(EdgePoints&, EdgeColors&, VisualState&, PaintFlag&);
inline constexpr int kStyleCount = 8;

class Butt : public forms::UserControl {
public:
    explicit Butt(forms::ControlSite& site);
    ~Butt() override;

    // Makes the class available to stored descriptions under the name "Butt".
    static void Register();

    // ---- Properties -----------------------------------------------------------------

    // "Various operating system button styles"
    std::int32_t GetButtonStyle() const noexcept { return ButtonStyle; }
    void SetButtonStyle(std::int32_t Style);
    // "Command button, check box or option button mode"
    std::int32_t GetMode() const noexcept { return Mode; }
    void SetMode(std::int32_t nMode);
    // "The caption of the button. Double pipe (||) is a line break." (Appearance)
    const std::string& GetCaption() const noexcept { return Caption; }
    void SetCaption(const std::string& sCaption);
    // "Horizontal alignment of caption on the button." (Appearance)
    std::int32_t GetCaptionAlign() const noexcept { return CaptionAlign; }
    void SetCaptionAlign(std::int32_t nAlign);
    // "Flat, Embossed or Engraved effects"
    std::int32_t GetCaptionStyle() const noexcept { return CaptionStyle; }
    void SetCaptionStyle(std::int32_t nStyle);
    // "Custom shaped buttons only. Moves the button vs the traditional click effect."
    std::int32_t GetCustomClick() const noexcept { return CustomClick; }
    void SetCustomClick(std::int32_t nOpt);
    // "Rectangular or various diagonal shapes" (Appearance)
    std::int32_t GetButtonShape() const noexcept { return ButtonShape; }
    void SetButtonShape(std::int32_t nShape);
    // "The image used to display on the button."
    const forms::Picture& GetPicture() const noexcept { return Picture; }
    void SetPicture(const forms::Picture& xPic);
    // "Alignment of the button image in relation to the caption and/or button."
    std::int32_t GetPictureAlign() const noexcept { return PictureAlign; }
    void SetPictureAlign(std::int32_t ImgAlign);
    // "Determines if events are fired for this button." (Behavior)
    VbBool GetEnabled() const;
    void SetEnabled(VbBool bEnabled);
    // "Allows or prevents a focus rectangle from being displayed. In design mode, this may
    // always be displayed for button set as Default." (Appearance)
    VbBool GetShowFocusRect() const noexcept { return ShowFocusRect; }
    void SetShowFocusRect(VbBool bShow);
    // "Applicable to only check box or option button modes: True or False"
    VbBool GetValue() const noexcept { return Value; }
    void SetValue(VbBool bValue);
    // "Various sizes for images used on buttons. Last 2 options center image automatically."
    // The getter turns an unset size (0) into 16 pixels first.
    std::int32_t GetPictureSize();
    void SetPictureSize(std::int32_t nSize);
    // "Various optional mouse pointers to use when mouse is over the button"
    std::int32_t GetMousePointer() const;
    void SetMousePointer(std::int32_t nPointer);
    // "Icon or cursor used to display when mouse is over the button. MousePointer must be
    // set to Custom."
    forms::Picture GetMouseIcon() const;
    void SetMouseIcon(const forms::Picture& nIcon);
    // "Font used to display the caption." (Font)
    forms::FontSpec GetFont() const;
    void SetFont(const forms::FontSpec& nFont);
    // "Various font attributes that can be changed directly."
    std::int32_t GetFontStyle() const;
    void SetFontStyle(std::int32_t nStyle);
    // "The color of the caption's font ." (Appearance)
    OleColor GetForeColor() const;
    void SetForeColor(OleColor nColor);
    // "Button back color. See also ResetDefaultColors" (Appearance)
    OleColor GetBackColor() const noexcept { return BackColor; }
    void SetBackColor(OleColor nColor);
    // "Secondary color used for gradient shades. The BackColor property is the primary
    // color."
    OleColor GetGradientColor() const noexcept { return GradientColor; }
    void SetGradientColor(OleColor nColor);
    // "Various directions to draw the gradient shading."
    std::int32_t GetGradientMode() const noexcept { return GradientMode; }
    void SetGradientMode(std::int32_t nOpt);
    // "Resets button's back color and text color to Window's standard. The hover
    // properties are also reset." (Appearance)
    VbBool GetResetDefaultColors() const noexcept { return kFalse; }
    void SetResetDefaultColors(VbBool nDefault);
    // "Can ensure the hover colors match the caption and back colors. Click for more
    // options." (Behavior)
    std::int32_t GetHoverColorLocks() const noexcept { return HoverColorLocks; }
    void SetHoverColorLocks(std::int32_t nLock);
    // "Color of button caption's text when mouse is hovering over it. Affects the
    // HoverLockColors property." (Appearance)
    OleColor GetHoverForeColor() const noexcept { return HoverForeColor; }
    void SetHoverForeColor(OleColor nColor);
    // "Color of button background when mouse is hovering over it. Affects the
    // HoverLockColors property." (Appearance)
    OleColor GetHoverBackColor() const noexcept { return HoverBackColor; }
    void SetHoverBackColor(OleColor nColor);

    // ---- Other members --------------------------------------------------------------
    // The control's device context and window are the base's hDC() and hWnd().

    // Ends any drawing delay and paints now. (The host's own refresh, which only shows
    // what was drawn, is UserControl::Refresh.)
    void Refresh();
    // While True nothing is painted; False paints at once.
    void DelayDrawing(VbBool bDelay);

    // ---- Events ---------------------------------------------------------------------
    // Raised through RaiseEvent by name, every parameter by reference; a form wires them
    // with ControlSite::OnEvent<types...>(name, handler).
    //   MouseDown, MouseUp, MouseMove  (int16 Button, int16 Shift, float X, float Y)
    //   KeyDown, KeyUp                 (int16 KeyCode, int16 Shift)
    //   KeyPress                       (int16 KeyAscii)
    //   MouseOnButton                  (VbBool OnButton)
    //   Click                          ()
    //   DoubleClick                    (int16 Button)
    //   OLECompleteDrag                (int32 Effect)
    //   OLEDragDrop     (DataObject Data, int32 Effect, int16 Button, int16 Shift, float X,
    //                    float Y)
    //   OLEDragOver     (the same, then int16 State)
    //   OLEGiveFeedback                (int32 Effect, VbBool DefaultCursors)
    //   OLESetData                     (DataObject Data, int16 DataFormat)
    //   OLEStartDrag                   (DataObject Data, int32 AllowedEffects)

    // ---- Host notifications ---------------------------------------------------------

    void UserControl_InitProperties() override;
    void UserControl_ReadProperties(const forms::PropertyBag& PropBag) override;
    void UserControl_WriteProperties(forms::PropertyBag& PropBag) override;
    void UserControl_Show() override;
    void UserControl_Paint() override;
    void UserControl_Resize() override;
    void UserControl_Terminate() override;
    void UserControl_MouseDown(std::int16_t& Button, std::int16_t& Shift, float& X,
                               float& Y) override;
    void UserControl_MouseMove(std::int16_t& Button, std::int16_t& Shift, float& X,
                               float& Y) override;
    void UserControl_MouseUp(std::int16_t& Button, std::int16_t& Shift, float& X,
                             float& Y) override;
    void UserControl_Click() override;
    void UserControl_DblClick() override;
    void UserControl_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift) override;
    void UserControl_KeyPress(std::int16_t& KeyAscii) override;
    void UserControl_KeyUp(std::int16_t& KeyCode, std::int16_t& Shift) override;
    void UserControl_AccessKeyPress(std::int16_t& KeyAscii) override;
    void UserControl_GotFocus() override;
    void UserControl_AmbientChanged(const std::string& PropertyName) override;
    void UserControl_OLECompleteDrag(std::int32_t& Effect) override;
    void UserControl_OLEDragDrop(forms::DataObject& Data, std::int32_t& Effect,
                                 std::int16_t& Button, std::int16_t& Shift, float& X,
                                 float& Y) override;
    void UserControl_OLEDragOver(forms::DataObject& Data, std::int32_t& Effect,
                                 std::int16_t& Button, std::int16_t& Shift, float& X, float& Y,
                                 std::int16_t& State) override;
    void UserControl_OLEGiveFeedback(std::int32_t& Effect, VbBool& DefaultCursors) override;
    void UserControl_OLESetData(forms::DataObject& Data, std::int16_t& DataFormat) override;
    void UserControl_OLEStartDrag(forms::DataObject& Data, std::int32_t& AllowedEffects) override;

    // ---- Hover timer ----------------------------------------------------------------

    // One tick of the hover timer: ends the hover once the cursor is elsewhere. Called only
    // by ButtTimerProc.
    void TrackMouseLeave(std::int32_t& TimerID);

    // ---- Per-instance fields, in declaration order ----------------------------------
    // Public so that every drawing step, the timer callback and the tests reach them as
    // the control's own code does.

    HDC MemoryDC = nullptr;           // back buffer; all drawing goes here
    HBITMAP SavedBitmap = nullptr;    // selected out when the back-buffer bitmap went in
    HPEN SavedPen = nullptr;          // selected out when the control's own pen went in
    HBRUSH SavedBrush = nullptr;      // selected out when the control's own brush went in
    HRGN InnerRegion2 = nullptr;      // 2 pixels inside the window outline (shapes 4-8)
    HRGN InnerRegion = nullptr;       // 1 pixel inside the window outline (shapes 4-8)
    HFONT SavedFont = nullptr;        // selected out before the first caption font
    std::string Caption;              // as set, with "&" markers and "||" line breaks
    std::int32_t CaptionAlign = 0;
    std::int32_t CaptionStyle = 0;
    std::int32_t ButtonStyle = 0;
    std::int16_t ButtonState = 0;     // bsDefault, bsPressed, bsHover, bsMoved
    std::int32_t ButtonShape = 0;
    std::int32_t LeftSlantX = 0;      // run of the left slant, shapes 1 and 3, else 0
    std::int32_t RightSlantX = 0;     // where the right slant starts, shapes 2 and 3
    RECT CaptionRect{};
    VbBool ShowFocusRect = kFalse;
    OleColor HoverBackColor = 0;
    OleColor HoverForeColor = 0;
    std::int32_t HoverColorLocks = 0;
    std::int32_t GradientMode = 0;
    OleColor GradientColor = 0;
    std::int32_t Mode = 0;
    VbBool Value = kFalse;
    std::int32_t CustomClick = 0;
    forms::Picture Picture;           // none, a bitmap or an icon
    HBITMAP PictureCopy = nullptr;    // the picture scaled to its drawing size
    std::int32_t PictureCopyWidth = 0;
    std::int32_t PictureCopyHeight = 0;
    std::int32_t PictureAlign = 0;
    std::int16_t PictureSize = 0;     // pixels: 16, 24, 32, 40 (stretch), 48 (fit); 0 = 16
    RECT PictureRect{};
    std::int32_t PictureWidth = 0;
    std::int32_t PictureHeight = 0;
    std::int32_t PictureIsIcon = 0;   // 1 icon, 0 bitmap
    VbBool DrawingDelayed = kFalse;   // while True, RedrawButton does nothing
    OleColor BackColor = 0;
    RgbColor FaceColor = 0;           // derived from BackColor by style
    RgbColor PressedFaceColor = 0;
    RgbColor HoverFaceColor = 0;
    std::int16_t LastButton = 0;      // 1 for keyboard clicks; -1 after a left double-click
    VbBool HoverTimerOn = kFalse;
    RgbColor AmbientBackColor = 0;
    RgbColor CheckedFaceColor = 0;
    VbBool ButtonHeld = kFalse;       // left button or Space held on the button

    // The container's window handle as decimal text, as creating or loading stored it.
    std::string ContainerHandle;

    // Paints that got past the drawing delay, counted for the tests and the benchmark.
    std::uint32_t PaintsRun = 0;

    // ---- Painting pipeline ----------------------------------------------------------

    void RedrawButton();
    // Create exactly True makes or completes the back buffer; anything else copies it to
    // the control's device context.
    void ManageBackBuffer(VbBool Create);
    // Tool kinds 0 solid brush, 1 pen, 2 text colour. Pens and brushes always go into
    // MemoryDC; only the text colour goes to hDC. Select False puts the saved pen and brush
    // back and deletes the control's own.
    void SetDrawTool(VbBool Select, HDC hDC, std::int32_t ToolKind, RgbColor Color,
                     VbBool AlsoPen = kFalse, std::int32_t PenWidth = 1,
                     std::int32_t Unused = 0, std::int32_t PenStyle = PS_SOLID);
    // Fills and outlines a rectangle; a PenColor of -1 outlines in the fill colour.
    void DrawRectangle(HDC hDC, std::int32_t X1, std::int32_t Y1, std::int32_t X2,
                       std::int32_t Y2, RgbColor FillColor, RgbColor PenColor = kNoColor,
                       std::int32_t PenWidth = 1, std::int32_t PenStyle = PS_SOLID);
    // An OleColor naming a system colour as RGB; any other colour unchanged.
    static RgbColor TranslateColor(OleColor Color);

    // ---- Colours and gradients ------------------------------------------------------

    // Lightens (Offset > 0) or darkens a colour channel by channel. ScaleBlue moves blue in
    // proportion to itself; AvoidExtremes (exactly True) retries away from black and white;
    // Invert (exactly True) inverts each channel.
    static RgbColor ShiftColor(RgbColor Color, std::int16_t Offset, VbBool ScaleBlue = kFalse,
                               VbBool AvoidExtremes = kFalse, VbBool Invert = kFalse);
    // Fills Colors (indexed from 0, sized by the caller) from Color1 to Color2.
    static void BlendColors(std::vector<RgbColor>& Colors, RgbColor Color1, RgbColor Color2);
    // "Font" builds the caption font in MemoryDC, "Picture" measures the picture,
    // "BackColor" derives the face colours by style; keys compare without regard to case.
    void SyncProp(std::string_view key);
    // Paints the whole back buffer as bands from Color1 to Color2 in the direction of
    // GradientMode.
    void DrawGradient(RgbColor Color1, RgbColor Color2);
    // The screen size in pixels that DrawGradient uses; 0 reads it from the system again.
    static void SetScreenPixelsForTest(int width, int height) noexcept;

    // ---- Input ----------------------------------------------------------------------

    // The CustomClick nudge, run at the start of every paint's background step. True when
    // it has just moved the window, shown the back buffer and refreshed the control: the
    // caller then ends the paint.
    VbBool MoveOnCustomClick();

    // ---- Option groups --------------------------------------------------------------

    // 1 join the container's group, -1 leave it, 0 deselect the others, 2 whether any
    // member is selected. Every action first deselects the others when this one is set.
    VbBool OptionToggle(std::int16_t nAction);

    // ScaleWidth and ScaleHeight as whole pixels.
    std::int32_t ScaleWidthPixels() const;
    std::int32_t ScaleHeightPixels() const;

    // ---- Layout, face, caption, edges and the style painters ------------------------

    void CalcLayout(VbBool& RebuildImage);
    // The usual call with a constant flag: lays out with a copy, so nothing comes back.
    void CalcLayout(const VbBool& RebuildImage) {
        VbBool rebuild = RebuildImage;
        CalcLayout(rebuild);
    }
    void PrepareBackgroundClip(PaintFlag& Flag);
    void DrawBackground(RgbColor& FillColor, VisualState& State, PaintFlag& Flag,
                        RgbColor& GradientEndColor, RgbColor& HoverFillColor);
    void DrawCaptionAndPicture(RgbColor& FillColor, RgbColor& CaptionColor, VbBool& ShowDown,
                               VbBool& PlainDisabled);
    void DrawBorderLines(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                         std::int32_t& OuterPenStyle);
    void DrawFocusRectangle(RgbColor& OutlineColor, VbBool& Solid, VbBool& ForCaption,
                            EdgePoints& Points);
    void DrawButtonStyle0(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                          PaintFlag& Flag);
    void DrawButtonStyle1(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                          PaintFlag& Flag);
    void DrawButtonStyle2(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                          PaintFlag& Flag);
    void DrawButtonStyle3(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                          PaintFlag& Flag);
    void DrawButtonStyle4(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                          PaintFlag& Flag);
    void DrawButtonStyle5(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                          PaintFlag& Flag);
    void DrawButtonStyle6(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                          PaintFlag& Flag);
    void DrawButtonStyle7(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                          PaintFlag& Flag);

    // ---- Shapes, regions and pictures -----------------------------------------------

    void CreateButtonRegion();
    void CreatePictureRegion(std::int32_t& CopyWidth, std::int32_t& CopyHeight, HRGN& Region);
    void FitSizeToBox(std::int32_t& BoxWidth, std::int32_t& BoxHeight, std::int32_t& OutWidth,
                      std::int32_t& OutHeight);
    void DrawTransparentBitmap(HDC& DestDC, RECT& DestRect, HBITMAP& Bitmap, RECT& SourceRect,
                               std::int32_t& DrawWidth, std::int32_t& DrawHeight);
    void DrawPicture(RECT& Rect);
    // The outline steps of CreateButtonRegion: the slanted shapes (which may widen the
    // control), the picture outline (which resizes it) and the white-to-grey ring.
    forms::OwnedRegion BuildSlantOutline();
    forms::OwnedRegion BuildPictureOutline();
    void PaintRingGradient();

private:
    // Leaves the container's option group if this button is listed there.
    void LeaveOptionGroup() noexcept;
    void HoverStart(std::int16_t Button);
    HWND ContainerWindow() const;
    bool DesignMode() const;
    // An information box, shown only while the host is being designed.
    void DesignMessage(const std::string& text) const;
    void DesignMessage(const std::string& text, const std::string& title) const;
    void Mark(std::string_view key) { PropertyChanged(key); }

    bool terminated_ = false;
};

// The host's access keys for a caption: the character after the last single "&" (empty
// when that "&" ends the caption), or nothing when the caption marks none.
std::optional<std::string> AccessKeyFromCaption(std::string_view caption);

}  // namespace button
