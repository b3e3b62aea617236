// The real program as a child process, headless on the manual clock, walking a replayed
// recording: a walk across midnight shares its steps between the two days, and a SIGKILL at any
// moment of a walk leaves a sound database that misses at most the last ten seconds of steps.
#include <iostream>
#include <memory>
#include <random>
#include <regex>
#include <thread>

#include "tests/records_test_util.h"

namespace {

using namespace recordstest;

class RecordsProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(walk.Load(WalkPath()));
        std::string output;
        ASSERT_TRUE(trace.Run(WalkPath(), &output)) << output;
    }
    // A program folder with the program and a stored profile; empty on failure.
    std::string Install() {
        const std::string& dir =
            dirs.emplace_back(std::make_unique<CTempDir>(shelltest::kTempPrefix))->Path();
        if (dir.empty()) return "";
        if (shelltest::InstallProgram(dir).empty() ||
            !shelltest::WriteStoredProfile(dir + "/Movimetra.db", 0))
            return "";
        return dir;
    }
    // Starts the installed program on the manual clock from `start`, walking the recording.
    static pid_t Start(const std::string& dir, const std::string& start, const std::string& script) {
        shelltest::WriteTextFile(dir + "/script.txt", script);
        return shelltest::SpawnProgram(
            dir + "/Movimetra",
            {"MOVIMETRA_DISPLAY=headless", "MOVIMETRA_CLOCK=manual", "MOVIMETRA_CLOCK_START=" + start,
             "MOVIMETRA_SENSOR=replay:" + WalkPath(), "MOVIMETRA_SCRIPT=" + dir + "/script.txt"},
            dir + "/log.txt");
    }
    // What the tool counts in the readings that fall due within `ms` of the start. A reading due
    // at exactly that moment may be handled before or after whatever else happens then, so
    // both counts are given.
    std::pair<Totals, Totals> CountAround(int64_t ms) const {
        return {trace.After(walk.DeliveredWithin(0, ms - 1)), trace.After(walk.DeliveredWithin(0, ms))};
    }
    Totals CountBy(int64_t ms) const { return ms < 0 ? Totals{} : trace.After(walk.DeliveredWithin(0, ms)); }

    CRecording walk;
    CStepTrace trace;
    std::vector<std::unique_ptr<CTempDir>> dirs;
};

TEST_F(RecordsProgramTest, WalkAcrossMidnightSharesItsStepsBetweenTheTwoDaysWithoutLossOrDoubleCount) {
    std::string dir = Install();
    ASSERT_FALSE(dir.empty());
    pid_t pid = Start(dir, "2024-03-14 23:59:40", std::string(kTapStartStop) + "wait 102000\nquit\n");
    ASSERT_GT(pid, 0);
    shelltest::ChildEnd end = shelltest::WaitProgram(pid, 60000);
    ASSERT_TRUE(end.exited) << shelltest::ReadTextFile(dir + "/log.txt");
    EXPECT_EQ(end.code, 0);

    std::vector<StoredRow> rows = ReadRows(dir + "/Movimetra.db");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].sDate, "2024-03-14");
    EXPECT_EQ(rows[1].sDate, "2024-03-15");
    EXPECT_EQ(rows[1].sCreatedAt, "2024-03-15 00:00:00");
    // The first save of the new day (20 s into the walk, at midnight) closes the earlier day.
    auto [before, after] = CountAround(20000);
    const Totals& day1 = rows[0].nSteps == after.nSteps ? after : before;
    EXPECT_EQ(rows[0].nSteps, day1.nSteps);
    EXPECT_NEAR(rows[0].dKcal, day1.dKcal, 0.0051);
    EXPECT_NEAR(rows[0].dDistance, day1.dDistance, 0.0051);

    const Totals& total = trace.Final();
    EXPECT_EQ(rows[0].nSteps + rows[1].nSteps, total.nSteps);
    EXPECT_NEAR(rows[0].dKcal + rows[1].dKcal, total.dKcal, 0.011);
    EXPECT_NEAR(rows[0].dDistance + rows[1].dDistance, total.dDistance, 0.011);
    EXPECT_EQ(DurationSeconds(rows[0].sDuration) + DurationSeconds(rows[1].sDuration), 102);
    // Each day's hours add up to its row: hour 23 of the first, hour 0 of the second.
    const std::string db = dir + "/Movimetra.db";
    EXPECT_EQ(maintest::QueryText(
                  db, "SELECT group_concat(curdate || ' ' || hour || ' ' || steps, '|') FROM hourly;"),
              "2024-03-14 23 " + std::to_string(rows[0].nSteps) + "|2024-03-15 0 " +
                  std::to_string(rows[1].nSteps));
    EXPECT_EQ(maintest::QueryText(db, "SELECT round(kcal, 2) FROM hourly WHERE hour = 23;"),
              maintest::QueryText(db, "SELECT round(kcal, 2) FROM pedometer WHERE curdate = '2024-03-14';"));
}

// Seconds since the manual clock's start (10:00:00 of the same day) of a stored datetime text.
int SecondsSinceTen(const std::string& datetime) {
    int h = 0, m = 0, s = 0;
    if (datetime.size() < 19 || std::sscanf(datetime.c_str() + 11, "%d:%d:%d", &h, &m, &s) != 3) return -1;
    return (h - 10) * 3600 + m * 60 + s;
}

// PRAGMA integrity_check on a read-write connection, as the program's next start would open it.
std::string IntegrityCheck(const std::string& dbPath) {
    std::string result = "cannot open";
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_open(dbPath.c_str(), &db) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "PRAGMA integrity_check;", -1, &stmt, nullptr) == SQLITE_OK) {
        result.clear();
        while (sqlite3_step(stmt) == SQLITE_ROW) result += (const char*)sqlite3_column_text(stmt, 0);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return result;
}

// The last "t<seconds>" beacon the script left in the log: each "call tN" names a hook the
// program does not have, which it reports on stderr, so the log shows how far the simulated
// time has come.
int LastBeacon(const std::string& log) {
    static const std::regex beacon("\"t([0-9]+)\"");
    int last = -1;
    for (std::sregex_iterator it(log.begin(), log.end(), beacon), none; it != none; ++it)
        last = std::max(last, std::stoi((*it)[1].str()));
    return last;
}

TEST_F(RecordsProgramTest, KillAtRandomMomentsOfAWalkKeepsTheDatabaseSoundAndLosesAtMostTenSeconds) {
    constexpr unsigned kSeed = 20240314;
    constexpr int kKills = 20;
    constexpr int kWalkSeconds = 104;
    std::mt19937 random(kSeed);
    std::uniform_int_distribution<int> beaconOf(2, 92);
    std::uniform_int_distribution<int> beforeSave(1, 9);
    std::uniform_int_distribution<int> extraMicroseconds(0, 40000);

    std::string script = kTapStartStop;
    for (int s = 1; s <= kWalkSeconds; ++s) script += "wait 1000\ncall t" + std::to_string(s) + "\n";
    // No quit: once the script is done the program idles on the stopped manual clock, so however
    // late the kill comes, it never finds the program gone.

    int journals = 0;
    int logs = 0;  // write-ahead logs left with frames in them
    std::string moments;
    for (int round = 0; round < kKills; ++round) {
        // Every other kill comes shortly after the beacon just before a save, so that some kills
        // land while a save is being written.
        const int beacon = round % 2 ? 10 * beforeSave(random) - 1 : beaconOf(random);
        const int extra = extraMicroseconds(random);
        SCOPED_TRACE("kill " + std::to_string(round) + " after beacon t" + std::to_string(beacon) + " + " +
                     std::to_string(extra) + " us (seed " + std::to_string(kSeed) + ")");
        std::string dir = Install();
        ASSERT_FALSE(dir.empty());
        pid_t pid = Start(dir, "2024-03-14 10:00:00", script);
        ASSERT_GT(pid, 0);

        // Wait for the beacon, let the program go on a little further, then kill it.
        const std::string wanted = "\"t" + std::to_string(beacon) + "\"";
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (shelltest::ReadTextFile(dir + "/log.txt").find(wanted) == std::string::npos &&
               std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::this_thread::sleep_for(std::chrono::microseconds(extra));
        kill(pid, SIGKILL);
        shelltest::ChildEnd end = shelltest::WaitProgram(pid, 10000);
        const std::string log = shelltest::ReadTextFile(dir + "/log.txt");
        ASSERT_FALSE(end.exited) << "the program ended before it was killed\n" << log;

        // The simulated time of the kill lies in [seconds, seconds + 1) of the last beacon.
        const int seconds = LastBeacon(log);
        ASSERT_GE(seconds, beacon) << log;
        moments += " " + std::to_string(seconds);
        const std::string dbPath = dir + "/Movimetra.db";
        if (std::filesystem::exists(dbPath + "-journal")) ++journals;
        if (std::filesystem::exists(dbPath + "-wal") && std::filesystem::file_size(dbPath + "-wal") > 0)
            ++logs;

        // Opened as the program opens it at its next start (a hot journal is rolled back).
        EXPECT_EQ(IntegrityCheck(dbPath), "ok");

        std::vector<StoredRow> rows = ReadRows(dbPath);
        ASSERT_EQ(rows.size(), 1u);
        const StoredRow& row = rows[0];
        // The hours agree with the day's row: they are written in one transaction.
        EXPECT_EQ(maintest::QueryInt(dbPath, "SELECT ifnull(sum(steps), 0) FROM hourly;"), row.nSteps);
        EXPECT_GE(row.nSteps, CountBy((seconds - 10) * 1000LL).nSteps);
        EXPECT_LE(row.nSteps, CountBy((seconds + 1) * 1000LL).nSteps);
        if (row.nSteps == 0) continue;
        // The row is one of the saves, every ten seconds of walking, with the count of that moment.
        const int savedAt = SecondsSinceTen(row.sUpdatedAt);
        EXPECT_EQ(savedAt % 10, 0) << row.sUpdatedAt;
        EXPECT_GE(savedAt, seconds - 10);
        auto [before, after] = CountAround(savedAt * 1000LL);
        EXPECT_TRUE(row.nSteps == before.nSteps || row.nSteps == after.nSteps) << row.nSteps;
        const Totals& saved = row.nSteps == after.nSteps ? after : before;
        EXPECT_EQ(TwoDecimals(row.dKcal), TwoDecimals(saved.dKcal));
        EXPECT_EQ(TwoDecimals(row.dDistance), TwoDecimals(saved.dDistance));
        EXPECT_NEAR(DurationSeconds(row.sDuration), savedAt, 1);
    }
    std::cout << "[ killed at simulated seconds:" << moments << "; hot journals left: " << journals
              << "; logs left with frames: " << logs << " ]" << std::endl;
}

}  // namespace
