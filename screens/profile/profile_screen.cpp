// The profile view's window, showing (title-bar OK button set, soft-key bar 110 / 156) and
// language. Until its fields exist, Ok and Cancel return to the main view.
#include "screens/profile/profile_screen.h"

#include "app/messages.h"
#include "resources/resource_ids.h"

CProfileScreen::CProfileScreen() = default;
CProfileScreen::~CProfileScreen() = default;

BOOL CProfileScreen::Create(HWND parent, int index) {
    return CreateViewWindow(m_View, parent, index);
}

void CProfileScreen::Show(bool show, int otherIndex) {
    ShowViewCommon(m_View, show, otherIndex, CaptionOk::Set, IDR_MENUBAR_PROFILE_KO, IDR_MENUBAR_PROFILE_EN);
}

void CProfileScreen::OnLanguage(int languageIndex) {
    SetLanguageOffsets(m_View, languageIndex);
}

void CProfileScreen::OnLeftSoftKey() {
    SendMessageW(m_View.hMain, UM_SWITCH_VIEW, VIEW_MAIN, 0);
}

void CProfileScreen::OnRightSoftKey() {
    SendMessageW(m_View.hMain, UM_SWITCH_VIEW, VIEW_MAIN, 0);
}

void CProfileScreen::OnOk() {
    SendMessageW(m_View.hMain, UM_SWITCH_VIEW, VIEW_MAIN, 0);
}
