// Stand-ins for calls another part of the platform layer defines; a real definition elsewhere
// in the library takes precedence over these weak ones.
#include <mutex>

#include "platform/gdi/gdi_internal.h"
#include "platform/win_resources.h"

// Icons are drawing objects: freeing one removes it from the drawing code's handle table.
__attribute__((weak)) BOOL DestroyIcon(HICON icon) {
    std::lock_guard<std::recursive_mutex> lock(mvgdi::Mutex());
    if (!mvgdi::FindAs<mvgdi::Icon>(icon, mvgdi::Kind::Icon)) return FALSE;
    mvgdi::Erase(icon);
    return TRUE;
}
