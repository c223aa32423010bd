// The running main window's Apply button: its stored style-2 look at rest, the orange set
// under the real cursor and the pressed set while the left button is held on it.
//
// With KORV3_SCREENSHOTS set to a folder, the window is also saved there as a bitmap in
// each state.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "button/Butt.h"
#include "button_apply_look.h"
#include "forms/Handles.h"
#include "forms/Runtime.h"
#include "main_window_fixture.h"
#include "real_input.h"

namespace {

using button::RgbColor;
using buttontest::ApplyLook;
using buttontest::Hex;
using mainwindowtest::PumpUntil;
using testinput::SendMouse;

// Saves what the window shows as a 24-bit bitmap file.
void SaveWindow(HWND hwnd, const std::string& path) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    forms::WindowDc screen(nullptr);
    forms::OwnedDc dc(::CreateCompatibleDC(screen.Get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    forms::OwnedBitmap bitmap(::CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    {
        forms::SelectGuard select(dc.Get(), bitmap.Get());
        ::BitBlt(dc.Get(), 0, 0, w, h, screen.Get(), r.left, r.top, SRCCOPY);
    }
    ::GdiFlush();
    const DWORD stride = static_cast<DWORD>((w * 3 + 3) & ~3);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + stride * static_cast<DWORD>(h);
    if (std::FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        std::fwrite(bits, stride, static_cast<std::size_t>(h), out);
        std::fclose(out);
    }
}

class RunningApply : public mainwindowtest::MainWindowWithApply {
protected:
    // Checks the back buffer and the button's window against one row of the table.
    void ExpectLook(const ApplyLook& look) {
        SCOPED_TRACE(look.name);
        HDC shown = apply->hDC();
        auto expectAt = [&](POINT p, RgbColor color) {
            EXPECT_EQ(Hex(static_cast<RgbColor>(::GetPixel(apply->MemoryDC, p.x, p.y))),
                      Hex(color))
                << "back buffer at " << p.x << ", " << p.y;
            EXPECT_EQ(Hex(static_cast<RgbColor>(::GetPixel(shown, p.x, p.y))), Hex(color))
                << "window at " << p.x << ", " << p.y;
        };
        for (int k = 0; k < 8; ++k) expectAt(buttontest::kApplySlotAt[k], look.slots[k]);
        for (const POINT& p : buttontest::kApplyBorderAt) expectAt(p, look.border);
    }

    void Screenshot(const char* name) {
        if (const char* folder = std::getenv("KORV3_SCREENSHOTS")) {
            SaveWindow(window->hWnd(), std::string(folder) + "\\" + name + ".bmp");
        }
    }
};

TEST_F(RunningApply, StoredLookThenHoverAndPressUnderTheRealCursor) {
    RECT r{};
    ::GetWindowRect(apply->hWnd(), &r);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, {r.left - 40, r.top - 40});
    PumpUntil([] { return false; }, 100);
    ASSERT_EQ(apply->HoverTimerOn, forms::kFalse);
    ExpectLook(buttontest::kApplyNormal);
    Screenshot("apply-normal");

    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
              {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    ASSERT_TRUE(PumpUntil([&] { return apply->HoverTimerOn == forms::kTrue; }));
    PumpUntil([] { return false; }, 100);
    ExpectLook(buttontest::kApplyHovered);
    Screenshot("apply-hovered");

    SendMouse(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(PumpUntil([&] { return (apply->ButtonState & button::bsPressed) != 0; }));
    PumpUntil([] { return false; }, 100);
    ExpectLook(buttontest::kApplyPressed);
    Screenshot("apply-pressed");

    // Leaving while held shows the resting look again, and releasing there clicks nothing.
    // The press gave Apply the focus, so it rests in the default (blue) look now.
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, {r.left - 40, r.top - 40});
    ASSERT_TRUE(PumpUntil([&] { return apply->HoverTimerOn == forms::kFalse; }));
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(::GetFocus(), apply->hWnd());
    ExpectLook(buttontest::kApplyDefault);
    Screenshot("apply-focused");
    SendMouse(MOUSEEVENTF_LEFTUP);
    PumpUntil([] { return false; }, 100);
}

}  // namespace
