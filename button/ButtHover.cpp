// Hover tracking, option groups and the focus handler.
#include <limits>
#include <string>

#include "button/Butt.h"
#include "button/ButtTimer.h"

namespace button {

namespace {

std::string MemberProperty(int number) { return kPropObjPrefix + std::to_string(number); }

Butt* Member(HWND container, int number) {
    return static_cast<Butt*>(::GetPropA(container, MemberProperty(number).c_str()));
}

// The stored count as the 16-bit number it is. A value beyond that range is an overflow,
// which ends the group action: its low bits would name a count the group does not have.
std::int16_t MemberCount(HWND container) {
    const auto stored = reinterpret_cast<std::intptr_t>(::GetPropA(container, kPropOptCount));
    if (stored < std::numeric_limits<std::int16_t>::min() ||
        stored > std::numeric_limits<std::int16_t>::max()) {
        forms::Raise(forms::kErrOverflow);
    }
    return static_cast<std::int16_t>(stored);
}

void SetCount(HWND container, int count) {
    ::SetPropA(container, kPropOptCount, reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(count)));
}

// Cursor over this very window: another window lying over the button counts as off it.
bool CursorOn(HWND own) {
    POINT cursor{};
    if (!::GetCursorPos(&cursor)) return false;
    return ::WindowFromPoint(cursor) == own;
}

}  // namespace

void Butt::HoverStart(std::int16_t Button) {
    if (HoverTimerOn != kFalse) return;
    try {
        HWND own = hWnd();
        if (!CursorOn(own)) return;
        ButtonState = static_cast<std::int16_t>(ButtonState | bsHover);
        VbBool onButton = kTrue;  // a copy: the handler's changes go nowhere
        RaiseEvent("MouseOnButton", onButton);
        ::SetPropA(own, kPropClassID, static_cast<HANDLE>(this));
        ::SetPropA(own, kPropTimerID, reinterpret_cast<HANDLE>(HoverTimerID));
        ::SetTimer(own, HoverTimerID, HoverTimerInterval,
                   &forms::GuardedTimerProc<&ButtTimerProc>);
        HoverTimerOn = kTrue;
        DrawingDelayed = kFalse;
        if (Button == 1) ButtonHeld = kTrue;
        RedrawButton();
    } catch (const std::exception&) {
        // A failed hover start skips its remaining steps; MouseMove is raised all the same.
    }
}

void Butt::TrackMouseLeave(std::int32_t& TimerID) {
    HWND own = hWnd();
    if (CursorOn(own)) return;
    ::KillTimer(own, static_cast<UINT_PTR>(TimerID));
    ButtonState = static_cast<std::int16_t>(ButtonState & ~bsHover);
    HoverTimerOn = kFalse;
    DrawingDelayed = kFalse;
    VbBool onButton = kFalse;
    RaiseEvent("MouseOnButton", onButton);
    ButtonHeld = kFalse;
    RedrawButton();
}

VbBool Butt::OptionToggle(std::int16_t nAction) {
    VbBool result = kFalse;
    try {
        HWND container = ContainerWindow();
        const int count = MemberCount(container);
        if ((nAction == 1 || count >= 1) && Value != kFalse) {
            for (int i = 1; i <= count; ++i) {
                Butt* member = Member(container, i);
                if (member == nullptr) return result;
                if (member != this) member->SetValue(kFalse);
            }
        }
        switch (nAction) {
        case 1: {
            const std::int16_t joined = forms::ToInt16(count + 1);  // nothing written past 32767
            SetCount(container, joined);
            ::SetPropA(container, MemberProperty(joined).c_str(), static_cast<HANDLE>(this));
            break;
        }
        case -1:
            LeaveOptionGroup();
            break;
        case 2:
            for (int i = 1; i <= count; ++i) {
                Butt* member = Member(container, i);
                if (member == nullptr) return result;
                if (member->GetValue() == kTrue) {
                    result = kTrue;
                    break;
                }
            }
            break;
        default:
            break;
        }
    } catch (const std::exception&) {
        // A failing group action ends silently with the result reached so far.
    }
    return result;
}

void Butt::LeaveOptionGroup() noexcept {
    HWND container = ContainerWindow();
    if (container == nullptr) return;
    int count = 0;
    // A count that cannot be read leaves the group as it is.
    if (!forms::ResumeNext([&] { count = MemberCount(container); })) return;
    int found = 0;
    for (int i = 1; i <= count; ++i) {
        if (Member(container, i) == this) {
            found = i;
            break;
        }
    }
    // A button the group does not list leaves it as it is.
    if (found == 0) return;
    for (int i = found + 1; i <= count; ++i) {
        ::SetPropA(container, MemberProperty(i - 1).c_str(), static_cast<HANDLE>(Member(container, i)));
    }
    ::RemovePropA(container, MemberProperty(count).c_str());
    if (count == 1) {
        ::RemovePropA(container, kPropOptCount);
    } else {
        SetCount(container, count - 1);
    }
}

void Butt::UserControl_GotFocus() {
    if (Mode == modeOption && Value == kFalse && OptionToggle(2) == kFalse) {
        LastButton = 1;
        UserControl_Click();
    }
}

}  // namespace button
