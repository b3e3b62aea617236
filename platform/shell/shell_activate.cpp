// Activation and setting-change handling of the shell library: nothing to restore here, since the
// input panel state is kept by the program itself.
#include "platform/windows.h"

BOOL SHInitExtraControls() {
    return TRUE;
}

BOOL SHHandleWMActivate(HWND hWnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* sai, DWORD flags) {
    return TRUE;
}

BOOL SHHandleWMSettingChange(HWND hWnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* sai) {
    return TRUE;
}
