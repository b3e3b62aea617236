// Task bar: found by class, the "ok" button that follows WS_EX_CAPTIONOKBTN, the clock and the
// notification icons.
#include <cairo.h>

#include <string>

#include "platform/shell/shell_test_util.h"

namespace shell_test {
namespace {

class TaskBarTest : public ShellTest {
protected:
    void SetOkStyle(bool on) {
        DWORD ex = static_cast<DWORD>(GetWindowLongW(main_, GWL_EXSTYLE));
        ex = on ? (ex | static_cast<DWORD>(WS_EX_CAPTIONOKBTN))
                : (ex & ~static_cast<DWORD>(WS_EX_CAPTIONOKBTN));
        SetWindowLongW(main_, GWL_EXSTYLE, static_cast<LONG>(ex));
        // As the program does: hide and show the task bar so that it redraws.
        HWND bar = FindWindowW(L"HHTaskBar", nullptr);
        ShowWindow(bar, SW_HIDE);
        ShowWindow(bar, SW_SHOW);
        Pump();
    }

    static std::vector<uint32_t> Pixels(const RECT& rect) {
        std::vector<uint32_t> out;
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x) out.push_back(MvGetScreenPixel(x, y));
        return out;
    }
};

TEST_F(TaskBarTest, FoundByClassAlongTheTop) {
    HWND bar = FindWindowW(L"HHTaskBar", nullptr);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(ScreenBounds(bar), (std::vector<LONG>{0, 0, 480, 52}));
    EXPECT_TRUE(IsWindowVisible(bar));
    // The title of the main window is written in white on the dark bar (within a second of the
    // window's creation at most).
    MvAdvanceClock(1000);
    Pump();
    EXPECT_GT(BrightPixels(RECT{10, 8, 200, 44}), 30);
    EXPECT_LT(BrightPixels(RECT{250, 2, 300, 50}), 5);
}

TEST_F(TaskBarTest, OkButtonFollowsTheStyleAndItsTapSendsIdok) {
    const RECT okArea = {410, 8, 472, 44};
    const std::vector<uint32_t> without = Pixels(okArea);
    EXPECT_EQ(MvTaskBarOkRect().right, 0);
    Tap(440, 26);
    EXPECT_TRUE(Commands(main_).empty());

    SetOkStyle(true);
    const RECT ok = MvTaskBarOkRect();
    EXPECT_GT(ok.right, ok.left);
    EXPECT_NE(Pixels(okArea), without);
    Tap((ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2);
    EXPECT_EQ(Commands(main_), (std::vector<WPARAM>{MAKEWPARAM(IDOK, 0)}));

    // Lifting the stylus away from the button cancels the tap.
    MvStylusDown(ok.left + 5, ok.top + 5);
    MvStylusUp(100, 26);
    Pump();
    EXPECT_EQ(Commands(main_).size(), 1u);

    SetOkStyle(false);
    EXPECT_EQ(Pixels(okArea), without);
    Tap(440, 26);
    EXPECT_EQ(Commands(main_).size(), 1u);
}

TEST_F(TaskBarTest, ClockIsRedrawnWhenTheMinuteChanges) {
    const RECT clock = {300, 4, 474, 48};
    // Move to the first second of a minute, then half a minute later nothing changes.
    const int64_t second = MvLocalSeconds() % 60;
    MvAdvanceClock(static_cast<DWORD>((60 - second) * 1000));
    Pump();
    const std::vector<uint32_t> before = Pixels(clock);
    MvAdvanceClock(30000);
    Pump();
    EXPECT_EQ(Pixels(clock), before);
    MvAdvanceClock(31000);
    Pump();
    EXPECT_NE(Pixels(clock), before);
}

cairo_status_t AppendPng(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// A 32 x 32 icon of one colour, PNG-encoded.
HICON SolidIcon(double r, double g, double b) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 32, 32);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, r, g, b);
    cairo_paint(cr);
    cairo_destroy(cr);
    std::string png;
    cairo_surface_write_to_png_stream(surface, AppendPng, &png);
    cairo_surface_destroy(surface);
    return MvCreateIconFromPng(reinterpret_cast<const unsigned char*>(png.data()), png.size());
}

bool IsRed(uint32_t pixel) {
    return ((pixel >> 16) & 0xFF) > 0xE0 && ((pixel >> 8) & 0xFF) < 0x20 && (pixel & 0xFF) < 0x20;
}

int RedPixels(const RECT& rect) {
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) count += IsRed(MvGetScreenPixel(x, y)) ? 1 : 0;
    return count;
}

TEST_F(TaskBarTest, NotificationIconIsShownUntilRemoved) {
    const RECT bar = {0, 0, 480, 52};
    HICON icon = SolidIcon(1, 0, 0);
    ASSERT_NE(icon, nullptr);
    const CLSID clsid = {0x99DE7411, 0x772F, 0x43D0, {0x81, 0xF0, 0x66, 0x83, 0x36, 0xCA, 0x65, 0x1B}};
    SHNOTIFICATIONDATA data = {};
    data.cbStruct = 88;
    data.dwID = 4937;
    data.npPriority = SHNP_ICONIC;
    data.csDuration = static_cast<DWORD>(-2);
    data.hicon = icon;
    data.grfFlags = SHNF_SILENT;
    data.clsid = clsid;
    data.hwndSink = main_;
    EXPECT_EQ(SHNotificationAdd(&data), 0);
    EXPECT_EQ(SHNotificationAdd(&data), 0);  // the same id again replaces, not adds
    EXPECT_EQ(MvNotificationCount(), 1);
    Pump();
    EXPECT_GT(RedPixels(bar), 500);

    CLSID other = clsid;
    other.Data1 ^= 1;
    EXPECT_NE(SHNotificationRemove(&other, 4937), 0);
    EXPECT_NE(SHNotificationRemove(&clsid, 4938), 0);
    EXPECT_EQ(SHNotificationRemove(&clsid, 4937), 0);
    Pump();
    EXPECT_EQ(RedPixels(bar), 0);
    EXPECT_EQ(MvNotificationCount(), 0);
    DestroyIcon(icon);
}

}  // namespace
}  // namespace shell_test
