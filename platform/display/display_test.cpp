// The SDL display backend, where a display exists (run under xvfb-run; skipped otherwise): SDL
// events become stylus, key and close input, and the loop sleeps in SDL until something happens.
#include <SDL.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/core/core_test_util.h"

namespace {

class CoreSdlTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
            GTEST_SKIP() << "no display (run under xvfb-run to include this test)";
        MvProbe::Log().clear();
        MvProbe::Handlers().clear();
        MvPlatformOptions options;
        options.displayFromEnvironment = false;
        options.display = MvDisplayKind::Sdl;
        MvPlatformInit(options);
        if (MvGetDisplayKind() != MvDisplayKind::Sdl) {
            MvPlatformShutdown();
            GTEST_SKIP() << "SDL did not start on this display";
        }
        started_ = true;
        WNDCLASSW wc{};
        wc.lpfnWndProc = MvProbe::Proc;
        wc.lpszClassName = L"CoreProbe";
        RegisterClassW(&wc);
    }
    void TearDown() override {
        if (started_) MvPlatformShutdown();
    }
    bool started_ = false;
};

void Push(const SDL_Event& ev) {
    SDL_Event copy = ev;
    SDL_PushEvent(&copy);
}

TEST_F(CoreSdlTest, SdlEventsBecomeInputAndCloseTheMainWindow) {
    HWND main = CreateWindowExW(0, L"CoreProbe", L"main", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(main, nullptr);
    MvProbe::Handlers()[WM_CLOSE] = [](HWND, WPARAM, LPARAM) -> LRESULT {
        PostQuitMessage(9);
        return 0;
    };
    SDL_Event ev{};
    ev.type = SDL_MOUSEBUTTONDOWN;
    ev.button.button = SDL_BUTTON_LEFT;
    ev.button.x = 40;
    ev.button.y = 100;
    Push(ev);
    ev.type = SDL_MOUSEBUTTONUP;
    Push(ev);
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_q;
    key.key.keysym.mod = KMOD_LCTRL;
    Push(key);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    Push(quit);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    EXPECT_EQ(msg.wParam, 9u);
    std::vector<MvRecordedMessage> got;
    for (const auto& m : MvProbe::Log())
        if (m.hwnd == main && (m.msg == WM_LBUTTONDOWN || m.msg == WM_LBUTTONUP || m.msg == WM_KEYDOWN ||
                               m.msg == WM_CHAR || m.msg == WM_CLOSE))
            got.push_back(m);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].msg, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(got[0].lParam, MAKELPARAM(40, 48));
    EXPECT_EQ(got[1].msg, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_EQ(got[2].msg, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(got[2].wParam, static_cast<WPARAM>('Q'));
    EXPECT_EQ(got[3].msg, static_cast<UINT>(WM_CLOSE));
}

// A phone-sized window: the frame is scaled by 1.5. A finger is the stylus; the mouse events SDL
// could make of a touch are not taken as a second stylus.
class CoreSdlScaledTest : public CoreSdlTest {
protected:
    void SetUp() override {
        setenv("MOVIMETRA_WINDOW", "720x1200", 1);
        CoreSdlTest::SetUp();
    }
};

TEST_F(CoreSdlScaledTest, FingerAndMouseMapBackToTheScreenPixelUnderThem) {
    HWND main = CreateWindowExW(0, L"CoreProbe", L"main", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(main, nullptr);
    SDL_Event finger{};
    finger.type = SDL_FINGERDOWN;
    finger.tfinger.fingerId = 7;
    finger.tfinger.x = 120.5f / 720;  // the screen's (80, 692)
    finger.tfinger.y = 1038.5f / 1200;
    Push(finger);
    SDL_Event emulated{};
    emulated.type = SDL_MOUSEBUTTONDOWN;
    emulated.button.which = SDL_TOUCH_MOUSEID;
    emulated.button.button = SDL_BUTTON_LEFT;
    emulated.button.x = 600;
    emulated.button.y = 600;
    Push(emulated);
    finger.type = SDL_FINGERUP;
    Push(finger);
    SDL_Event mouse{};
    mouse.type = SDL_MOUSEBUTTONDOWN;
    mouse.button.button = SDL_BUTTON_LEFT;
    mouse.button.x = 3;  // the screen's (2, 799)
    mouse.button.y = 1199;
    Push(mouse);
    mouse.type = SDL_MOUSEBUTTONUP;
    Push(mouse);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    Push(quit);
    MvProbe::Handlers()[WM_CLOSE] = [](HWND, WPARAM, LPARAM) -> LRESULT {
        PostQuitMessage(0);
        return 0;
    };
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
    unsetenv("MOVIMETRA_WINDOW");
    std::vector<MvRecordedMessage> got;
    for (const auto& m : MvProbe::Log())
        if (m.hwnd == main && (m.msg == WM_LBUTTONDOWN || m.msg == WM_LBUTTONUP)) got.push_back(m);
    ASSERT_EQ(got.size(), 4u);
    // The window starts at screen row 52.
    EXPECT_EQ(got[0].msg, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(got[0].lParam, MAKELPARAM(80, 692 - 52));
    EXPECT_EQ(got[1].msg, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_EQ(got[1].lParam, MAKELPARAM(80, 692 - 52));
    EXPECT_EQ(got[2].lParam, MAKELPARAM(2, 799 - 52));
    EXPECT_EQ(got[3].lParam, MAKELPARAM(2, 799 - 52));
}

TEST_F(CoreSdlTest, APostFromAnotherThreadWakesTheWaitingLoop) {
    HWND main = CreateWindowExW(0, L"CoreProbe", L"main", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    MvProbe::Handlers()[WM_USER] = [](HWND, WPARAM, LPARAM) -> LRESULT {
        PostQuitMessage(0);
        return 0;
    };
    MvPumpMessages();
    std::thread poster([main] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        PostMessageW(main, WM_USER, 0, 0);
    });
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
    poster.join();
    EXPECT_EQ(MvProbe::Messages(main, {WM_USER}).size(), 1u);
}

}  // namespace
