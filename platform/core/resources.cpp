// Resources compiled into the executable: strings, accelerator tables, icons and bitmaps,
// looked up in the module that resources/ registers.
#include <algorithm>
#include <mutex>

#include "platform/core/core_state.h"
#include "platform/core/mv_internal.h"
#include "platform/win_resources.h"
#include "platform/win_window.h"

namespace {

std::mutex g_resMutex;
const MV_RESOURCE_MODULE* g_module = nullptr;

UINT ResourceId(LPCWSTR name) {
    return IS_INTRESOURCE(name) ? static_cast<UINT>(reinterpret_cast<uintptr_t>(name)) : 0;
}

const MV_RES_IMAGE* FindImage(const MV_RES_IMAGE* images, int count, UINT id) {
    for (int i = 0; i < count; ++i)
        if (images[i].id == id) return &images[i];
    return nullptr;
}

}  // namespace

void MvRegisterResources(const MV_RESOURCE_MODULE* module) {
    {
        std::lock_guard<std::mutex> lock(g_resMutex);
        g_module = module;
    }
    // Bitmaps decoded from the earlier module's images no longer apply.
    MvForgetResourceBitmaps();
}

const MV_RESOURCE_MODULE* MvGetResources() {
    std::lock_guard<std::mutex> lock(g_resMutex);
    return g_module;
}

int LoadStringW(HINSTANCE, UINT id, LPWSTR buffer, int bufferMax) {
    if (buffer == nullptr) return 0;
    const MV_RESOURCE_MODULE* module = MvGetResources();
    const wchar_t* text = nullptr;
    if (module != nullptr)
        for (int i = 0; i < module->stringCount; ++i)
            if (module->strings[i].id == id) text = module->strings[i].text;
    if (bufferMax == 0) {
        // Win32: with no room, the buffer receives a pointer to the read-only text.
        if (text == nullptr) return 0;
        *reinterpret_cast<const wchar_t**>(buffer) = text;
        return static_cast<int>(std::wcslen(text));
    }
    if (bufferMax < 0) return 0;
    if (text == nullptr) {
        buffer[0] = 0;
        return 0;
    }
    int n = std::min(static_cast<int>(std::wcslen(text)), bufferMax - 1);
    std::copy(text, text + n, buffer);
    buffer[n] = 0;
    return n;
}

HACCEL LoadAcceleratorsW(HINSTANCE, LPCWSTR name) {
    const MV_RESOURCE_MODULE* module = MvGetResources();
    UINT id = ResourceId(name);
    if (module == nullptr || id == 0) return nullptr;
    for (int i = 0; i < module->accelTableCount; ++i)
        if (module->accelTables[i].id == id)
            return reinterpret_cast<HACCEL>(const_cast<MV_RES_ACCELTABLE*>(&module->accelTables[i]));
    return nullptr;
}

int TranslateAcceleratorW(HWND hWnd, HACCEL accel, LPMSG msg) {
    if (accel == nullptr || msg == nullptr) return 0;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return 0;
    // Only tables handed out by LoadAcceleratorsW are trusted.
    const MV_RESOURCE_MODULE* module = MvGetResources();
    const MV_RES_ACCELTABLE* table = nullptr;
    if (module != nullptr)
        for (int i = 0; i < module->accelTableCount; ++i)
            if (reinterpret_cast<HACCEL>(const_cast<MV_RES_ACCELTABLE*>(&module->accelTables[i])) == accel)
                table = &module->accelTables[i];
    if (table == nullptr) return 0;
    bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    for (int i = 0; i < table->count; ++i) {
        const ACCEL& entry = table->entries[i];
        if (!(entry.fVirt & FVIRTKEY)) continue;  // character entries match WM_CHAR, never used here
        if (entry.key != static_cast<WORD>(msg->wParam)) continue;
        if (((entry.fVirt & FCONTROL) != 0) != ctrl) continue;
        if (((entry.fVirt & FSHIFT) != 0) != shift) continue;
        if (entry.fVirt & FALT) continue;  // alt is never held
        HWND target = hWnd != nullptr ? hWnd : msg->hwnd;
        HWND top = target;
        for (HWND p = GetParent(top); p != nullptr && (GetWindowLongW(top, GWL_STYLE) & WS_CHILD);
             p = GetParent(top))
            top = p;
        SendMessageW(top, WM_COMMAND, MAKEWPARAM(entry.cmd, 1), 0);
        return 1;
    }
    return 0;
}

// Each call makes its own icon (DestroyIcon, in the drawing code, frees one).
HICON LoadIconW(HINSTANCE, LPCWSTR name) {
    UINT id = ResourceId(name);
    const MV_RESOURCE_MODULE* module = MvGetResources();
    if (module == nullptr || id == 0) return nullptr;
    const MV_RES_IMAGE* image = FindImage(module->icons, module->iconCount, id);
    if (image == nullptr || image->png == nullptr) return nullptr;
    return MvCreateResourceIcon(image);
}

HBITMAP LoadBitmapW(HINSTANCE, LPCWSTR name) {
    UINT id = ResourceId(name);
    const MV_RESOURCE_MODULE* module = MvGetResources();
    if (module == nullptr || id == 0) return nullptr;
    const MV_RES_IMAGE* image = FindImage(module->bitmaps, module->bitmapCount, id);
    if (image == nullptr || image->png == nullptr) return nullptr;
    // Decoded once and shared: the views load their backgrounds at every repaint.
    return MvCreateResourceBitmap(image);
}
