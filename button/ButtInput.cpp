// Mouse, keyboard, access keys, ambient changes, paint, drag-and-drop pass-through and the
// CustomClick nudge.
#include <cstdlib>

#include "button/Butt.h"

namespace button {

namespace {

constexpr std::int16_t kLeftButton = 1;
constexpr std::int16_t kKeySpace = VK_SPACE;
constexpr std::int16_t kKeyShift = VK_SHIFT;
constexpr std::int16_t kKeyEnter = 13;
constexpr std::int16_t kKeyEsc = 27;

// Arrow keys go to the container as WM_KEYDOWN with repeat count 1 and the key's scan
// code in bits 16-23.
struct ArrowKey {
    std::int16_t keyCode;
    LPARAM lParam;
};
constexpr ArrowKey kArrowKeys[] = {
    {VK_RIGHT, 0x4D0001},
    {VK_DOWN, 0x500001},
    {VK_LEFT, 0x4B0001},
    {VK_UP, 0x480001},
};

const ArrowKey* FindArrow(std::int16_t keyCode) noexcept {
    for (const ArrowKey& key : kArrowKeys) {
        if (key.keyCode == keyCode) return &key;
    }
    return nullptr;
}

// Offsets of the CustomClick nudge while pressed, by value 1 to 8.
constexpr POINT kNudge[] = {{0, 0},  {0, -1}, {1, -1}, {-1, -1}, {1, 1},
                            {-1, 1}, {1, 0},  {0, 1},  {-1, 0}};

bool SameName(const std::string& a, const char* b) noexcept {
    return ::lstrcmpiA(a.c_str(), b) == 0;
}

}  // namespace

HWND Butt::ContainerWindow() const {
    return reinterpret_cast<HWND>(
        static_cast<std::uintptr_t>(std::strtoull(ContainerHandle.c_str(), nullptr, 10)));
}

void Butt::UserControl_MouseDown(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y) {
    LastButton = Button;
    if (Button == kLeftButton) {
        ButtonState = static_cast<std::int16_t>(ButtonState | bsPressed);
        ButtonHeld = kTrue;
        DrawingDelayed = kFalse;
        RedrawButton();
        ::SetCapture(hWnd());
    }
    RaiseEvent("MouseDown", Button, Shift, X, Y);
}

void Butt::UserControl_MouseMove(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y) {
    HoverStart(Button);
    RaiseEvent("MouseMove", Button, Shift, X, Y);
}

void Butt::UserControl_MouseUp(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y) {
    ButtonHeld = kFalse;
    if (Button == kLeftButton) {
        ::ReleaseCapture();
        ButtonState = static_cast<std::int16_t>(ButtonState & ~bsPressed);
        DrawingDelayed = kFalse;
        // Check boxes and option buttons are redrawn by the Value change of the click.
        if (Mode == modeCommand) RedrawButton();
    }
    RaiseEvent("MouseUp", Button, Shift, X, Y);
    LastButton = Button;
}

void Butt::UserControl_Click() {
    if (LastButton != kLeftButton) return;
    if (Mode > modeCommand) {
        // A selected option button neither changes nor clicks.
        if (Mode == modeOption && Value == kTrue) return;
        SetValue(forms::ToVbBool(Value == kFalse));
    }
    RaiseEvent("Click");
}

void Butt::UserControl_DblClick() {
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ::ScreenToClient(hWnd(), &cursor);
    std::int16_t button = LastButton;  // a copy: the handler's changes go nowhere
    RaiseEvent("DoubleClick", button);
    std::int16_t pressed = kLeftButton;
    std::int16_t shift = 0;
    auto x = static_cast<float>(cursor.x);
    auto y = static_cast<float>(cursor.y);
    if (LastButton == kLeftButton) {
        // The second press of a double-click is a press of its own.
        UserControl_MouseDown(pressed, shift, x, y);
        LastButton = -1;
    } else {
        RaiseEvent("MouseDown", pressed, shift, x, y);
    }
}

void Butt::UserControl_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift) {
    if (const ArrowKey* arrow = FindArrow(KeyCode)) {
        const WPARAM key = static_cast<WPARAM>(arrow->keyCode);
        KeyCode = 0;
        ::PostMessageA(ContainerWindow(), WM_KEYDOWN, key, arrow->lParam);
    }
    if (KeyCode == kKeySpace && (ButtonState & bsPressed) == 0) {
        ButtonState = static_cast<std::int16_t>(ButtonState | bsHover);
        ButtonHeld = kTrue;
        ButtonState = static_cast<std::int16_t>(ButtonState | bsPressed);
        RedrawButton();
        // The pressed look stays on the screen; the hover flag only served that paint.
        if (HoverTimerOn == kFalse) ButtonState = static_cast<std::int16_t>(ButtonState & ~bsHover);
    }
    if (KeyCode != 0) RaiseEvent("KeyDown", KeyCode, Shift);
}

void Butt::UserControl_KeyPress(std::int16_t& KeyAscii) { RaiseEvent("KeyPress", KeyAscii); }

void Butt::UserControl_KeyUp(std::int16_t& KeyCode, std::int16_t& Shift) {
    ButtonHeld = kFalse;
    if (KeyCode == kKeySpace && (ButtonState & bsPressed) != 0) {
        ButtonState = static_cast<std::int16_t>(ButtonState & ~bsPressed);
        LastButton = kLeftButton;
        if (Mode > modeCommand) {
            // Check boxes and option buttons report the key before the click.
            RaiseEvent("KeyUp", KeyCode, Shift);
            KeyCode = 0;
        } else {
            RedrawButton();
        }
        UserControl_Click();
    }
    if (FindArrow(KeyCode) != nullptr) {
        KeyCode = 0;
        if (Mode == modeOption && Value == kFalse) {
            LastButton = kLeftButton;
            UserControl_Click();
        }
    }
    if (KeyCode == kKeyShift) KeyCode = 0;
    if (KeyCode != 0) RaiseEvent("KeyUp", KeyCode, Shift);
}

void Butt::UserControl_AccessKeyPress(std::int16_t& KeyAscii) {
    const bool enterOrEsc = KeyAscii == kKeyEnter || KeyAscii == kKeyEsc;
    if (enterOrEsc && Mode > modeCommand) return;
    if (!enterOrEsc && (ButtonState & bsDefault) == 0) RedrawButton();
    LastButton = kLeftButton;
    UserControl_Click();
}

void Butt::UserControl_AmbientChanged(const std::string& PropertyName) {
    try {
        if (SameName(PropertyName, "DisplayAsDefault")) {
            const forms::AmbientProperties ambient = Ambient();
            const bool isDefault =
                ambient.DisplayAsDefault && (ShowFocusRect == kTrue || !ambient.UserMode);
            ButtonState = static_cast<std::int16_t>(isDefault ? (ButtonState | bsDefault)
                                                              : (ButtonState & ~bsDefault));
            // In the designer a custom-shaped default button shows its hover look.
            const bool designedCustom = ButtonShape > shapeOvalRing && !ambient.UserMode;
            if (designedCustom) HoverTimerOn = forms::ToVbBool(isDefault);
            RedrawButton();
            if (designedCustom) HoverTimerOn = kFalse;
        } else if (SameName(PropertyName, "BackColor")) {
            AmbientBackColor = TranslateColor(Ambient().BackColor);
            if (ButtonShape > shapeBothSlants || ButtonStyle == styleHotTrack) RedrawButton();
        }
    } catch (const std::exception&) {
        // An ambient change that fails changes nothing more.
    }
}

void Butt::UserControl_Paint() {
    DrawingDelayed = kFalse;
    RedrawButton();
}

void Butt::UserControl_OLECompleteDrag(std::int32_t& Effect) {
    RaiseEvent("OLECompleteDrag", Effect);
}
void Butt::UserControl_OLEDragDrop(forms::DataObject& Data, std::int32_t& Effect,
                                   std::int16_t& Button, std::int16_t& Shift, float& X, float& Y) {
    RaiseEvent("OLEDragDrop", Data, Effect, Button, Shift, X, Y);
}
void Butt::UserControl_OLEDragOver(forms::DataObject& Data, std::int32_t& Effect,
                                   std::int16_t& Button, std::int16_t& Shift, float& X, float& Y,
                                   std::int16_t& State) {
    RaiseEvent("OLEDragOver", Data, Effect, Button, Shift, X, Y, State);
}
void Butt::UserControl_OLEGiveFeedback(std::int32_t& Effect, VbBool& DefaultCursors) {
    RaiseEvent("OLEGiveFeedback", Effect, DefaultCursors);
}
void Butt::UserControl_OLESetData(forms::DataObject& Data, std::int16_t& DataFormat) {
    RaiseEvent("OLESetData", Data, DataFormat);
}
void Butt::UserControl_OLEStartDrag(forms::DataObject& Data, std::int32_t& AllowedEffects) {
    RaiseEvent("OLEStartDrag", Data, AllowedEffects);
}

VbBool Butt::MoveOnCustomClick() {
    if (CustomClick == clickNone || Mode != modeCommand) return kFalse;
    if (CustomClick < clickNone || CustomClick > clickLeft) return kFalse;
    HWND own = hWnd();
    RECT box{};
    ::GetWindowRect(own, &box);
    POINT topLeft{box.left, box.top};
    ::ScreenToClient(ContainerWindow(), &topLeft);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    const POINT nudge = kNudge[CustomClick];
    const bool pressed = HasPressedLook(ButtonState);
    if (pressed && (ButtonState & bsMoved) == 0) {
        // The host repaints a moved control whole; that paint draws the pressed look here.
        ::MoveWindow(own, topLeft.x + nudge.x, topLeft.y + nudge.y, width, height, TRUE);
        ButtonState = static_cast<std::int16_t>(ButtonState | bsMoved);
        ManageBackBuffer(kFalse);
        UserControl::Refresh();
        return kTrue;
    }
    if ((ButtonState & bsMoved) != 0 && !pressed) {
        ::MoveWindow(own, topLeft.x - nudge.x, topLeft.y - nudge.y, width, height, TRUE);
        ButtonState = static_cast<std::int16_t>(ButtonState & ~bsMoved);
    }
    return kFalse;
}

}  // namespace button
