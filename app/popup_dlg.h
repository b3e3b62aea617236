// The confirmation popup (view index 2): a box with a question and Yes / No buttons drawn over
// a frozen picture of the view that opened it.
#pragma once

#include "app/screen.h"
#include "app/view_common.h"

class CPopupDlg : public CScreen {
public:
    CPopupDlg();
    ~CPopupDlg() override;

    BOOL Create(HWND parent, int index) override;
    void Release() override;
    void Show(bool show, int otherIndex) override;
    void OnLanguage(int languageIndex) override;
    HBRUSH OnCtlColorEdit(HDC hdc, HWND hEdit) override { return nullptr; }

    // Read access for tests.
    const ViewCommon& Common() const { return m_View; }
    int ReturnIndex() const { return m_View.nOther; }
    bool HasSnapshot() const { return m_bSnapshotValid != 0; }

private:
    void DeleteSnapshot();

    ViewCommon m_View;
    HBITMAP m_hSnapshot = nullptr;
    int m_bSnapshotValid = 0;
    int m_nPressedButton = 0;
};
