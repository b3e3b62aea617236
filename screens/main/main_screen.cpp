// Placeholder until the main view's drawing and controls land: window, Show and language only.
#include "screens/main/main_screen.h"

#include "app/messages.h"

CMainScreen::CMainScreen() = default;
CMainScreen::~CMainScreen() = default;

BOOL CMainScreen::Create(HWND parent, int index) {
    if (!CreateViewWindow(m_View, parent, index)) return FALSE;
    SendMessageW(parent, UM_GET_DB, 0, (LPARAM)&m_pDb);
    m_Db.SetHandle(m_pDb);
    return TRUE;
}
void CMainScreen::Release() {}
void CMainScreen::OnPaint(HDC) {}
void CMainScreen::Show(bool show, int otherIndex) {
    ShowViewCommon(m_View, show, otherIndex, CaptionOk::Clear, 112, 158);
}
void CMainScreen::OnEvent(int value, const wchar_t* key) {}
void CMainScreen::OnInvalidate() { InvalidateRect(m_View.hWnd, nullptr, TRUE); }
void CMainScreen::OnLButtonDown(int, int) {}
void CMainScreen::OnLButtonUp(int, int) {}
void CMainScreen::OnLeftSoftKey() {
    SendMessageW(m_View.hMain, UM_SWITCH_VIEW, 1, 0);
    SendMessageW(m_View.hMain, UM_LOAD_PROFILE, 0, 0);
}
void CMainScreen::OnRightSoftKey() {
    SendMessageW(m_View.hMain, UM_VIBRATE, 0, 0);
    SendMessageW(m_View.hMain, WM_DESTROY, 0, 0);
}
void CMainScreen::OnTimer(int) {}
void CMainScreen::OnAnimationTimer() {}
void CMainScreen::OnReset() {}
void CMainScreen::OnMotionInfo(const MotionRecord*) {}
void CMainScreen::OnLanguage(int languageIndex) { SetLanguageOffsets(m_View, languageIndex); }
