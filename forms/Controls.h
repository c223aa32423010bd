// The standard controls: label, image, picture box, check box, timer, and the site of a
// hosted custom control.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "forms/Control.h"
#include "forms/Handles.h"
#include "forms/ControlSite.h"
#include "forms/Hosting.h"
#include "forms/Picture.h"
#include "forms/PropertyBag.h"
#include "forms/Runtime.h"
#include "forms/WindowBase.h"

namespace forms {

class Form;

// A caption in a font and colour. Transparent labels paint no background; the text wraps
// at word boundaries within the label's box.
class Label : public WindowlessControl {
public:
    enum class Alignment { Left = 0, Right = 1, Center = 2 };

    Label(std::string name, Container& container);

    const std::string& Caption() const noexcept { return caption_; }
    void SetCaption(std::string caption);
    std::uint32_t ForeColor() const noexcept { return foreColor_; }
    void SetForeColor(std::uint32_t oleColor);
    std::uint32_t BackColor() const noexcept { return backColor_; }
    void SetBackColor(std::uint32_t oleColor);
    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool transparent);
    const FontSpec& Font() const noexcept { return font_; }
    void SetFont(const FontSpec& font);
    void SetAlignment(Alignment alignment);

    void Paint(HDC dc) const override;

private:
    std::string caption_;
    std::uint32_t foreColor_ = 0x80000012;  // button text
    std::uint32_t backColor_ = 0x8000000F;  // button face
    bool transparent_ = false;
    Alignment alignment_ = Alignment::Left;
    FontSpec font_;
    OwnedFont gdiFont_;
};

// A picture drawn at its own size; its box is where it takes the mouse.
class Image : public WindowlessControl {
public:
    Image(std::string name, Container& container);

    const forms::Picture& Picture() const noexcept { return picture_; }
    void SetPicture(forms::Picture picture);

    void Paint(HDC dc) const override;

private:
    forms::Picture picture_;
};

// A child window that holds other controls, measures its inner area in pixels and keeps
// its drawing in a persistent memory image: its hDC gives that image's pixels even
// before the window is first shown.
class PictureBox : public WindowedControl, public Container, public WindowBase {
public:
    PictureBox(std::string name, Container& container, double left, double top, double width,
               double height);
    ~PictureBox() override;

    HWND hWnd() const;
    HWND ClientWindow() const override { return WindowHandle(); }
    HDC hDC() const noexcept { return image_.Dc(); }

    // The inner area in pixels.
    double ScaleWidth() const;
    double ScaleHeight() const;

    const forms::Picture& Picture() const noexcept { return picture_; }
    void SetPicture(forms::Picture picture);
    bool AutoSize() const noexcept { return autoSize_; }
    void SetAutoSize(bool autoSize);
    std::uint32_t BackColor() const noexcept { return backColor_; }
    void SetBackColor(std::uint32_t oleColor);
    const FontSpec& Font() const noexcept { return font_; }
    void SetFont(const FontSpec& font);
    std::uint32_t ForeColor() const noexcept { return foreColor_; }
    void SetForeColor(std::uint32_t oleColor);

    std::uint32_t ContainerBackColor() const override { return backColor_; }
    const FontSpec& ContainerFont() const override { return font_; }
    std::uint32_t ContainerForeColor() const override { return foreColor_; }

    // The persistent image with the windowless controls over it.
    void Paint(HDC dc, const RECT& area) const override;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    HWND ControlWindow() const noexcept override { return WindowHandle(); }
    void OnGeometryChanged(const RECT& oldPixels) override;

private:
    // The memory image behind hDC: a bitmap selected into a memory DC for its lifetime.
    class PersistentImage {
    public:
        PersistentImage() = default;
        ~PersistentImage() { Reset(); }
        PersistentImage(const PersistentImage&) = delete;
        PersistentImage& operator=(const PersistentImage&) = delete;
        // A bitmap of this size (at least 1 x 1) selected into the DC; its pixels are
        // left as they were when it already had the size.
        void Create(int width, int height);
        void Reset() noexcept;
        HDC Dc() const noexcept { return dc_.Get(); }

    private:
        OwnedBitmap bitmap_;
        OwnedDc dc_;
        HGDIOBJ saved_ = nullptr;
        int width_ = 0;
        int height_ = 0;
    };

    void RebuildImage();
    void ApplyAutoSize();

    PersistentImage image_;
    forms::Picture picture_;
    bool autoSize_ = false;
    std::uint32_t backColor_ = 0x8000000F;
    std::uint32_t foreColor_ = 0x80000012;
    FontSpec font_;
};

// A check box: value 0 unticked, 1 ticked, 2 greyed. A click ticks an unticked or greyed
// box and unticks a ticked one.
class CheckBox : public WindowedControl, public ChildNotificationTarget {
public:
    CheckBox(std::string name, Container& container, double left, double top, double width,
             double height, const std::string& caption);
    ~CheckBox() override;

    HWND hWnd() const noexcept { return hwnd_.Get(); }
    int Value() const noexcept { return value_; }
    void SetValue(int value);
    std::uint32_t BackColor() const noexcept { return backColor_; }
    void SetBackColor(std::uint32_t oleColor);
    std::uint32_t ForeColor() const noexcept { return foreColor_; }
    void SetForeColor(std::uint32_t oleColor);
    void SetFont(const FontSpec& font);
    const std::string& Caption() const noexcept { return caption_; }

    EventHandler Click;

    bool OnChildNotification(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    HWND ControlWindow() const noexcept override { return hwnd_.Get(); }

private:
    std::string caption_;
    int value_ = 0;
    std::uint32_t backColor_ = 0x8000000F;
    std::uint32_t foreColor_ = 0x80000012;
    // The native button draws with the brush and the font: they go after the window.
    OwnedBrush backBrush_;
    OwnedFont gdiFont_;
    OwnedWindow hwnd_;
};

// A timer raising its event every Interval milliseconds while enabled. A tick is not
// delivered again while its handler is still running (for example inside a fade).
class Timer {
public:
    Timer(std::string name, Form& form, unsigned interval, bool enabled);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    const std::string& Name() const noexcept { return name_; }
    unsigned Interval() const noexcept { return interval_; }
    void SetInterval(unsigned interval);
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool enabled);

    EventHandler Tick;

    // Called by the form for its WM_TIMER.
    void OnTick();
    UINT_PTR Id() const noexcept { return id_; }

private:
    void Arm();

    std::string name_;
    Form& form_;
    unsigned interval_;
    bool enabled_;
    bool running_ = false;
    UINT_PTR id_;
};

}  // namespace forms
