// Helpers for the drawing and window tests: a headless start, memory canvases and pixel scans.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <initializer_list>
#include <string>

#include "platform/mv_platform.h"
#include "platform/windows.h"

// Starts the platform headless on the manual clock and registers the test's window classes, all
// with the same procedure and background brush. Returns true, for a once-only static.
inline bool MvStartHeadlessWithClasses(WNDPROC proc, std::initializer_list<const wchar_t*> classNames,
                                       HBRUSH background = nullptr) {
    MvPlatformOptions options;
    options.displayFromEnvironment = false;
    options.display = MvDisplayKind::Headless;
    options.manualClock = true;
    MvPlatformInit(options);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.hbrBackground = background;
    for (const wchar_t* name : classNames) {
        wc.lpszClassName = name;
        RegisterClassW(&wc);
    }
    return true;
}

// A memory DC with its own bitmap, released at the end of a test.
class MvCanvas {
public:
    MvCanvas(int width, int height) : m_iWidth(width), m_iHeight(height) {
        m_hdc = CreateCompatibleDC(nullptr);
        m_hBitmap = CreateCompatibleBitmap(m_hdc, width, height);
        m_hOld = SelectObject(m_hdc, m_hBitmap);
    }
    ~MvCanvas() {
        SelectObject(m_hdc, m_hOld);
        DeleteObject(m_hBitmap);
        DeleteDC(m_hdc);
    }
    MvCanvas(const MvCanvas&) = delete;
    MvCanvas& operator=(const MvCanvas&) = delete;

    HDC dc() const { return m_hdc; }
    HBITMAP bitmap() const { return m_hBitmap; }
    int width() const { return m_iWidth; }
    int height() const { return m_iHeight; }
    COLORREF at(int x, int y) const { return GetPixel(m_hdc, x, y); }
    void Fill(COLORREF color) {
        HBRUSH b = CreateSolidBrush(color);
        RECT r{0, 0, m_iWidth, m_iHeight};
        FillRect(m_hdc, &r, b);
        DeleteObject(b);
    }
    // Bounding box of the pixels that differ from the background colour; empty when none.
    RECT InkBox(COLORREF background) const {
        RECT box{m_iWidth, m_iHeight, 0, 0};
        for (int y = 0; y < m_iHeight; ++y)
            for (int x = 0; x < m_iWidth; ++x)
                if (at(x, y) != background) {
                    if (x < box.left) box.left = x;
                    if (y < box.top) box.top = y;
                    if (x + 1 > box.right) box.right = x + 1;
                    if (y + 1 > box.bottom) box.bottom = y + 1;
                }
        if (box.right <= box.left) box = RECT{0, 0, 0, 0};
        return box;
    }

private:
    int m_iWidth;
    int m_iHeight;
    HDC m_hdc;
    HBITMAP m_hBitmap;
    HGDIOBJ m_hOld;
};
