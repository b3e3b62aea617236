// The real date picker, loaded through the history view's bridge and driven by scripted taps and
// keys: month arrows, day selection, OK and Cancel, and its look on the screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "picker/picker_layout.h"
#include "platform/mv_platform.h"
#include "screens/history/calendar_dlg_helper.h"
#include "testing/headless_platform_test_util.h"
#include "testing/temp_dir_test_util.h"

namespace {

// Screen position of a client point of the picker window.
std::string Tap(int x, int y) {
    return "tap " + std::to_string(picker::kWindowX + x) + " " + std::to_string(picker::kWindowY + y) + "\n";
}
std::string TapDay(int year, int month, int day) {
    const int cell = picker::CellOfDay(year, month, day);
    return Tap(picker::kGridLeft + (cell % 7) * picker::kCell + picker::kCell / 2,
               picker::kGridTop + (cell / 7) * picker::kCell + picker::kCell / 2);
}
const std::string kNext =
    Tap((picker::kNextLeft + picker::kNextRight) / 2, (picker::kNavTop + picker::kNavBottom) / 2);
const std::string kOk =
    Tap((picker::kOkLeft + picker::kOkRight) / 2, (picker::kButtonTop + picker::kButtonBottom) / 2);
const std::string kCancel =
    Tap((picker::kCancelLeft + picker::kCancelRight) / 2, (picker::kButtonTop + picker::kButtonBottom) / 2);

class CalendarPickerTest : public ::testing::Test {
protected:
    void Start(const std::string& script) {
        ASSERT_FALSE(dir.Path().empty());
        MvPlatformOptions options = HeadlessTestOptions();
        options.modulePath = dir.Path() + "/Movimetra";
        options.script = script;
        MvPlatformInit(options);
        helper = CCalendarDlgHelper::GetInstance();
        ASSERT_NE(helper, nullptr);
        ASSERT_NE(helper->EntryPoint(2), nullptr) << "CalendarPicker.so beside the test was not loaded";
    }
    void TearDown() override {
        SetThreadUILanguage(0);
        CCalendarDlgHelper::DestroyInstance();
        MvPlatformShutdown();
    }
    int Run(SYSTEMTIME* date) { return helper->RunSelectDateDlg(L"Test", date, nullptr); }

    CTempDir dir;
    CCalendarDlgHelper* helper = nullptr;
};

TEST_F(CalendarPickerTest, NextMonthDayAndOkReturnTheChosenDate) {
    bool checked = false;
    MvRegisterScriptHook("look", [&] {
        // 15 April 2010 is highlighted; a day outside the month is plain background.
        const int cell = picker::CellOfDay(2010, 4, 15);
        const int x = picker::kGridLeft + (cell % 7) * picker::kCell + 8;
        const int y = picker::kWindowY + picker::kGridTop + (cell / 7) * picker::kCell + 8;
        EXPECT_EQ(MvGetScreenPixel(x, y), 0x0000A0D4u);
        EXPECT_EQ(MvGetScreenPixel(picker::kGridLeft + 8, picker::kWindowY + picker::kGridTop + 8),
                  0x00161A20u);
        if (const char* shot = std::getenv("MV_PICKER_SHOT")) MvSaveScreenshot(shot);
        checked = true;
    });
    Start(kNext + TapDay(2010, 4, 15) + "call look\n" + kOk);
    SYSTEMTIME date = {2010, 3, 1, 1, 10, 20, 30, 0};
    EXPECT_NE(Run(&date), 0);
    EXPECT_TRUE(checked);
    EXPECT_EQ(date.wYear, 2010);
    EXPECT_EQ(date.wMonth, 4);
    EXPECT_EQ(date.wDay, 15);
}

TEST_F(CalendarPickerTest, CancelLeavesTheDate) {
    Start(kNext + TapDay(2010, 4, 20) + kCancel);
    SYSTEMTIME date = {2010, 3, 1, 1, 0, 0, 0, 0};
    EXPECT_EQ(Run(&date), 0);
    EXPECT_EQ(date.wYear, 2010);
    EXPECT_EQ(date.wMonth, 3);
    EXPECT_EQ(date.wDay, 1);
}

TEST_F(CalendarPickerTest, KeysStepMonthsAcrossTheYearAndCutTheDay) {
    Start("key LEFT\nkey LEFT\nkey ENTER\n");
    SYSTEMTIME date = {2010, 1, 0, 31, 0, 0, 0, 0};
    EXPECT_NE(Run(&date), 0);
    EXPECT_EQ(date.wYear, 2009);
    EXPECT_EQ(date.wMonth, 11);
    EXPECT_EQ(date.wDay, 30);
}

TEST_F(CalendarPickerTest, EscapeCancelsAndATapOutsideTheMonthChangesNothing) {
    // 1 February 2009 is a Sunday, so the first cell of the last row is past the month's end.
    Start(Tap(picker::kGridLeft + 10, picker::kGridTop + 5 * picker::kCell + 10) + kOk + "key ESC\n");
    SYSTEMTIME date = {2009, 2, 0, 10, 0, 0, 0, 0};
    EXPECT_NE(Run(&date), 0);
    EXPECT_EQ(date.wDay, 10);
    EXPECT_EQ(Run(&date), 0);
}

// The soft keys reach a picker as their keys: F1 (left) is OK, F2 (right) Cancel. In Korean
// (the thread's language) it draws other words over the same grid.
TEST_F(CalendarPickerTest, SoftKeysAnswerItAndTheThreadsLanguageWordsIt) {
    std::vector<uint32_t> grid[2], header[2];
    auto look = [&](int i) {
        for (int y = picker::kWindowY + picker::kNavTop; y < picker::kWindowY + picker::kWeekdayBottom; ++y)
            for (int x = 0; x < picker::kWindowW; ++x) header[i].push_back(MvGetScreenPixel(x, y));
        for (int y = picker::kWindowY + picker::kGridTop;
             y < picker::kWindowY + picker::kGridTop + 6 * picker::kCell; ++y)
            for (int x = 0; x < picker::kWindowW; ++x) grid[i].push_back(MvGetScreenPixel(x, y));
    };
    MvRegisterScriptHook("english", [&] { look(0); });
    MvRegisterScriptHook("korean", [&] {
        look(1);
        if (const char* shot = std::getenv("MV_PICKER_SHOT_KO")) MvSaveScreenshot(shot);
    });
    Start("call english\nkey RIGHT\nkey F1\ncall korean\nkey RIGHT\nkey F2\n");
    SYSTEMTIME date = {2026, 11, 0, 8, 0, 0, 0, 0};
    EXPECT_NE(Run(&date), 0);
    EXPECT_EQ(date.wMonth, 12);
    SetThreadUILanguage(MAKELANGID(LANG_KOREAN, SUBLANG_DEFAULT));
    date.wMonth = 11;
    EXPECT_EQ(Run(&date), 0);
    EXPECT_EQ(date.wMonth, 11);
    EXPECT_EQ(grid[0], grid[1]);
    EXPECT_NE(header[0], header[1]);
}

TEST(PickerCalendar, WeekdaysAndMonthLengths) {
    EXPECT_EQ(picker::DayOfWeek(2010, 1, 1), 5);  // Friday
    EXPECT_EQ(picker::DayOfWeek(2000, 2, 29), 2);
    EXPECT_EQ(picker::DaysInMonth(2000, 2), 29);
    EXPECT_EQ(picker::DaysInMonth(1900, 2), 28);
    EXPECT_EQ(picker::DayOfCell(2010, 4, picker::CellOfDay(2010, 4, 30)), 30);
    EXPECT_EQ(picker::DayOfCell(2010, 4, 3), 0);
}

}  // namespace
