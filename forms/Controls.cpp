#include "forms/Controls.h"

#include <windowsx.h>

#include "forms/Description.h"
#include "forms/Form.h"
#include "forms/Runtime.h"

namespace forms {

// ---- Label ----------------------------------------------------------------------------

Label::Label(std::string name, Container& container)
    : WindowlessControl(std::move(name), container) {}

void Label::SetCaption(std::string caption) {
    if (caption == caption_) return;
    caption_ = std::move(caption);
    Invalidate();
}

void Label::SetForeColor(std::uint32_t oleColor) {
    foreColor_ = oleColor;
    Invalidate();
}

void Label::SetBackColor(std::uint32_t oleColor) {
    backColor_ = oleColor;
    Invalidate();
}

void Label::SetTransparent(bool transparent) {
    transparent_ = transparent;
    Invalidate();
}

void Label::SetFont(const FontSpec& font) {
    font_ = font;
    gdiFont_ = CreateFontFor(font_);
    Invalidate();
}

void Label::SetAlignment(Alignment alignment) {
    alignment_ = alignment;
    Invalidate();
}

void Label::Paint(HDC dc) const {
    RECT r = PixelRect();
    if (!transparent_) {
        OwnedBrush brush(::CreateSolidBrush(TranslateOleColor(backColor_)));
        ::FillRect(dc, &r, brush.Get());
    }
    if (caption_.empty()) return;
    // A label whose font was never set draws with the default font object's.
    OwnedFont fallback;
    if (!gdiFont_) fallback = CreateFontFor(font_);
    SelectGuard font(dc, gdiFont_ ? gdiFont_.Get() : fallback.Get());
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = ::SetTextColor(
        dc, Enabled() ? TranslateOleColor(foreColor_) : ::GetSysColor(COLOR_GRAYTEXT));
    UINT format = DT_WORDBREAK | DT_NOPREFIX;
    if (alignment_ == Alignment::Right) format |= DT_RIGHT;
    if (alignment_ == Alignment::Center) format |= DT_CENTER;
    ::DrawTextA(dc, caption_.c_str(), static_cast<int>(caption_.size()), &r, format);
    ::SetTextColor(dc, oldColor);
    ::SetBkMode(dc, oldMode);
}

// ---- Image ----------------------------------------------------------------------------

Image::Image(std::string name, Container& container)
    : WindowlessControl(std::move(name), container) {}

void Image::SetPicture(forms::Picture picture) {
    picture_ = std::move(picture);
    Invalidate();
}

void Image::Paint(HDC dc) const {
    const RECT r = PixelRect();
    // Clip to the image's own box, as the picture may be larger than the control.
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    picture_.Draw(dc, r.left, r.top);
    ::RestoreDC(dc, saved);
}

// ---- PictureBox -----------------------------------------------------------------------

namespace {
constexpr char kPictureBoxClass[] = "FormsPictureBox";
}

void PictureBox::PersistentImage::Create(int width, int height) {
    // The same size keeps the bitmap, which the caller paints over whole: a new one of a
    // skin's size costs a page fault a page, several times while a form is built.
    width = width > 0 ? width : 1;
    height = height > 0 ? height : 1;
    if (dc_ && bitmap_ && width == width_ && height == height_) return;
    Reset();
    width_ = width;
    height_ = height;
    HDC screen = ::GetDC(nullptr);
    dc_.Reset(::CreateCompatibleDC(screen));
    bitmap_.Reset(::CreateCompatibleBitmap(screen, width, height));
    ::ReleaseDC(nullptr, screen);
    saved_ = ::SelectObject(dc_.Get(), bitmap_.Get());
}

void PictureBox::PersistentImage::Reset() noexcept {
    // Select the original bitmap back before the DC, then the image, go.
    if (dc_ && saved_) ::SelectObject(dc_.Get(), saved_);
    saved_ = nullptr;
    dc_.Reset();
    bitmap_.Reset();
    width_ = 0;
    height_ = 0;
}

PictureBox::PictureBox(std::string name, Container& container, double left, double top,
                       double width, double height)
    : WindowedControl(std::move(name), container) {
    RegisterClassOnce(kPictureBoxClass, CS_DBLCLKS, nullptr);
    Control::Move(left, top, width, height);
    const RECT r = PixelRect();
    CreateWindowOf(kPictureBoxClass, WS_EX_CONTROLPARENT,
                   WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, "", r.left, r.top,
                   r.right - r.left, r.bottom - r.top, container.ClientWindow(), nullptr);
    RebuildImage();
}

PictureBox::~PictureBox() { DestroyNow(); }

HWND PictureBox::hWnd() const {
    if (!::IsWindow(WindowHandle())) Raise(kErrObjectNotSet);
    return WindowHandle();
}

double PictureBox::ScaleWidth() const {
    RECT r{};
    ::GetClientRect(WindowHandle(), &r);
    return r.right - r.left;
}

double PictureBox::ScaleHeight() const {
    RECT r{};
    ::GetClientRect(WindowHandle(), &r);
    return r.bottom - r.top;
}

void PictureBox::SetPicture(forms::Picture picture) {
    picture_ = std::move(picture);
    ApplyAutoSize();
    RebuildImage();
}

void PictureBox::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    ApplyAutoSize();
}

void PictureBox::SetBackColor(std::uint32_t oleColor) {
    backColor_ = oleColor;
    RebuildImage();
    ControlSite::NotifyContainerChanged(*this, "BackColor");
}

void PictureBox::ApplyAutoSize() {
    if (!autoSize_ || picture_.IsNone()) return;
    Move(Left(), Top(), PixelsToTwipsX(picture_.Width()), PixelsToTwipsY(picture_.Height()));
}

void PictureBox::RebuildImage() {
    const int width = static_cast<int>(ScaleWidth());
    const int height = static_cast<int>(ScaleHeight());
    image_.Create(width, height);
    RECT all{0, 0, width, height};
    OwnedBrush back(::CreateSolidBrush(TranslateOleColor(backColor_)));
    ::FillRect(image_.Dc(), &all, back.Get());
    picture_.Draw(image_.Dc(), 0, 0);
    ::InvalidateRect(WindowHandle(), nullptr, FALSE);
}

void PictureBox::Paint(HDC dc, const RECT& area) const {
    ::BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top,
             image_.Dc(), area.left, area.top, SRCCOPY);
    PaintWindowless(dc, area);
}

LRESULT PictureBox::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleContainerMessage(WindowHandle(), msg, wParam, lParam, result)) return result;
    return DefaultProc(msg, wParam, lParam);
}

void PictureBox::SetFont(const FontSpec& font) {
    font_ = font;
    ControlSite::NotifyContainerChanged(*this, "Font");
}

void PictureBox::SetForeColor(std::uint32_t oleColor) {
    foreColor_ = oleColor;
    ControlSite::NotifyContainerChanged(*this, "ForeColor");
}

void PictureBox::OnGeometryChanged(const RECT& oldPixels) {
    if (!WindowHandle()) return;  // still being constructed
    WindowedControl::OnGeometryChanged(oldPixels);
    const RECT r = PixelRect();
    // A move keeps the image; only a new size needs a new one.
    const bool resized = r.right - r.left != oldPixels.right - oldPixels.left ||
                         r.bottom - r.top != oldPixels.bottom - oldPixels.top;
    if (resized) RebuildImage();
}


// ---- CheckBox -------------------------------------------------------------------------

CheckBox::CheckBox(std::string name, Container& container, double left, double top,
                   double width, double height, const std::string& caption)
    : WindowedControl(std::move(name), container), caption_(caption) {
    Control::Move(left, top, width, height);
    const RECT r = PixelRect();
    hwnd_.Reset(::CreateWindowExA(0, "BUTTON", caption.c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_3STATE, r.left, r.top,
                                  r.right - r.left, r.bottom - r.top, container.ClientWindow(),
                                  nullptr, App::Instance(), nullptr));
    ::SetPropA(hwnd_.Get(), kControlProperty, static_cast<ChildNotificationTarget*>(this));
    SetBackColor(backColor_);
}

CheckBox::~CheckBox() {
    if (hwnd_) ::RemovePropA(hwnd_.Get(), kControlProperty);
}

void CheckBox::SetValue(int value) {
    if (value < 0 || value > 2) Raise(kErrInvalidCall);
    const bool changed = value != value_;
    value_ = value;
    ::SendMessageA(hwnd_.Get(), BM_SETCHECK,
                   value == 1 ? BST_CHECKED : (value == 2 ? BST_INDETERMINATE : BST_UNCHECKED), 0);
    if (changed && Click) Click();
}

void CheckBox::SetBackColor(std::uint32_t oleColor) {
    backColor_ = oleColor;
    backBrush_.Reset(::CreateSolidBrush(TranslateOleColor(oleColor)));
    ::InvalidateRect(hwnd_.Get(), nullptr, TRUE);
}

void CheckBox::SetForeColor(std::uint32_t oleColor) {
    foreColor_ = oleColor;
    ::InvalidateRect(hwnd_.Get(), nullptr, TRUE);
}

void CheckBox::SetFont(const FontSpec& font) {
    // The button uses the old font until it has the new one: delete it only afterwards.
    OwnedFont fresh = CreateFontFor(font);
    ::SendMessageA(hwnd_.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(fresh.Get()), TRUE);
    gdiFont_ = std::move(fresh);
}

bool CheckBox::OnChildNotification(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, TranslateOleColor(foreColor_));
        ::SetBkColor(dc, TranslateOleColor(backColor_));
        result = reinterpret_cast<LRESULT>(backBrush_.Get());
        return true;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            SetValue(value_ == 1 ? 0 : 1);
            result = 0;
            return true;
        }
        return false;
    default: return false;
    }
}


// ---- Timer ----------------------------------------------------------------------------

namespace {
UINT_PTR NextTimerId() {
    static UINT_PTR next = 0x4000;
    return next++;
}
}  // namespace

Timer::Timer(std::string name, Form& form, unsigned interval, bool enabled)
    : name_(std::move(name)), form_(form), interval_(interval), enabled_(enabled),
      id_(NextTimerId()) {
    form_.AddTimer(*this);
    Arm();
}

Timer::~Timer() {
    ::KillTimer(form_.WindowHandle(), id_);
    form_.RemoveTimer(*this);
}

void Timer::SetInterval(unsigned interval) {
    interval_ = interval;
    Arm();
}

void Timer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Arm();
}

void Timer::Arm() {
    ::KillTimer(form_.WindowHandle(), id_);
    if (enabled_ && interval_ > 0) ::SetTimer(form_.WindowHandle(), id_, interval_, nullptr);
}

void Timer::OnTick() {
    if (running_ || !enabled_ || !Tick) return;
    running_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{running_};
    Tick();
}

}  // namespace forms
