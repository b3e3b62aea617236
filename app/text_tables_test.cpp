// The fixed tables: both halves complete and aligned, the language swap of the image names,
// and every text short enough for the 100-unit drawing buffer.
#include "app/text_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>

namespace {

std::wstring Text(int i) {
    return TextTable[i];
}
std::wstring Image(int i) {
    return ImageTable[i];
}

TEST(TextTableTest, HalvesStartAndEndWhereTheyShould) {
    EXPECT_EQ(Text(0), L"만보계를 시작하면\n배터리가 추가적으로\n소모됩니다.");
    EXPECT_EQ(Text(55), L"아니오");
    EXPECT_EQ(Text(56), L"While Movimetra is in use,\nthe battery drains\nfaster than normal.");
    EXPECT_EQ(Text(56 + 55), L"No");
    // Cells along the way, so that a missing or doubled line shows up.
    EXPECT_EQ(Text(5), L"초기화");
    EXPECT_EQ(Text(56 + 5), L"Initialize");
    EXPECT_EQ(Text(16), L"일");
    EXPECT_EQ(Text(22), L"토");
    EXPECT_EQ(Text(56 + 16), L"Sun");
    EXPECT_EQ(Text(56 + 22), L"Sat");
    EXPECT_EQ(Text(23), L"걸음");
    EXPECT_EQ(Text(56 + 25), L"Time");
    EXPECT_EQ(Text(56 + 29), L"In the 20Kg ~ 600kg range, enter the weight.");
    EXPECT_EQ(Text(39), L"이동거리");
    EXPECT_EQ(Text(56 + 39), L"Distance");
    EXPECT_EQ(Text(54), L"예");
    EXPECT_EQ(Text(56 + 54), L"Yes");
}

TEST(TextTableTest, SpecialCells) {
    // Both halves name the languages the same way.
    EXPECT_EQ(Text(35), L"한국어");
    EXPECT_EQ(Text(56 + 35), L"한국어");
    EXPECT_EQ(Text(36), L"English");
    EXPECT_EQ(Text(56 + 36), L"English");
    EXPECT_EQ(Text(56 + 15), L"");
    // The messages of a failed save (one per cause) and their caption, then unused cells.
    for (int i = TEXT_SAVE_FAULT_FIRST; i <= TEXT_SAVE_FAULT_CAPTION; ++i) {
        EXPECT_NE(Text(i), L"") << i;
        EXPECT_NE(Text(56 + i), L"") << i;
    }
    EXPECT_EQ(Text(56 + TEXT_SAVE_FAULT_CAPTION), L"Not saved");
    EXPECT_EQ(Text(TEXT_SAVE_FAULT_CAPTION), L"저장 실패");
    EXPECT_EQ(Text(TEXT_PICK_DATE_TITLE), L"날짜 선택");
    EXPECT_EQ(Text(56 + TEXT_PICK_DATE_TITLE), L"Select a date");
    // The daily goal's texts; the band's and the notice's formats take whole numbers only.
    for (int i = TEXT_GOAL_LABEL; i <= TEXT_GOAL_TO_GO; ++i) {
        EXPECT_NE(Text(i), L"") << i;
        EXPECT_NE(Text(56 + i), L"") << i;
    }
    EXPECT_EQ(Text(56 + TEXT_GOAL_RANGE), L"Enter a goal between 100 and 99999 steps");
    EXPECT_EQ(Text(TEXT_GOAL_RANGE), L"목표는 100에서 99999 걸음 사이로 입력하세요");
    EXPECT_EQ(Text(56 + TEXT_GOAL_NOTICE_TITLE), L"Daily goal reached");
    EXPECT_EQ(Text(TEXT_GOAL_NOTICE_TITLE), L"하루 목표 달성");
    for (int i : {TEXT_GOAL_NOTICE_BODY, TEXT_GOAL_NOTICE_BODY + 56}) {
        const std::wstring body = Text(i);
        EXPECT_EQ(std::count(body.begin(), body.end(), L'%'), 2) << i;
        EXPECT_EQ(body.find(L"%d"), body.find(L'%')) << i;
        EXPECT_NE(body.rfind(L"%d"), body.find(L"%d")) << i;
    }
    for (int i : {TEXT_GOAL_TO_GO, TEXT_GOAL_TO_GO + 56}) {
        const std::wstring toGo = Text(i);
        EXPECT_EQ(std::count(toGo.begin(), toGo.end(), L'%'), 1) << i;
        EXPECT_NE(toGo.find(L"%d"), std::wstring::npos) << i;
    }
    for (int i = TEXT_GOAL_TO_GO + 1; i <= 53; ++i) {
        EXPECT_EQ(Text(i), L"") << i;
        EXPECT_EQ(Text(56 + i), L"") << i;
    }
    // "\n" is a real line break.
    EXPECT_EQ(Text(4), L"모든 기록을\n삭제하시겠습니까?");
    EXPECT_EQ(Text(56 + 4).find(L'\n'), std::wstring(L"Do you want to delete").size());
    EXPECT_EQ(Text(28), L"신장을 50cm ~ 500cm \n범위에서 입력바랍니다.");
}

TEST(TextTableTest, EveryCellFitsTheDrawingBufferAndIsZeroFilled) {
    for (int i = 0; i < 2 * TEXT_TABLE_HALF; ++i) {
        size_t length = wcsnlen(TextTable[i], TABLE_CELL_UNITS);
        EXPECT_LT(length, 100u) << i;
        for (int u = (int)length; u < TABLE_CELL_UNITS; ++u) ASSERT_EQ(TextTable[i][u], L'\0') << i;
    }
}

TEST(ImageTableTest, HalvesStartAndEndWhereTheyShould) {
    EXPECT_EQ(Image(0), L"Zuno_Run_01.png");
    EXPECT_EQ(Image(8), L"Zuno_Run_09.png");
    EXPECT_EQ(Image(9), L"num_00.png");
    EXPECT_EQ(Image(18), L"num_09.png");
    EXPECT_EQ(Image(27), L"zuno_i.png");
    EXPECT_EQ(Image(41), L"Zuno_Run_unfocus.png");
    EXPECT_EQ(Image(44), L"graph_2(15x50).png");
    EXPECT_EQ(Image(50), L"Inputbox_02_dim.png");
    EXPECT_EQ(Image(54), L"popup01_tit.PNG");
    EXPECT_EQ(Image(58), L"popup_button_02_Press.PNG");
    EXPECT_EQ(Image(59), L"Zuno_Run_01.png");
    EXPECT_EQ(Image(59 + 58), L"popup_button_02_Press.PNG");
}

TEST(ImageTableTest, OnlyTheControlButtonsChangeWithTheLanguage) {
    for (int i = 0; i < IMAGE_TABLE_HALF; ++i) {
        std::wstring korean = Image(i);
        std::wstring english = Image(IMAGE_OFFSET_ENGLISH + i);
        ASSERT_FALSE(korean.empty()) << i;
        if (i >= 19 && i <= 26) {
            // The Korean set carries "_k" before ".png".
            ASSERT_GT(korean.size(), 6u);
            EXPECT_EQ(korean.substr(korean.size() - 6), L"_k.png") << i;
            EXPECT_EQ(korean.substr(0, korean.size() - 6) + L".png", english) << i;
        } else {
            EXPECT_EQ(korean, english) << i;
        }
    }
    EXPECT_EQ(Image(19), L"control_start_n_k.png");
    EXPECT_EQ(Image(59 + 26), L"control_log_f.png");
}

}  // namespace
