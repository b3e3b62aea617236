// The confirmation popup (view index 2): a box with a question and Yes / No buttons drawn over
// a frozen picture of the view that opened it.
#pragma once

#include "app/screen.h"
#include "app/view_common.h"

// Which popup button a point of the popup window falls on.
enum PopupButton { POPUP_NONE = 0, POPUP_YES = 1, POPUP_NO = 2 };

class CPopupDlg : public CScreen {
public:
    CPopupDlg();
    ~CPopupDlg() override;
    CPopupDlg(const CPopupDlg&) = delete;
    CPopupDlg& operator=(const CPopupDlg&) = delete;

    BOOL Create(HWND parent, int index) override;
    void Release() override;
    void Show(bool show, int otherIndex) override;
    void OnPaint(HDC hdc) override;
    void OnLButtonDown(int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void OnLanguage(int languageIndex) override;
    HBRUSH OnCtlColorEdit(HDC hdc, HWND hEdit) override { return nullptr; }

    // The button whose touch area (popup window coordinates, inclusive) holds (x, y).
    static int HitButton(int x, int y);

    // Read access for tests.
    const ViewCommon& Common() const { return m_View; }
    int ReturnIndex() const { return m_View.nOther; }
    bool HasSnapshot() const { return m_bSnapshotValid != 0; }
    int PressedButton() const { return m_nPressedButton; }

private:
    void DeleteSnapshot();
    // Takes the snapshot of what the window shows, or puts the stored one back.
    void SnapshotOrRestore(HDC hWindowDC, int width, int height);
    void ComposeBox(HDC hdc);
    // Composes the box off-screen and copies `part` of it (box coordinates) to the window.
    void CopyComposedBox(HDC hWindowDC, const RECT& part);
    // The pressed look of one button, straight onto the window.
    void DrawPressedButton(HDC hdc, int button);
    // Both buttons back in their normal look.
    void RedrawButtonsNormal();
    void Deliver(const wchar_t* key);

    ViewCommon m_View;
    HBITMAP m_hSnapshot = nullptr;
    int m_bSnapshotValid = 0;
    int m_nPressedButton = POPUP_NONE;
};
