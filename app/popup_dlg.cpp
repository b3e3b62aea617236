// The popup's window, showing and language. It shares soft-key bar 111 / 157 with the history
// view but changes neither the title-bar OK button nor the task bar.
#include "app/popup_dlg.h"

#include "resources/resource_ids.h"

CPopupDlg::CPopupDlg() = default;

CPopupDlg::~CPopupDlg() {
    DeleteSnapshot();
}

BOOL CPopupDlg::Create(HWND parent, int index) {
    return CreateViewWindow(m_View, parent, index);
}

void CPopupDlg::Release() {
    DeleteSnapshot();
}

void CPopupDlg::Show(bool show, int otherIndex) {
    if (!show) DeleteSnapshot();
    ShowViewCommon(m_View, show, otherIndex, CaptionOk::Leave, IDR_MENUBAR_RESET_KO, IDR_MENUBAR_RESET_EN);
}

void CPopupDlg::OnLanguage(int languageIndex) {
    SetLanguageOffsets(m_View, languageIndex);
}

void CPopupDlg::DeleteSnapshot() {
    if (m_hSnapshot) {
        DeleteObject(m_hSnapshot);
        m_hSnapshot = nullptr;
    }
    m_bSnapshotValid = 0;
}
