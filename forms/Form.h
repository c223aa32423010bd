// A top-level window and everything it holds, built from a stored description.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "forms/Control.h"
#include "forms/Controls.h"
#include "forms/Picture.h"
#include "forms/Runtime.h"
#include "forms/WindowBase.h"

namespace forms {

namespace desc {
struct Node;
}

// Settings of the window itself.
struct FormSettings {
    std::string name = "Form1";
    std::string caption;
    bool bordered = true;          // false: no border and no title bar
    double clientWidth = 4800;     // twips
    double clientHeight = 3600;    // twips
    bool centreOnScreen = true;
    std::uint32_t backColor = 0x8000000F;
    std::uint32_t foreColor = 0x80000012;
    FontSpec font;
    std::string iconResource;      // empty: the system's default icon
};

class Form : public Container, public WindowBase {
public:
    explicit Form(const FormSettings& settings);
    // Builds the window and its controls; throws desc::DescriptionError naming the line
    // of anything in the description that is not right.
    explicit Form(const desc::Node& description);
    ~Form() override;

    const std::string& Name() const noexcept { return settings_.name; }

    // The window's handle; an error when the window is gone.
    HWND hWnd() const;
    HWND ClientWindow() const override { return WindowHandle(); }
    std::uint32_t ContainerBackColor() const override { return settings_.backColor; }
    const FontSpec& ContainerFont() const override { return settings_.font; }
    std::uint32_t ContainerForeColor() const override { return settings_.foreColor; }

    // Outer position and size in twips.
    double Left() const;
    double Top() const;
    double Width() const;
    double Height() const;
    void SetLeft(double twips);
    void SetTop(double twips);
    void SetWidth(double twips);
    void SetHeight(double twips);

    bool Visible() const;
    VbBool Enabled() const;
    // Disabling keeps which control had the focus; enabling gives it back to that control.
    void SetEnabled(VbBool enabled);
    // Modeless. The form's active control (at first the first of the focus order) takes
    // the focus.
    void Show();
    void Hide();

    const std::string& Caption() const noexcept { return settings_.caption; }
    std::uint32_t BackColor() const noexcept { return settings_.backColor; }
    const FontSpec& Font() const noexcept { return settings_.font; }
    const forms::Picture& Picture() const noexcept { return picture_; }
    void SetPicture(forms::Picture picture);

    // The back colour, the picture and the windowless controls.
    void Paint(HDC dc, const RECT& area) const override;

    // Controls by name (case-insensitive); an error when there is none of that kind.
    template <class T>
    T& Get(std::string_view name) const {
        if (auto* found = dynamic_cast<T*>(FindControl(name))) return *found;
        throw RuntimeError(kErrObjectNotSet, "No control '" + std::string(name) + "'");
    }
    Control* FindControl(std::string_view name) const;
    Timer& GetTimer(std::string_view name) const;
    const std::vector<std::unique_ptr<Control>>& Controls() const noexcept { return controls_; }

    // Adding controls; the builder uses these, and so can tests.
    template <class T, class... Args>
    T& Add(Args&&... args) {
        auto control = std::make_unique<T>(std::forward<Args>(args)...);
        T& ref = *control;
        controls_.push_back(std::move(control));
        return ref;
    }
    Timer& AddTimerControl(std::string name, unsigned interval, bool enabled);

    // Called by Timer.
    void AddTimer(Timer& timer);
    void RemoveTimer(Timer& timer);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateFormWindow();
    void Build(const desc::Node& description);
    void TearDown() noexcept;
    // The form's active control: the control that had the focus last. It is kept when the
    // focus leaves the form (deactivation, disabling) and gets the focus again when the
    // form is activated or enabled; when it can no longer take the focus, the first
    // control of the focus order does.
    void RememberFocus() noexcept;
    bool RestoreFocus() noexcept;
    bool HoldsFocus() const noexcept;
    bool CanTakeFocus(HWND window) const noexcept;

    FormSettings settings_;
    forms::Picture picture_;
    OwnedIcon bigIcon_;
    OwnedIcon smallIcon_;
    OwnedBrush backBrush_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<std::unique_ptr<Timer>> timerControls_;
    std::vector<Timer*> timers_;
    bool closingByOwner_ = false;
    HWND activeControl_ = nullptr;  // borrowed; checked with IsChild before each use
};

// The description stored in this program's resources under name (RCDATA).
std::string LoadDescriptionResource(const char* name);

}  // namespace forms
