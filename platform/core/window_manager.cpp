// Window classes and windows: creation and destruction, the window tree, window data and text.
// Handles are ids into a table, never pointers, so a stale handle is recognised and ignored.
#include <algorithm>

#include "platform/core/core_state.h"
#include "platform/core/mv_internal.h"
#include "platform/win_window.h"

namespace mv {

Core& CoreState() {
    // Never destroyed: threads may still look at it while the process ends.
    static Core* core = new Core;
    return *core;
}

Window* WindowLocked(HWND hWnd) {
    if (hWnd == nullptr) return nullptr;
    auto it = CoreState().windows.find(reinterpret_cast<uintptr_t>(hWnd));
    if (it == CoreState().windows.end()) return nullptr;
    return it->second.get();
}

HWND TopLevelLocked(HWND hWnd) {
    Window* w = WindowLocked(hWnd);
    while (w != nullptr && w->parent != nullptr) {
        Window* p = WindowLocked(w->parent);
        if (p == nullptr) break;
        w = p;
    }
    return w ? w->handle : nullptr;
}

HWND MainWindowLocked() {
    Window* best = nullptr;
    for (HWND h : CoreState().topLevels) {
        Window* w = WindowLocked(h);
        if (w == nullptr || w->destroying || w->cls->platform) continue;
        if (best == nullptr || w->serial < best->serial) best = w;
    }
    return best ? best->handle : nullptr;
}

bool WindowMatchesFilterLocked(HWND hWnd, HWND filter) {
    if (filter == nullptr) return true;
    for (Window* w = WindowLocked(hWnd); w != nullptr; w = WindowLocked(w->parent))
        if (w->handle == filter) return true;
    return false;
}

namespace {

std::vector<HWND>& SiblingsLocked(Window* w) {
    if (w->parent != nullptr) {
        Window* p = WindowLocked(w->parent);
        if (p != nullptr) return p->children;
    }
    return CoreState().topLevels;
}

// Inserts a top-level window at the top of its group: topmost windows stay above the others.
void InsertTopLevelLocked(HWND hWnd, bool topmost) {
    auto& list = CoreState().topLevels;
    if (topmost) {
        list.push_back(hWnd);
        return;
    }
    auto pos = list.end();
    while (pos != list.begin()) {
        Window* below = WindowLocked(*(pos - 1));
        if (below == nullptr || !(below->exStyle & WS_EX_TOPMOST)) break;
        --pos;
    }
    list.insert(pos, hWnd);
}

void CollectSubtreeLocked(HWND hWnd, std::vector<HWND>* out) {
    Window* w = WindowLocked(hWnd);
    if (w == nullptr) return;
    out->push_back(hWnd);
    for (HWND c : w->children) CollectSubtreeLocked(c, out);
}

// Removes a window (and its subtree) from the table; the caller has sent WM_DESTROY already.
void UnlinkLocked(HWND hWnd) {
    Core& g = CoreState();
    std::vector<HWND> subtree;
    CollectSubtreeLocked(hWnd, &subtree);
    Window* w = WindowLocked(hWnd);
    if (w == nullptr) return;
    auto& siblings = SiblingsLocked(w);
    siblings.erase(std::remove(siblings.begin(), siblings.end(), hWnd), siblings.end());
    for (HWND h : subtree) {
        if (g.focus == h) g.focus = nullptr;
        if (g.capture == h) g.capture = nullptr;
        if (g.foreground == h) g.foreground = nullptr;
        KillWindowTimersLocked(h);
    }
    for (auto it = subtree.rbegin(); it != subtree.rend(); ++it)
        g.windows.erase(reinterpret_cast<uintptr_t>(*it));
    // Owned top-level windows lose their owner.
    for (auto& entry : g.windows)
        if (entry.second->owner == hWnd) entry.second->owner = nullptr;
}

}  // namespace

void DropAllWindowsLocked() {
    Core& g = CoreState();
    g.windows.clear();
    g.topLevels.clear();
    g.classes.clear();
    g.timers.clear();
    g.focus = g.capture = g.foreground = nullptr;
}

}  // namespace mv

using namespace mv;

WORD RegisterClassW(const WNDCLASSW* wc) {
    if (wc == nullptr || wc->lpszClassName == nullptr || wc->lpfnWndProc == nullptr) return 0;
    EnsureUiThread();
    Core& g = CoreState();
    Lock lk(g.mutex);
    std::wstring name = wc->lpszClassName;
    if (g.classes.count(name)) return 0;
    auto cls = std::make_shared<WindowClass>();
    cls->name = name;
    cls->proc = wc->lpfnWndProc;
    cls->style = wc->style;
    cls->instance = wc->hInstance;
    cls->icon = wc->hIcon;
    cls->background = wc->hbrBackground;
    cls->atom = g.nextAtom++;
    cls->platform = g.registeringPlatformClasses;
    g.classes[name] = cls;
    return cls->atom;
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    if (className == nullptr) return FALSE;
    Core& g = CoreState();
    Lock lk(g.mutex);
    auto it = g.classes.find(className);
    if (it == g.classes.end()) return FALSE;
    for (auto& entry : g.windows)
        if (entry.second->cls == it->second) return FALSE;
    g.classes.erase(it);
    return TRUE;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menuOrId, HINSTANCE hInstance, LPVOID param) {
    if (className == nullptr) return nullptr;
    EnsureUiThread();
    Core& g = CoreState();
    HWND hWnd;
    bool programTopLevel;
    {
        Lock lk(g.mutex);
        if (!IsUiThreadLocked()) return nullptr;
        auto it = g.classes.find(className);
        if (it == g.classes.end()) return nullptr;
        Window* parentWindow = WindowLocked(parent);
        if (parent != nullptr && parentWindow == nullptr) return nullptr;
        bool child = (style & WS_CHILD) != 0;
        if (child && parentWindow == nullptr) return nullptr;
        auto w = std::make_unique<Window>();
        hWnd = reinterpret_cast<HWND>(g.nextWindowHandle);
        g.nextWindowHandle += 4;
        w->handle = hWnd;
        w->cls = it->second;
        w->proc = it->second->proc;
        w->text = windowName ? windowName : L"";
        w->style = style;
        w->exStyle = exStyle;
        w->serial = g.nextSerial++;
        if (child) {
            w->parent = parent;
            w->id = static_cast<LONG>(reinterpret_cast<intptr_t>(menuOrId));
            if (x == CW_USEDEFAULT) x = y = 0;
            if (width == CW_USEDEFAULT) width = height = 0;
        } else {
            w->owner = parent;
            if (x == CW_USEDEFAULT) {
                x = 0;
                y = MV_TASKBAR_HEIGHT;
            }
            if (width == CW_USEDEFAULT) {
                width = MV_SCREEN_WIDTH - x;
                height = MV_SCREEN_HEIGHT - y;
            }
        }
        w->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
        programTopLevel = !child && !it->second->platform;
        g.windows[reinterpret_cast<uintptr_t>(hWnd)] = std::move(w);
        if (child)
            parentWindow->children.push_back(hWnd);
        else
            InsertTopLevelLocked(hWnd, (exStyle & WS_EX_TOPMOST) != 0);
    }

    CREATESTRUCTW cs{};
    cs.lpCreateParams = param;
    cs.hInstance = hInstance;
    cs.hMenu = menuOrId;
    cs.hwndParent = parent;
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    if (CallWindowProcedure(hWnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hWnd);
        return nullptr;
    }
    if (!IsWindow(hWnd)) return nullptr;
    CallWindowProcedure(hWnd, WM_SIZE, 0, MAKELPARAM(std::max(width, 0), std::max(height, 0)));
    CallWindowProcedure(hWnd, WM_MOVE, 0, MAKELPARAM(x, y));
    {
        Lock lk(g.mutex);
        Window* w = WindowLocked(hWnd);
        if (w == nullptr) return nullptr;
        if (VisibleLocked(w)) {
            InvalidateLocked(w, nullptr, true);
            WakeUiLocked();
        }
    }
    // The program's first top-level window makes this process findable by later instances.
    if (programTopLevel) InstanceServerStart();
    return hWnd;
}

BOOL DestroyWindow(HWND hWnd) {
    Core& g = CoreState();
    std::vector<HWND> subtree;
    {
        Lock lk(g.mutex);
        Window* w = WindowLocked(hWnd);
        if (w == nullptr || w->destroying || !IsUiThreadLocked()) return FALSE;
        CollectSubtreeLocked(hWnd, &subtree);
        for (HWND h : subtree) WindowLocked(h)->destroying = true;
        if (VisibleLocked(w)) ExposeLocked(ScreenRectLocked(w), hWnd);
    }
    // WM_DESTROY goes to the window first, then to its children.
    for (HWND h : subtree) CallWindowProcedure(h, WM_DESTROY, 0, 0);
    Lock lk(g.mutex);
    UnlinkLocked(hWnd);
    return TRUE;
}

BOOL IsWindow(HWND hWnd) {
    Lock lk(CoreState().mutex);
    return WindowLocked(hWnd) != nullptr;
}

HWND GetParent(HWND hWnd) {
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(hWnd);
    if (w == nullptr) return nullptr;
    return w->parent ? w->parent : w->owner;
}

BOOL IsChild(HWND parent, HWND hWnd) {
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(hWnd);
    if (w == nullptr || parent == nullptr || parent == hWnd) return FALSE;
    return WindowMatchesFilterLocked(hWnd, parent) ? TRUE : FALSE;
}

LONG_PTR GetWindowLongPtrW(HWND hWnd, int index) {
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(hWnd);
    if (w == nullptr) return 0;
    switch (index) {
        case GWL_STYLE:
            return static_cast<LONG>(w->style);
        case GWL_EXSTYLE:
            return static_cast<LONG>(w->exStyle);
        case GWL_ID:
            return w->id;
        case GWL_USERDATA:
            return w->userData;
        case GWL_WNDPROC:
            return reinterpret_cast<LONG_PTR>(w->proc);
        default:
            return 0;
    }
}

LONG_PTR SetWindowLongPtrW(HWND hWnd, int index, LONG_PTR value) {
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(hWnd);
    if (w == nullptr) return 0;
    LONG_PTR old = 0;
    switch (index) {
        case GWL_STYLE:
            old = static_cast<LONG>(w->style);
            w->style = static_cast<DWORD>(value);
            break;
        case GWL_EXSTYLE:
            old = static_cast<LONG>(w->exStyle);
            w->exStyle = static_cast<DWORD>(value);
            break;
        case GWL_ID:
            old = w->id;
            w->id = static_cast<LONG>(value);
            break;
        case GWL_USERDATA:
            old = w->userData;
            w->userData = value;
            break;
        case GWL_WNDPROC:
            old = reinterpret_cast<LONG_PTR>(w->proc);
            if (value != 0) w->proc = reinterpret_cast<WNDPROC>(value);
            break;
        default:
            break;
    }
    return old;
}

LONG GetWindowLongW(HWND hWnd, int index) {
    return static_cast<LONG>(GetWindowLongPtrW(hWnd, index));
}

LONG SetWindowLongW(HWND hWnd, int index, LONG value) {
    if (index == GWL_WNDPROC) return 0;  // a procedure does not fit in 32 bits here
    if (index == GWL_STYLE || index == GWL_EXSTYLE)
        return static_cast<LONG>(
            SetWindowLongPtrW(hWnd, index, static_cast<LONG_PTR>(static_cast<DWORD>(value))));
    return static_cast<LONG>(SetWindowLongPtrW(hWnd, index, value));
}

int GetDlgCtrlID(HWND hWnd) {
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(hWnd);
    return (w != nullptr && w->parent != nullptr) ? w->id : 0;
}

HWND GetDlgItem(HWND parent, int id) {
    Lock lk(CoreState().mutex);
    Window* p = WindowLocked(parent);
    if (p == nullptr) return nullptr;
    for (HWND c : p->children) {
        Window* w = WindowLocked(c);
        if (w != nullptr && w->id == id) return c;
    }
    return nullptr;
}

BOOL EnableWindow(HWND hWnd, BOOL enable) {
    bool wasDisabled;
    {
        Lock lk(CoreState().mutex);
        Window* w = WindowLocked(hWnd);
        if (w == nullptr) return FALSE;
        wasDisabled = (w->style & WS_DISABLED) != 0;
        if (wasDisabled == !enable) return wasDisabled;
        if (enable)
            w->style &= ~static_cast<DWORD>(WS_DISABLED);
        else
            w->style |= WS_DISABLED;
    }
    CallWindowProcedure(hWnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled;
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR text) {
    if (!IsWindow(hWnd)) return FALSE;
    return SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : L"")) ? TRUE : FALSE;
}

int GetWindowTextW(HWND hWnd, LPWSTR buffer, int maxCount) {
    if (buffer == nullptr || maxCount <= 0) return 0;
    buffer[0] = 0;
    if (!IsWindow(hWnd)) return 0;
    return static_cast<int>(
        SendMessageW(hWnd, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND hWnd) {
    if (!IsWindow(hWnd)) return 0;
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

HWND SetFocus(HWND hWnd) {
    Core& g = CoreState();
    HWND old;
    {
        Lock lk(g.mutex);
        if (hWnd != nullptr && WindowLocked(hWnd) == nullptr) return nullptr;
        old = g.focus;
        if (old == hWnd) return old;
        g.focus = hWnd;
    }
    if (old != nullptr && IsWindow(old))
        CallWindowProcedure(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    if (hWnd != nullptr && IsWindow(hWnd))
        CallWindowProcedure(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND GetFocus() {
    Lock lk(CoreState().mutex);
    return WindowLocked(CoreState().focus) ? CoreState().focus : nullptr;
}

HWND SetCapture(HWND hWnd) {
    Lock lk(CoreState().mutex);
    HWND old = CoreState().capture;
    if (WindowLocked(hWnd) != nullptr) CoreState().capture = hWnd;
    return old;
}

BOOL ReleaseCapture() {
    Lock lk(CoreState().mutex);
    CoreState().capture = nullptr;
    return TRUE;
}

HWND GetCapture() {
    Lock lk(CoreState().mutex);
    return WindowLocked(CoreState().capture) ? CoreState().capture : nullptr;
}

HWND GetForegroundWindow() {
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(CoreState().foreground);
    if (w != nullptr && !w->destroying) return w->handle;
    return MainWindowLocked();
}

short GetKeyState(int vk) {
    Lock lk(CoreState().mutex);
    if (vk == VK_CONTROL && CoreState().ctrlDown) return static_cast<short>(0x8000);
    if (vk == VK_SHIFT && CoreState().shiftDown) return static_cast<short>(0x8000);
    return 0;
}

bool MvIsUiThread() {
    Lock lk(CoreState().mutex);
    return IsUiThreadLocked();
}

std::wstring MvWindowClassName(HWND hWnd) {
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(hWnd);
    return w ? w->cls->name : std::wstring();
}
