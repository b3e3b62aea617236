// Switching the language changes every text of the main view and, among its images, exactly
// the control buttons (the Korean set carries "_k").
#include <map>
#include <set>

#include "tests/main_screen_test_util.h"

namespace {

using namespace maintest;

struct Look {
    std::vector<DrawnImage> images;
    std::map<std::string, uint64_t> areas;
};

uint64_t Checksum(int left, int top, int right, int bottom) {
    uint64_t sum = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) sum = sum * 31 + MvGetScreenPixel(x, y);
    return sum;
}

// Every look of the view: stopped with each button pressed, then starting (notice, stop button
// pressed) until the stop. Areas in screen coordinates.
Look Collect() {
    CMainScreen* view = MainView();
    CMainRecorder recorder;
    recorder.Start();
    Look look;
    view->FullRepaint();
    look.areas["steps"] = Checksum(32, 250 + kViewTop, 100, 328 + kViewTop);
    look.areas["calories"] = Checksum(32, 422 + kViewTop, 120, 453 + kViewTop);
    look.areas["time"] = Checksum(32, 511 + kViewTop, 100, 548 + kViewTop);
    look.areas["boxes"] = Checksum(120, 418 + kViewTop, 360, 553 + kViewTop);
    look.areas["softkeys"] = Checksum(0, 748, 480, 800);
    for (int x : {80, 240, 400}) {
        view->OnLButtonDown(x, 640);
        view->OnLButtonUp(0, 0);  // lifted outside: no action
    }
    view->OnLButtonDown(80, 640);
    view->OnLButtonUp(80, 640);  // start
    look.areas["notice"] = Checksum(0, 123 + kViewTop, 480, 300 + kViewTop);
    view->OnLButtonDown(80, 640);
    view->OnLButtonUp(80, 640);  // stop
    look.images = recorder.images;
    MvSetMessageObserver(nullptr);
    return look;
}

TEST(MainScreenLanguageTest, EveryTextAndExactlyTheControlButtonImagesChange) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(0));
    run.SetSensor(SilentSensor(run));
    Look korean, english;
    run.Hook("korean", [&] { korean = Collect(); });
    run.Hook("english", [&] {
        SendMessageW(GetMainWindow(), UM_SET_LANGUAGE, 1, 0);
        SendMessageW(GetMainWindow(), UM_SWITCH_VIEW, VIEW_MAIN,
                     0);  // the soft keys follow at the next showing
        english = Collect();
    });
    EXPECT_EQ(run.Run("call korean\ncall english\nquit\n"), 0);
    ASSERT_EQ(run.Calls("english"), 1);

    for (const char* text : {"steps", "calories", "time", "notice", "softkeys"})
        EXPECT_NE(korean.areas[text], english.areas[text]) << text;
    EXPECT_EQ(korean.areas["boxes"], english.areas["boxes"]);

    ASSERT_EQ(korean.images.size(), english.images.size());
    std::set<std::string> controls;
    for (size_t i = 0; i < korean.images.size(); ++i) {
        const std::string& ko = korean.images[i].name;
        const std::string& en = english.images[i].name;
        if (ko.rfind("control_", 0) == 0) {
            EXPECT_EQ(ko, en.substr(0, en.size() - 4) + "_k.png");
            controls.insert(en);
        } else {
            EXPECT_EQ(ko, en);
        }
    }
    EXPECT_EQ(controls,
              (std::set<std::string>{"control_start_n.png", "control_start_f.png", "control_stop_n.png",
                                     "control_stop_f.png", "control_reset_n.png", "control_reset_f.png",
                                     "control_log_n.png", "control_log_f.png"}));
}

}  // namespace
