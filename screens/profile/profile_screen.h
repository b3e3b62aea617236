// The profile view (view index 1): height, weight and language. It checks the typed values,
// stores the profile, hands height and weight to the engine and applies the language.
#pragma once

#include "app/screen.h"
#include "app/view_common.h"

// Control ids of the two fields.
#define PROFILE_HEIGHT_ID 6
#define PROFILE_WEIGHT_ID 7
#define PROFILE_GOAL_ID 8

class CProfileScreen : public CScreen {
public:
    CProfileScreen();
    ~CProfileScreen() override;

    BOOL Create(HWND parent, int index) override;
    void Release() override;
    void OnPaint(HDC hdc) override;
    void OnCommand(int id, int notifyCode) override;
    void Show(bool show, int otherIndex) override;
    void OnEvent(int value, const wchar_t* key) override;
    HBRUSH OnCtlColorEdit(HDC hdc, HWND hEdit) override;
    void OnLButtonDown(int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void OnLeftSoftKey() override;
    void OnRightSoftKey() override;
    void OnProfileData(LPARAM lParam) override;
    void OnLanguage(int languageIndex) override;
    void OnGoal(int steps) override;
    void OnOk() override;
    void OnSettingChange(WPARAM wParam) override;

    // Composes the whole view off-screen and copies it to the window.
    void FullRepaint();

    // Read access for tests.
    const ViewCommon& Common() const { return m_View; }
    HWND HeightField() const { return m_hHeight; }
    HWND WeightField() const { return m_hWeight; }
    HWND GoalField() const { return m_hGoal; }
    int StoredGoal() const { return m_nGoal; }
    int Exists() const { return m_nExists; }
    int Selection() const { return m_nSelection; }
    int SavedSelection() const { return m_nSavedSelection; }
    int InputPanelAllowed() const { return m_bInputPanel; }
    int Shift() const { return m_nShift; }
    const wchar_t* FirstUse() const { return m_szFirstUse; }

private:
    // Control (profile_screen.cpp)
    void Save();
    void FocusField(HWND hField);
    // Puts the stored goal into its field (empty for none).
    void ShowStoredGoal();
    // Moves the content up so that the focused field sits above the input panel while it is up,
    // and back down when it is not.
    void UpdateShift();
    void PlaceFields();

    // Drawing and field backgrounds (profile_screen_draw.cpp)
    void UpdateFieldBrushes();
    void DrawField(HDC hdc, HWND hField, int labelCell, const wchar_t* unit, int top, int unitX);
    void DrawLanguageChoice(HDC hdc);

    ViewCommon m_View;
    HWND m_hHeight = nullptr;
    HWND m_hWeight = nullptr;
    HWND m_hGoal = nullptr;
    HFONT m_hFieldFont = nullptr;
    HBRUSH m_hHeightBrush = nullptr;
    HBRUSH m_hWeightBrush = nullptr;
    HBRUSH m_hGoalBrush = nullptr;
    int m_nGoal = 0;  // the stored goal (UM_GOAL_DATA), 0 for none
    int m_nExists = 0;
    int m_nSelection = 0;
    int m_nSavedSelection = 0;
    int m_bInputPanel = 0;
    int m_nShift = 0;  // rows the content is moved up by, for the input panel
    wchar_t m_szHeight[10] = {};
    wchar_t m_szWeight[10] = {};
    wchar_t m_szFlag[2] = {};
    wchar_t m_szFirstUse[2] = {};
};
