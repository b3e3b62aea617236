// The language of the first start comes from the locale; a stored choice wins over it. Tab and
// Shift+Tab move between the profile's two fields.
#include "tests/profile_test_util.h"

namespace {

using namespace profiletest;

struct Seen {
    int view = -1;
    int selection = -1;
    int mainOffset = -1;  // the main view's text offset: 0 Korean, 56 English
};

// Runs the program in `run` with the locale variables given ("" leaves one unset) and looks at
// the first screen.
Seen FirstScreen(CShellRun& run, const char* lcAll, const char* lcMessages, const char* lang) {
    auto set = [](const char* name, const char* value) {
        if (value[0] != '\0')
            setenv(name, value, 1);
        else
            unsetenv(name);
    };
    set("LC_ALL", lcAll);
    set("LC_MESSAGES", lcMessages);
    set("LANG", lang);
    Seen seen;
    run.Hook("look", [&] {
        seen.view = CurrentView();
        seen.selection = ProfileView()->Selection();
        seen.mainOffset =
            static_cast<CMainScreen*>(GetApplication()->GetView(VIEW_MAIN))->Common().nTextOffset;
    });
    EXPECT_EQ(run.Run("wait 500\ncall look\nshot " + run.Dir() + "/first.png\nquit\n"), 0);
    return seen;
}

TEST(FirstLanguageTest, LocaleChoosesTheLanguageOfTheFirstStart) {
    {
        CShellRun run;
        Seen seen = FirstScreen(run, "", "", "en_US.UTF-8");
        EXPECT_EQ(seen.view, VIEW_PROFILE);
        EXPECT_EQ(seen.selection, 1);
        EXPECT_EQ(seen.mainOffset, 56) << "every view speaks the first start's language";
    }
    {
        CShellRun run;
        Seen seen = FirstScreen(run, "", "", "ko_KR.UTF-8");
        EXPECT_EQ(seen.selection, 0);
        EXPECT_EQ(seen.mainOffset, 0);
    }
    {
        // LC_ALL before LC_MESSAGES before LANG; "C" and unknown languages are English.
        CShellRun run;
        EXPECT_EQ(FirstScreen(run, "ko_KR.UTF-8", "en_GB.UTF-8", "en_US.UTF-8").selection, 0);
    }
    {
        CShellRun run;
        EXPECT_EQ(FirstScreen(run, "", "en_GB.UTF-8", "ko_KR.UTF-8").selection, 1);
    }
    {
        CShellRun run;
        EXPECT_EQ(FirstScreen(run, "", "", "C.UTF-8").selection, 1);
    }
}

TEST(FirstLanguageTest, StoredChoiceWinsOverTheLocale) {
    for (int stored : {0, 1}) {
        CShellRun run;
        ASSERT_TRUE(run.PrepareStoredProfile(stored));
        Seen seen = FirstScreen(run, "", "", stored == 0 ? "en_US.UTF-8" : "ko_KR.UTF-8");
        EXPECT_EQ(seen.view, VIEW_MAIN);
        EXPECT_EQ(seen.mainOffset, stored == 0 ? 0 : 56);
    }
}

TEST(FirstLanguageTest, TabAndShiftTabMoveBetweenTheFields) {
    CShellRun run;
    std::vector<std::string> focus;
    run.Hook("focus", [&] {
        HWND f = GetFocus();
        CProfileScreen* view = ProfileView();
        focus.push_back(f == view->HeightField()   ? "height"
                        : f == view->WeightField() ? "weight"
                        : f == view->GoalField()   ? "goal"
                                                   : "none");
    });
    std::string script = "wait 500\ncall focus\n";
    for (const char* key : {"TAB", "TAB", "TAB", "SHIFT+TAB", "SHIFT+TAB"})
        script += std::string("key ") + key + "\ncall focus\n";
    script += "key TAB\ncall focus\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    // Height, weight, goal, round again; Shift+Tab the other way.
    EXPECT_EQ(focus,
              (std::vector<std::string>{"none", "height", "weight", "goal", "weight", "height", "weight"}));
    // The field Tab lands on takes what is typed, replacing its text.
    CShellRun again;
    std::string typed;
    again.Hook("typed", [&] {
        HWND height = ProfileView()->HeightField();
        typed = FieldText(height);
    });
    EXPECT_EQ(again.Run("wait 500\nkey TAB\nwait 100\ntype 181\ncall typed\nquit\n"), 0);
    EXPECT_EQ(typed, "181");
}

}  // namespace
