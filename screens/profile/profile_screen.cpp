// The profile view's control: its fields, showing, the stored profile it is handed, taps,
// and saving or cancelling.
#include "screens/profile/profile_screen.h"

#include <cstring>
#include <cwchar>
#include <initializer_list>

#include "app/text_tables.h"
#include "common/messages.h"
#include "common/user_profile_block.h"
#include "resources/resource_ids.h"
#include "screens/profile/profile_input.h"
#include "screens/profile/profile_layout.h"

namespace {

// WS_CHILD | WS_VISIBLE | ES_RIGHT | ES_MULTILINE | ES_AUTOHSCROLL | ES_WANTRETURN | ES_NUMBER
constexpr DWORD kFieldStyle = 0x50003086;
constexpr int kFieldDigits = 3;
constexpr int kGoalDigits = 5;
constexpr int kFieldReadUnits = 10;

void CopyText(wchar_t* target, size_t units, const wchar_t* source) {
    wcsncpy(target, source, units - 1);
    target[units - 1] = L'\0';
}

HWND CreateField(HWND parent, int id, int top, int width = kProfileFieldWidth) {
    return CreateWindowExW(0, L"edit", L"", kFieldStyle, kProfileFieldX, top, width, kProfileFieldHeight,
                           parent, (HMENU)(intptr_t)id, GetAppInstance(), nullptr);
}

}  // namespace

CProfileScreen::CProfileScreen() = default;

// The application releases the view (Release) while the platform is still up.
CProfileScreen::~CProfileScreen() = default;

BOOL CProfileScreen::Create(HWND parent, int index) {
    if (!CreateViewWindow(m_View, parent, index)) return FALSE;
    m_hHeight = CreateField(m_View.hWnd, PROFILE_HEIGHT_ID, kProfileHeightBoxTop + kProfileFieldOffset);
    m_hWeight = CreateField(m_View.hWnd, PROFILE_WEIGHT_ID, kProfileWeightBoxTop + kProfileFieldOffset);
    m_hGoal = CreateField(m_View.hWnd, PROFILE_GOAL_ID, kProfileGoalBoxTop + kProfileFieldOffset,
                          kProfileGoalFieldWidth);
    LOGFONTW font;
    memset(&font, 0, sizeof(font));
    font.lfHeight = PROFILE_FONT;
    font.lfCharSet = HANGUL_CHARSET;
    font.lfOutPrecision = 3;
    font.lfClipPrecision = 2;
    font.lfQuality = 1;
    font.lfPitchAndFamily = 18;
    wcsncpy(font.lfFaceName, MV_KOREAN_UI_FONT, LF_FACESIZE - 1);
    m_hFieldFont = CreateFontIndirectW(&font);
    for (HWND field : {m_hHeight, m_hWeight, m_hGoal}) {
        if (!field) continue;
        SendMessageW(field, WM_SETFONT, (WPARAM)m_hFieldFont, TRUE);
        SendMessageW(field, EM_LIMITTEXT, field == m_hGoal ? kGoalDigits : kFieldDigits, 0);
    }
    return TRUE;
}

void CProfileScreen::Release() {
    if (m_hHeightBrush) DeleteObject(m_hHeightBrush);
    if (m_hWeightBrush) DeleteObject(m_hWeightBrush);
    if (m_hGoalBrush) DeleteObject(m_hGoalBrush);
    m_hHeightBrush = m_hWeightBrush = m_hGoalBrush = nullptr;
    // The fields keep using the font until they are gone with the view window.
    if (m_hFieldFont) {
        for (HWND field : {m_hHeight, m_hWeight, m_hGoal})
            if (field && IsWindow(field)) SendMessageW(field, WM_SETFONT, 0, FALSE);
        DeleteObject(m_hFieldFont);
        m_hFieldFont = nullptr;
    }
}

void CProfileScreen::Show(bool show, int otherIndex) {
    if (!m_View.hWnd) return;
    if (show) {
        ShowViewCommon(m_View, true, otherIndex, CaptionOk::Set, IDR_MENUBAR_PROFILE_KO,
                       IDR_MENUBAR_PROFILE_EN);
        // A focus round trip with the input panel still barred: the view opens with no field
        // focused and the panel down.
        SetFocus(m_hHeight);
        m_bInputPanel = 1;
        SetFocus(nullptr);
        UpdateWindow(m_View.hWnd);
    } else {
        ShowViewCommon(m_View, false, otherIndex, CaptionOk::Leave, IDR_MENUBAR_PROFILE_KO,
                       IDR_MENUBAR_PROFILE_EN);
        SetFocus(nullptr);
        m_bInputPanel = 0;
        if (m_nShift != 0) {
            m_nShift = 0;
            PlaceFields();
        }
        UpdateWindow(m_View.hWnd);
    }
}

void CProfileScreen::OnEvent(int value, const wchar_t* key) {
    if (key && wcscmp(key, L"EXIST") == 0) m_nExists = value;
}

void CProfileScreen::OnProfileData(LPARAM lParam) {
    const UserProfileBlock* block = (const UserProfileBlock*)lParam;
    if (!block) return;
    CopyText(m_szHeight, 10, block->szHeight);
    CopyText(m_szWeight, 10, block->szWeight);
    CopyText(m_szFlag, 2, block->szFlag);
    CopyText(m_szFirstUse, 2, block->szFirstUse);
    OnLanguage(block->nLang);
    // Stored values read back as "175.0": the fields show whole numbers.
    swprintf(m_szHeight, 10, L"%d", ProfileFieldValue(m_szHeight));
    swprintf(m_szWeight, 10, L"%d", ProfileFieldValue(m_szWeight));
    SetWindowTextW(m_hHeight, m_szHeight);
    SetWindowTextW(m_hWeight, m_szWeight);
    // What was typed and cancelled gives way to the stored goal.
    ShowStoredGoal();
    FullRepaint();
}

void CProfileScreen::OnGoal(int steps) {
    m_nGoal = steps > 0 ? steps : 0;
    ShowStoredGoal();
}

void CProfileScreen::ShowStoredGoal() {
    wchar_t text[16] = L"";
    if (m_nGoal > 0) swprintf(text, 16, L"%d", m_nGoal);
    SetWindowTextW(m_hGoal, text);
}

void CProfileScreen::OnLanguage(int languageIndex) {
    m_nSavedSelection = m_nSelection;
    m_nSelection = languageIndex;
    SetLanguageOffsets(m_View, languageIndex);
}

void CProfileScreen::OnCommand(int id, int notifyCode) {
    if (id == IDM_NEXT_FIELD || id == IDM_PREV_FIELD) {
        // Height, weight, goal, and round again; backwards the other way.
        const HWND order[3] = {m_hHeight, m_hWeight, m_hGoal};
        HWND focus = GetFocus();
        int at = -1;
        for (int i = 0; i < 3; ++i)
            if (focus && focus == order[i]) at = i;
        if (at < 0)
            FocusField(id == IDM_NEXT_FIELD ? m_hHeight : m_hGoal);
        else
            FocusField(order[(at + (id == IDM_NEXT_FIELD ? 1 : 2)) % 3]);
        FullRepaint();
        return;
    }
    UpdateFieldBrushes();
    if (id != PROFILE_HEIGHT_ID && id != PROFILE_WEIGHT_ID && id != PROFILE_GOAL_ID) return;
    HWND field = id == PROFILE_HEIGHT_ID ? m_hHeight : id == PROFILE_WEIGHT_ID ? m_hWeight : m_hGoal;
    if (GetFocus() == field) {
        if (m_bInputPanel) SipShowIM(SIPF_ON);
    } else {
        SipShowIM(SIPF_OFF);
    }
    // Another field may have taken the focus with the panel up.
    UpdateShift();
}

void CProfileScreen::OnSettingChange(WPARAM wParam) {
    if (wParam == SPI_SETSIPINFO) UpdateShift();
}

void CProfileScreen::UpdateShift() {
    int shift = 0;
    SIPINFO info;
    memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    const HWND focus = GetFocus();
    const int boxTop = focus == nullptr     ? -1
                       : focus == m_hHeight ? kProfileHeightBoxTop
                       : focus == m_hWeight ? kProfileWeightBoxTop
                       : focus == m_hGoal   ? kProfileGoalBoxTop
                                            : -1;
    RECT view = {};
    if (boxTop >= 0 && IsWindowVisible(m_View.hWnd) && GetWindowRect(m_View.hWnd, &view) &&
        SipGetInfo(&info) && (info.fdwFlags & SIPF_ON)) {
        const int visibleBottom = info.rcVisibleDesktop.bottom - view.top;
        const int bottom = boxTop + kProfileBoxHeight + kProfileSipGap;
        if (bottom > visibleBottom) shift = bottom - visibleBottom;
    }
    if (shift == m_nShift) return;
    m_nShift = shift;
    PlaceFields();
    if (IsWindowVisible(m_View.hWnd)) FullRepaint();
}

void CProfileScreen::PlaceFields() {
    const int tops[3] = {kProfileHeightBoxTop, kProfileWeightBoxTop, kProfileGoalBoxTop};
    const HWND fields[3] = {m_hHeight, m_hWeight, m_hGoal};
    for (int i = 0; i < 3; ++i) {
        if (!fields[i]) continue;
        MoveWindow(fields[i], kProfileFieldX, tops[i] + kProfileFieldOffset - m_nShift,
                   fields[i] == m_hGoal ? kProfileGoalFieldWidth : kProfileFieldWidth, kProfileFieldHeight,
                   TRUE);
    }
}

void CProfileScreen::FocusField(HWND hField) {
    // A tap on the field that has the focus already raises the keypad again (it may have been
    // put away with its own key): no focus change tells the view so.
    if (GetFocus() == hField && m_bInputPanel) SipShowIM(SIPF_ON);
    SetFocus(hField);
    PostMessageW(hField, EM_SETSEL, 0, -1);
}

void CProfileScreen::OnLButtonDown(int x, int y) {
    y += m_nShift;
    if (ProfileHitHeight(x, y)) {
        FocusField(m_hHeight);
    } else if (ProfileHitWeight(x, y)) {
        FocusField(m_hWeight);
    } else if (ProfileHitGoal(x, y)) {
        FocusField(m_hGoal);
    } else {
        SetFocus(nullptr);
        SipShowIM(SIPF_OFF);
    }
    FullRepaint();
}

void CProfileScreen::OnLButtonUp(int x, int y) {
    y += m_nShift;
    int choice = ProfileChoiceAt(x, y);
    if (choice < 0) return;
    m_nSelection = choice;
    FullRepaint();
}

void CProfileScreen::OnLeftSoftKey() {
    Save();
}

void CProfileScreen::OnOk() {
    Save();
}

void CProfileScreen::Save() {
    wchar_t heightText[kFieldReadUnits] = {};
    wchar_t weightText[kFieldReadUnits] = {};
    GetWindowTextW(m_hHeight, heightText, kFieldReadUnits);
    GetWindowTextW(m_hWeight, weightText, kFieldReadUnits);
    const int language = m_nSelection;
    m_nSavedSelection = m_nSelection;
    const int height = ProfileFieldValue(heightText);
    const int weight = ProfileFieldValue(weightText);

    ProfileCheck check = CheckProfileValues(height, weight);
    if (check != PROFILE_OK) {
        const bool badHeight = check == PROFILE_BAD_HEIGHT;
        const int cell = badHeight ? PROFILE_TEXT_HEIGHT_RANGE : PROFILE_TEXT_WEIGHT_RANGE;
        MessageBoxW(m_View.hMain, TextTable[cell + m_View.nTextOffset],
                    TextTable[PROFILE_TEXT_INPUT_ERROR + m_View.nTextOffset], MB_ICONQUESTION);
        FocusField(badHeight ? m_hHeight : m_hWeight);
        return;
    }
    wchar_t goalText[kFieldReadUnits] = {};
    GetWindowTextW(m_hGoal, goalText, kFieldReadUnits);
    int goal = 0;
    if (!ProfileGoalValue(goalText, &goal)) {
        MessageBoxW(m_View.hMain, TextTable[TEXT_GOAL_RANGE + m_View.nTextOffset],
                    TextTable[PROFILE_TEXT_INPUT_ERROR + m_View.nTextOffset], MB_ICONQUESTION);
        FocusField(m_hGoal);
        return;
    }

    // Only the checked integers are written into the statements and handed on.
    ProfileStatements statements;
    ComposeProfileStatements(m_nExists != 0, ProfileFieldValue(m_szFirstUse), ProfileFieldValue(m_szFlag),
                             height, weight, language, &statements);
    for (int i = 0; i < statements.nCount; ++i)
        SendMessageW(m_View.hMain, UM_EXEC_SQL, statements.nKind[i], (LPARAM)statements.szSql[i]);
    // Written only when it changed: a user who never sets a goal keeps a file without one.
    if (goal != m_nGoal) SendMessageW(m_View.hMain, UM_SET_GOAL, goal, 0);

    // What the engine now has, and what a later Cancel leaves it with.
    swprintf(m_szHeight, 10, L"%d", height);
    swprintf(m_szWeight, 10, L"%d", weight);
    SendMessageW(m_View.hMain, UM_SET_PROFILE, (WPARAM)m_szHeight, (LPARAM)m_szWeight);
    SendMessageW(m_View.hMain, UM_SET_LANGUAGE, language, 0);
    SendMessageW(m_View.hMain, UM_SWITCH_VIEW, VIEW_MAIN, 0);
}

void CProfileScreen::OnRightSoftKey() {
    // Nothing is stored, and the engine keeps the profile it had (the stored one or the first
    // use's defaults): what was typed was never checked, and a height of 9 or none would count
    // every later step's distance and kilocalories from it.
    SendMessageW(m_View.hMain, UM_SET_PROFILE, (WPARAM)m_szHeight, (LPARAM)m_szWeight);
    SendMessageW(m_View.hMain, UM_SWITCH_VIEW, VIEW_MAIN, 0);
    m_nSelection = m_nSavedSelection;
}
