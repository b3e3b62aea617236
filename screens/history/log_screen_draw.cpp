// Painting of the history view: axes, line and markers, labels, the page-total bubble, arrows,
// tabs and category selector, composed off-screen and copied to the window in one step.
#include <climits>
#include <cwchar>

#include "app/draw_util.h"
#include "app/text_tables.h"
#include "resources/resource_ids.h"
#include "screens/history/chart_layout.h"
#include "screens/history/log_screen.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kGrey = RGB(128, 128, 128);
const int kTabX[3] = {14, 165, 315};
const int kTabRight[3] = {165, 315, 465};
// Category boxes "Inputbox_02_dim.png" and "Inputbox_02_normal.png" (first half of the table).
const int kInputDim = 50;
const int kInputNormal = 51;
// The goal's colour: apart from the blue data line and the grey grid.
const COLORREF kGoalColor = RGB(255, 190, 0);
const int kChartLeft = 83;
const int kChartRight = 458;

// The title uses the system's default face rather than the Korean Gothic one.
void DrawTitleText(HDC hdc, const wchar_t* text) {
    LOGFONTW lf{};
    lf.lfHeight = 38;
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(hdc, font);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, kWhite);
    RECT rect = {0, 99, 480, 198};
    DrawTextW(hdc, text, -1, &rect, DT_CENTER);
    SelectObject(hdc, old);
    DeleteObject(font);
}

void Cell(HDC hdc, const wchar_t* text, int l, int t, int r, int b, int height, COLORREF color, UINT format) {
    RECT rect = {l, t, r, b};
    DrawTextCell(hdc, text, rect, height, color, format);
}

}  // namespace

const wchar_t* CLogScreen::Text(int index) const {
    return TextTable[index + m_nTextOffset];
}

const wchar_t* CLogScreen::Image(int index) const {
    return ImageTable[index + m_nImageOffset];
}

void CLogScreen::OnPaint(HDC) {
    DrawHistory();
}

void CLogScreen::DrawHistory() {
    OffscreenCanvas canvas;
    if (!BeginOffscreen(m_View.hWnd, &canvas)) return;
    HDC hdc = canvas.hMemDC;

    DrawBitmapAt(hdc, IDB_CHART_VERTICAL, 82, 211, 1, 438);
    DrawBitmapAt(hdc, IDB_CHART_HORIZONTAL, 83, kChartBaseY, 375, 1);
    for (int k = 1; k <= 5; ++k) DrawBitmapAt(hdc, IDB_CHART_HORIZONTAL2, 83, kChartBaseY - 80 * k, 375, 1);

    if (ShowsGoal()) DrawGoalLine(hdc);
    // Line first, then each point's marker on top of the lines that meet it.
    const int m = m_nPeriod == 3 ? 0 : DrawnPointCount();
    m_nPageSteps = 0;
    m_dPageKCal = 0;
    m_dPageDistance = 0;
    m_nBubbleX = 105;
    m_nBubbleY = 605;
    HBITMAP marker = LoadBitmapW(GetAppInstance(), MAKEINTRESOURCEW(IDB_CHART_MARKER));
    HPEN pen = CreatePen(PS_SOLID, 4, RGB(0, 160, 212));
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    for (int i = 0; i < m; ++i) {
        if (i + 1 < m) {
            MoveToEx(hdc, m_nPointX[i] + 10, m_nPointY[i], nullptr);
            LineTo(hdc, m_nPointX[i + 1] + 10, m_nPointY[i + 1]);
        }
        if (marker)
            TransparentImage(hdc, m_nPointX[i] + 10 - 2, m_nPointY[i] - 2, 5, 5, marker, 0, 0, 5, 5,
                             RGB(0, 255, 0));
        const int64_t steps = (int64_t)m_nPageSteps + m_nPointSteps[i];  // saturates, never overflows
        m_nPageSteps = steps > INT32_MAX ? INT32_MAX : (int32_t)steps;
        m_dPageKCal += m_dPointKCal[i];
        m_dPageDistance += m_dPointDistance[i];
        m_nBubbleX = m_nPointX[i];
        m_nBubbleY = m_nPointY[i];
    }
    SelectObject(hdc, oldPen);
    DeleteObject(pen);
    if (marker) DeleteObject(marker);
    if (m_nPeriod == 3) DrawDayChart(hdc);
    // Only the week page's points are days; a month page's weekly sums are never marked against a
    // daily goal.
    if (ShowsGoal() && m_nPeriod == 0) DrawGoalMarkers(hdc, m);

    DrawTitleText(hdc, tChartTxt);
    DrawTexts(hdc);
    DrawBubble(hdc);
    DrawImageAt(m_View.hMain, hdc, 100, 98, Image(28));
    DrawImageAt(m_View.hMain, hdc, 340, 98, Image(30));
    DrawTabStrip(hdc, m_nPeriod, false);

    for (int c = 0; c < 3; ++c)
        Cell(hdc, Text(37 + c), kTabX[c] + 29, 153, kTabRight[c], 203, 34, kWhite, DT_VCENTER);
    for (int c = 0; c < 3; ++c) DrawImageAt(m_View.hMain, hdc, kTabX[c], 153, ImageTable[kInputNormal]);
    if (m_nCategory >= 1 && m_nCategory <= 3)
        DrawImageAt(m_View.hMain, hdc, kTabX[m_nCategory - 1], 148, ImageTable[kInputDim]);

    EndOffscreen(m_View.hWnd, &canvas, 0, 0, canvas.nWidth, canvas.nHeight);
}

bool CLogScreen::ShowsGoal() const {
    return m_nGoal > 0 && m_nCategory == 1 && (m_nPeriod == 0 || m_nPeriod == 1) && m_nScaleStep > 0;
}

void CLogScreen::DrawGoalLine(HDC hdc) {
    // A goal above the scale lies on the top line, with an arrow pointing up at its right end.
    const bool above = m_nGoal > m_nTick[5];
    const int y = ChartPointRow(m_nGoal, m_nTick, m_nTickY, m_nScaleStep);
    HPEN pen = CreatePen(PS_SOLID, 2, kGoalColor);
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    MoveToEx(hdc, kChartLeft, y, nullptr);
    LineTo(hdc, kChartRight, y);
    if (above) {
        MoveToEx(hdc, kChartRight - 12, y - 4, nullptr);
        LineTo(hdc, kChartRight - 6, y - 12);
        LineTo(hdc, kChartRight, y - 4);
        MoveToEx(hdc, kChartRight - 6, y - 12, nullptr);
        LineTo(hdc, kChartRight - 6, y);
    }
    SelectObject(hdc, oldPen);
    DeleteObject(pen);
    wchar_t text[32];
    swprintf(text, 32, L"%d", m_nGoal);
    Cell(hdc, text, kChartLeft, y - 24, kChartRight - (above ? 16 : 0), y - 2, 18, kGoalColor, DT_RIGHT);
}

void CLogScreen::DrawGoalMarkers(HDC hdc, int drawnPoints) {
    HBRUSH ring = CreateSolidBrush(kGoalColor);
    HBRUSH white = (HBRUSH)GetStockObject(WHITE_BRUSH);
    for (int i = 0; i < drawnPoints && i < 12; ++i) {
        if (m_nPointSteps[i] < m_nGoal) continue;
        // A larger gold square with a white centre, in place of the plain marker.
        const int x = m_nPointX[i] + 10;
        const int y = m_nPointY[i];
        const RECT outer = {x - 6, y - 6, x + 7, y + 7};
        const RECT inner = {x - 2, y - 2, x + 3, y + 3};
        FillRect(hdc, &outer, ring);
        FillRect(hdc, &inner, white);
    }
    DeleteObject(ring);
}

void CLogScreen::DrawTexts(HDC hdc) {
    static const wchar_t* const kUnits[3] = {L"(Steps)", L"(Kcal)", L"(m)"};
    const int unit = m_nCategory >= 1 && m_nCategory <= 3 ? m_nCategory - 1 : 0;
    Cell(hdc, kUnits[unit], 0, 215, 76, 275, 20, kGrey, DT_RIGHT);
    wchar_t text[32];
    for (int k = 0; k <= 5; ++k) {
        swprintf(text, 32, L"%d", m_nTick[k]);
        Cell(hdc, text, 0, 635 - 80 * k, 76, 695 - 80 * k, 24, kWhite, DT_RIGHT);
    }
    if (m_nPeriod == 3) {
        DrawDayLabels(hdc);
    } else if (m_nPeriod == 0) {
        for (int i = 0; i < 7; ++i)
            Cell(hdc, Text(16 + i), 86 + 53 * i, 653, 139 + 53 * i, 701, 20, kWhite, DT_LEFT);
        Cell(hdc, L"(Day)", 424, 650, 477, 711, 20, kGrey, DT_RIGHT);
    } else if (m_nPeriod == 1) {
        const int n = m_Query.nDiff;
        for (int k = 1; k <= n; ++k) {
            const int x = 86 + (k - 1) * (n == 4 ? 91 : 68);
            swprintf(text, 32, L"%d%ls", k, m_nTextOffset ? GetOrdinalSuffix(k) : TextTable[13]);
            Cell(hdc, text, x, 653, x + 53, 701, 20, kWhite, DT_LEFT);
        }
        Cell(hdc, L"(Week)", 414, 650, 477, 711, 20, kGrey, DT_RIGHT);
    } else {
        for (int i = 0; i < 12; ++i)
            Cell(hdc, m_szMonthLabel[i], 86 + 27 * i, 653, 139 + 27 * i, 701, 20, kWhite, DT_LEFT);
        Cell(hdc, L"(Month)", 414, 650, 477, 711, 20, kGrey, DT_RIGHT);
    }
}

void CLogScreen::DrawBubble(HDC hdc) {
    wchar_t text[100];
    if (m_nCategory == 2)
        swprintf(text, 100, L"%.lf", m_dPageKCal);
    else if (m_nCategory == 3)
        swprintf(text, 100, L"%.lf", m_dPageDistance);
    else
        swprintf(text, 100, L"%d", m_nPageSteps);
    const BubbleLayout b = LayoutBubble(m_nBubbleX, m_nBubbleY, (int32_t)wcslen(text));
    DrawImageAt(m_View.hMain, hdc, b.x - 20, b.y - 102, Image(43));
    for (int k = 0; k < b.segments; ++k)
        DrawImageAt(m_View.hMain, hdc, b.x - 9 + 15 * k, b.y - 102, Image(44));
    DrawImageAt(m_View.hMain, hdc, b.x - 9 + 15 * b.segments, b.y - 102, Image(45));
    // The end piece's size is read once: its file does not change while the program runs.
    if (m_BubbleEnd.cx <= 0 && !GetImageSize(Image(45), &m_BubbleEnd)) m_BubbleEnd = {20, 50};
    m_rcBubble = {b.x - 20, b.y - 102, b.x - 9 + 15 * b.segments + m_BubbleEnd.cx,
                  b.y - 102 + m_BubbleEnd.cy};
    Cell(hdc, text, b.x - 20, b.y - 100, b.x + 15 * b.segments + 56, b.y - 55, 32, kWhite, DT_CENTER);
}

// The three tabs; `current` gets its focused image, or with pressedLook its pressed image.
void CLogScreen::DrawTabStrip(HDC hdc, int current, bool pressedLook) {
    for (int t = 0; t < 3; ++t) {
        DrawImageAt(m_View.hMain, hdc, kTabX[t], 13, Image(32 + 3 * t));
        Cell(hdc, Text(10 + t), kTabX[t], 13, kTabRight[t], 79, 34, kBlack, DT_CENTER | DT_VCENTER);
    }
    if (current < 0 || current > 2) return;
    DrawImageAt(m_View.hMain, hdc, kTabX[current], 13, Image(32 + 3 * current + (pressedLook ? 2 : 1)));
    Cell(hdc, Text(10 + current), kTabX[current], 13, kTabRight[current], 79, 34, kWhite,
         DT_CENTER | DT_VCENTER);
}
