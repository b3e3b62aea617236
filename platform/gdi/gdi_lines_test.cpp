#include <set>
#include <utility>

#include "platform/gdi/gdi_test_util.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels Lit(const MvCanvas& c) {
    Pixels p;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if (c.at(x, y) != 0) p.insert({x, y});
    return p;
}

void Line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

TEST(GdiLines, OnePixelLinesStopBeforeTheEndPoint) {
    MvCanvas c(12, 12);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(c.dc(), pen);

    Line(c.dc(), 2, 3, 7, 3);
    EXPECT_EQ(Lit(c), (Pixels{{2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}}));

    c.Fill(0);
    Line(c.dc(), 5, 9, 5, 6);  // upwards
    EXPECT_EQ(Lit(c), (Pixels{{5, 9}, {5, 8}, {5, 7}}));

    c.Fill(0);
    Line(c.dc(), 1, 1, 5, 5);
    EXPECT_EQ(Lit(c), (Pixels{{1, 1}, {2, 2}, {3, 3}, {4, 4}}));

    // A shallow line: one pixel per column, stepping down once half-way.
    c.Fill(0);
    Line(c.dc(), 0, 0, 4, 1);
    EXPECT_EQ(Lit(c), (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));

    // LineTo moves the current position; MoveToEx reports the previous one.
    c.Fill(0);
    MoveToEx(c.dc(), 0, 10, nullptr);
    LineTo(c.dc(), 3, 10);
    LineTo(c.dc(), 3, 8);
    POINT previous{};
    MoveToEx(c.dc(), 0, 0, &previous);
    EXPECT_EQ(previous.x, 3);
    EXPECT_EQ(previous.y, 8);
    EXPECT_EQ(Lit(c), (Pixels{{0, 10}, {1, 10}, {2, 10}, {3, 10}, {3, 9}}));

    // Lines are clipped at the bitmap's edges.
    c.Fill(0);
    Line(c.dc(), -3, 2, 3, 2);
    EXPECT_EQ(Lit(c), (Pixels{{0, 2}, {1, 2}, {2, 2}}));

    SelectObject(c.dc(), old);
    DeleteObject(pen);
}

TEST(GdiLines, NullPenDrawsNothingAndWidePenIsThick) {
    MvCanvas c(20, 20);
    SelectObject(c.dc(), GetStockObject(NULL_PEN));
    Line(c.dc(), 2, 2, 15, 2);
    EXPECT_TRUE(Lit(c).empty());

    HPEN wide = CreatePen(PS_SOLID, 4, RGB(0, 160, 212));
    HGDIOBJ old = SelectObject(c.dc(), wide);
    Line(c.dc(), 4, 10, 15, 10);
    EXPECT_EQ(c.at(9, 10), RGB(0, 160, 212));
    EXPECT_EQ(c.at(9, 8), RGB(0, 160, 212));
    EXPECT_EQ(c.at(9, 11), RGB(0, 160, 212));
    EXPECT_EQ(c.at(9, 5), 0u);
    EXPECT_EQ(c.at(9, 14), 0u);
    EXPECT_EQ(c.at(15, 10), RGB(0, 160, 212));  // round end reaches past the end point
    EXPECT_EQ(c.at(19, 10), 0u);
    SelectObject(c.dc(), old);
    DeleteObject(wide);
}

TEST(GdiLines, RectangleOutlinesWithPenAndFillsWithBrush) {
    MvCanvas c(10, 10);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    SelectObject(c.dc(), pen);
    SelectObject(c.dc(), brush);
    ASSERT_TRUE(Rectangle(c.dc(), 1, 2, 6, 8));
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 1 && x < 6 && y >= 2 && y < 8;
            const bool edge = inside && (x == 1 || x == 5 || y == 2 || y == 7);
            const COLORREF want = !inside ? 0 : edge ? RGB(255, 0, 0) : RGB(0, 0, 255);
            ASSERT_EQ(c.at(x, y), want) << x << "," << y;
        }
    }
    // Without a pen the filled area loses its right column and bottom row.
    c.Fill(0);
    SelectObject(c.dc(), GetStockObject(NULL_PEN));
    Rectangle(c.dc(), 1, 2, 6, 8);
    EXPECT_EQ(c.InkBox(0).left, 1);
    EXPECT_EQ(c.InkBox(0).top, 2);
    EXPECT_EQ(c.InkBox(0).right, 5);
    EXPECT_EQ(c.InkBox(0).bottom, 7);
    SelectObject(c.dc(), GetStockObject(BLACK_PEN));
    SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));
    DeleteObject(pen);
    DeleteObject(brush);
}

}  // namespace
