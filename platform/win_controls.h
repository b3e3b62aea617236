// Controls: the "edit" window class and the modal message box.
#pragma once

#include "platform/win_types.h"

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ICONERROR 0x00000010L
#define MB_ICONWARNING 0x00000030L
#define MB_ICONINFORMATION 0x00000040L
#define MB_SETFOREGROUND 0x00010000L

// A modal box drawn over the screen with its own nested message loop; OK (tap or Enter) closes it.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
