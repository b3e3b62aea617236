// Notifications by (clsid, id): title-bar icons (SHNP_ICONIC), kept here and drawn by the task
// bar, and bubbles (SHNP_INFORM), which are desktop notifications.
#include <string>
#include <vector>

#include "platform/core/mv_internal.h"
#include "platform/shell/shell_internal.h"
#include "platform/windows.h"

namespace {

struct Notification {
    CLSID clsid;
    DWORD id;
    HICON icon;
};

std::vector<Notification> g_notifications;

struct Bubble {
    CLSID clsid;
    DWORD id;
    unsigned key;  // the desktop's name for it
};
std::vector<Bubble> g_bubbles;
unsigned g_nextBubble = 1;

std::string Utf8(LPCWSTR text) {
    std::string out;
    if (text == nullptr) return out;
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return out;
    out.resize(static_cast<size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<size_t>(size - 1));
    return out;
}

Bubble* FindBubble(const CLSID& clsid, DWORD id) {
    for (Bubble& bubble : g_bubbles)
        if (bubble.clsid == clsid && bubble.id == id) return &bubble;
    return nullptr;
}

void ShowBubble(const Bubble& bubble, const SHNOTIFICATIONDATA& data) {
    std::vector<MvBubbleAction> actions;
    for (const SOFTKEYNOTIFY& key : data.rgskn)
        if (key.pszTitle != nullptr && key.pszAction != nullptr)
            actions.push_back({key.pszAction, Utf8(key.pszTitle), key.skc.wpCmd});
    MvDesktopBubbleShow(bubble.key, data.hwndSink, Utf8(data.pszTitle), Utf8(data.pszHTML), actions,
                        (data.grfFlags & SHNF_SILENT) != 0);
}

// Result codes as the shell reports them.
const LONG kSuccess = 0;
const LONG kInvalidParameter = 87;
const LONG kNotFound = 1168;

}  // namespace

LONG SHNotificationAdd(SHNOTIFICATIONDATA* data) {
    if (data == nullptr) return kInvalidParameter;
    if (data->npPriority == SHNP_INFORM) {
        Bubble* bubble = FindBubble(data->clsid, data->dwID);
        if (bubble == nullptr) {
            g_bubbles.push_back({data->clsid, data->dwID, g_nextBubble++});
            bubble = &g_bubbles.back();
        }
        ShowBubble(*bubble, *data);
        return kSuccess;
    }
    // The same (clsid, id) again updates the icon in place.
    for (Notification& existing : g_notifications) {
        if (existing.clsid == data->clsid && existing.id == data->dwID) {
            existing.icon = data->hicon;
            MvTaskBarRefresh();
            return kSuccess;
        }
    }
    g_notifications.push_back({data->clsid, data->dwID, data->hicon});
    MvTaskBarRefresh();
    return kSuccess;
}

// The bubble is shown again with the data given (the whole of it: the mask only says what
// changed), replacing the one on the desktop.
LONG SHNotificationUpdate(DWORD grnumUpdateMask, SHNOTIFICATIONDATA* data) {
    if (data == nullptr || grnumUpdateMask == 0) return kInvalidParameter;
    Bubble* bubble = FindBubble(data->clsid, data->dwID);
    if (bubble == nullptr) return kNotFound;
    ShowBubble(*bubble, *data);
    return kSuccess;
}

LONG SHNotificationRemove(const CLSID* clsid, DWORD id) {
    if (clsid == nullptr) return kInvalidParameter;
    for (auto it = g_bubbles.begin(); it != g_bubbles.end(); ++it) {
        if (it->clsid == *clsid && it->id == id) {
            MvDesktopBubbleClose(it->key);
            g_bubbles.erase(it);
            return kSuccess;
        }
    }
    for (auto it = g_notifications.begin(); it != g_notifications.end(); ++it) {
        if (it->clsid == *clsid && it->id == id) {
            g_notifications.erase(it);
            MvTaskBarRefresh();
            return kSuccess;
        }
    }
    return kNotFound;
}

int MvNotificationCount() {
    return static_cast<int>(g_notifications.size());
}

HICON MvNotificationIcon(int index) {
    if (index < 0 || index >= MvNotificationCount()) return nullptr;
    return g_notifications[static_cast<size_t>(index)].icon;
}
