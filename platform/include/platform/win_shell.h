// Shell chrome: task bar ("HHTaskBar"), soft-key menu bars, activation handling, the
// title-bar notification icon and the input panel.
#pragma once

#include "platform/win_types.h"

#define SHCMBF_EMPTYBAR 0x0001
#define SHCMBF_HIDDEN 0x0002
#define SHCMBF_HIDESIPBUTTON 0x0004

struct SHMENUBARINFO {
    DWORD cbSize;
    HWND hwndParent;
    DWORD dwFlags;
    UINT nToolBarId;
    HINSTANCE hInstRes;
    int nBmpId;
    int cBmpImages;
    HWND hwndMB;
    COLORREF clrBk;
};

struct SHACTIVATEINFO {
    DWORD cbSize;
    HWND hwndLastFocus;
    UINT fSipUp : 1;
    UINT fSipOnDeactivation : 1;
    UINT fActive : 1;
    UINT fReserved : 29;
};

// The soft-key bar made for hwnd (the newest visible one), or null.
HWND SHFindMenuBar(HWND hwnd);
// A soft key's label, read or changed through its bar (a toolbar): TB_GETBUTTONINFOW and
// TB_SETBUTTONINFOW with TBIF_TEXT; wParam is the button's command id, or its index with
// TBIF_BYINDEX. They answer the button's index, or -1.
#define TB_GETBUTTONINFOW (WM_USER + 63)
#define TB_SETBUTTONINFOW (WM_USER + 64)
#define TBIF_TEXT 0x00000002
#define TBIF_BYINDEX 0x80000000
struct TBBUTTONINFOW {
    UINT cbSize;
    DWORD dwMask;
    int idCommand;
    int iImage;
    BYTE fsState;
    BYTE fsStyle;
    WORD cx;
    DWORD_PTR lParam;
    LPWSTR pszText;
    int cchText;
};

BOOL SHInitExtraControls();
// Creates the two-button soft-key bar of menu-bar resource nToolBarId along the bottom 52 rows.
// A tap on a button sends WM_COMMAND with the button's command id to hwndParent.
BOOL SHCreateMenuBar(SHMENUBARINFO* info);
BOOL SHHandleWMActivate(HWND hWnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* sai, DWORD flags);
BOOL SHHandleWMSettingChange(HWND hWnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* sai);

// Title-bar notifications
#define SHNP_INFORM 0x1B1
#define SHNP_ICONIC 434
#define SHNF_STRAIGHTTOTRAY 0x00000001
#define SHNF_CRITICAL 0x00000002
#define SHNF_FORCEMESSAGE 0x00000008
#define SHNF_DISPLAYON 0x00000010
#define SHNF_SILENT 0x00000020

// A soft key of a notification bubble: its label and the command its press sends to the sink
// (WM_COMMAND, wParam wpCmd). On the desktop it is an action of the notification, named
// pszAction (a field of this platform: the desktop names its actions).
struct SOFTKEYCMD {
    WPARAM wpCmd;
    DWORD grfFlags;
};
struct SOFTKEYNOTIFY {
    LPCWSTR pszTitle;
    SOFTKEYCMD skc;
    const char* pszAction;
};

// SHNP_ICONIC: an icon in the title bar (drawn by the task bar). SHNP_INFORM: a bubble, which
// is a desktop notification here (summary pszTitle, body pszHTML as plain text, the soft keys
// as its actions; SHNF_SILENT asks for no sound or vibration), posted from the desktop thread.
// SHNotificationUpdate replaces it in place; SHNotificationRemove closes it.
struct SHNOTIFICATIONDATA {
    DWORD cbStruct;
    DWORD dwID;
    int npPriority;
    DWORD csDuration;
    HICON hicon;
    DWORD grfFlags;
    CLSID clsid;
    HWND hwndSink;
    LPCWSTR pszHTML;
    LPCWSTR pszTitle;
    LPARAM lParam;
    SOFTKEYNOTIFY rgskn[2];
    LPCWSTR pszTodaySK;
    LPCWSTR pszTodayExec;
};

LONG SHNotificationAdd(SHNOTIFICATIONDATA* data);
#define SHNUM_PRIORITY 0x0001
#define SHNUM_DURATION 0x0002
#define SHNUM_ICON 0x0004
#define SHNUM_HTML 0x0008
#define SHNUM_TITLE 0x0010
#define SHNUM_SOFTKEYS 0x0020
LONG SHNotificationUpdate(DWORD grnumUpdateMask, SHNOTIFICATIONDATA* data);
LONG SHNotificationRemove(const CLSID* clsid, DWORD id);

// Notification-area balloons (shellapi.h). A balloon (NIF_INFO: szInfoTitle, szInfo) becomes one
// desktop notification on the session bus, named by szTip. It is sent from the desktop thread:
// the call returns at once, and a missing session bus or notification server is said once on
// standard error. Icons themselves are not kept here: the title-bar icon is SHNotificationAdd's.
#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002
#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004
#define NIF_INFO 0x00000010
#define NIIF_NONE 0x00000000
#define NIIF_INFO 0x00000001

struct NOTIFYICONDATAW {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    WCHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    WCHAR szInfo[256];
    UINT uTimeout;
    WCHAR szInfoTitle[64];
    DWORD dwInfoFlags;
};
typedef NOTIFYICONDATAW* PNOTIFYICONDATAW;

BOOL Shell_NotifyIconW(DWORD message, PNOTIFYICONDATAW data);

// Input panel: an on-screen numeric keypad above the soft-key bar.
#define SIPF_OFF 0x00000000
#define SIPF_ON 0x00000001
BOOL SipShowIM(DWORD flags);
// What the input panel covers. When it goes up or down the foreground window is sent (posted)
// WM_SETTINGCHANGE with wParam SPI_SETSIPINFO; SipGetInfo then tells the part of the screen
// that is still visible above it (rcVisibleDesktop) and the panel's own rectangle.
#define SPI_SETSIPINFO 224
struct SIPINFO {
    DWORD cbSize;
    DWORD fdwFlags;  // SIPF_ON while the panel is up
    RECT rcVisibleDesktop;
    RECT rcSipRect;
    DWORD dwImDataSize;
    void* pvImData;
};
BOOL SipGetInfo(SIPINFO* info);
