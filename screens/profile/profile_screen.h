// The profile view (view index 1): height, weight and language.
#pragma once

#include "app/screen.h"
#include "app/view_common.h"

class CProfileScreen : public CScreen {
public:
    CProfileScreen();
    ~CProfileScreen() override;

    BOOL Create(HWND parent, int index) override;
    void Show(bool show, int otherIndex) override;
    void OnLanguage(int languageIndex) override;
    HBRUSH OnCtlColorEdit(HDC hdc, HWND hEdit) override { return nullptr; }
    void OnLeftSoftKey() override;
    void OnRightSoftKey() override;
    void OnOk() override;

    // Read access for tests.
    const ViewCommon& Common() const { return m_View; }

private:
    ViewCommon m_View;
};
