// The real program as a child process replaying recordings: it stores what the replay tool
// counts in the same recording, and a replay from a pipe neither freezes the screen nor keeps
// the program from ending on SIGTERM, its walk saved first.
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "recording/walk_signal.h"
#include "tests/records_test_util.h"

namespace {

using namespace recordstest;

class RecordsReplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.empty());
        ASSERT_FALSE(shelltest::InstallProgram(dir).empty());
        ASSERT_TRUE(shelltest::WriteStoredProfile(dir + "/Movimetra.db", 0));
    }
    // Starts the installed program on the manual clock, replaying `recording`.
    pid_t Start(const std::string& recording, const std::string& script) {
        shelltest::WriteTextFile(dir + "/script.txt", script);
        return shelltest::SpawnProgram(
            dir + "/Movimetra",
            {"MOVIMETRA_DISPLAY=headless", "MOVIMETRA_CLOCK=manual",
             "MOVIMETRA_CLOCK_START=2024-03-14 10:00:00", "MOVIMETRA_SENSOR=replay:" + recording,
             "MOVIMETRA_SCRIPT=" + dir + "/script.txt"},
            dir + "/log.txt");
    }
    // Waits (in real time, at most 30 s) for a file the program writes.
    static bool AppearsWithin30s(const std::string& path) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!std::filesystem::exists(path)) {
            if (std::chrono::steady_clock::now() > giveUp) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }
    std::string Log() const { return shelltest::ReadTextFile(dir + "/log.txt"); }
    const CTempDir temp{shelltest::kTempPrefix};
    const std::string dir = temp.Path();
};

// Lines of the synthetic walk, readings `from` to `to`, 60 ms apart.
std::string WalkLines(long from, long to) {
    WalkSignal walk;
    std::string text;
    for (long k = from; k <= to; ++k) {
        int16_t x, y, z;
        walk.Reading(k, &x, &y, &z);
        text += "60," + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(z) + "\n";
    }
    return text;
}

TEST_F(RecordsReplayTest, ProgramStoresWhatTheToolCountsAcrossStillPauses) {
    // A 30 s walk, three still readings 20 s apart (the detector restarts after 15 s without a
    // step), another 30 s walk.
    const std::string recording = dir + "/pauses.rec";
    ASSERT_TRUE(shelltest::WriteTextFile(
        recording,
        WalkLines(1, 500) + "20000,0,9800,0\n20000,0,9800,0\n20000,0,9800,0\n" + WalkLines(501, 1000)));
    CStepTrace tool;
    std::string output;
    ASSERT_TRUE(tool.Run(recording, &output)) << output;

    pid_t pid = Start(recording, std::string(kTapStartStop) + "wait 121000\nquit\n");
    ASSERT_GT(pid, 0);
    shelltest::ChildEnd end = shelltest::WaitProgram(pid, 60000);
    ASSERT_TRUE(end.exited) << Log();
    EXPECT_EQ(end.code, 0);
    std::vector<StoredRow> rows = ReadRows(dir + "/Movimetra.db");
    ASSERT_EQ(rows.size(), 1u) << Log();
    EXPECT_GT(tool.Final().nSteps, 80);
    EXPECT_EQ(rows[0].nSteps, tool.Final().nSteps);
    EXPECT_EQ(TwoDecimals(rows[0].dKcal), TwoDecimals(tool.Final().dKcal));
    EXPECT_EQ(TwoDecimals(rows[0].dDistance), TwoDecimals(tool.Final().dDistance));
}

TEST_F(RecordsReplayTest, FifoWithoutWriterKeepsTheScreenAliveAndSigtermEndsTheProgram) {
    const std::string fifo = dir + "/walk.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    pid_t pid = Start(fifo, std::string(kTapStartStop) + "wait 2000\nshot " + dir + "/running.png\n");
    ASSERT_GT(pid, 0);
    // The screen is still drawn after Start; then one SIGTERM ends the program.
    const bool drawn = AppearsWithin30s(dir + "/running.png");
    kill(pid, SIGTERM);
    shelltest::ChildEnd end = shelltest::WaitProgram(pid, 20000);
    EXPECT_TRUE(drawn) << Log();
    EXPECT_TRUE(end.exited) << Log();
    EXPECT_EQ(end.code, 0) << Log();
}

TEST_F(RecordsReplayTest, SigtermDuringAStalledFifoReplayEndsTheProgramWithTheWalkSaved) {
    // The test holds the FIFO's writing end: 30 s of walking come, then nothing more.
    const std::string fifo = dir + "/walk.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int writer = open(fifo.c_str(), O_RDWR);
    ASSERT_GE(writer, 0);
    const std::string walk = WalkLines(1, 500);
    ASSERT_EQ(write(writer, walk.data(), walk.size()), static_cast<ssize_t>(walk.size()));
    const std::string copy = dir + "/walk.rec";
    ASSERT_TRUE(shelltest::WriteTextFile(copy, walk));
    CStepTrace tool;
    std::string output;
    ASSERT_TRUE(tool.Run(copy, &output)) << output;

    pid_t pid = Start(fifo, std::string(kTapStartStop) + "wait 32000\nshot " + dir + "/walked.png\n");
    ASSERT_GT(pid, 0);
    const bool drawn = AppearsWithin30s(dir + "/walked.png");
    kill(pid, SIGTERM);
    shelltest::ChildEnd end = shelltest::WaitProgram(pid, 20000);
    close(writer);
    EXPECT_TRUE(drawn) << Log();
    ASSERT_TRUE(end.exited) << Log();
    EXPECT_EQ(end.code, 0) << Log();
    std::vector<StoredRow> rows = ReadRows(dir + "/Movimetra.db");
    ASSERT_EQ(rows.size(), 1u) << Log();
    EXPECT_GT(tool.Final().nSteps, 40);
    EXPECT_EQ(rows[0].nSteps, tool.Final().nSteps);
}

}  // namespace
