// The popup's window, showing and language, its paint over the snapshot of the opener, the
// pressed look of its two buttons and the delivery of the answer. It shares soft-key bar
// 111 / 157 with the history view but changes neither the title-bar OK button nor the task bar;
// its soft keys do nothing.
#include "app/popup_dlg.h"

#include <initializer_list>

#include "app/draw_util.h"
#include "app/text_tables.h"
#include "common/messages.h"
#include "resources/resource_ids.h"

namespace {
// The box: composed in its own coordinates, copied to the window at (kBoxX, kBoxY).
constexpr int kBoxX = 15;
constexpr int kBoxY = 90;
constexpr int kBoxWidth = 445;
constexpr int kBoxHeight = 250;
// The view window starts below the 52-row task bar.
constexpr int kTaskBarHeight = 52;

// Text and image cells (Korean half; the language offsets select the English half).
constexpr int kTextQuestion = 4;
constexpr int kTextTitle = 5;
constexpr int kTextYes = 54;
constexpr int kTextNo = 55;
constexpr int kImageTitleBand = 54;
constexpr int kImageBody = 55;
constexpr int kImageButtonNormal = 57;
constexpr int kImageButtonPressed = 58;

constexpr int kTitleFont = 42;
constexpr int kButtonFont = 40;
constexpr COLORREF kWhite = 0x00FFFFFF;
constexpr COLORREF kBlack = 0x00000000;

constexpr RECT kTitleRect = {18, 10, 427, 50};
constexpr RECT kQuestionRect = {50, 70, 445, 160};

struct ButtonPlace {
    int nImageX;  // image top-left, box coordinates
    int nImageY;
    RECT text;   // text rectangle, box coordinates
    RECT touch;  // touch area, window coordinates, inclusive
    int nTextCell;
};
constexpr ButtonPlace kButtons[2] = {
    {18, 170, {18, 170, 214, 232}, {34, 261, 228, 321}, kTextYes},
    {229, 170, {231, 170, 427, 232}, {247, 261, 441, 321}, kTextNo},
};

// Both buttons with their texts, box coordinates.
constexpr RECT kButtonBand = {18, 170, 427, 232};

const ButtonPlace& Place(int button) {
    return kButtons[button == POPUP_NO ? 1 : 0];
}

RECT ToWindow(const RECT& box) {
    return {box.left + kBoxX, box.top + kBoxY, box.right + kBoxX, box.bottom + kBoxY};
}
}  // namespace

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
    // Shown again over itself, the popup keeps its opener: answering back to the popup would
    // leave the user in a dialog that no key closes.
    if (show && otherIndex == m_View.nIndex) otherIndex = m_View.nOther;
    ShowViewCommon(m_View, show, otherIndex, CaptionOk::Leave, IDR_MENUBAR_RESET_KO, IDR_MENUBAR_RESET_EN);
}

void CPopupDlg::OnLanguage(int languageIndex) {
    SetLanguageOffsets(m_View, languageIndex);
}

int CPopupDlg::HitButton(int x, int y) {
    for (int button : {POPUP_YES, POPUP_NO}) {
        const RECT& area = Place(button).touch;
        if (x >= area.left && x <= area.right && y >= area.top && y <= area.bottom) return button;
    }
    return POPUP_NONE;
}

void CPopupDlg::OnPaint(HDC) {
    if (!m_View.hWnd) return;
    RECT rect = {};
    if (!GetWindowRect(m_View.hWnd, &rect)) return;
    HDC hWindowDC = GetDC(m_View.hWnd);
    if (!hWindowDC) return;
    SnapshotOrRestore(hWindowDC, rect.right, rect.bottom - kTaskBarHeight);
    CopyComposedBox(hWindowDC, {0, 0, kBoxWidth, kBoxHeight});
    ReleaseDC(m_View.hWnd, hWindowDC);
}

void CPopupDlg::CopyComposedBox(HDC hWindowDC, const RECT& part) {
    HDC hMemDC = CreateCompatibleDC(hWindowDC);
    HBITMAP hBox = CreateCompatibleBitmap(hWindowDC, kBoxWidth, kBoxHeight);
    if (hMemDC && hBox) {
        HGDIOBJ old = SelectObject(hMemDC, hBox);
        ComposeBox(hMemDC);
        BitBlt(hWindowDC, part.left + kBoxX, part.top + kBoxY, part.right - part.left, part.bottom - part.top,
               hMemDC, part.left, part.top, SRCCOPY);
        SelectObject(hMemDC, old);
    }
    if (hBox) DeleteObject(hBox);
    if (hMemDC) DeleteDC(hMemDC);
}

void CPopupDlg::SnapshotOrRestore(HDC hWindowDC, int width, int height) {
    // The snapshot leaves out the bottom 52 rows; the box never reaches them.
    int snapHeight = height - kTaskBarHeight;
    if (width <= 0 || snapHeight <= 0) return;
    HDC hMemDC = CreateCompatibleDC(hWindowDC);
    if (!hMemDC) return;
    if (!m_bSnapshotValid) {
        m_hSnapshot = CreateCompatibleBitmap(hWindowDC, width, snapHeight);
        if (m_hSnapshot) {
            HGDIOBJ old = SelectObject(hMemDC, m_hSnapshot);
            // Views never erase their background: the window still shows the opener.
            BitBlt(hMemDC, 0, 0, width, snapHeight, hWindowDC, 0, 0, SRCCOPY);
            SelectObject(hMemDC, old);
            m_bSnapshotValid = 1;
        }
    } else {
        HGDIOBJ old = SelectObject(hMemDC, m_hSnapshot);
        BitBlt(hWindowDC, 0, 0, width, snapHeight, hMemDC, 0, 0, SRCCOPY);
        SelectObject(hMemDC, old);
    }
    DeleteDC(hMemDC);
}

void CPopupDlg::ComposeBox(HDC hdc) {
    const int text = m_View.nTextOffset;
    const int image = m_View.nImageOffset;
    DrawImageAt(m_View.hMain, hdc, 0, 0, ImageTable[kImageTitleBand + image]);
    DrawImageAt(m_View.hMain, hdc, 0, 60, ImageTable[kImageBody + image]);
    for (int button : {POPUP_YES, POPUP_NO})
        DrawImageAt(m_View.hMain, hdc, Place(button).nImageX, Place(button).nImageY,
                    ImageTable[kImageButtonNormal + image]);
    for (int button : {POPUP_YES, POPUP_NO})
        DrawTextCell(hdc, TextTable[Place(button).nTextCell + text], Place(button).text, kButtonFont, kBlack,
                     DT_CENTER | DT_VCENTER);
    DrawTextCell(hdc, TextTable[kTextQuestion + text], kQuestionRect, kTitleFont, kWhite, DT_LEFT | DT_TOP);
    DrawTextCell(hdc, TextTable[kTextTitle + text], kTitleRect, kTitleFont, kWhite, DT_CENTER);
}

void CPopupDlg::DrawPressedButton(HDC hdc, int button) {
    const ButtonPlace& place = Place(button);
    DrawImageAt(m_View.hMain, hdc, place.nImageX + kBoxX, place.nImageY + kBoxY,
                ImageTable[kImageButtonPressed + m_View.nImageOffset]);
    DrawTextCell(hdc, TextTable[place.nTextCell + m_View.nTextOffset], ToWindow(place.text), kButtonFont,
                 kWhite, DT_CENTER | DT_VCENTER);
}

void CPopupDlg::OnLButtonDown(int x, int y) {
    m_nPressedButton = HitButton(x, y);
    if (m_nPressedButton == POPUP_NONE || !m_View.hWnd) return;
    HDC hdc = GetDC(m_View.hWnd);
    if (!hdc) return;
    DrawPressedButton(hdc, m_nPressedButton);
    ReleaseDC(m_View.hWnd, hdc);
}

void CPopupDlg::OnLButtonUp(int x, int y) {
    RedrawButtonsNormal();
    int lifted = HitButton(x, y);
    int pressed = m_nPressedButton;
    // A press is used up by its lift, answered or not.
    m_nPressedButton = POPUP_NONE;
    if (lifted == POPUP_NONE || lifted != pressed) return;
    Deliver(lifted == POPUP_YES ? L"BUT_YES" : L"BUT_NO");
}

void CPopupDlg::RedrawButtonsNormal() {
    // Drawing the normal button over the pressed one would blend the two at the image's soft
    // edges and the text's smoothed outline; the box composed afresh gives the normal look exactly.
    if (!m_View.hWnd) return;
    HDC hWindowDC = GetDC(m_View.hWnd);
    if (!hWindowDC) return;
    CopyComposedBox(hWindowDC, kButtonBand);
    ReleaseDC(m_View.hWnd, hWindowDC);
}

void CPopupDlg::Deliver(const wchar_t* key) {
    int opener = m_View.nOther;
    SendMessageW(m_View.hMain, UM_SWITCH_VIEW, (WPARAM)opener, 0);
    SendMessageW(m_View.hMain, UM_VIEW_EVENT, (WPARAM)opener, (LPARAM)key);
}

void CPopupDlg::DeleteSnapshot() {
    if (m_hSnapshot) {
        DeleteObject(m_hSnapshot);
        m_hSnapshot = nullptr;
    }
    m_bSnapshotValid = 0;
}
