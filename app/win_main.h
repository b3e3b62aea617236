// Process entry of the program: WinMain, InitInstance and the window procedure shared by the
// main window (class "ZUNO") and the view windows (class "Simple").
#pragma once

#include "platform/windows.h"

class CApplication;

int WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);
BOOL InitInstance(HINSTANCE hInstance, int nCmdShow);
LRESULT WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// The instance handle main() hands to WinMain (resources are looked up by id alone).
HINSTANCE MvAppInstanceHandle();
// The application object while it exists (null before the main window and after WM_DESTROY).
CApplication* GetApplication();
// The main window created by InitInstance (null before).
HWND GetMainWindow();
// The initial soft-key bar recorded at the main window's WM_CREATE (null when none).
HWND GetInitialMenuBar();
