// WinMain, InitInstance and WndProc: the single-instance check, the two window classes, the
// main window with its initial soft-key bar, the message loop and the shutdown path.
#include "app/win_main.h"

#include <cstdio>
#include <cstring>

#include "app/application.h"
#include "app/view_common.h"
#include "resources/resource_ids.h"
#include "store/database_lock.h"

namespace {
HINSTANCE g_hInst = nullptr;
CApplication* g_pApp = nullptr;
HWND g_hMainWnd = nullptr;
HWND g_hMenuBar = nullptr;
SHACTIVATEINFO g_sai;

BOOL RegisterWindowClass(HINSTANCE hInstance, LPCWSTR className) {
    WNDCLASSW wc;
    memset(&wc, 0, sizeof(wc));
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconW(hInstance, MAKEINTRESOURCEW(IDI_APP));
    wc.hCursor = nullptr;
    // The system never erases a window's background: every view paints all of its pixels.
    wc.hbrBackground = (HBRUSH)GetStockObject(NULL_BRUSH);
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = className;
    return RegisterClassW(&wc) != 0;
}

void OnCreate(HWND hWnd, const CREATESTRUCTW* cs) {
    // Only the main window (a top-level window) records the initial bar; a view window's
    // creation never replaces it.
    if (cs && cs->hwndParent) return;
    SHMENUBARINFO mbi;
    memset(&mbi, 0, sizeof(mbi));
    mbi.cbSize = sizeof(mbi);
    mbi.hwndParent = hWnd;
    mbi.dwFlags = 0;
    mbi.nToolBarId = IDR_MENUBAR_INITIAL;
    mbi.hInstRes = g_hInst;
    g_hMenuBar = SHCreateMenuBar(&mbi) ? mbi.hwndMB : nullptr;
    memset(&g_sai, 0, sizeof(g_sai));
    g_sai.cbSize = sizeof(g_sai);
}

bool IsMainWindow(HWND hWnd) {
    return hWnd && hWnd == g_hMainWnd;
}
}  // namespace

HINSTANCE MvAppInstanceHandle() {
    return (HINSTANCE)(uintptr_t)0x00400000;
}
HINSTANCE GetAppInstance() {
    return g_hInst;
}
CApplication* GetApplication() {
    return g_pApp;
}
HWND GetMainWindow() {
    return g_hMainWnd;
}
HWND GetInitialMenuBar() {
    return g_hMenuBar;
}

int WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow) {
    if (!InitInstance(hInstance, nCmdShow)) return 0;
    HACCEL hAccel = LoadAcceleratorsW(hInstance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    MSG msg;
    memset(&msg, 0, sizeof(msg));
    // GetMessageW answers 0 for WM_QUIT (and -1 on a failure, which must not spin forever).
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorW(msg.hwnd, hAccel, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return (int)msg.wParam;
}

BOOL InitInstance(HINSTANCE hInstance, int nCmdShow) {
    g_hInst = hInstance;
    SHInitExtraControls();

    wchar_t title[100] = {};
    wchar_t className[100] = {};
    LoadStringW(hInstance, IDS_APP_TITLE, title, 100);
    LoadStringW(hInstance, IDS_APP_CLASS, className, 100);

    // Only one instance ever runs: a second start brings the first to the front and ends.
    HWND hOther = FindWindowW(className, title);
    if (hOther) {
        SetForegroundWindow((HWND)((UINT_PTR)hOther | 1));
        // Said as the same-database case says it: this one may have been meant for another folder.
        std::fprintf(stderr,
                     "Movimetra: another Movimetra is running from the same program folder "
                     "(MOVIMETRA_INSTANCE names another instance)\n");
        std::fflush(stderr);
        return FALSE;
    }
    // One program per database, whatever its instance key or install: the database's lock says
    // whether another one has it (a folder that fails is reported when the database opens).
    if (LockDatabase(nullptr) == DatabaseLock::OtherProgram) {
        std::fprintf(stderr, "Movimetra: another Movimetra is running on the same database\n");
        std::fflush(stderr);
        return FALSE;
    }

    if (!RegisterWindowClass(hInstance, className)) return FALSE;
    if (!RegisterWindowClass(hInstance, L"Simple")) return FALSE;

    HWND hWnd =
        CreateWindowExW(WS_EX_CAPTIONOKBTN, className, title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, hInstance, nullptr);
    if (!hWnd) return FALSE;
    g_hMainWnd = hWnd;

    if (!g_pApp) {
        g_pApp = new CApplication;
        g_pApp->Start(hWnd);
    }

    // The main window ends where the soft-key bar begins.
    if (g_hMenuBar) {
        RECT rc = {};
        RECT rcBar = {};
        GetWindowRect(hWnd, &rc);
        GetWindowRect(g_hMenuBar, &rcBar);
        rc.bottom -= (rcBar.bottom - rcBar.top);
        MoveWindow(hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, FALSE);
    }

    ShowWindow(hWnd, nCmdShow);
    UpdateWindow(hWnd);
    return TRUE;
}

LRESULT WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_pApp) g_pApp->Dispatch(hWnd, message, wParam, lParam);

    switch (message) {
        case WM_CREATE:
            OnCreate(hWnd, (const CREATESTRUCTW*)lParam);
            return 0;
        case WM_DESTROY:
            if (!IsMainWindow(hWnd)) return 0;
            if (g_pApp) {
                CApplication* app = g_pApp;
                g_pApp = nullptr;
                delete app;
            }
            if (g_hMenuBar) {
                DestroyWindow(g_hMenuBar);
                g_hMenuBar = nullptr;
            }
            PostQuitMessage(0);
            return 0;
        case WM_ACTIVATE:
            SHHandleWMActivate(hWnd, wParam, lParam, &g_sai, FALSE);
            return 0;
        case WM_SETTINGCHANGE:
            SHHandleWMSettingChange(hWnd, wParam, lParam, &g_sai);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            memset(&ps, 0, sizeof(ps));
            HDC hdc = BeginPaint(hWnd, &ps);
            if (g_pApp) g_pApp->Paint(hdc);
            EndPaint(hWnd, &ps);
            return 0;
        }
        case WM_CLOSE:
            // Only the main window closes the program.
            if (!IsMainWindow(hWnd)) return 0;
            if (g_pApp)
                g_pApp->Close(hWnd);
            else
                SendMessageW(hWnd, WM_DESTROY, 0, 0);
            return 0;
        case WM_DRAWITEM:
            if (g_pApp) g_pApp->DrawItem(wParam, lParam);
            return 0;
        case WM_SYSKEYDOWN:
            return 0;
        case WM_COMMAND: {
            WORD id = LOWORD(wParam);
            if (id < IDM_FIRST || id > IDM_LAST) break;
            switch (id) {
                case IDM_INITIAL_RIGHT:
                case IDM_PROFILE_CANCEL:
                case IDM_CLOSE:
                case IDM_MAIN_EXIT:
                    SendMessageW(hWnd, UM_RIGHT_SOFTKEY, 0, 0);
                    return 0;
                case IDM_ACCEL_NONE:
                    return DefWindowProcW(hWnd, message, wParam, lParam);
                default:
                    SendMessageW(hWnd, UM_LEFT_SOFTKEY, 0, 0);
                    return 0;
            }
        }
        case WM_CTLCOLOREDIT:
            SetTextColor((HDC)wParam, 0x00FFFFFF);
            return g_pApp ? (LRESULT)g_pApp->CtlColorEdit((HDC)wParam, (HWND)lParam) : 0;
        default:
            break;
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
}
