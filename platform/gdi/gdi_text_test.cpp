#include <cstdlib>

#include "platform/gdi/gdi_test_util.h"

namespace {

// Draws text in white on black with a font of the given cell height, as the program's views do.
int Draw(MvCanvas& c, const wchar_t* text, RECT r, UINT format, RECT* result = nullptr, int height = 30) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    wcscpy(lf.lfFaceName, MV_KOREAN_UI_FONT);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(c.dc(), font);
    SetBkMode(c.dc(), TRANSPARENT);
    SetTextColor(c.dc(), RGB(255, 255, 255));
    const int h = DrawTextW(c.dc(), text, -1, &r, format);
    SelectObject(c.dc(), old);
    DeleteObject(font);
    if (result) *result = r;
    return h;
}

int Rows(const RECT& r) {
    return r.bottom - r.top;
}

TEST(GdiText, HorizontalAlignmentPlacesTheInk) {
    const RECT box{20, 10, 380, 60};
    MvCanvas left(400, 80);
    Draw(left, L"Calories", box, DT_LEFT);
    RECT ink = left.InkBox(0);
    ASSERT_GT(ink.right, ink.left);
    EXPECT_GE(ink.left, 20);
    EXPECT_LE(ink.left, 24);

    MvCanvas centre(400, 80);
    Draw(centre, L"Calories", box, DT_CENTER);
    RECT c = centre.InkBox(0);
    EXPECT_LE(std::abs((c.left + c.right) / 2 - 200), 3);
    EXPECT_EQ(c.right - c.left, ink.right - ink.left);

    MvCanvas right(400, 80);
    Draw(right, L"Calories", box, DT_RIGHT);
    RECT r = right.InkBox(0);
    EXPECT_LE(r.right, 380);
    EXPECT_GE(r.right, 376);
}

TEST(GdiText, AbcWidthsPlaceTheInkWithinTheAdvance) {
    MvCanvas c(200, 80);
    LOGFONTW lf{};
    lf.lfHeight = 40;
    wcscpy(lf.lfFaceName, MV_KOREAN_UI_FONT);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(c.dc(), font);
    ABC abc[2] = {};
    ASSERT_TRUE(GetCharABCWidthsW(c.dc(), L'1', L'2', abc));
    SIZE one = {};
    ASSERT_TRUE(GetTextExtentPoint32W(c.dc(), L"1", 1, &one));
    EXPECT_EQ(abc[0].abcA + (int)abc[0].abcB + abc[0].abcC, one.cx);
    EXPECT_GT(abc[0].abcA, 0);  // a "1" has blank space before its stem
    EXPECT_GT(abc[1].abcB, 0u);
    ABC blank = {};
    ASSERT_TRUE(GetCharABCWidthsW(c.dc(), L' ', L' ', &blank));
    EXPECT_EQ(blank.abcB, 0u);
    EXPECT_GT(blank.abcC, 0);
    EXPECT_FALSE(GetCharABCWidthsW(c.dc(), L'2', L'1', abc));
    SelectObject(c.dc(), old);
    DeleteObject(font);

    // Drawn at x 50, the "1"'s ink begins abcA pixels on.
    Draw(c, L"1", RECT{50, 10, 190, 70}, DT_LEFT, nullptr, 40);
    EXPECT_NEAR(c.InkBox(0).left, 50 + abc[0].abcA, 1);
}

TEST(GdiText, CellHeightAndVerticalCentring) {
    MvCanvas c(300, 200);
    RECT calc{0, 0, 300, 0};
    const int h = Draw(c, L"Steps", calc, DT_CALCRECT);
    EXPECT_NEAR(h, 30, 1);            // lfHeight is the cell height
    EXPECT_EQ(c.InkBox(0).right, 0);  // DT_CALCRECT draws nothing

    const RECT box{0, 40, 300, 160};
    Draw(c, L"Yes", box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    RECT ink = c.InkBox(0);
    EXPECT_LE(std::abs((ink.top + ink.bottom) / 2 - 100), 4);

    // The program centres one-line button labels with DT_VCENTER alone.
    MvCanvas d(300, 200);
    Draw(d, L"Yes", box, DT_CENTER | DT_VCENTER);
    EXPECT_EQ(d.InkBox(0).top, ink.top);

    MvCanvas b(300, 200);
    Draw(b, L"Yes", box, DT_BOTTOM | DT_SINGLELINE);
    EXPECT_LE(b.InkBox(0).bottom, 160);
    EXPECT_GT(b.InkBox(0).bottom, 150);
}

TEST(GdiText, LineBreaksAndWordWrapGiveSeveralLines) {
    MvCanvas one(480, 200);
    RECT r1{0, 0, 480, 200};
    const int h1 = Draw(one, L"Do you want to delete", r1, DT_LEFT);
    MvCanvas two(480, 200);
    RECT r2{0, 0, 480, 200};
    const int h2 = Draw(two, L"Do you want to delete\nall records?", r2, DT_LEFT);
    EXPECT_NEAR(h2, 2 * h1, 2);
    EXPECT_GT(Rows(two.InkBox(0)), h1);
    // With DT_SINGLELINE the break is not taken.
    MvCanvas single(480, 200);
    RECT r3{0, 0, 480, 200};
    EXPECT_EQ(Draw(single, L"Do you\nknow", r3, DT_SINGLELINE), h1);

    // Word wrapping keeps every line inside the rectangle's width.
    MvCanvas wrapped(480, 300);
    RECT r4{10, 0, 210, 300};
    const int h4 =
        Draw(wrapped, L"While Movimetra is in use, the battery drains faster than normal.", r4, DT_WORDBREAK);
    EXPECT_GE(h4, 3 * h1 - 2);
    EXPECT_LE(wrapped.InkBox(0).right, 210);
    RECT calc{10, 0, 210, 0};
    EXPECT_EQ(Draw(wrapped, L"While Movimetra is in use, the battery drains faster than normal.", calc,
                   DT_WORDBREAK | DT_CALCRECT, &calc),
              h4);
    EXPECT_LE(calc.right, 210);
    EXPECT_EQ(calc.bottom, h4);
}

TEST(GdiText, ClipsToTheRectangleUnlessNoClip) {
    MvCanvas c(300, 100);
    RECT narrow{10, 10, 40, 60};
    Draw(c, L"Distance travelled", narrow, DT_LEFT);
    EXPECT_LE(c.InkBox(0).right, 40);
    MvCanvas d(300, 100);
    Draw(d, L"Distance travelled", narrow, DT_LEFT | DT_NOCLIP);
    EXPECT_GT(d.InkBox(0).right, 100);
}

TEST(GdiText, KoreanRendersAndOpaqueModeFillsTheBackground) {
    MvCanvas c(300, 100);
    RECT r{0, 0, 300, 100};
    Draw(c, L"걸음 칼로리", r, DT_LEFT);
    RECT ink = c.InkBox(0);
    EXPECT_GT(ink.right - ink.left, 60);
    EXPECT_GT(ink.bottom - ink.top, 12);

    MvCanvas o(200, 60);
    SetBkMode(o.dc(), OPAQUE);
    SetBkColor(o.dc(), RGB(0, 0, 200));
    SetTextColor(o.dc(), RGB(255, 255, 255));
    RECT box{5, 5, 200, 60};
    DrawTextW(o.dc(), L"ok", -1, &box, DT_LEFT);
    EXPECT_EQ(o.at(5, 5), RGB(0, 0, 200));
    EXPECT_EQ(o.at(150, 5), 0u);  // only behind the text

    // A count limits the text; an empty text draws nothing.
    MvCanvas n(300, 60);
    RECT a{0, 0, 300, 60}, b{0, 0, 300, 60};
    SetTextColor(n.dc(), RGB(255, 255, 255));
    SetBkMode(n.dc(), TRANSPARENT);
    DrawTextW(n.dc(), L"Steps", 2, &a, DT_CALCRECT);
    DrawTextW(n.dc(), L"St", -1, &b, DT_CALCRECT);
    EXPECT_EQ(a.right, b.right);
    EXPECT_EQ(DrawTextW(n.dc(), L"", -1, &a, DT_LEFT), 0);
}

}  // namespace
