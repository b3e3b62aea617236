// Test fixture for the shell chrome: a headless platform on the manual clock, a small resource
// module with soft-key bars, and a recording main window that stands in for the program's.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/mv_internal.h"
#include "platform/gdi/gdi_test_util.h"
#include "platform/mv_platform.h"
#include "platform/shell/shell_internal.h"
#include "platform/windows.h"

namespace shell_test {

struct Seen {
    HWND hWnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Messages seen by the recording windows, and the brush they answer WM_CTLCOLOREDIT with.
inline std::vector<Seen>& Log() {
    static std::vector<Seen> log;
    return log;
}
inline HBRUSH& EditBrush() {
    static HBRUSH brush = nullptr;
    return brush;
}

inline LRESULT CALLBACK RecordingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Log().push_back({hWnd, message, wParam, lParam});
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hWnd, &ps);
        RECT client;
        GetClientRect(hWnd, &client);
        HBRUSH brush = CreateSolidBrush(RGB(0x20, 0x60, 0x20));
        FillRect(hdc, &client, brush);
        DeleteObject(brush);
        EndPaint(hWnd, &ps);
        return 0;
    }
    if (message == WM_CTLCOLOREDIT) {
        SetTextColor((HDC)wParam, RGB(0xFF, 0xFF, 0xFF));
        return (LRESULT)EditBrush();
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

// Menu bars: 500 two buttons, 501 a second bar, 502 malformed (too few words), 503 with a
// disabled right button.
const WORD kBar500[] = {500,    2,      0xFFFE, 40000, 4,    0x10, 600, 0,
                        0xFFFF, 0xFFFE, 40001,  4,     0x10, 601,  0,   0xFFFF};
const WORD kBar501[] = {501,    2,      0xFFFE, 40003, 4,    0x10, 602, 0,
                        0xFFFF, 0xFFFE, 40004,  4,     0x10, 603,  0,   0xFFFF};
const WORD kBar502[] = {502, 2, 0xFFFE, 40005, 4, 0x10, 600, 0, 0xFFFF};
const WORD kBar503[] = {503,    2,      0xFFFE, 40007, 4,    0x10, 600, 0,
                        0xFFFF, 0xFFFE, 40008,  0,     0x10, 601,  0,   0xFFFF};
const MV_RES_MENUBAR kBars[] = {
    {500, kBar500, 16}, {501, kBar501, 16}, {502, kBar502, 9}, {503, kBar503, 16}};
const MV_RES_STRING kStrings[] = {{600, L"Profile"}, {601, L"Exit"}, {602, L"확인"}, {603, L"취소"}};
const MV_RESOURCE_MODULE kModule = {kStrings, 4, kBars, 4, nullptr, 0, nullptr, 0, nullptr, 0};

const wchar_t kMainClass[] = L"ShellTestMain";
const wchar_t kChildClass[] = L"ShellTestChild";

class ShellTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool started = MvStartHeadlessWithClasses(RecordingProc, {kMainClass, kChildClass},
                                                         (HBRUSH)GetStockObject(NULL_BRUSH));
        (void)started;
        MvRegisterResources(&kModule);
    }

    void SetUp() override {
        Log().clear();
        EditBrush() = nullptr;
        main_ = CreateWindowExW(0, kMainClass, L"Movimetra", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(main_, nullptr);
        SetForegroundWindow(main_);
        Pump();
        Log().clear();
    }

    void TearDown() override {
        SipShowIM(SIPF_OFF);
        for (HWND hWnd : owned_) DestroyWindow(hWnd);
        DestroyWindow(main_);
        Pump();
        if (EditBrush() != nullptr) DeleteObject(EditBrush());
        EditBrush() = nullptr;
    }

    static void Pump() { MvPumpMessages(); }

    HWND Own(HWND hWnd) {
        owned_.push_back(hWnd);
        return hWnd;
    }

    // WM_COMMAND wParams the given window received.
    static std::vector<WPARAM> Commands(HWND hWnd) {
        std::vector<WPARAM> out;
        for (const Seen& seen : Log()) {
            if (seen.hWnd == hWnd && seen.message == WM_COMMAND) out.push_back(seen.wParam);
        }
        return out;
    }

    static int Count(HWND hWnd, UINT message) {
        int count = 0;
        for (const Seen& seen : Log()) count += (seen.hWnd == hWnd && seen.message == message) ? 1 : 0;
        return count;
    }

    // A window's screen rectangle as {left, top, right, bottom}; all zero when there is none.
    static std::vector<LONG> ScreenBounds(HWND hWnd) {
        RECT rect = {};
        if (!GetWindowRect(hWnd, &rect)) return {0, 0, 0, 0};
        return {rect.left, rect.top, rect.right, rect.bottom};
    }

    static void Tap(int x, int y) {
        MvStylusDown(x, y);
        MvStylusUp(x, y);
        Pump();
    }

    static bool IsBluish(uint32_t pixel) {
        const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
        return b > r + 40 && b > g + 20;
    }

    // Pixels of a screen rectangle brighter than the threshold in all channels.
    static int BrightPixels(const RECT& rect, uint32_t threshold = 0xC0) {
        int count = 0;
        for (int y = rect.top; y < rect.bottom; ++y) {
            for (int x = rect.left; x < rect.right; ++x) {
                const uint32_t p = MvGetScreenPixel(x, y);
                if (((p >> 16) & 0xFF) > threshold && ((p >> 8) & 0xFF) > threshold && (p & 0xFF) > threshold)
                    ++count;
            }
        }
        return count;
    }

    HWND main_ = nullptr;
    std::vector<HWND> owned_;
};

}  // namespace shell_test
