// The date picker as the history view opens it: titled and worded in the profile's language
// (the thread's interface language, which the program sets when it applies the profile), and
// answered by the soft keys under it (left OK, right Cancel) instead of the history's own, which
// read so while it is open.
// The run starts on Thursday 2024-03-14.
#include <cstdlib>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/win_main.h"
#include "picker/picker_layout.h"
#include "screens/history/log_screen.h"
#include "tests/main_screen_test_util.h"

namespace {

using shelltest::CShellRun;

constexpr const char* kOpenHistory = "tap 400 692\n";
constexpr const char* kDateField = "tap 240 180\n";

std::string Narrow(const wchar_t* text) {
    std::string out;
    for (const wchar_t* p = text; *p; ++p) out += *p < 128 ? (char)*p : '?';
    return out;
}

std::vector<uint32_t> ScreenRows(int top, int bottom) {
    std::vector<uint32_t> pixels;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < MV_SCREEN_WIDTH; ++x) pixels.push_back(MvGetScreenPixel(x, y));
    return pixels;
}

// The labels of the soft keys under the history view.
std::vector<std::wstring> SoftKeyLabels() {
    std::vector<std::wstring> labels;
    HWND bar = SHFindMenuBar(GetMainWindow());
    for (int i = 0; bar != nullptr && i < 2; ++i) {
        wchar_t text[64] = {};
        TBBUTTONINFOW info = {};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_TEXT | TBIF_BYINDEX;
        info.pszText = text;
        info.cchText = 64;
        if (SendMessageW(bar, TB_GETBUTTONINFOW, i, (LPARAM)&info) >= 0) labels.push_back(text);
    }
    return labels;
}

struct PickerRun {
    std::vector<std::wstring> keysBefore, keysOpen, keysAfter;
    std::wstring title;
    LANGID language = 0;
    std::vector<uint32_t> header, weekdays, grid, buttons;
    std::vector<std::string> firstDays;  // the history's first day after each answer
    std::vector<int> views;
    int rows = -1;
};

// Opens the picker three times: a month on and the left soft key, a month on and the right soft
// key, a month back and a tap on the bar's left half (each opens on today).
PickerRun RunPicker(int language) {
    PickerRun result;
    CShellRun run;
    EXPECT_TRUE(run.PrepareStoredProfile(language));
    EXPECT_TRUE(maintest::ExecSqlOn(run.DbPath(),
                                    "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) "
                                    "VALUES('2024-03-13', '10:00', 4000, 160, 0);"));
    run.Hook("before", [&] { result.keysBefore = SoftKeyLabels(); });
    run.Hook("after", [&] { result.keysAfter = SoftKeyLabels(); });
    run.Hook("look", [&] {
        result.keysOpen = SoftKeyLabels();
        HWND picker = FindWindowW(L"MvCalendarPicker", nullptr);
        wchar_t title[64] = {};
        if (picker) GetWindowTextW(picker, title, 64);
        result.title = title;
        result.language = GetThreadUILanguage();
        const int top = picker::kWindowY;
        result.header = ScreenRows(top + picker::kNavTop, top + picker::kNavBottom);
        result.weekdays = ScreenRows(top + picker::kWeekdayTop, top + picker::kWeekdayBottom);
        result.grid = ScreenRows(top + picker::kGridTop, top + picker::kGridTop + 6 * picker::kCell);
        result.buttons = ScreenRows(top + picker::kButtonTop, top + picker::kButtonBottom);
        if (const char* dir = std::getenv("MV_PICKER_SHOT_DIR"))
            MvSaveScreenshot(std::string(dir) + (language == 1 ? "/picker_en.png" : "/picker_ko.png"));
    });
    run.Hook("note", [&] {
        CLogScreen* history = static_cast<CLogScreen*>(GetApplication()->GetView(VIEW_HISTORY));
        result.firstDays.push_back(Narrow(history->PointLabel(0)));
        result.views.push_back(GetApplication()->CurrentIndex());
    });
    std::string script = std::string(kOpenHistory) + "call before\n" + kDateField +
                         "call look\nkey RIGHT\nsoftkey left\ncall note\n" + kDateField +
                         "key RIGHT\nsoftkey right\ncall note\n" + kDateField +
                         "key LEFT\ntap 120 774\ncall note\ncall after\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    result.rows = maintest::QueryInt(run.DbPath(), "SELECT COUNT(*) FROM pedometer;");
    return result;
}

TEST(DatePickerTest, SpeaksTheProfilesLanguageAndTheSoftKeysAnswerIt) {
    const PickerRun korean = RunPicker(0);
    const PickerRun english = RunPicker(1);

    EXPECT_EQ(korean.title, L"날짜 선택");
    EXPECT_EQ(english.title, L"Select a date");
    EXPECT_EQ(PRIMARYLANGID(korean.language), LANG_KOREAN);
    EXPECT_EQ(PRIMARYLANGID(english.language), LANG_ENGLISH);
    // Same month and day: only the words differ, the day numbers do not.
    EXPECT_NE(korean.header, english.header);
    EXPECT_NE(korean.weekdays, english.weekdays);
    EXPECT_NE(korean.buttons, english.buttons);
    EXPECT_EQ(korean.grid, english.grid);
    // While the picker is open the soft keys say what they do; then they are the history's again.
    EXPECT_EQ(korean.keysOpen, (std::vector<std::wstring>{L"확인", L"취소"}));
    EXPECT_EQ(english.keysOpen, (std::vector<std::wstring>{L"OK", L"Cancel"}));
    for (const PickerRun* run : {&korean, &english}) {
        EXPECT_EQ(run->keysBefore.size(), 2u);
        EXPECT_NE(run->keysBefore, run->keysOpen);
        EXPECT_EQ(run->keysAfter, run->keysBefore);
    }

    for (const PickerRun* run : {&korean, &english}) {
        // Left soft key: OK on 14 April (the week from Sunday the 14th); right: Cancel, the page
        // stays; a month back and a tap on the bar's left half: OK on 14 February. The history's
        // Reset never asked.
        EXPECT_EQ(run->firstDays, (std::vector<std::string>{"04-14", "04-14", "02-11"}));
        EXPECT_EQ(run->views, (std::vector<int>{VIEW_HISTORY, VIEW_HISTORY, VIEW_HISTORY}));
        EXPECT_EQ(run->rows, 1);
    }
}

}  // namespace
