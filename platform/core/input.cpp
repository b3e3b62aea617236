// Stylus, key and text input. Events wait in the input queue in screen terms and become window
// messages when the message loop takes them, so the window under the point, the capture and the
// focus are those of that moment.
#include <cmath>

#include "platform/core/core_state.h"
#include "platform/core/mv_internal.h"
#include "platform/win_window.h"

namespace mv {

void EnqueueInputLocked(const InputEvent& ev) {
    CoreState().input.push_back(ev);
    WakeUiLocked();
}

int TakeInputLocked(Lock& lk, MSG* msg, HWND filter, UINT minMsg, UINT maxMsg, bool remove) {
    Core& g = CoreState();
    if (g.input.empty()) return 0;
    InputEvent ev = g.input.front();
    auto inRange = [&](UINT m) { return (minMsg == 0 && maxMsg == 0) || (m >= minMsg && m <= maxMsg); };
    if (ev.kind == InputKind::SoftKey) {
        if (!remove) return 0;
        g.input.pop_front();
        lk.unlock();
        MvShellPressSoftKey(ev.x);
        lk.lock();
        return 2;
    }
    if (ev.kind == InputKind::Close) {
        HWND main = MainWindowLocked();
        if (main == nullptr) {
            // Nothing to close: the loop ends.
            if (remove) {
                g.input.pop_front();
                g.quitPending = true;
                g.quitCode = 0;
            }
            return remove ? 2 : 0;
        }
        if (!inRange(WM_CLOSE) || !WindowMatchesFilterLocked(main, filter)) return 0;
        *msg = MSG{main, WM_CLOSE, 0, 0, static_cast<DWORD>(NowMs()), g.lastPos};
        if (remove) g.input.pop_front();
        return 1;
    }
    if (ev.kind == InputKind::Shown) {
        // The main window learns it as a minimize or a restore of its own.
        HWND main = MainWindowLocked();
        if (main == nullptr) {
            if (remove) g.input.pop_front();
            return remove ? 2 : 0;
        }
        if (!inRange(WM_SIZE) || !WindowMatchesFilterLocked(main, filter)) return 0;
        const RECT r = WindowLocked(main)->rect;
        const LPARAM size = ev.x != 0 ? MAKELPARAM(r.right - r.left, r.bottom - r.top) : 0;
        *msg = MSG{main,
                   WM_SIZE,
                   static_cast<WPARAM>(ev.x != 0 ? SIZE_RESTORED : SIZE_MINIMIZED),
                   size,
                   static_cast<DWORD>(NowMs()),
                   g.lastPos};
        if (remove) g.input.pop_front();
        return 1;
    }
    HWND target = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    if (ev.kind == InputKind::Down || ev.kind == InputKind::Move || ev.kind == InputKind::Up) {
        target = WindowLocked(g.capture) ? g.capture : WindowFromPointLocked(ev.x, ev.y);
        if (target == nullptr) {
            g.input.pop_front();
            if (ev.kind == InputKind::Up) g.capture = nullptr;
            return 2;
        }
        message = ev.kind == InputKind::Down   ? WM_LBUTTONDOWN
                  : ev.kind == InputKind::Move ? WM_MOUSEMOVE
                                               : WM_LBUTTONUP;
        RECT sr = ScreenRectLocked(WindowLocked(target));
        wParam = ev.kind == InputKind::Up ? 0 : 1;  // MK_LBUTTON while the stylus is down
        lParam = MAKELPARAM(ev.x - sr.left, ev.y - sr.top);
    } else {
        target = WindowLocked(g.focus) ? g.focus : nullptr;
        if (target == nullptr) {
            Window* fg = WindowLocked(g.foreground);
            target = (fg != nullptr && !fg->destroying) ? fg->handle : MainWindowLocked();
        }
        if (target == nullptr) {
            g.input.pop_front();
            return 2;
        }
        if (ev.kind == InputKind::Char) {
            message = WM_CHAR;
            wParam = static_cast<WPARAM>(ev.ch);
            lParam = 1;
        } else {
            message = ev.kind == InputKind::KeyDown ? WM_KEYDOWN : WM_KEYUP;
            wParam = ev.vk;
            lParam = 1;
            if (ev.kind == InputKind::KeyUp) lParam |= static_cast<LPARAM>(0xC0000000u);
            if (ev.noTranslate) lParam |= kKeyNoTranslate;
        }
    }
    if (!inRange(message) || !WindowMatchesFilterLocked(target, filter)) return 0;
    *msg = MSG{target, message, wParam, lParam, static_cast<DWORD>(NowMs()), g.lastPos};
    if (remove) {
        g.input.pop_front();
        switch (ev.kind) {
            case InputKind::Down:
                g.capture = target;
                g.lastPos = POINT{ev.x, ev.y};
                break;
            case InputKind::Move:
                g.lastPos = POINT{ev.x, ev.y};
                break;
            case InputKind::Up:
                g.capture = nullptr;
                g.lastPos = POINT{ev.x, ev.y};
                break;
            case InputKind::KeyDown:
            case InputKind::KeyUp:
                g.ctrlDown = ev.ctrl;
                g.shiftDown = ev.shift;
                break;
            default:
                break;
        }
        msg->pt = g.lastPos;
    }
    return 1;
}

}  // namespace mv

using namespace mv;

namespace {

void Enqueue(InputKind kind, int x, int y) {
    InputEvent ev;
    ev.kind = kind;
    ev.x = x;
    ev.y = y;
    Lock lk(CoreState().mutex);
    EnqueueInputLocked(ev);
}

}  // namespace

void MvStylusDown(int x, int y) {
    Enqueue(InputKind::Down, x, y);
}
void MvStylusMove(int x, int y) {
    Enqueue(InputKind::Move, x, y);
}
void MvStylusUp(int x, int y) {
    Enqueue(InputKind::Up, x, y);
}

void MvTap(int x, int y) {
    MvStylusDown(x, y);
    MvStylusUp(x, y);
}

void MvKey(UINT vk, bool ctrl, bool shift) {
    InputEvent ev;
    ev.vk = vk;
    ev.ctrl = ctrl;
    ev.shift = shift;
    Lock lk(CoreState().mutex);
    ev.kind = InputKind::KeyDown;
    EnqueueInputLocked(ev);
    ev.kind = InputKind::KeyUp;
    EnqueueInputLocked(ev);
}

void MvSoftKey(int which) {
    Enqueue(InputKind::SoftKey, which, 0);
}

void MvWindowShown(bool shown) {
    Enqueue(InputKind::Shown, shown ? 1 : 0, 0);
}

void MvTypeText(const std::wstring& text) {
    Lock lk(CoreState().mutex);
    for (wchar_t ch : text) {
        InputEvent ev;
        ev.kind = InputKind::Char;
        ev.ch = ch;
        EnqueueInputLocked(ev);
    }
}

uint32_t MvGetScreenPixel(int x, int y) {
    if (x < 0 || y < 0 || x >= MV_SCREEN_WIDTH || y >= MV_SCREEN_HEIGHT) return 0;
    const double scale = MvDeviceScale();
    if (scale != 1.0)
        return MvGetScreenDevicePixel(static_cast<int>(std::lround(x * scale)),
                                      static_cast<int>(std::lround(y * scale)));
    uint32_t* data = MvFramebufferData();
    return data ? (data[y * MV_SCREEN_WIDTH + x] & 0x00FFFFFFu) : 0;
}

bool MvSaveScreenshot(const std::string& pngPath) {
    return MvFramebufferWritePng(pngPath);
}
