// The history view (view index 3): charts of the stored days, weeks and months.
#pragma once

#include "app/screen.h"
#include "app/view_common.h"

class CLogScreen : public CScreen {
public:
    CLogScreen();
    ~CLogScreen() override;

    BOOL Create(HWND parent, int index) override;
    void Show(bool show, int otherIndex) override;
    void OnLanguage(int languageIndex) override;
    HBRUSH OnCtlColorEdit(HDC hdc, HWND hEdit) override { return nullptr; }
    void OnRightSoftKey() override;
    void OnOk() override;

    // Read access for tests.
    const ViewCommon& Common() const { return m_View; }

private:
    ViewCommon m_View;
};
