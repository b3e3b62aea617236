// Window geometry: rectangles, visibility, z-order, the screen area each window may draw on,
// the window under a point, and invalidation when windows appear, move or go away.
#include <algorithm>

#include "platform/core/core_state.h"
#include "platform/core/mv_internal.h"
#include "platform/core/rects.h"
#include "platform/win_window.h"

namespace mv {

namespace {

// Removes `cut` from every rectangle of the list, splitting them into at most four pieces.
void Subtract(std::vector<RECT>* rects, const RECT& cut) {
    if (IsEmpty(cut)) return;
    std::vector<RECT> out;
    for (const RECT& r : *rects) {
        RECT i;
        if (!Intersect(r, cut, &i)) {
            out.push_back(r);
            continue;
        }
        if (r.top < i.top) out.push_back(RECT{r.left, r.top, r.right, i.top});
        if (i.bottom < r.bottom) out.push_back(RECT{r.left, i.bottom, r.right, r.bottom});
        if (r.left < i.left) out.push_back(RECT{r.left, i.top, i.left, i.bottom});
        if (i.right < r.right) out.push_back(RECT{i.right, i.top, r.right, i.bottom});
    }
    rects->swap(out);
}

std::vector<HWND>* SiblingListLocked(Window* w) {
    if (w->parent != nullptr) {
        Window* p = WindowLocked(w->parent);
        return p ? &p->children : nullptr;
    }
    return &CoreState().topLevels;
}

void InvalidateSubtreeAreaLocked(Window* w, const RECT& screenRect) {
    if (!(w->style & WS_VISIBLE) || w->destroying) return;
    RECT sr = ScreenRectLocked(w);
    RECT i;
    if (!Intersect(sr, screenRect, &i)) return;
    RECT client{i.left - sr.left, i.top - sr.top, i.right - sr.left, i.bottom - sr.top};
    InvalidateLocked(w, &client, false);
    for (HWND c : w->children)
        if (Window* cw = WindowLocked(c)) InvalidateSubtreeAreaLocked(cw, screenRect);
}

void PaintSearchLocked(HWND h, HWND filter, const std::vector<HWND>& skip, HWND* found) {
    Window* w = WindowLocked(h);
    if (w == nullptr || w->destroying || !(w->style & WS_VISIBLE) || *found) return;
    if (w->invalid && WindowMatchesFilterLocked(h, filter) &&
        std::find(skip.begin(), skip.end(), h) == skip.end()) {
        *found = h;
        return;
    }
    for (HWND c : w->children) PaintSearchLocked(c, filter, skip, found);
}

HWND FromPointLocked(Window* w, int x, int y) {
    if (w == nullptr || w->destroying || !(w->style & WS_VISIBLE) || (w->style & WS_DISABLED)) return nullptr;
    RECT sr = ScreenRectLocked(w);
    if (x < sr.left || x >= sr.right || y < sr.top || y >= sr.bottom) return nullptr;
    for (auto it = w->children.rbegin(); it != w->children.rend(); ++it)
        if (HWND hit = FromPointLocked(WindowLocked(*it), x, y)) return hit;
    return w->handle;
}

// Moves a window within its siblings: to the top (of its group for top-level windows), to the
// bottom, or just below `after`.
void ReorderLocked(Window* w, HWND insertAfter) {
    std::vector<HWND>* list = SiblingListLocked(w);
    if (list == nullptr) return;
    list->erase(std::remove(list->begin(), list->end(), w->handle), list->end());
    bool topLevel = w->parent == nullptr;
    if (insertAfter == HWND_BOTTOM) {
        list->insert(list->begin(), w->handle);
        return;
    }
    if (insertAfter != HWND_TOP && insertAfter != HWND_TOPMOST && insertAfter != HWND_NOTOPMOST) {
        auto pos = std::find(list->begin(), list->end(), insertAfter);
        if (pos != list->end()) {
            list->insert(pos, w->handle);
            return;
        }
    }
    auto pos = list->end();
    if (topLevel && !(w->exStyle & WS_EX_TOPMOST)) {
        while (pos != list->begin()) {
            Window* below = WindowLocked(*(pos - 1));
            if (below == nullptr || !(below->exStyle & WS_EX_TOPMOST)) break;
            --pos;
        }
    }
    list->insert(pos, w->handle);
}

}  // namespace

bool VisibleLocked(const Window* w) {
    while (w != nullptr) {
        if (!(w->style & WS_VISIBLE) || w->destroying) return false;
        if (w->parent == nullptr) return true;
        w = WindowLocked(w->parent);
    }
    return false;
}

RECT ScreenRectLocked(const Window* w) {
    RECT r = w->rect;
    for (Window* p = WindowLocked(w->parent); p != nullptr; p = WindowLocked(p->parent)) {
        r.left += p->rect.left;
        r.right += p->rect.left;
        r.top += p->rect.top;
        r.bottom += p->rect.top;
    }
    return r;
}

HWND WindowFromPointLocked(int x, int y) {
    auto& tops = CoreState().topLevels;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it)
        if (HWND hit = FromPointLocked(WindowLocked(*it), x, y)) return hit;
    return nullptr;
}

void InvalidateLocked(Window* w, const RECT* clientRect, bool withChildren) {
    RECT client{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    RECT r = client;
    if (clientRect != nullptr && !Intersect(*clientRect, client, &r)) r = RECT{0, 0, 0, 0};
    if (!IsEmpty(r)) {
        if (w->invalid) {
            w->invalidRect.left = std::min(w->invalidRect.left, r.left);
            w->invalidRect.top = std::min(w->invalidRect.top, r.top);
            w->invalidRect.right = std::max(w->invalidRect.right, r.right);
            w->invalidRect.bottom = std::max(w->invalidRect.bottom, r.bottom);
        } else {
            w->invalid = true;
            w->invalidRect = r;
        }
    }
    if (withChildren)
        for (HWND c : w->children)
            if (Window* cw = WindowLocked(c))
                if (cw->style & WS_VISIBLE) InvalidateLocked(cw, nullptr, true);
}

// A window going away uncovers what lies below it: those windows repaint the area.
void ExposeLocked(const RECT& screenRect, HWND leaving) {
    Window* w = WindowLocked(leaving);
    while (w != nullptr) {
        std::vector<HWND>* list = SiblingListLocked(w);
        if (list != nullptr) {
            for (HWND s : *list) {
                if (s == w->handle) break;  // only siblings below
                if (Window* sw = WindowLocked(s)) InvalidateSubtreeAreaLocked(sw, screenRect);
            }
        }
        Window* parent = WindowLocked(w->parent);
        if (parent != nullptr && (parent->style & WS_VISIBLE)) {
            RECT sr = ScreenRectLocked(parent);
            RECT i;
            if (Intersect(sr, screenRect, &i)) {
                RECT client{i.left - sr.left, i.top - sr.top, i.right - sr.left, i.bottom - sr.top};
                InvalidateLocked(parent, &client, false);
            }
        }
        w = parent;
    }
    WakeUiLocked();
}

HWND PaintCandidateLocked(HWND filter, const std::vector<HWND>& skip) {
    HWND found = nullptr;
    for (HWND h : CoreState().topLevels) {
        PaintSearchLocked(h, filter, skip, &found);
        if (found) break;
    }
    return found;
}

}  // namespace mv

using namespace mv;

BOOL IsWindowVisible(HWND hWnd) {
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(hWnd);
    return (w != nullptr && VisibleLocked(w)) ? TRUE : FALSE;
}

BOOL ShowWindow(HWND hWnd, int cmdShow) {
    Core& g = CoreState();
    bool show = cmdShow != SW_HIDE;
    bool wasVisible;
    bool loseFocus = false;
    {
        Lock lk(g.mutex);
        Window* w = WindowLocked(hWnd);
        if (w == nullptr) return FALSE;
        wasVisible = (w->style & WS_VISIBLE) != 0;
        if (wasVisible == show) return wasVisible ? TRUE : FALSE;
        if (show) {
            w->style |= WS_VISIBLE;
            if (VisibleLocked(w)) InvalidateLocked(w, nullptr, true);
        } else {
            if (VisibleLocked(w)) ExposeLocked(ScreenRectLocked(w), hWnd);
            w->style &= ~static_cast<DWORD>(WS_VISIBLE);
            if (g.focus != nullptr && WindowMatchesFilterLocked(g.focus, hWnd)) loseFocus = true;
            if (g.capture != nullptr && WindowMatchesFilterLocked(g.capture, hWnd)) g.capture = nullptr;
        }
        WakeUiLocked();
    }
    CallWindowProcedure(hWnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (loseFocus) SetFocus(nullptr);
    return wasVisible ? TRUE : FALSE;
}

BOOL MoveWindow(HWND hWnd, int x, int y, int width, int height, BOOL repaint) {
    Core& g = CoreState();
    bool moved, sized;
    {
        Lock lk(g.mutex);
        Window* w = WindowLocked(hWnd);
        if (w == nullptr) return FALSE;
        RECT old = w->rect;
        RECT now{x, y, x + std::max(width, 0), y + std::max(height, 0)};
        moved = old.left != now.left || old.top != now.top;
        sized = (old.right - old.left) != (now.right - now.left) ||
                (old.bottom - old.top) != (now.bottom - now.top);
        if (!moved && !sized) return TRUE;
        bool visible = VisibleLocked(w);
        RECT oldScreen = ScreenRectLocked(w);
        w->rect = now;
        if (repaint && visible) {
            ExposeLocked(oldScreen, hWnd);
            InvalidateLocked(w, nullptr, true);
        }
    }
    if (moved) CallWindowProcedure(hWnd, WM_MOVE, 0, MAKELPARAM(x, y));
    if (sized) CallWindowProcedure(hWnd, WM_SIZE, 0, MAKELPARAM(std::max(width, 0), std::max(height, 0)));
    return TRUE;
}

BOOL SetWindowPos(HWND hWnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    RECT r;
    {
        Lock lk(CoreState().mutex);
        Window* w = WindowLocked(hWnd);
        if (w == nullptr) return FALSE;
        r = w->rect;
        if (!(flags & SWP_NOZORDER)) {
            if (w->parent == nullptr && insertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
            if (w->parent == nullptr && insertAfter == HWND_NOTOPMOST)
                w->exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
            ReorderLocked(w, insertAfter);
            if (VisibleLocked(w)) InvalidateLocked(w, nullptr, true);
            WakeUiLocked();
        }
    }
    int nx = (flags & SWP_NOMOVE) ? r.left : x;
    int ny = (flags & SWP_NOMOVE) ? r.top : y;
    int ncx = (flags & SWP_NOSIZE) ? r.right - r.left : cx;
    int ncy = (flags & SWP_NOSIZE) ? r.bottom - r.top : cy;
    MoveWindow(hWnd, nx, ny, ncx, ncy, TRUE);
    if (flags & SWP_SHOWWINDOW) ShowWindow(hWnd, SW_SHOW);
    return TRUE;
}

BOOL BringWindowToTop(HWND hWnd) {
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(hWnd);
    if (w == nullptr) return FALSE;
    ReorderLocked(w, HWND_TOP);
    if (w->parent == nullptr && !w->cls->platform) CoreState().foreground = hWnd;
    if (VisibleLocked(w)) InvalidateLocked(w, nullptr, true);
    WakeUiLocked();
    return TRUE;
}

BOOL GetWindowRect(HWND hWnd, LPRECT rect) {
    if (rect == nullptr) return FALSE;
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(hWnd);
    if (w == nullptr) return FALSE;
    *rect = ScreenRectLocked(w);
    return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT rect) {
    if (rect == nullptr) return FALSE;
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(hWnd);
    if (w == nullptr) return FALSE;
    *rect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    return TRUE;
}

BOOL ScreenToClient(HWND hWnd, POINT* pt) {
    if (pt == nullptr) return FALSE;
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(hWnd);
    if (w == nullptr) return FALSE;
    RECT sr = ScreenRectLocked(w);
    pt->x -= sr.left;
    pt->y -= sr.top;
    return TRUE;
}

BOOL ClientToScreen(HWND hWnd, POINT* pt) {
    if (pt == nullptr) return FALSE;
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(hWnd);
    if (w == nullptr) return FALSE;
    RECT sr = ScreenRectLocked(w);
    pt->x += sr.left;
    pt->y += sr.top;
    return TRUE;
}

bool MvWindowScreenRect(HWND hWnd, RECT* rect) {
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(hWnd);
    if (w == nullptr || rect == nullptr) return false;
    *rect = ScreenRectLocked(w);
    return true;
}

void MvWindowVisibleRects(HWND hWnd, std::vector<RECT>* rects) {
    if (rects == nullptr) return;
    rects->clear();
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(hWnd);
    if (w == nullptr || !VisibleLocked(w)) return;
    RECT mine = ScreenRectLocked(w);
    // Clip to the ancestors.
    for (Window* p = WindowLocked(w->parent); p != nullptr; p = WindowLocked(p->parent))
        if (!Intersect(mine, ScreenRectLocked(p), &mine)) return;
    if (IsEmpty(mine)) return;
    rects->push_back(mine);
    for (HWND c : w->children) {
        Window* cw = WindowLocked(c);
        if (cw != nullptr && (cw->style & WS_VISIBLE) && !cw->destroying)
            Subtract(rects, ScreenRectLocked(cw));
    }
    // Siblings above, at every level up to and including the top-level windows.
    for (Window* a = w; a != nullptr && !rects->empty(); a = WindowLocked(a->parent)) {
        std::vector<HWND>* list = SiblingListLocked(a);
        if (list == nullptr) break;
        auto pos = std::find(list->begin(), list->end(), a->handle);
        if (pos == list->end()) continue;
        for (++pos; pos != list->end(); ++pos) {
            Window* s = WindowLocked(*pos);
            if (s != nullptr && (s->style & WS_VISIBLE) && !s->destroying)
                Subtract(rects, ScreenRectLocked(s));
        }
    }
}

HWND MvWindowFromPoint(int x, int y) {
    Lock lk(CoreState().mutex);
    return WindowFromPointLocked(x, y);
}
