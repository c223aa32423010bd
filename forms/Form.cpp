#include "forms/Form.h"

#include <algorithm>

#include "forms/Description.h"

namespace forms {

namespace {

constexpr char kFormClass[] = "FormsForm";

int& LiveForms() {
    static int count = 0;
    return count;
}

}  // namespace

Form::Form(const FormSettings& settings) : settings_(settings) { CreateFormWindow(); }

Form::Form(const desc::Node& description) {
    try {
        Build(description);
    } catch (...) {
        // Take down what was built so far; the destructor does not run for a failed build.
        TearDown();
        throw;
    }
}

Form::~Form() { TearDown(); }

void Form::TearDown() noexcept {
    closingByOwner_ = true;
    // Controls first: their windows are children of ours. Newest first, as a control is
    // added after its container and leaves the container's list as it goes.
    timerControls_.clear();
    while (!controls_.empty()) controls_.pop_back();
    DestroyNow();
}

void Form::CreateFormWindow() {
    if (!settings_.iconResource.empty()) {
        const char* res = settings_.iconResource.c_str();
        if (settings_.iconResource.find_first_not_of("0123456789") == std::string::npos) {
            res = MAKEINTRESOURCEA(std::stoi(settings_.iconResource));
        }
        bigIcon_.Reset(static_cast<HICON>(::LoadImageA(App::Instance(), res, IMAGE_ICON,
                                                       ::GetSystemMetrics(SM_CXICON),
                                                       ::GetSystemMetrics(SM_CYICON), 0)));
        smallIcon_.Reset(static_cast<HICON>(::LoadImageA(App::Instance(), res, IMAGE_ICON,
                                                         ::GetSystemMetrics(SM_CXSMICON),
                                                         ::GetSystemMetrics(SM_CYSMICON), 0)));
    }
    RegisterClassOnce(kFormClass, CS_DBLCLKS, nullptr);
    backBrush_.Reset(::CreateSolidBrush(TranslateOleColor(settings_.backColor)));

    const DWORD style = settings_.bordered
                            ? (WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN)
                            : (WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX);
    const DWORD exStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
    RECT r{0, 0, TwipsToPixelsX(settings_.clientWidth), TwipsToPixelsY(settings_.clientHeight)};
    ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
    if (settings_.centreOnScreen) {
        x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }
    CreateWindowOf(kFormClass, exStyle, style, settings_.caption.c_str(), x, y, width, height,
                   nullptr, nullptr);
    if (!WindowHandle()) Raise(kErrObjectNotSet);
    if (bigIcon_) ::SendMessageA(WindowHandle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
    if (smallIcon_) ::SendMessageA(WindowHandle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
    ++LiveForms();
}

HWND Form::hWnd() const {
    if (!::IsWindow(WindowHandle())) Raise(kErrObjectNotSet);
    return WindowHandle();
}

namespace {
RECT OuterRect(HWND hwnd) {
    RECT r{};
    if (!::GetWindowRect(hwnd, &r)) Raise(kErrObjectNotSet);
    return r;
}
}  // namespace

double Form::Left() const { return PixelsToTwipsX(OuterRect(hWnd()).left); }
double Form::Top() const { return PixelsToTwipsY(OuterRect(hWnd()).top); }
double Form::Width() const {
    const RECT r = OuterRect(hWnd());
    return PixelsToTwipsX(r.right - r.left);
}
double Form::Height() const {
    const RECT r = OuterRect(hWnd());
    return PixelsToTwipsY(r.bottom - r.top);
}

void Form::SetLeft(double twips) {
    ::SetWindowPos(hWnd(), nullptr, TwipsToPixelsX(twips), OuterRect(WindowHandle()).top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void Form::SetTop(double twips) {
    ::SetWindowPos(hWnd(), nullptr, OuterRect(WindowHandle()).left, TwipsToPixelsY(twips), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void Form::SetWidth(double twips) {
    const RECT r = OuterRect(hWnd());
    ::SetWindowPos(WindowHandle(), nullptr, 0, 0, TwipsToPixelsX(twips), r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void Form::SetHeight(double twips) {
    const RECT r = OuterRect(hWnd());
    ::SetWindowPos(WindowHandle(), nullptr, 0, 0, r.right - r.left, TwipsToPixelsY(twips),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Form::Visible() const { return ::IsWindowVisible(hWnd()) != FALSE; }

VbBool Form::Enabled() const { return ToVbBool(::IsWindowEnabled(hWnd()) != FALSE); }

// WM_CANCELMODE and WM_ENABLE keep and give back the focus, for the system's own
// EnableWindow calls (a message box disabling its owner) as well.
void Form::SetEnabled(VbBool enabled) { ::EnableWindow(hWnd(), enabled != kFalse); }

void Form::Show() {
    ::ShowWindow(hWnd(), SW_SHOW);
    ::UpdateWindow(WindowHandle());
    // A form that was active already gets no activation that would hand out the focus.
    if (::GetActiveWindow() == WindowHandle() && !HoldsFocus()) RestoreFocus();
}

bool Form::HoldsFocus() const noexcept {
    HWND focus = ::GetFocus();
    return focus && ::IsChild(WindowHandle(), focus);
}

bool Form::CanTakeFocus(HWND window) const noexcept {
    if (!window || !::IsChild(WindowHandle(), window) || !::IsWindowVisible(window)) return false;
    for (HWND w = window; w; w = ::GetParent(w)) {
        if (!::IsWindowEnabled(w)) return false;
        if (w == WindowHandle()) break;
    }
    return true;
}

void Form::RememberFocus() noexcept {
    if (HoldsFocus()) activeControl_ = ::GetFocus();
}

bool Form::RestoreFocus() noexcept {
    HWND target = activeControl_;
    if (!CanTakeFocus(target)) {
        // The builder stacked every container's windows in tab order, so the dialog
        // manager's first tab stop is the first control of the focus order.
        target = ::GetNextDlgTabItem(WindowHandle(), nullptr, FALSE);
        if (!target || !(::GetWindowLongPtrA(target, GWL_STYLE) & WS_TABSTOP)) return false;
        if (!CanTakeFocus(target)) return false;
    }
    activeControl_ = target;
    if (::GetFocus() != target) ::SetFocus(target);
    return true;
}

void Form::Hide() { ::ShowWindow(hWnd(), SW_HIDE); }

void Form::SetPicture(forms::Picture picture) {
    picture_ = std::move(picture);
    ::InvalidateRect(hWnd(), nullptr, FALSE);
}

void Form::Paint(HDC dc, const RECT& area) const {
    ::FillRect(dc, &area, backBrush_.Get());
    picture_.Draw(dc, 0, 0);
    PaintWindowless(dc, area);
}

Control* Form::FindControl(std::string_view name) const {
    for (const auto& control : controls_) {
        if (desc::EqualsNoCase(control->Name(), name)) return control.get();
    }
    return nullptr;
}

Timer& Form::GetTimer(std::string_view name) const {
    for (Timer* timer : timers_) {
        if (desc::EqualsNoCase(timer->Name(), name)) return *timer;
    }
    throw RuntimeError(kErrObjectNotSet, "No timer '" + std::string(name) + "'");
}

Timer& Form::AddTimerControl(std::string name, unsigned interval, bool enabled) {
    timerControls_.push_back(std::make_unique<Timer>(std::move(name), *this, interval, enabled));
    return *timerControls_.back();
}

void Form::AddTimer(Timer& timer) { timers_.push_back(&timer); }

void Form::RemoveTimer(Timer& timer) {
    timers_.erase(std::remove(timers_.begin(), timers_.end(), &timer), timers_.end());
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleContainerMessage(WindowHandle(), msg, wParam, lParam, result)) return result;
    switch (msg) {
    case WM_TIMER:
        for (Timer* timer : timers_) {
            if (timer->Id() == wParam) {
                timer->OnTick();
                return 0;
            }
        }
        break;
    case WM_NCLBUTTONDOWN:
        // A caption press handed over by code while the left button is up must not start
        // the system's move loop: on Windows it returns at once, but Wine's loop would
        // then wait for a button release and drag the window with the bare pointer.
        if (wParam == HTCAPTION && !(::GetKeyState(VK_LBUTTON) & 0x8000)) return 0;
        break;
    case WM_ACTIVATE:
        // The focus is still on our control when the form goes inactive; on activation
        // it goes back there instead of to the form itself.
        if (LOWORD(wParam) == WA_INACTIVE) {
            RememberFocus();
        } else if (!HIWORD(wParam) && RestoreFocus()) {
            return 0;
        }
        break;
    case WM_CANCELMODE:
        // EnableWindow sends this before it disables us (a message box disabling its
        // owner, too), while the focus is still on our control.
        RememberFocus();
        break;
    case WM_ENABLE:
        if (!wParam) {
            // A disabled form takes no keys. Wine drops the focus only when it was on the
            // form itself and would leave it on the control.
            if (HoldsFocus()) {
                RememberFocus();
                ::SetFocus(nullptr);
            }
        } else if (::GetActiveWindow() == WindowHandle() && !HoldsFocus()) {
            RestoreFocus();
        }
        return 0;
    case WM_SETFOCUS:
        // The form itself takes no keys: its active control does.
        RestoreFocus();
        return 0;
    case WM_DESTROY:
        // The program ends with its last form, unless the code itself is tearing it down,
        // and it ends at once: code still running beneath this message (a fade, a message
        // box, the system's move loop) would otherwise go on with a window that is gone,
        // and a quit message posted for later can be taken by such a loop and leave the
        // program running without a window.
        if (--LiveForms() == 0 && !closingByOwner_) End();
        return 0;
    default: break;
    }
    return DefaultProc(msg, wParam, lParam);
}

std::string LoadDescriptionResource(const char* name) {
    const std::string_view bytes = App::ResourceBytes(name, MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!bytes.data()) throw RuntimeError(kErrFileNotFound, std::string("No stored description ") + name);
    return std::string(bytes);
}

}  // namespace forms
