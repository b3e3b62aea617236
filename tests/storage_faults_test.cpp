// The user's data when storage fails, with the whole program and a real SQLite file: a damaged
// file is left alone, saves that fail on a full disk or an unwritable folder are shown (once per
// cause, in the user's language) and written later, missing tables are made again and a newer
// info table still takes the profile.
#include <fstream>
#include <iterator>

#include "app/text_tables.h"
#include "store/store_faults.h"
#include "testing/fault_vfs_test_util.h"
#include "tests/main_screen_test_util.h"

namespace {

using namespace maintest;

// The caption of the message box that is up ("" when none).
std::wstring BoxCaption() {
    HWND box = FindWindowW(MV_MSGBOX_CLASS, nullptr);
    wchar_t caption[64] = L"";
    if (box && MvMessageBoxActive()) GetWindowTextW(box, caption, 64);
    return caption;
}

EngineCounters Counters() {
    EngineCounters counters{};
    GetApplication()->Engine().GetCounters(&counters);
    return counters;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Screenshots for a person to look at go where MV_TEST_SHOTS points, if anywhere.
std::string Shot(const char* name) {
    const char* dir = getenv("MV_TEST_SHOTS");
    return dir && *dir ? std::string("shot ") + dir + "/" + name + ".png\n" : std::string();
}

class StorageFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fault_vfs::Install();
        run.Hook("replay", [] { MvSensorConfigure("replay:" + RecordingPath()); });
        run.Hook("full", [] { fault_vfs::Arm(fault_vfs::DISK_FULL); });
        run.Hook("read_only", [] { fault_vfs::Arm(fault_vfs::FOLDER_READ_ONLY); });
        run.Hook("fixed", [] { fault_vfs::Arm(fault_vfs::NONE); });
    }
    void TearDown() override { fault_vfs::Arm(fault_vfs::NONE); }
    void StoreToday(const std::string& values) {
        ASSERT_TRUE(ExecSqlOn(run.DbPath(),
                              "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" +
                                  std::string(kToday) + "', " + values + ");"));
    }

    CShellRun run;
    CMainRecorder recorder;
};

TEST_F(StorageFaultsTest, FullDiskIsShownOnceAndNothingCountedIsLostOnceThereIsRoom) {
    ASSERT_TRUE(run.PrepareStoredProfile(LANGUAGE_ENGLISH));
    StoreToday("'00:05:00', 500, 20.0, 350.0");
    int walked = 0;  // today's total when the failing workout stopped
    run.Hook("box", [&] {
        EXPECT_EQ(BoxCaption(), L"Not saved");
        EXPECT_GT(Counters().iStepCount, 0);
        EXPECT_EQ(atoi(NewestRow(run.DbPath()).c_str()), 500);
    });
    run.Hook("no_box", [&] { EXPECT_EQ(BoxCaption(), L""); });
    run.Hook("stopped", [&] {
        EngineCounters c = Counters();
        walked = c.sumStep + c.iStepCount;
        EXPECT_GT(walked, 500);
        EXPECT_EQ(atoi(NewestRow(run.DbPath()).c_str()), 500);
        recorder.Start();
    });
    run.Hook("restarted", [&] {
        // The row read at the start is behind: the engine keeps its own totals, the screen shows them.
        EngineCounters c = Counters();
        EXPECT_EQ(c.sumStep, walked);
        EXPECT_EQ(MainView()->TodaySteps(), walked);
        EXPECT_EQ(recorder.Digits(), std::to_string(walked));
        EXPECT_EQ(BoxCaption(), L"");  // the same cause again: no second box
    });
    int total = 0;
    run.Hook("saved", [&] {
        EngineCounters c = Counters();
        total = c.sumStep + c.iStepCount;
    });
    testing::internal::CaptureStderr();
    std::string script =
        "call replay\ncall full\ntap " + std::string(kStartStop) + "\nwait 10500\ncall box\n" +
        Shot("save_failed_en") + "key ENTER\nwait 10000\ncall no_box\n" + "tap " + kStartStop +
        "\ncall stopped\ntap " + kStartStop + "\ncall restarted\ncall fixed\nwait 5000\ntap " + kStartStop +
        "\ncall saved\ncall no_box\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_EQ(run.Calls("saved"), 1);
    EXPECT_GT(total, walked);
    EXPECT_EQ(atoi(NewestRow(run.DbPath()).c_str()), total);
    EXPECT_EQ(TodayRows(run.DbPath()), 1);
    // One line when saving failed, one when it worked again.
    EXPECT_NE(said.find("Movimetra: cannot save (today's steps) in " + run.DbPath() + ": disk full"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("Movimetra: saving works again"), std::string::npos) << said;
    EXPECT_EQ(said.find("cannot save", said.find("cannot save") + 1), std::string::npos) << said;
}

TEST_F(StorageFaultsTest, ResetOnAFullDiskKeepsTheClosedRowsStepsForLater) {
    ASSERT_TRUE(run.PrepareStoredProfile(LANGUAGE_ENGLISH));
    StoreToday("'00:05:00', 500, 20.0, 350.0");
    int closed = 0;
    run.Hook("before_reset", [&] {
        EngineCounters c = Counters();
        closed = c.sumStep + c.iStepCount;
    });
    int total = 0;
    run.Hook("saved", [&] {
        EngineCounters c = Counters();
        total = c.sumStep + c.iStepCount;
    });
    std::string script = "call replay\ncall full\ntap " + std::string(kStartStop) +
                         "\nwait 10500\nkey ENTER\nwait 2000\ncall before_reset\ntap " + kReset +
                         "\nwait 3000\ncall fixed\nwait 8000\ntap " + kStartStop + "\ncall saved\nquit\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(run.Run(script), 0);
    testing::internal::GetCapturedStderr();
    EXPECT_GT(closed, 500);
    EXPECT_GT(total, 0);
    EXPECT_EQ(QueryText(run.DbPath(),
                        "SELECT group_concat(steps) FROM (SELECT steps FROM pedometer ORDER BY seq);"),
              std::to_string(closed) + "," + std::to_string(total));
}

TEST_F(StorageFaultsTest, UnwritableFolderAtTheStartOfADayIsShownInKoreanAndTheRowMadeLater) {
    ASSERT_TRUE(run.PrepareStoredProfile(0));
    run.Hook("box", [&] {
        EXPECT_EQ(BoxCaption(), L"저장 실패");
        EXPECT_EQ(TodayRows(run.DbPath()), 0);  // not even today's row could be made
    });
    run.Hook("no_box", [&] { EXPECT_EQ(BoxCaption(), L""); });
    int total = 0;
    run.Hook("saved", [&] {
        EngineCounters c = Counters();
        total = c.sumStep + c.iStepCount;
    });
    testing::internal::CaptureStderr();
    std::string script = "call replay\ncall read_only\ntap " + std::string(kStartStop) +
                         "\nwait 100\ncall box\n" + Shot("save_failed_ko") +
                         "key ENTER\nwait 10500\ncall no_box\ncall fixed\nwait 10000\ntap " + kStartStop +
                         "\ncall saved\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_GT(total, 0);
    EXPECT_EQ(TodayRows(run.DbPath()), 1);
    EXPECT_EQ(atoi(NewestRow(run.DbPath()).c_str()), total);
    EXPECT_NE(said.find(": permission denied"), std::string::npos) << said;
}

TEST_F(StorageFaultsTest, MissingPedometerTableIsMadeAgainAndTheWalkStored) {
    ASSERT_TRUE(run.PrepareStoredProfile(LANGUAGE_ENGLISH));
    ASSERT_TRUE(ExecSqlOn(run.DbPath(), "DROP TABLE pedometer;"));
    int total = 0;
    run.Hook("stopped", [&] {
        EngineCounters c = Counters();
        total = c.sumStep + c.iStepCount;
        EXPECT_EQ(BoxCaption(), L"");
    });
    EXPECT_EQ(run.Run("call replay\ntap " + std::string(kStartStop) + "\nwait 12000\ntap " + kStartStop +
                      "\ncall stopped\nquit\n"),
              0);
    EXPECT_GT(total, 0);
    EXPECT_EQ(atoi(NewestRow(run.DbPath()).c_str()), total);
    // Nothing else was touched: the profile and the first-use row are as they were.
    EXPECT_EQ(
        QueryText(run.DbPath(), "SELECT group_concat(height || '/' || weight || '/' || lang) FROM info;"),
        "175.0/65.0/1");
    EXPECT_EQ(QueryText(run.DbPath(), "SELECT group_concat(flag) FROM firstuse;"), "1");
}

TEST_F(StorageFaultsTest, InfoTableWithMoreColumnsStillTakesTheProfile) {
    // A newer file: info has a fifth column, no profile yet.
    ASSERT_TRUE(
        ExecSqlOn(run.DbPath(),
                  "CREATE TABLE firstuse ('flag' INTEGER DEFAULT 0);"
                  "CREATE TABLE info('height' FLOAT DEFAULT 0, 'weight' FLOAT DEFAULT 0, 'gender' "
                  "VARCHAR(1) default NULL, 'lang' INTEGER DEFAULT 0, 'birthday' TEXT DEFAULT NULL);"));
    run.Hook("profile", [] { EXPECT_EQ(GetApplication()->CurrentIndex(), VIEW_PROFILE); });
    run.Hook("main", [] {
        EXPECT_EQ(GetApplication()->CurrentIndex(), VIEW_MAIN);
        EXPECT_EQ(BoxCaption(), L"");
    });
    EXPECT_EQ(run.Run("wait 500\ncall profile\ntap 436 26\nwait 500\ncall main\nquit\n"), 0);
    EXPECT_EQ(QueryText(run.DbPath(),
                        "SELECT height || '/' || weight || '/' || gender || '/' || lang || '/' || "
                        "ifnull(birthday, 'none') FROM info;"),
              "175.0/65.0/M/0/none");
    EXPECT_EQ(QueryText(run.DbPath(), "SELECT flag FROM firstuse;"), "1");
}

TEST_F(StorageFaultsTest, DamagedDatabaseShowsCantOpenAndKeepsEveryByte) {
    ASSERT_TRUE(run.PrepareStoredProfile(LANGUAGE_ENGLISH));
    StoreToday("'00:05:00', 500, 20.0, 350.0");
    // The page of the firstuse table (page 2, the first table made) overwritten.
    {
        std::fstream file(run.DbPath(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4096);
        std::string garbage(4096, '\xaa');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    const std::string before = FileBytes(run.DbPath());
    run.Hook("box", [] {
        EXPECT_TRUE(MvMessageBoxActive());
        EXPECT_EQ(BoxCaption(), L"Error");
        for (int i = 0; i < VIEW_COUNT; ++i) EXPECT_EQ(GetApplication()->GetView(i), nullptr);
    });
    testing::internal::CaptureStderr();
    EXPECT_EQ(run.Run("call box\n" + Shot("cant_open_damaged") + "key ENTER\nwait 11000\nquit\n"), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(run.Calls("box"), 1);
    EXPECT_TRUE(before == FileBytes(run.DbPath())) << "the damaged file was changed";
    EXPECT_NE(said.find("Movimetra: Cant open database " + run.DbPath() + ": the database is damaged"),
              std::string::npos)
        << said;
}

}  // namespace

namespace {

// The real program in a folder that it cannot write, as another user when the test runs as the
// superuser (who may write anywhere): its saves fail for real, with no journal to be made.
TEST(StorageFaultsProgramTest, UnwritableFolderIsReportedAndTheStoredRowIsLeftWhole) {
    const CTempDir dirTemp(shelltest::kTempPrefix);
    const CTempDir outTemp(shelltest::kTempPrefix);  // log and screenshot, writable by the child
    const std::string& dir = dirTemp.Path();
    const std::string& out = outTemp.Path();
    ASSERT_FALSE(dir.empty());
    ASSERT_FALSE(out.empty());
    chmod(out.c_str(), 0777);
    const std::string program = shelltest::InstallProgram(dir);
    ASSERT_FALSE(program.empty());
    ASSERT_TRUE(CopyBuiltImages(dir));
    ASSERT_TRUE(shelltest::WriteStoredProfile(dir + "/Movimetra.db", LANGUAGE_ENGLISH));
    ASSERT_TRUE(ExecSqlOn(dir + "/Movimetra.db",
                          "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" +
                              std::string(kToday) + "', '00:05:00', 500, 20.0, 350.0);"));
    const std::string script = out + "/script.txt";
    ASSERT_TRUE(
        shelltest::WriteTextFile(script, "tap 80 692\nwait 10500\nshot " + out +
                                             "/unwritable.png\nkey ENTER\nwait 10000\ntap 80 692\nquit\n"));
    chmod(script.c_str(), 0644);
    // Everything readable (and the program runnable) by the other user; the folder closed to writes.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        chmod(entry.path().c_str(), entry.is_directory() || entry.path() == program ? 0755 : 0644);
    chmod((dir + "/Movimetra.db").c_str(), 0666);
    chmod(dir.c_str(), 0555);
    // The data folder is the user's own (another user's is refused outright), only closed to writes.
    if (geteuid() == 0) {
        ASSERT_EQ(0, chown(dir.c_str(), 65534, 65534));
    }

    const std::vector<std::string> env = {"MOVIMETRA_SCRIPT=" + script,
                                          "MOVIMETRA_SENSOR=replay:" + RecordingPath(),
                                          "MOVIMETRA_CLOCK_START=2024-03-14 10:00:00"};
    const std::string log = out + "/log.txt";
    pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(126);
        for (const std::string& entry : env) putenv(strdup(entry.c_str()));
        shelltest::RedirectChildOutput(log);
        execl(program.c_str(), program.c_str(), (char*)nullptr);
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    shelltest::ChildEnd end = shelltest::WaitProgram(pid, 60000);
    const std::string said = shelltest::ReadTextFile(log);
    chmod(dir.c_str(), 0755);
    EXPECT_TRUE(end.exited) << said;
    EXPECT_EQ(end.code, 0) << said;
    EXPECT_NE(
        said.find("Movimetra: cannot save (today's steps) in " + dir + "/Movimetra.db: permission denied"),
        std::string::npos)
        << said;
    EXPECT_TRUE(std::filesystem::exists(out + "/unwritable.png"));
    // The row is as it was, and the file is whole.
    EXPECT_EQ(NewestRow(dir + "/Movimetra.db"), "500|20.0|00:05:00");
    EXPECT_EQ(QueryText(dir + "/Movimetra.db", "PRAGMA quick_check;"), "ok");
    if (const char* shots = getenv("MV_TEST_SHOTS"))
        std::filesystem::copy_file(out + "/unwritable.png",
                                   std::string(shots) + "/save_failed_unwritable.png",
                                   std::filesystem::copy_options::overwrite_existing);
}

}  // namespace
