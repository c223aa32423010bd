// Checks the ground every other test stands on: real windows on the test
// display, messages reaching a window procedure, a true-colour screen for the
// pixel checks, and the fonts the program asks for.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <type_traits>

namespace {

constexpr char kClassName[] = "Korv3SmokeWindow";
constexpr UINT kPingMessage = WM_APP + 1;
constexpr LRESULT kPingAnswer = 0x4B33;

int postedPings = 0;

LRESULT CALLBACK SmokeWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kPingMessage) {
        ++postedPings;
        return kPingAnswer + static_cast<LRESULT>(wParam);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

struct WindowDestroyer {
    void operator()(HWND hwnd) const { DestroyWindow(hwnd); }
};
using OwnedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

struct ScreenDcReleaser {
    void operator()(HDC dc) const { ReleaseDC(nullptr, dc); }
};
using ScreenDc = std::unique_ptr<std::remove_pointer_t<HDC>, ScreenDcReleaser>;

class SmokeWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = SmokeWndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kClassName;
        ASSERT_NE(RegisterClassExA(&wc), 0) << "RegisterClassExA: " << GetLastError();
    }

    static void TearDownTestSuite() { UnregisterClassA(kClassName, GetModuleHandleA(nullptr)); }

    void SetUp() override { postedPings = 0; }

    static OwnedWindow MakeWindow() {
        return OwnedWindow(CreateWindowExA(0, kClassName, "smoke", WS_OVERLAPPEDWINDOW, 10, 10, 200, 120,
                                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
    }
};

TEST_F(SmokeWindowTest, WindowIsRealUntilDestroyed) {
    HWND raw = nullptr;
    {
        OwnedWindow window = MakeWindow();
        ASSERT_TRUE(window) << "CreateWindowExA: " << GetLastError();
        raw = window.get();
        EXPECT_TRUE(IsWindow(raw));
        ShowWindow(raw, SW_SHOWNORMAL);
        UpdateWindow(raw);
        EXPECT_TRUE(IsWindowVisible(raw));
        RECT client{};
        ASSERT_TRUE(GetClientRect(raw, &client));
        EXPECT_GT(client.right, 0);
        EXPECT_GT(client.bottom, 0);
    }
    EXPECT_FALSE(IsWindow(raw));
}

TEST_F(SmokeWindowTest, SentAndPostedMessagesReachTheWindowProcedure) {
    OwnedWindow window = MakeWindow();
    ASSERT_TRUE(window);

    EXPECT_EQ(SendMessageA(window.get(), kPingMessage, 5, 0), kPingAnswer + 5);
    EXPECT_EQ(postedPings, 1);

    ASSERT_TRUE(PostMessageA(window.get(), kPingMessage, 0, 0));
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(postedPings, 2);
}

TEST(SmokeDisplayTest, ScreenIsTrueColour) {
    ScreenDc dc(GetDC(nullptr));
    ASSERT_TRUE(dc);
    EXPECT_GE(GetDeviceCaps(dc.get(), BITSPIXEL), 24);
}

int CALLBACK CountFace(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return 1;
}

// Wine has no Verdana; the prefix maps it to DejaVu Sans. Without that the
// program's text falls back to a bitmap font of another size.
TEST(SmokeFontTest, FacesTheProgramUsesAreInstalled) {
    ScreenDc dc(GetDC(nullptr));
    ASSERT_TRUE(dc);
    for (const char* face : {"Verdana", "Tahoma"}) {
        LOGFONTA query{};
        query.lfCharSet = DEFAULT_CHARSET;
        lstrcpynA(query.lfFaceName, face, LF_FACESIZE);
        int count = 0;
        EnumFontFamiliesExA(dc.get(), &query, CountFace, reinterpret_cast<LPARAM>(&count), 0);
        EXPECT_GT(count, 0) << face;
    }
}

}  // namespace
