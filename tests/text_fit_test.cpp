// Texts wider than their boxes at their own size are drawn smaller, so that none is cut at a
// box's edge: the English "Calories" label, a five-digit kilocalorie value, six-digit grid values
// of the history and its "(Month)" caption. A text counts as shown whole when a drawing of it
// without any clipping, at its own size or a smaller one, matches the screen: everywhere in its
// box and wherever that drawing has ink beyond the box.
#include "screens/history/log_screen.h"
#include "screens/main/main_layout.h"
#include "tests/main_screen_test_util.h"

namespace {

using namespace maintest;

uint32_t Rgb(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// Whether the view shows `text` uncut in `box` (view coordinates) at some height up to `height`.
// The drawing is made with a margin around the view, so that ink beyond the view's edges counts.
bool ShowsWhole(const wchar_t* text, const RECT& box, int height, COLORREF color, UINT format) {
    const int margin = 100, width = 480, rows = 696;
    for (int h = height; h >= 8; --h) {
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, width + 2 * margin, rows + 2 * margin);
        HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
        LOGFONTW lf = {};
        lf.lfHeight = h;
        wcsncpy(lf.lfFaceName, MV_KOREAN_UI_FONT, LF_FACESIZE - 1);
        HFONT font = CreateFontIndirectW(&lf);
        HGDIOBJ oldFont = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, color);
        RECT rect = {box.left + margin, box.top + margin, box.right + margin, box.bottom + margin};
        DrawTextW(dc, text, -1, &rect, format | DT_NOCLIP);
        bool same = true;
        for (int y = box.top - 20; same && y < box.bottom + 20; ++y)
            for (int x = box.left - 60; same && x < box.right + 60; ++x) {
                const uint32_t drawn = Rgb(GetPixel(dc, x + margin, y + margin));
                const bool onView = x >= 0 && x < width && y >= 0 && y < rows;
                const bool inBox = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
                if (!onView)
                    same = drawn == 0;
                else if ((inBox || drawn != 0) && drawn != (ViewPixel(x, y) & 0xFFFFFF))
                    same = false;
            }
        SelectObject(dc, oldFont);
        DeleteObject(font);
        SelectObject(dc, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
        if (same) return true;
    }
    return false;
}

std::wstring Wide(int value) {
    return std::to_wstring(value);
}

TEST(TextFitTest, LabelsValuesAndGridTextsTooWideForTheirBoxesShowWhole) {
    for (int language : {1, 0}) {
        CShellRun run;
        ASSERT_TRUE(run.PrepareStoredProfile(language));
        ASSERT_TRUE(CopyBuiltImages(run.Dir()));
        // A busy day of 15001.02 kilocalories; this year's months reach 930 km.
        ASSERT_TRUE(ExecSqlOn(run.DbPath(),
                              "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES"
                              "('2024-03-14', '09:00:00', 310000, 15001.02, 210000),"
                              "('2024-02-12', '09:00:00', 912345, 46000, 930000);"));
        bool label = false, value = false, caption = false;
        std::vector<bool> grid;
        run.Hook("main", [&] {
            label = language == 0 ||
                    ShowsWhole(L"Calories", kMainCaloriesLabel, MAIN_LABEL_FONT, MAIN_LABEL_COLOR, DT_LEFT);
            value =
                ShowsWhole(L"15001.02 Kcal", kMainCaloriesBox, MAIN_VALUE_FONT, MAIN_VALUE_COLOR, DT_CENTER);
        });
        run.Hook("year", [&] {
            auto* history = static_cast<CLogScreen*>(GetApplication()->GetView(VIEW_HISTORY));
            for (int k = 1; k <= 5; ++k) {
                const RECT box = {0, 635 - 80 * k, 76, 695 - 80 * k};
                grid.push_back(
                    ShowsWhole(Wide(history->Tick(k)).c_str(), box, 24, RGB(255, 255, 255), DT_RIGHT));
            }
            caption = ShowsWhole(L"(Month)", RECT{414, 650, 477, 711}, 20, RGB(128, 128, 128), DT_RIGHT);
        });
        // Main view, then the history's year page of distances.
        EXPECT_EQ(run.Run("wait 500\ncall main\ntap 400 692\ntap 390 97\ntap 390 230\ncall year\nquit\n"), 0);
        EXPECT_TRUE(label) << "\"Calories\" is cut";
        EXPECT_TRUE(value) << language;
        EXPECT_EQ(grid, std::vector<bool>(5, true)) << language;
        EXPECT_TRUE(caption) << language;
    }
}

}  // namespace
