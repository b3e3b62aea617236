// Windows: rectangles, drawing areas under z-order and visibility, stylus routing and focus.
#include "platform/core/core_test_util.h"
#include "platform/core/mv_internal.h"

namespace {

long Area(const std::vector<RECT>& rects) {
    long area = 0;
    for (const RECT& r : rects) area += (r.right - r.left) * (r.bottom - r.top);
    return area;
}

bool Covers(const std::vector<RECT>& rects, int x, int y) {
    for (const RECT& r : rects)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
}

TEST_F(CoreTest, RectanglesOfTopLevelAndChildWindows) {
    HWND main = Make();
    RECT r;
    ASSERT_TRUE(GetWindowRect(main, &r));
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 52);
    EXPECT_EQ(r.right, 480);
    EXPECT_EQ(r.bottom, 800);
    MoveWindow(main, 0, 52, 480, 696, FALSE);  // as the program shrinks it above the soft-key bar
    HWND view = Make(main, {0, 0, 480, 696});
    HWND box = Make(view, {15, 90, 460, 340});
    ASSERT_TRUE(GetWindowRect(box, &r));
    EXPECT_EQ(r.left, 15);
    EXPECT_EQ(r.top, 142);
    EXPECT_EQ(r.right, 460);
    EXPECT_EQ(r.bottom, 392);
    ASSERT_TRUE(GetClientRect(box, &r));
    EXPECT_EQ(r.right, 445);
    EXPECT_EQ(r.bottom, 250);
    POINT p{20, 150};
    ScreenToClient(box, &p);
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.y, 8);
    ClientToScreen(box, &p);
    EXPECT_EQ(p.y, 150);
    EXPECT_EQ(GetParent(box), view);
    EXPECT_EQ(GetParent(main), nullptr);
}

TEST_F(CoreTest, DrawingAreaExcludesChildrenAndSiblingsAboveAndVanishesWhenHidden) {
    HWND main = Make();
    HWND a = Make(main, {10, 10, 110, 110});
    HWND b = Make(main, {60, 60, 160, 160});  // newer: above a
    HWND hidden = Make(main, {300, 300, 400, 400}, false);
    std::vector<RECT> rects;
    MvWindowVisibleRects(a, &rects);
    EXPECT_EQ(Area(rects), 100 * 100 - 50 * 50);
    EXPECT_TRUE(Covers(rects, 20, 72));
    EXPECT_FALSE(Covers(rects, 100, 122));  // under b
    MvWindowVisibleRects(b, &rects);
    EXPECT_EQ(Area(rects), 100 * 100);
    MvWindowVisibleRects(main, &rects);
    EXPECT_EQ(Area(rects), 480 * 748 - (100 * 100 + 100 * 100 - 50 * 50));
    EXPECT_TRUE(Covers(rects, 350, 402));  // the hidden child does not clip
    MvWindowVisibleRects(hidden, &rects);
    EXPECT_TRUE(rects.empty());

    // Bringing a to the top gives it its whole rectangle; hiding b too.
    BringWindowToTop(a);
    MvWindowVisibleRects(a, &rects);
    EXPECT_EQ(Area(rects), 100 * 100);
    MvWindowVisibleRects(b, &rects);
    EXPECT_EQ(Area(rects), 100 * 100 - 50 * 50);
    ShowWindow(main, SW_HIDE);
    MvWindowVisibleRects(a, &rects);
    EXPECT_TRUE(rects.empty());
    EXPECT_FALSE(IsWindowVisible(a));
}

TEST_F(CoreTest, ChildIsClippedToItsParentAndTopLevelWindowsAbove) {
    HWND main = Make();
    HWND wide = Make(main, {-20, 600, 500, 800});  // reaches past the parent's edges
    std::vector<RECT> rects;
    MvWindowVisibleRects(wide, &rects);
    EXPECT_EQ(Area(rects), 480 * 148);
    // A newer top-level window (a soft-key bar, say) covers the bottom rows.
    HWND bar = Make(nullptr, {0, 748, 480, 800});
    MvWindowVisibleRects(wide, &rects);
    EXPECT_EQ(Area(rects), 480 * 96);
    EXPECT_EQ(MvWindowFromPoint(10, 760), bar);
    EXPECT_EQ(MvWindowFromPoint(10, 700), wide);
    EXPECT_EQ(MvWindowFromPoint(10, 100), main);
}

TEST_F(CoreTest, StylusIsCapturedFromDownToUp) {
    HWND main = Make();
    HWND left = Make(main, {0, 0, 240, 200});
    HWND right = Make(main, {240, 0, 480, 200});
    MvStylusDown(100, 152);
    MvStylusMove(300, 152);
    MvStylusUp(300, 160);
    MvStylusDown(300, 160);
    MvPumpMessages();
    std::vector<MvRecordedMessage> stylus;
    for (const auto& m : MvProbe::Log())
        if (m.msg == WM_LBUTTONDOWN || m.msg == WM_MOUSEMOVE || m.msg == WM_LBUTTONUP) stylus.push_back(m);
    ASSERT_EQ(stylus.size(), 4u);
    EXPECT_EQ(stylus[0].hwnd, left);
    EXPECT_EQ(stylus[0].lParam, MAKELPARAM(100, 100));
    EXPECT_EQ(stylus[1].hwnd, left);
    EXPECT_EQ(stylus[1].lParam, MAKELPARAM(300, 100));  // client coordinates of the captor
    EXPECT_EQ(stylus[2].hwnd, left);
    EXPECT_EQ(stylus[2].msg, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_EQ(stylus[3].hwnd, right);
    EXPECT_EQ(stylus[3].lParam, MAKELPARAM(60, 108));
    EXPECT_EQ(GetCapture(), right);
}

TEST_F(CoreTest, FocusMovesWithKillAndSetFocusAndKeysFollowIt) {
    HWND main = Make();
    HWND edit = Make(main, {0, 0, 100, 40});
    EXPECT_EQ(SetFocus(edit), nullptr);
    EXPECT_EQ(SetFocus(main), edit);
    std::vector<std::pair<HWND, UINT>> focus;
    for (const auto& m : MvProbe::Log())
        if (m.msg == WM_SETFOCUS || m.msg == WM_KILLFOCUS) focus.emplace_back(m.hwnd, m.msg);
    EXPECT_EQ(focus, (std::vector<std::pair<HWND, UINT>>{
                         {edit, WM_SETFOCUS}, {edit, WM_KILLFOCUS}, {main, WM_SETFOCUS}}));
    SetFocus(edit);
    MvProbe::Log().clear();
    MvKey(VK_RETURN);
    MvPumpMessages();
    SetFocus(nullptr);
    MvKey(VK_ESCAPE);  // no focus: the main window
    MvPumpMessages();
    EXPECT_EQ(MvProbe::Messages(edit, {WM_KEYDOWN}).size(), 1u);
    EXPECT_EQ(MvProbe::Messages(main, {WM_KEYDOWN}).size(), 1u);
}

TEST_F(CoreTest, WindowLongsAndDialogItems) {
    HWND main = Make();
    HWND child = CreateWindowExW(0, L"CoreProbe", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, main,
                                 reinterpret_cast<HMENU>(3), nullptr, nullptr);
    EXPECT_EQ(GetDlgCtrlID(child), 3);
    EXPECT_EQ(GetDlgItem(main, 3), child);
    EXPECT_EQ(GetDlgItem(main, 4), nullptr);
    SetWindowLongW(main, GWL_EXSTYLE, static_cast<LONG>(WS_EX_CAPTIONOKBTN));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(main, GWL_EXSTYLE)), static_cast<DWORD>(WS_EX_CAPTIONOKBTN));
    int value = 0;
    SetWindowLongPtrW(main, GWL_USERDATA, reinterpret_cast<LONG_PTR>(&value));
    EXPECT_EQ(GetWindowLongPtrW(main, GWL_USERDATA), reinterpret_cast<LONG_PTR>(&value));
    EXPECT_TRUE(GetWindowLongW(child, GWL_STYLE) & WS_CHILD);
    EXPECT_EQ(MvWindowClassName(child), L"CoreProbe");
    EXPECT_EQ(FindWindowW(L"CoreProbe", L"probe"), main);
    // Registering a class twice fails; creating a window of an unknown class too.
    WNDCLASSW wc{};
    wc.lpfnWndProc = MvProbe::Proc;
    wc.lpszClassName = L"CoreProbe";
    EXPECT_EQ(RegisterClassW(&wc), 0);
    EXPECT_EQ(CreateWindowExW(0, L"Nope", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(CoreTest, CreateReceivesTheCreationDataAndCanRefuse) {
    const CREATESTRUCTW* seen = nullptr;
    int param = 5;
    MvProbe::Handlers()[WM_CREATE] = [&](HWND, WPARAM, LPARAM lp) -> LRESULT {
        seen = reinterpret_cast<const CREATESTRUCTW*>(lp);
        EXPECT_EQ(seen->lpCreateParams, &param);
        EXPECT_EQ(seen->x, 0);
        EXPECT_EQ(seen->y, 52);
        EXPECT_EQ(seen->cx, 480);
        EXPECT_STREQ(seen->lpszClass, L"CoreProbe");
        return 0;
    };
    HWND w = CreateWindowExW(WS_EX_CAPTIONOKBTN, L"CoreProbe", L"Movimetra", WS_VISIBLE, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, &param);
    EXPECT_NE(w, nullptr);
    EXPECT_NE(seen, nullptr);
    MvProbe::Handlers()[WM_CREATE] = [](HWND, WPARAM, LPARAM) -> LRESULT { return -1; };
    EXPECT_EQ(Make(), nullptr);
}

TEST_F(CoreTest, HidingAWindowExposesWhatLiesBelow) {
    HWND main = Make();
    HWND view = Make(main, {0, 0, 480, 696});
    HWND popup = Make(main, {0, 0, 480, 696});
    MvPumpMessages();
    MvProbe::Log().clear();
    ShowWindow(popup, SW_HIDE);
    MvPumpMessages();
    EXPECT_EQ(MvProbe::Messages(view, {WM_PAINT}).size(), 1u);
    EXPECT_EQ(MvProbe::Messages(popup, {WM_PAINT}).size(), 0u);
    // Showing it again repaints it, not the view below.
    MvProbe::Log().clear();
    ShowWindow(popup, SW_SHOW);
    MvPumpMessages();
    EXPECT_EQ(MvProbe::Messages(popup, {WM_PAINT}).size(), 1u);
    EXPECT_EQ(MvProbe::Messages(view, {WM_PAINT}).size(), 0u);
}

}  // namespace
