// Messages: GetMessageW order, nested and cross-thread SendMessageW, destruction, painting.
#include <signal.h>
#include <stdlib.h>

#include <atomic>
#include <thread>

#include "platform/core/core_state.h"
#include "platform/core/core_test_util.h"
#include "platform/core/mv_internal.h"

namespace {

// Waits (really) until a message sent from another thread is queued for the UI thread.
void WaitForQueuedSend() {
    for (int i = 0; i < 5000; ++i) {
        {
            mv::Lock lk(mv::CoreState().mutex);
            if (!mv::CoreState().sent.empty()) return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    FAIL() << "no message was sent";
}

TEST_F(CoreTest, GetMessageTakesSentPostedInputPaintTimerInThatOrder) {
    HWND w = Make();
    ASSERT_NE(w, nullptr);
    SetTimer(w, 7, 100, nullptr);
    Sleep(150);  // the UI thread sleeping lets the timer fall due without dispatching it
    MvKey('A');
    PostMessageW(w, WM_USER + 1, 0, 0);
    InvalidateRect(w, nullptr, FALSE);
    std::thread sender([w] { SendMessageW(w, WM_USER + 2, 0, 0); });
    WaitForQueuedSend();
    MvProbe::Log().clear();

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        DispatchMessageW(&msg);
        if (msg.hwnd == w && msg.message == WM_TIMER) break;
    }
    sender.join();
    EXPECT_EQ(MvProbe::Messages(w),
              (std::vector<UINT>{WM_USER + 2, WM_USER + 1, WM_KEYDOWN, WM_KEYUP, WM_PAINT, WM_TIMER}));
}

TEST_F(CoreTest, PaintIsCoalescedAndWaitsForOtherMessages) {
    HWND w = Make();
    MvPumpMessages();
    MvProbe::Log().clear();
    InvalidateRect(w, nullptr, FALSE);
    RECT part{0, 0, 10, 10};
    InvalidateRect(w, &part, FALSE);
    PostMessageW(w, WM_USER, 0, 0);
    MvPumpMessages();
    EXPECT_EQ(MvProbe::Messages(w), (std::vector<UINT>{WM_USER, WM_PAINT}));

    // UpdateWindow paints at once, and only when something is invalid.
    MvProbe::Log().clear();
    UpdateWindow(w);
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    EXPECT_EQ(MvProbe::Messages(w), (std::vector<UINT>{WM_PAINT}));
}

TEST_F(CoreTest, QuitComesAfterPostedMessagesAndEndsTheLoop) {
    HWND w = Make();
    PostQuitMessage(3);
    PostMessageW(w, WM_USER, 0, 0);
    MSG msg;
    ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
}

// A stream of posts that need not be handled at once (sensor readings) rides along with the UI
// thread's other wakes; it wakes the thread itself only once posts have waited their time.
TEST_F(CoreTest, LazyPostsWakeTheLoopOnlyOnceTheQueueHasWaitedTheirTime) {
    HWND w = Make();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    auto woken = [] {
        mv::Lock lk(mv::CoreState().mutex);
        const bool pending = mv::CoreState().wakePending;
        mv::CoreState().wakePending = false;
        return pending;
    };
    auto at = [](int64_t ms) {
        mv::Lock lk(mv::CoreState().mutex);
        mv::SetManualNowLocked(ms);
    };
    auto lazy = [&](WPARAM n) { return MvPostMessageAt(w, WM_USER, n, 0, GetTickCount(), 1000); };
    woken();
    const int64_t start = mv::NowMs();
    ASSERT_TRUE(lazy(1));
    EXPECT_FALSE(woken());
    at(start + 999);
    ASSERT_TRUE(lazy(2));
    EXPECT_FALSE(woken()) << "the first post has waited 999 ms";
    at(start + 1000);
    ASSERT_TRUE(lazy(3));
    EXPECT_TRUE(woken()) << "the first post has waited a second";
    for (WPARAM n = 1; n <= 3; ++n) {
        ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.wParam, n) << "in the order posted";
    }
    // Taken along: the next post finds an empty queue and waits anew.
    at(start + 1500);
    ASSERT_TRUE(lazy(4));
    EXPECT_FALSE(woken());
    ASSERT_TRUE(PostMessageW(w, WM_USER, 5, 0));
    EXPECT_TRUE(woken()) << "an ordinary post wakes at once";
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    // A message taken a second before it is posted (read late from a buffer) has waited already.
    ASSERT_TRUE(MvPostMessageAt(w, WM_USER, 6, 0, GetTickCount() - 1000, 1000));
    EXPECT_TRUE(woken());
}

TEST_F(CoreTest, NestedSendMessageRunsToCompletionInline) {
    HWND w = Make();
    std::vector<int> trace;
    MvProbe::Handlers()[WM_USER + 1] = [&](HWND h, WPARAM, LPARAM) -> LRESULT {
        trace.push_back(1);
        LRESULT inner = SendMessageW(h, WM_USER + 2, 0, 0);
        trace.push_back(3);
        return inner + 1;
    };
    MvProbe::Handlers()[WM_USER + 2] = [&](HWND, WPARAM, LPARAM) -> LRESULT {
        trace.push_back(2);
        return 41;
    };
    EXPECT_EQ(SendMessageW(w, WM_USER + 1, 0, 0), 42);
    EXPECT_EQ(trace, (std::vector<int>{1, 2, 3}));
}

TEST_F(CoreTest, SendFromAnotherThreadBlocksUntilTheUiThreadHandlesIt) {
    HWND w = Make();
    MvProbe::Handlers()[WM_USER + 5] = [](HWND, WPARAM wp, LPARAM lp) -> LRESULT {
        return static_cast<LRESULT>(wp + lp);
    };
    std::atomic<bool> done{false};
    LRESULT result = 0;
    std::thread sender([&] {
        result = SendMessageW(w, WM_USER + 5, 20, 22);
        done = true;
    });
    WaitForQueuedSend();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(done.load());
    MvPumpMessages();
    sender.join();
    EXPECT_TRUE(done.load());
    EXPECT_EQ(result, 42);
    ASSERT_EQ(MvProbe::Messages(w, {WM_USER + 5}).size(), 1u);
    for (const auto& m : MvProbe::Log()) {
        if (m.msg == WM_USER + 5) {
            EXPECT_EQ(m.thread, std::this_thread::get_id());
        }
    }
}

TEST_F(CoreTest, SendToADestroyedWindowReturnsZeroFromAnyThread) {
    HWND w = Make();
    DestroyWindow(w);
    EXPECT_EQ(SendMessageW(w, WM_USER, 0, 0), 0);
    LRESULT fromThread = -1;
    std::thread([&] { fromThread = SendMessageW(w, WM_USER, 0, 0); }).join();
    EXPECT_EQ(fromThread, 0);
    EXPECT_FALSE(PostMessageW(w, WM_USER, 0, 0));
}

TEST_F(CoreTest, DestroyWindowNotifiesParentThenChildrenAndInvalidatesHandles) {
    HWND parent = Make();
    HWND child = Make(parent, {0, 0, 10, 10});
    HWND grandchild = Make(child, {0, 0, 5, 5});
    SetFocus(grandchild);
    SetTimer(child, 1, 100, nullptr);
    MvProbe::Log().clear();
    EXPECT_TRUE(DestroyWindow(parent));
    std::vector<HWND> order;
    for (const auto& m : MvProbe::Log())
        if (m.msg == WM_DESTROY) order.push_back(m.hwnd);
    EXPECT_EQ(order, (std::vector<HWND>{parent, child, grandchild}));
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(grandchild));
    EXPECT_EQ(GetFocus(), nullptr);
    // Dead handles are harmless everywhere.
    EXPECT_FALSE(DestroyWindow(child));
    EXPECT_FALSE(ShowWindow(child, SW_SHOW));
    RECT r;
    EXPECT_FALSE(GetWindowRect(child, &r));
    EXPECT_EQ(GetWindowLongW(child, GWL_STYLE), 0);
    EXPECT_FALSE(KillTimer(child, 1));
    MvAdvanceClock(500);
    EXPECT_TRUE(MvProbe::Messages(child, {WM_TIMER}).empty());
}

TEST_F(CoreTest, DefWindowProcClosesAndKeepsText) {
    HWND w = Make(nullptr, {CW_USEDEFAULT, 0, CW_USEDEFAULT, 0}, true, L"first");
    wchar_t text[8];
    EXPECT_EQ(GetWindowTextW(w, text, 8), 5);
    EXPECT_STREQ(text, L"first");
    SetWindowTextW(w, L"a longer title");
    EXPECT_EQ(GetWindowTextLengthW(w), 14);
    EXPECT_EQ(GetWindowTextW(w, text, 8), 7);
    EXPECT_STREQ(text, L"a longe");
    PostMessageW(w, WM_CLOSE, 0, 0);
    MvPumpMessages();
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(CoreTest, TranslateMessageTurnsPrintableKeysIntoCharacters) {
    HWND w = Make();
    SetFocus(w);
    MvKey('7');
    MvKey(VK_LEFT);
    MvKey('Q', true);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    std::vector<WPARAM> chars;
    for (const auto& m : MvProbe::Log())
        if (m.hwnd == w && m.msg == WM_CHAR) chars.push_back(m.wParam);
    EXPECT_EQ(chars, (std::vector<WPARAM>{L'7'}));
    EXPECT_EQ(MvProbe::Messages(w, {WM_KEYDOWN, WM_CHAR, WM_KEYUP}),
              (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYDOWN, WM_KEYUP, WM_KEYDOWN, WM_KEYUP}));
}

TEST_F(CoreTest, ObserverSeesEveryMessageHandedToAProcedure) {
    HWND w = Make();
    std::vector<UINT> seen;
    MvSetMessageObserver([&](HWND h, UINT m, WPARAM, LPARAM) {
        if (h == w) seen.push_back(m);
    });
    SendMessageW(w, WM_USER + 1, 0, 0);
    PostMessageW(w, WM_USER + 2, 0, 0);
    MvPumpMessages();
    MvSetMessageObserver(nullptr);
    SendMessageW(w, WM_USER + 3, 0, 0);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_PAINT}));
}

}  // namespace

namespace {

TEST(CoreSignals, StopSignalClosesTheMainWindowOfAHeadlessRun) {
    setenv("MOVIMETRA_DISPLAY", "headless", 1);
    MvPlatformOptions options;  // as the program starts: everything from the environment
    MvPlatformInit(options);
    unsetenv("MOVIMETRA_DISPLAY");
    WNDCLASSW wc{};
    wc.lpfnWndProc = MvProbe::Proc;
    wc.lpszClassName = L"CoreProbe";
    RegisterClassW(&wc);
    MvProbe::Log().clear();
    MvProbe::Handlers()[WM_CLOSE] = [](HWND, WPARAM, LPARAM) -> LRESULT {
        PostQuitMessage(6);
        return 0;
    };
    HWND main = CreateWindowExW(0, L"CoreProbe", L"main", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    raise(SIGTERM);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
    EXPECT_EQ(msg.wParam, 6u);
    EXPECT_EQ(MvProbe::Messages(main, {WM_CLOSE}).size(), 1u);
    MvPlatformShutdown();
    MvProbe::Handlers().clear();
}

}  // namespace
