// Test helpers for the platform core: a headless platform on the manual clock and a window class
// that records what its windows receive.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <thread>
#include <vector>

#include "platform/mv_platform.h"
#include "platform/windows.h"

struct MvRecordedMessage {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    DWORD tick;
    std::thread::id thread;
};

// The windows of class L"CoreProbe" append every message they get here (and may react through
// `handlers`), then fall back to DefWindowProcW.
struct MvProbe {
    static std::vector<MvRecordedMessage>& Log() {
        static std::vector<MvRecordedMessage> log;
        return log;
    }
    static std::map<UINT, std::function<LRESULT(HWND, WPARAM, LPARAM)>>& Handlers() {
        static std::map<UINT, std::function<LRESULT(HWND, WPARAM, LPARAM)>> handlers;
        return handlers;
    }
    static LRESULT Proc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        Log().push_back({hWnd, msg, wParam, lParam, GetTickCount(), std::this_thread::get_id()});
        auto it = Handlers().find(msg);
        if (it != Handlers().end()) return it->second(hWnd, wParam, lParam);
        return DefWindowProcW(hWnd, msg, wParam, lParam);
    }
    // The messages of one window (or all probe windows), in order, keeping only `which` if given.
    static std::vector<UINT> Messages(HWND hWnd, const std::vector<UINT>& which = {}) {
        std::vector<UINT> out;
        for (const auto& m : Log()) {
            if (hWnd != nullptr && m.hwnd != hWnd) continue;
            if (!which.empty() && std::find(which.begin(), which.end(), m.msg) == which.end()) continue;
            out.push_back(m.msg);
        }
        return out;
    }
};

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        MvProbe::Log().clear();
        MvProbe::Handlers().clear();
        MvPlatformOptions options;
        options.displayFromEnvironment = false;
        options.display = MvDisplayKind::Headless;
        options.manualClock = true;
        options.manualStartLocalSeconds = 1710061200;  // 2024-03-10 09:00:00 local
        MvPlatformInit(options);
        WNDCLASSW wc{};
        wc.lpfnWndProc = MvProbe::Proc;
        wc.lpszClassName = L"CoreProbe";
        ASSERT_NE(RegisterClassW(&wc), 0);
    }
    void TearDown() override {
        MvPlatformShutdown();
        MvProbe::Handlers().clear();
    }
    // A top-level window (default rectangle unless given) or a child of `parent`.
    static HWND Make(HWND parent = nullptr, RECT r = {CW_USEDEFAULT, 0, CW_USEDEFAULT, 0},
                     bool visible = true, const wchar_t* title = L"probe") {
        DWORD style = (visible ? WS_VISIBLE : 0) | (parent ? WS_CHILD : 0);
        int w = r.right == CW_USEDEFAULT ? CW_USEDEFAULT : r.right - r.left;
        int h = r.right == CW_USEDEFAULT ? 0 : r.bottom - r.top;
        return CreateWindowExW(0, L"CoreProbe", title, style, r.left, r.top, w, h, parent, nullptr, nullptr,
                               nullptr);
    }
};
