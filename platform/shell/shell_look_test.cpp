// The chrome together: task bar with the "ok" button, a soft-key bar, the input panel and a
// message box, written to a PNG (also to $MOVIMETRA_SHOT_DIR when set, for a person to look at).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/shell/shell_test_util.h"
#include "testing/temp_dir_test_util.h"

namespace shell_test {
namespace {

class LookTest : public ShellTest {};

std::string ShotPath(const CTempDir& temp) {
    const char* dir = std::getenv("MOVIMETRA_SHOT_DIR");
    if (dir != nullptr && *dir != 0) return std::string(dir) + "/shell_chrome.png";
    if (temp.Path().empty()) return std::string();
    return temp.Path() + "/shell_chrome.png";
}

TEST_F(LookTest, ChromeScreenshot) {
    SetWindowLongW(main_, GWL_EXSTYLE, static_cast<LONG>(WS_EX_CAPTIONOKBTN));
    HWND taskBar = FindWindowW(L"HHTaskBar", nullptr);
    ShowWindow(taskBar, SW_HIDE);
    ShowWindow(taskBar, SW_SHOW);
    SHMENUBARINFO info = {};
    info.cbSize = sizeof(info);
    info.hwndParent = main_;
    info.nToolBarId = 501;
    ASSERT_TRUE(SHCreateMenuBar(&info));
    Own(info.hwndMB);
    HWND edit = Own(CreateWindowExW(0, L"edit", L"175", WS_CHILD | WS_VISIBLE | ES_RIGHT | ES_NUMBER, 27, 79,
                                    80, 40, main_, (HMENU)6, nullptr, nullptr));
    SetFocus(edit);
    SipShowIM(SIPF_ON);
    Pump();

    const CTempDir temp("shell_look_");
    const std::string path = ShotPath(temp);
    ASSERT_FALSE(path.empty());
    bool saved = false;
    // The script runs once the box's loop finds the queue empty: the box is drawn by then.
    MvRegisterScriptHook("shell_look_shot", [&] { saved = MvSaveScreenshot(path); });
    MvSetScript("call shell_look_shot\nkey ENTER\n");
    MessageBoxW(main_, L"Enter a height between 50 and 500 cm.", L"Profile", MB_OK | MB_ICONQUESTION);
    EXPECT_TRUE(saved);
    struct stat st = {};
    EXPECT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_GT(st.st_size, 1000);
}

}  // namespace
}  // namespace shell_test
