// Controls and containers of the forms layer.
//
// A control has a name, a container and a position in twips relative to its container.
// Windowless controls (labels, images) own no window: their container paints them in
// stored stacking order and hands them mouse input by hit test. Windowed controls
// (picture boxes, check boxes, hosted controls) are child windows above every windowless
// control of their container.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "forms/Picture.h"

namespace forms {

class Container;

// Mouse button and shift state as handlers receive them: button 1 left, 2 right,
// 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt. X and Y are pixels within the control.
struct MouseArgs {
    int button = 0;
    int shift = 0;
    int x = 0;
    int y = 0;
};

using MouseHandler = std::function<void(const MouseArgs&)>;
using EventHandler = std::function<void()>;

class Control {
public:
    Control(std::string name, Container* container);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& Name() const noexcept { return name_; }
    Container* GetContainer() const noexcept { return container_; }

    // Position and size in twips relative to the container. A move (and each setter) that
    // raises leaves them as they were.
    double Left() const noexcept { return left_; }
    double Top() const noexcept { return top_; }
    double Width() const noexcept { return width_; }
    double Height() const noexcept { return height_; }
    void SetLeft(double twips) { Move(twips, top_, width_, height_); }
    void SetTop(double twips) { Move(left_, twips, width_, height_); }
    void SetWidth(double twips) { Move(left_, top_, twips, height_); }
    void SetHeight(double twips) { Move(left_, top_, width_, twips); }
    virtual void Move(double left, double top, double width, double height);

    // The same rectangle in the container's pixels, as the control's window takes it: the
    // position within -32768..32767 and the size within 0..32767 pixels, however far the
    // stored twips go (Width and Height report those as stored).
    RECT PixelRect() const;

    bool Visible() const noexcept { return visible_; }
    virtual void SetVisible(bool visible);
    bool Enabled() const noexcept { return enabled_; }
    virtual void SetEnabled(bool enabled);

protected:
    // Called after the position, size, visibility or enabled state changed.
    virtual void OnGeometryChanged(const RECT& oldPixels) { (void)oldPixels; }
    virtual void OnVisibilityChanged() {}
    virtual void OnEnabledChanged() {}

private:
    // The one conversion of a box in twips to a window's pixels; Overflow when a value does
    // not fit a 32-bit number of pixels.
    static RECT PixelBox(double left, double top, double width, double height);

    std::string name_;
    Container* container_;
    double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
};

class WindowlessControl : public Control {
public:
    WindowlessControl(std::string name, Container& container);
    ~WindowlessControl() override;

    // Draws the control into dc, whose origin is the container's client origin.
    virtual void Paint(HDC dc) const = 0;
    virtual bool HitTest(POINT containerPixel) const;

    MouseHandler MouseMove;
    MouseHandler MouseDown;
    MouseHandler MouseUp;
    EventHandler Click;

protected:
    // Asks the container to repaint the area the control covers.
    void Invalidate() const;
    void OnGeometryChanged(const RECT& oldPixels) override;
    void OnVisibilityChanged() override { Invalidate(); }
    // A disabled control draws differently (a label's text turns grey).
    void OnEnabledChanged() override { Invalidate(); }
};

// A control with a child window of its own (picture box, check box, hosted control): the
// box, visibility and enabled state reach the window here, in one place.
class WindowedControl : public Control {
public:
    WindowedControl(std::string name, Container& container);

protected:
    // The control's window; null while it is not created yet.
    virtual HWND ControlWindow() const noexcept = 0;
    void OnGeometryChanged(const RECT& oldPixels) override;
    void OnVisibilityChanged() override;
    void OnEnabledChanged() override;
};

// Something that holds controls: a form or a picture box.
class Container {
public:
    virtual ~Container();

    // The window that the container's child windows and windowless controls live in.
    virtual HWND ClientWindow() const = 0;
    // What hosted controls inside see as their ambient back colour and font.
    virtual std::uint32_t ContainerBackColor() const = 0;
    virtual const FontSpec& ContainerFont() const = 0;
    virtual std::uint32_t ContainerForeColor() const { return 0x80000012; }

    // Windowless controls in stacking order, bottom first.
    const std::vector<WindowlessControl*>& WindowlessControls() const noexcept {
        return windowless_;
    }

    void InvalidatePixels(const RECT& area) const;

    // The container's own mouse events (where no windowless control is hit).
    MouseHandler MouseMove;
    MouseHandler MouseDown;
    MouseHandler MouseUp;
    EventHandler Click;

    // Renders the client area (background and windowless controls) into dc, whose
    // origin is the client origin; used for the screen and for WM_PRINTCLIENT alike.
    virtual void Paint(HDC dc, const RECT& area) const = 0;

protected:
    // The messages every container window answers alike: painting through a back
    // buffer, mouse input for the windowless controls, and what child windows send to
    // their parent. Returns false for any other message.
    bool HandleContainerMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                LRESULT& result);
    // Paints the windowless controls that intersect area, bottom first.
    void PaintWindowless(HDC dc, const RECT& area) const;
    // Mouse messages of the container's window: delivered to the windowless control
    // under the pointer (or to the one that has the mouse pressed), else to the container.
    void RouteMouse(UINT msg, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND, WM_CTLCOLOR* and the like that a child window sends to its parent.
    bool RouteChildNotification(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void OnCaptureLost() noexcept {
        // A drag hands the mouse to the system's move loop, which eats the release.
        pressed_ = nullptr;
        containerPressed_ = false;
    }

private:
    friend class WindowlessControl;
    WindowlessControl* HitTest(POINT pixel) const;

    std::vector<WindowlessControl*> windowless_;
    WindowlessControl* pressed_ = nullptr;
    bool containerPressed_ = false;
};

// Property name under which a child window of ours points back to its control.
inline constexpr char kControlProperty[] = "FormsControl";

// A windowed control reacts to what its child window sends to the container.
class ChildNotificationTarget {
public:
    virtual ~ChildNotificationTarget() = default;
    virtual bool OnChildNotification(UINT msg, WPARAM wParam, LPARAM lParam,
                                     LRESULT& result) = 0;
};

MouseArgs MouseArgsFrom(WPARAM wParam, LPARAM lParam, POINT origin);

}  // namespace forms
