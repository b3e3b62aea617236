// The history view's window, showing (title-bar OK button set, soft-key bar 111 / 157) and
// language. Until its charts exist, Close and OK return to the main view.
#include "screens/history/log_screen.h"

#include "app/messages.h"
#include "resources/resource_ids.h"

CLogScreen::CLogScreen() = default;
CLogScreen::~CLogScreen() = default;

BOOL CLogScreen::Create(HWND parent, int index) {
    return CreateViewWindow(m_View, parent, index);
}

void CLogScreen::Show(bool show, int otherIndex) {
    ShowViewCommon(m_View, show, otherIndex, CaptionOk::Set, IDR_MENUBAR_RESET_KO, IDR_MENUBAR_RESET_EN);
}

void CLogScreen::OnLanguage(int languageIndex) {
    SetLanguageOffsets(m_View, languageIndex);
}

void CLogScreen::OnRightSoftKey() {
    SendMessageW(m_View.hMain, UM_SWITCH_VIEW, VIEW_MAIN, 0);
}

void CLogScreen::OnOk() {
    SendMessageW(m_View.hMain, UM_SWITCH_VIEW, VIEW_MAIN, 0);
}
