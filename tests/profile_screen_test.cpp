// The profile view end to end: the first start on a fresh database, the range messages, saving
// (rows, engine, language of every view) and cancelling.
#include <cwchar>

#include "app/text_tables.h"
#include "tests/profile_test_util.h"

namespace {

using namespace profiletest;

std::wstring BoxCaption() {
    HWND box = FindWindowW(MV_MSGBOX_CLASS, nullptr);
    wchar_t text[64] = {};
    if (box) GetWindowTextW(box, text, 64);
    return text;
}

TEST(ProfileScreenTest, FirstStartOnAFreshDatabaseShowsTheDefaultProfileWithNoFieldFocused) {
    CShellRun run;
    bool checked = false;
    run.Hook("look", [&] {
        CProfileScreen* view = ProfileView();
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(CurrentView(), VIEW_PROFILE);
        EXPECT_EQ(FieldText(view->HeightField()), "175");
        EXPECT_EQ(FieldText(view->WeightField()), "65");
        EXPECT_EQ(view->Exists(), 0);
        EXPECT_EQ(std::wstring(view->FirstUse()), L"1");
        EXPECT_EQ(GetFocus(), nullptr);
        EXPECT_FALSE(InputPanelUp());
        EXPECT_EQ(view->Selection(), 0);
        checked = true;
    });
    EXPECT_EQ(run.Run("call look\nquit\n"), 0);
    EXPECT_TRUE(checked);
    EXPECT_EQ(shelltest::TableNames(run.DbPath()),
              (std::vector<std::string>{"firstuse", "pedometer", "sqlite_sequence", "info"}));
}

TEST(ProfileScreenTest, TappingAFieldRaisesThePanelAndSelectsItsTextTappingOutsideLowersIt) {
    CShellRun run;
    bool heightUp = false, weightUp = false, down = true;
    HWND focusAfterHeight = nullptr;
    run.Hook("height", [&] {
        heightUp = InputPanelUp();
        focusAfterHeight = GetFocus();
    });
    run.Hook("weight", [&] { weightUp = InputPanelUp(); });
    run.Hook("outside", [&] { down = InputPanelUp(); });
    std::string height, weight;
    run.Hook("fields", [&] {
        height = FieldText(ProfileView()->HeightField());
        weight = FieldText(ProfileView()->WeightField());
    });
    std::string script = std::string("tap ") + kHeightBox + "\ncall height\ntype 18\n" + "tap " + kWeightBox +
                         "\ncall weight\ntype 7\ntap " + kOutside + "\ncall outside\ncall fields\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_TRUE(heightUp);
    EXPECT_TRUE(weightUp);
    EXPECT_FALSE(down);
    EXPECT_NE(focusAfterHeight, nullptr);
    // The whole text was selected, so typing replaced it.
    EXPECT_EQ(height, "18");
    EXPECT_EQ(weight, "7");
}

// The keypad put away with its own key comes back with a tap on the field that kept the focus.
TEST(ProfileScreenTest, TappingTheFocusedFieldAgainRaisesThePanelHiddenWithItsOwnKey) {
    CShellRun run;
    std::vector<bool> up;
    run.Hook("panel", [&] { up.push_back(InputPanelUp()); });
    const std::string hideKey = "tap 80 718\n";  // the keypad's bottom-left key
    std::string script = std::string("tap ") + kHeightBox + "\ncall panel\n" + hideKey + "call panel\ntap " +
                         kHeightBox + "\ncall panel\ntype 18\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(up, (std::vector<bool>{true, false, true}));
}

// The goal field under the keypad: the content moves up so that the field and what is typed sit
// above the keypad, and back down with the keypad; the height field, which the keypad does not
// cover, moves nothing.
TEST(ProfileScreenTest, TheGoalFieldMovesAboveTheKeypadAndBack) {
    CShellRun run;
    constexpr const char* kGoalBox = "240 571";
    uint64_t heightUp = 0, heightDown = 0;
    int shiftUp = -1, shiftHeight = -1;
    RECT goalRect = {};
    int digitPixels = 0;
    run.Hook("up", [&] {
        shiftUp = ProfileView()->Shift();
        GetWindowRect(ProfileView()->GoalField(), &goalRect);
        // The typed digits are drawn in white inside the field, above the keypad.
        for (int y = goalRect.top; y < goalRect.bottom; ++y)
            for (int x = goalRect.left; x < goalRect.right; ++x)
                digitPixels += MvGetScreenPixel(x, y) == 0xFFFFFFu;
    });
    int shiftDown = -1;
    RECT goalDown = {};
    run.Hook("down", [&] {
        shiftDown = ProfileView()->Shift();
        GetWindowRect(ProfileView()->GoalField(), &goalDown);
    });
    run.Hook("height", [&] {
        shiftHeight = ProfileView()->Shift();
        heightUp = ScreenChecksum(RECT{0, 52, 480, 500});
    });
    run.Hook("heightdown", [&] { heightDown = ScreenChecksum(RECT{0, 52, 480, 500}); });
    const std::string hideKey = "tap 80 718\n";
    std::string script = std::string("tap ") + kGoalBox + "\ntype 12345\ncall up\n" + hideKey +
                         "call down\ntap " + kHeightBox + "\ncall height\n" + hideKey +
                         "call heightdown\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_GT(shiftUp, 0);
    EXPECT_LE(goalRect.bottom, 748 - 240) << "above the keypad";
    EXPECT_GT(digitPixels, 50);
    EXPECT_EQ(shiftDown, 0);
    EXPECT_EQ(goalDown.top, 52 + 488 + 11) << "back in its place";
    EXPECT_EQ(shiftHeight, 0);
    EXPECT_EQ(heightUp, heightDown) << "the rows above the keypad are as with the keypad down";
}

struct RangeCase {
    const char* height;
    const char* weight;
    int message;  // text cell of the expected message
};

void PrintTo(const RangeCase& c, std::ostream* os) {
    *os << "height " << c.height << ", weight " << c.weight;
}

class ProfileRangeTest : public ::testing::TestWithParam<RangeCase> {};

// A refused value shows its message, leaves the user in the offending field and stores and
// sends nothing. The box is compared with one drawn from the expected texts.
TEST_P(ProfileRangeTest, OutOfRangeShowsTheMessageAndStoresNothing) {
    const RangeCase c = GetParam();
    CShellRun run;
    CProfileRecorder recorder;
    uint64_t shown = 0, expected = 0;
    std::wstring caption;
    RECT boxRect = {};
    HWND focused = nullptr, offending = nullptr;
    run.Hook("watch", [&] { recorder.Start(); });
    run.Hook("box", [&] {
        caption = BoxCaption();
        GetWindowRect(FindWindowW(MV_MSGBOX_CLASS, nullptr), &boxRect);
        shown = ScreenChecksum(boxRect);
        MvMessageBoxEnd(IDOK);
    });
    run.Hook("after", [&] {
        focused = GetFocus();
        CProfileScreen* view = ProfileView();
        offending = c.message == 28 ? view->HeightField() : view->WeightField();
        MessageBoxW(GetMainWindow(), TextTable[c.message], TextTable[30], MB_ICONQUESTION);
    });
    run.Hook("reference", [&] {
        expected = ScreenChecksum(boxRect);
        MvMessageBoxEnd(IDOK);
    });
    std::string script = std::string("call watch\ntap ") + kHeightBox + "\ntype " + c.height + "\ntap " +
                         kWeightBox + "\ntype " + c.weight + "\nsoftkey left\ncall box\ncall after\n" +
                         "call reference\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    ASSERT_EQ(run.Calls("box"), 1);
    EXPECT_EQ(caption, TextTable[30]);
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(focused, offending);
    EXPECT_TRUE(recorder.sql.empty());
    EXPECT_TRUE(recorder.profiles.empty());
    EXPECT_TRUE(recorder.languages.empty());
    EXPECT_EQ(CountRows(run.DbPath(), "info"), 0);
    EXPECT_EQ(CountRows(run.DbPath(), "firstuse"), 0);
}

INSTANTIATE_TEST_SUITE_P(Bounds, ProfileRangeTest,
                         ::testing::Values(RangeCase{"49", "65", 28}, RangeCase{"501", "65", 28},
                                           RangeCase{"175", "19", 29}, RangeCase{"175", "601", 29},
                                           // the height is reported first
                                           RangeCase{"0", "0", 28}),
                         [](const ::testing::TestParamInfo<RangeCase>& info) {
                             return std::string("Height") + info.param.height + "Weight" + info.param.weight;
                         });

TEST(ProfileScreenTest, SavingStoresTheProfileHandsItOnAndSwitchesEveryViewToTheLanguage) {
    CShellRun run;
    CProfileRecorder recorder;
    int view = -1;
    int offsets[VIEW_COUNT] = {};
    run.Hook("watch", [&] { recorder.Start(); });
    run.Hook("after", [&] {
        view = CurrentView();
        for (int i = 0; i < VIEW_COUNT; ++i) {
            // Every view keeps its own offsets; the two whose state the tests can read are checked.
            if (i == VIEW_MAIN) offsets[i] = maintest::MainView()->Common().nTextOffset;
            if (i == VIEW_PROFILE) offsets[i] = ProfileView()->Common().nTextOffset;
        }
    });
    std::string script = std::string("call watch\ntap ") + kHeightBox + "\ntype 500\ntap " + kWeightBox +
                         "\ntype 20\ntap " + kEnglish + "\nsoftkey left\ncall after\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(recorder.sql, (std::vector<std::string>{
                                "INSERT INTO info(height, weight, gender, lang) VALUES(500, 20, 'M', '1');",
                                "INSERT INTO firstuse VALUES(1);"}));
    EXPECT_EQ(recorder.kinds, (std::vector<int>{1, 2}));
    EXPECT_EQ(recorder.profiles, std::vector<std::string>{"500|20"});
    EXPECT_EQ(recorder.languages, std::vector<int>{1});
    EXPECT_EQ(view, VIEW_MAIN);
    EXPECT_EQ(offsets[VIEW_MAIN], 56);
    EXPECT_EQ(offsets[VIEW_PROFILE], 56);
    EXPECT_EQ(InfoRow(run.DbPath()), "500.0|20.0|M|1");
    EXPECT_EQ(QueryText(run.DbPath(), "SELECT group_concat(flag) FROM firstuse;"), "1");
}

TEST(ProfileScreenTest, AFirstUseRowWithFlagZeroIsUpdatedAndTheNextStartGoesToTheMainView) {
    CShellRun run;
    ASSERT_TRUE(shelltest::WriteStoredProfile(run.DbPath(), 0));
    ASSERT_TRUE(maintest::ExecSqlOn(run.DbPath(), "DELETE FROM info; UPDATE firstuse SET flag=0;"));
    int firstView = -1;
    run.Hook("first", [&] { firstView = CurrentView(); });
    EXPECT_EQ(run.Run(std::string("call first\nsoftkey left\nquit\n")), 0);
    EXPECT_EQ(firstView, VIEW_PROFILE);
    EXPECT_EQ(InfoRow(run.DbPath()), "175.0|65.0|M|0");
    EXPECT_EQ(QueryText(run.DbPath(), "SELECT group_concat(flag) FROM firstuse;"), "1");

    int secondView = -1;
    run.Hook("first", [&] { secondView = CurrentView(); });
    EXPECT_EQ(run.Run("call first\nquit\n"), 0);
    EXPECT_EQ(secondView, VIEW_MAIN);
}

TEST(ProfileScreenTest, CancelStoresNothingKeepsTheLanguageAndTheEnginesProfile) {
    CShellRun run;
    CProfileRecorder recorder;
    int view = -1, selection = -1, mainOffset = -1;
    run.Hook("watch", [&] { recorder.Start(); });
    run.Hook("after", [&] {
        view = CurrentView();
        selection = ProfileView()->Selection();
        mainOffset = maintest::MainView()->Common().nTextOffset;
    });
    std::string script = std::string("call watch\ntap ") + kHeightBox + "\ntype 9\ntap " + kEnglish +
                         "\nsoftkey right\ncall after\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_TRUE(recorder.sql.empty());
    EXPECT_TRUE(recorder.languages.empty());
    // The first use's defaults, not the typed (and refused) height.
    EXPECT_EQ(recorder.profiles, std::vector<std::string>{"175|65"});
    EXPECT_EQ(view, VIEW_MAIN);
    EXPECT_EQ(selection, 0);
    EXPECT_EQ(mainOffset, 0);
    EXPECT_EQ(CountRows(run.DbPath(), "info"), 0);
    EXPECT_EQ(CountRows(run.DbPath(), "firstuse"), 0);
}

// A walk after a Cancel of a refused height counts with the stored profile: the day's kcal and
// distance are those of the same walk with no visit to the profile.
TEST(ProfileScreenTest, AWalkAfterCancellingARefusedHeightCountsWithTheStoredProfile) {
    const std::string walk = std::string("tap ") + maintest::kStartStop + "\nwait 15000\ntap " +
                             maintest::kStartStop + "\nwait 300\nquit\n";
    auto dayRow = [&](const std::string& before) {
        CShellRun run;
        EXPECT_TRUE(run.PrepareStoredProfile(1));
        run.SetSensor("replay:" + maintest::RecordingPath());
        run.Hook("box", [] {
            EXPECT_TRUE(MvMessageBoxActive()) << "the height of 9 is refused";
            MvMessageBoxEnd(IDOK);
        });
        EXPECT_EQ(run.Run(before + walk), 0);
        return maintest::QueryText(run.DbPath(),
                                   "SELECT steps || '|' || kcal || '|' || distance FROM pedometer;");
    };
    const std::string plain = dayRow("");
    const std::string cancelled =
        dayRow(std::string("softkey left\nwait 300\ntap ") + kHeightBox +
               "\ntype 9\nsoftkey left\ncall box\nwait 300\n" + "softkey right\nwait 300\n");
    EXPECT_NE(plain.substr(0, 2), "0|") << plain;
    EXPECT_EQ(cancelled, plain);
}

TEST(ProfileScreenTest, AStoredProfileOpensFromTheMainViewAndIsUpdated) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    CProfileRecorder recorder;
    std::string height, weight;
    int exists = -1, selection = -1;
    run.Hook("opened", [&] {
        recorder.Start();
        height = FieldText(ProfileView()->HeightField());
        weight = FieldText(ProfileView()->WeightField());
        exists = ProfileView()->Exists();
        selection = ProfileView()->Selection();
    });
    std::string script = std::string("softkey left\ncall opened\ntap ") + kHeightBox + "\ntype 160\ntap " +
                         kKorean + "\nsoftkey left\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(height, "175");
    EXPECT_EQ(weight, "65");
    EXPECT_EQ(exists, 1);
    EXPECT_EQ(selection, 1);
    EXPECT_EQ(recorder.sql,
              std::vector<std::string>{"UPDATE info SET height=160, weight=65, gender='M', lang=0"});
    EXPECT_EQ(InfoRow(run.DbPath()), "160.0|65.0|M|0");
    EXPECT_EQ(CountRows(run.DbPath(), "firstuse"), 1);
}

}  // namespace
