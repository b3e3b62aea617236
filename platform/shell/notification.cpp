// Title-bar notification icons: kept by (clsid, id) and drawn by the task bar.
#include <vector>

#include "platform/shell/shell_internal.h"
#include "platform/windows.h"

namespace {

struct Notification {
    CLSID clsid;
    DWORD id;
    HICON icon;
};

std::vector<Notification> g_notifications;

// Result codes as the shell reports them.
const LONG kSuccess = 0;
const LONG kInvalidParameter = 87;
const LONG kNotFound = 1168;

}  // namespace

LONG SHNotificationAdd(SHNOTIFICATIONDATA* data) {
    if (data == nullptr) return kInvalidParameter;
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

LONG SHNotificationRemove(const CLSID* clsid, DWORD id) {
    if (clsid == nullptr) return kInvalidParameter;
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
