// Controls: the "edit" window class and the modal message box.
#pragma once

#include "platform/win_types.h"

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ICONERROR 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONWARNING 0x00000030L
#define MB_ICONINFORMATION 0x00000040L
#define MB_SETFOREGROUND 0x00010000L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONMASK 0x000000F0L

// A modal box drawn over the screen with its own nested message loop; OK (tap, Enter or the left
// soft key) closes it with IDOK. MB_OKCANCEL adds Cancel (tap, Esc or the right soft key: IDCANCEL).
// A WM_QUIT that arrives meanwhile is posted again and ends the box (IDOK, or IDCANCEL with
// MB_OKCANCEL).
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
