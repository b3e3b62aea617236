#include "engine/step_engine.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/messages.h"
#include "engine/step_detector.h"
#include "platform/mv_platform.h"
#include "platform/mv_sensor.h"
#include "platform/windows.h"
#include "recording/walk_signal.h"
#include "testing/store_test_util.h"

namespace {

constexpr double kStrideFactor = 0.003700000047683716;

struct SeenMessage {
    UINT nMsg;
    WPARAM wParam;
    std::wstring strKey;
    MotionRecord motion;
};

std::string Format(int steps, double distance, double kcal) {
    char text[96];
    snprintf(text, sizeof text, "%d %.7f %.7f", steps, distance, kcal);
    return text;
}

// The engine on a real main window of the platform (headless, manual clock) with a fresh
// database; the window procedure routes messages to the engine as the application does and
// records what the engine sends.
class StepEngineTest : public testing::Test {
protected:
    void SetUp() override {
        store_test::ProgramFolder();  // sets up the platform once per process
        ASSERT_FALSE(m_strFolder.empty());
        ASSERT_EQ(
            SQLITE_OK,
            sqlite3_open_v2((m_strFolder + "/Movimetra.db").c_str(), &m_pDb,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr));
        s_pCurrent = this;
        WNDCLASSW wc{};
        wc.lpfnWndProc = WndProc;
        wc.lpszClassName = L"MvEngineTestMain";
        RegisterClassW(&wc);
        m_hMain =
            CreateWindowExW(0, L"MvEngineTestMain", L"engine test", WS_OVERLAPPED, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_hMain, nullptr);
        m_Engine.InitEngine(m_hMain);
        m_Seen.clear();
        MvSensorClearLog();
    }

    void TearDown() override {
        m_Engine.OnDestroy();
        m_Engine.StopSaving();
        if (m_hMain) DestroyWindow(m_hMain);
        s_pCurrent = nullptr;
        if (m_pDb) sqlite3_close(m_pDb);
    }

    static LRESULT WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        StepEngineTest* self = s_pCurrent;
        if (!self) return DefWindowProcW(hWnd, msg, wParam, lParam);
        CStepEngine& engine = self->m_Engine;
        SeenMessage seen{msg, wParam, L"", MotionRecord{}};
        switch (msg) {
            case UM_SENSOR_DATA:
                engine.MotionInfo(wParam, lParam);
                return 0;
            case UM_GET_DB:
                *reinterpret_cast<sqlite3**>(lParam) = self->m_pDb;
                return 0;
            case UM_READINGS_MARK:
                engine.ReadingsMarked(reinterpret_cast<HANDLE>(lParam));
                return 0;
            case UM_EXEC_SQL:
                engine.ExecSql(static_cast<int>(wParam), reinterpret_cast<const wchar_t*>(lParam));
                return 0;
            case UM_SET_PROFILE:
                engine.SetUserInfoText(reinterpret_cast<const wchar_t*>(wParam),
                                       reinterpret_cast<const wchar_t*>(lParam));
                return 0;
            case UM_MOTION_INFO:
                seen.motion = *reinterpret_cast<const MotionRecord*>(lParam);
                break;
            case UM_VIEW_EVENT:
                seen.strKey = reinterpret_cast<const wchar_t*>(lParam);
                break;
            default:
                if (msg < WM_USER || msg >= WM_APP) return DefWindowProcW(hWnd, msg, wParam, lParam);
                break;
        }
        self->m_Seen.push_back(seen);
        return 0;
    }

    // One reading as the sensor service sends it, `ms` after the previous one; the high half of
    // wParam carries junk that must be ignored.
    void Reading(int x, int y, int z, DWORD ms = 60) {
        MvAdvanceClock(ms);
        const WPARAM w = (static_cast<WPARAM>(0xBEEF) << 16) | static_cast<uint16_t>(z);
        const uint32_t packed =
            (static_cast<uint32_t>(static_cast<uint16_t>(x)) << 16) | static_cast<uint16_t>(y);
        SendMessageW(m_hMain, UM_SENSOR_DATA, w, static_cast<LPARAM>(static_cast<int32_t>(packed)));
    }
    // Readings k = from..to of a synthetic walk.
    void Walk(const WalkSignal& walk, long from, long to) {
        for (long k = from; k <= to; ++k) {
            int16_t x, y, z;
            walk.Reading(k, &x, &y, &z);
            Reading(x, y, z, static_cast<DWORD>(walk.nIntervalMs));
        }
    }
    void Still(int count) {
        for (int i = 0; i < count; ++i) Reading(0, 9800, 0);
    }
    // A walk of exactly ten readings per cycle: one step every 600 ms, each cycle alike.
    static WalkSignal SteadyWalk() {
        WalkSignal walk;
        walk.dFrequency = 1000.0 / 600;
        return walk;
    }

    std::vector<MotionRecord> Motions() const {
        std::vector<MotionRecord> out;
        for (const SeenMessage& m : m_Seen)
            if (m.nMsg == UM_MOTION_INFO) out.push_back(m.motion);
        return out;
    }
    std::vector<SeenMessage> Seen(UINT msg) const {
        std::vector<SeenMessage> out;
        for (const SeenMessage& m : m_Seen)
            if (m.nMsg == msg) out.push_back(m);
        return out;
    }
    EngineCounters Counters() {
        EngineCounters c{};
        m_Engine.GetCounters(&c);
        return c;
    }

    static inline StepEngineTest* s_pCurrent = nullptr;
    const CTempDir m_Temp{"mv_engine_test_"};
    const std::string m_strFolder = m_Temp.Path();
    sqlite3* m_pDb = nullptr;
    HWND m_hMain = nullptr;
    CStepEngine m_Engine;
    std::vector<SeenMessage> m_Seen;
};

}  // namespace

TEST_F(StepEngineTest, SignedReadingsGiveTheWorkedWalk) {
    m_Engine.StartCounting();
    Walk(WalkSignal(), 1, 600);  // x and z swing negative: unpacked as signed they count right
    const auto motions = Motions();
    ASSERT_FALSE(motions.empty());
    EXPECT_EQ(Format(motions[0].nStepCount, motions[0].dDistance, motions[0].dCalories),
              "1 0.6586000 0.0331822");
    const EngineCounters c = Counters();
    EXPECT_EQ(Format(c.iStepCount, c.dTotalDistance, c.dCalories), "63 41.4918005 2.1964773");
    EXPECT_EQ(c.nRunState, 2);

    // A record only when the count changed, and each the counters of that moment.
    EXPECT_EQ(motions.size(), 63u);
    for (size_t i = 0; i < motions.size(); ++i) EXPECT_EQ(motions[i].nStepCount, static_cast<int>(i) + 1);
    EXPECT_EQ(Format(motions.back().nStepCount, motions.back().dDistance, motions.back().dCalories),
              "63 41.4918005 2.1964773");
}

TEST_F(StepEngineTest, MinusOneReadingIsMinusOneThousandth) {
    // Feeding the detector directly with -0.001 per 0xFFFF reading must give the same result
    // as the engine: a walk on the second axis around -9.8 with a -1 bias on the others.
    WalkSignal walk = SteadyWalk();
    std::vector<StepInfo> direct;
    InitStepDetector();
    for (long k = 1; k <= 120; ++k) {
        int16_t x, y, z;
        walk.Reading(k, &x, &y, &z);
        AccelSample s{-0.001, -y * 0.001, -0.001};
        ProcessSample(&s, 60);
        StepInfo info;
        GetStepInfo(&info);
        direct.push_back(info);
    }
    m_Engine.StartCounting();
    for (long k = 1; k <= 120; ++k) {
        int16_t x, y, z;
        walk.Reading(k, &x, &y, &z);
        Reading(0xFFFF, -y, 0xFFFF);
        const EngineCounters c = Counters();
        ASSERT_EQ(Format(c.iStepCount, c.dTotalDistance, c.dCalories),
                  Format(direct[k - 1].nStepCount, direct[k - 1].dDistance, direct[k - 1].dCalories))
            << "reading " << k;
    }
    EXPECT_GT(Counters().iStepCount, 5);
}

TEST_F(StepEngineTest, RestartAfterStopReportsZeroesAtFirstReading) {
    m_Engine.StartCounting();
    Walk(SteadyWalk(), 1, 60);
    ASSERT_GT(Counters().iStepCount, 0);
    m_Engine.StopCounting();
    EXPECT_EQ(Counters().nRunState, 0);
    EXPECT_GT(Counters().iStepCount, 0);  // kept after stop
    m_Seen.clear();

    m_Engine.StartCounting();
    // The sums read at the start hold the last workout: its counters are not added again.
    EXPECT_EQ(Counters().iStepCount, 0);
    EXPECT_EQ(Counters().dTotalDistance, 0);
    Still(1);
    const auto motions = Motions();
    ASSERT_EQ(motions.size(), 1u);
    EXPECT_EQ(Format(motions[0].nStepCount, motions[0].dDistance, motions[0].dCalories),
              "0 0.0000000 0.0000000");
    EXPECT_EQ(Counters().iStepCount, 0);
    Still(5);
    EXPECT_EQ(Motions().size(), 1u);
}

TEST_F(StepEngineTest, FifteenIdleSecondsLeaveUnattendedMode) {
    m_Engine.StartCounting();
    EXPECT_TRUE(MvPowerUnattended());
    const unsigned resetsBefore = MvPowerIdleResets();
    Walk(SteadyWalk(), 1, 60);
    ASSERT_TRUE(m_Engine.IsUnattended());
    EXPECT_EQ(MvPowerIdleResets() - resetsBefore, Motions().size());  // one idle reset per step

    // Stand still; find the reading that brings the last step.
    int sinceStep = 0;
    size_t steps = Motions().size();
    while (sinceStep < 250) {
        Still(1);
        ++sinceStep;
        if (Motions().size() != steps) {
            steps = Motions().size();
            sinceStep = 0;
        }
        ASSERT_TRUE(m_Engine.IsUnattended()) << sinceStep;
    }
    // 250 readings of 60 ms are exactly 15000 ms: not yet over the limit.
    Still(1);
    EXPECT_FALSE(m_Engine.IsUnattended());
    EXPECT_FALSE(MvPowerUnattended());
    EXPECT_EQ(Motions().size(), steps);

    // Walking again enters unattended mode at the next counted step.
    Walk(SteadyWalk(), 1, 80);
    EXPECT_GT(Motions().size(), steps);
    EXPECT_TRUE(m_Engine.IsUnattended());
    EXPECT_TRUE(MvPowerUnattended());
}

TEST_F(StepEngineTest, ResetSendsNothingAndNextStepIsOne) {
    TodayTotals today{3600, 500, 20.5, 400.25};
    m_Engine.SelectPedometer(&today);
    m_Engine.SelectPedometer(nullptr);
    m_Engine.StartCounting();
    Walk(SteadyWalk(), 1, 60);
    EngineCounters c = Counters();
    ASSERT_GT(c.iStepCount, 2);
    EXPECT_EQ(c.sumHMS, 3600);
    EXPECT_EQ(c.sumStep, 500);
    EXPECT_EQ(c.sumKCal, 20.5);
    EXPECT_EQ(c.sumDistance, 400.25);

    m_Engine.OnTimer(TIMER_VALUES);
    EXPECT_GE(Counters().nElapsed, 3u);  // 60 readings of 60 ms
    m_Seen.clear();
    m_Engine.ResetStepInfo();
    EXPECT_TRUE(m_Seen.empty());
    c = Counters();
    EXPECT_EQ(Format(c.iStepCount, c.dTotalDistance, c.dCalories), "0 0.0000000 0.0000000");
    EXPECT_EQ(c.sumHMS, 0);
    EXPECT_EQ(c.sumStep, 0);
    EXPECT_EQ(c.sumKCal, 0);
    EXPECT_EQ(c.sumDistance, 0);
    EXPECT_EQ(c.nElapsed, 0u);
    EXPECT_EQ(c.nRunState, 2);

    Walk(SteadyWalk(), 61, 75);  // the walk goes on: its streak survives the reset
    const auto motions = Motions();
    ASSERT_FALSE(motions.empty());
    EXPECT_EQ(motions[0].nStepCount, 1);
    EXPECT_NEAR(motions[0].dDistance, 178 * kStrideFactor, 1e-9);
}

TEST_F(StepEngineTest, TimerThirtySendsElapsedSeconds) {
    m_Engine.StartCounting();
    MvAdvanceClock(7400);
    for (int id : {TIMER_NOTICE, TIMER_ANIMATION, 31, 0}) m_Engine.OnTimer(id);
    EXPECT_TRUE(m_Seen.empty());
    m_Engine.OnTimer(TIMER_VALUES);
    auto events = Seen(UM_VIEW_EVENT);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].strKey, L"TIME");
    EXPECT_GE(events[0].wParam, 7u);
    EXPECT_LE(events[0].wParam, 8u);
    EXPECT_EQ(Counters().nElapsed, events[0].wParam);

    // The elapsed time runs on the monotonic clock: setting the clock back or forward does not
    // move it.
    ASSERT_TRUE(MvStepWallClock(-60));
    MvAdvanceClock(1000);
    EXPECT_EQ(m_Engine.ElapsedSeconds(), events[0].wParam + 1);
    ASSERT_TRUE(MvStepWallClock(3600 + 60));
    MvAdvanceClock(1000);
    EXPECT_EQ(m_Engine.ElapsedSeconds(), events[0].wParam + 2);
    m_Engine.StopCounting();
    MvAdvanceClock(5000);
    EXPECT_EQ(m_Engine.ElapsedSeconds(), events[0].wParam + 2);  // frozen at stop
    ASSERT_TRUE(MvStepWallClock(-3600));
}

TEST_F(StepEngineTest, ProfileTextsOfAnyLengthSetBodyValues) {
    // Each text pair is applied in the middle of a steady walk; the next step's stride shows
    // the height, its calories the weight.
    const WalkSignal walk = SteadyWalk();
    m_Engine.StartCounting();
    Walk(walk, 1, 40);
    long k = 41;
    auto nextStep = [&](const wchar_t* height, const wchar_t* weight, double* stride, double* kcal) {
        const EngineCounters before = Counters();
        m_Engine.SetUserInfoText(height, weight);
        Walk(walk, k, k + 9);
        k += 10;
        const EngineCounters after = Counters();
        EXPECT_EQ(after.iStepCount, before.iStepCount + 1);
        *stride = after.dTotalDistance - before.dTotalDistance;
        *kcal = after.dCalories - before.dCalories;
    };
    auto kcalOf = [](double height, double weight) {
        const double f = 1000.0 / 600;
        return (f + 1) * (1.0 / 3) * (weight * (1.0 / 60) + 1) * (height * 0.0037) * 0.025764;
    };
    const std::wstring longHeight = L"  " + std::wstring(500, L'0') + L"175.0" + std::wstring(500, L'0');
    const struct {
        std::wstring height;
        std::wstring weight;
        double dHeight;
        double dWeight;
    } cases[] = {
        {L"175.0", L"65", 175, 65},    {L"180", L"70.5kg", 180, 70.5},
        {longHeight, L"+80", 175, 80}, {L"1.9e2", L"90", 190, 90},
        {L"abc", L"60", 0, 60},        {L"", L"", 0, 0},
        {L"nan", L"inf", 0, 0},        {L"\x00B9\x00B2\x2075", L"\xD55C\xAE00", 0, 0},  // not ASCII digits
        {L"170", L"-5", 170, -5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dHeight << " / " << c.dWeight);
        double stride = 0, kcal = 0;
        nextStep(c.height.c_str(), c.weight.c_str(), &stride, &kcal);
        EXPECT_NEAR(stride, c.dHeight * kStrideFactor, 1e-9);
        EXPECT_NEAR(kcal, kcalOf(c.dHeight, c.dWeight), 1e-12);
    }
    double stride = 0, kcal = 0;
    nextStep(nullptr, nullptr, &stride, &kcal);
    EXPECT_EQ(stride, 0);

    UserBody body{72, 178};
    m_Engine.SetUserInfo(&body);
    m_Engine.SetUserInfo(nullptr);
    nextStep(L"178", L"72", &stride, &kcal);
    EXPECT_NEAR(stride, 178 * kStrideFactor, 1e-9);
}

TEST_F(StepEngineTest, BodyValuesSurviveTheStartOfAWorkout) {
    m_Engine.SetUserInfoText(L"190", L"80");
    m_Engine.StartCounting();  // re-initialises the detector
    Walk(SteadyWalk(), 1, 60);
    const EngineCounters c = Counters();
    ASSERT_GT(c.iStepCount, 0);
    EXPECT_NEAR(c.dTotalDistance, c.iStepCount * 190 * kStrideFactor, 1e-9);
}

TEST_F(StepEngineTest, CountersSnapshotIsConsistentWhileCounting) {
    // Another thread copies the counters while the UI thread counts: every copy must be one
    // moment's set (each counted step adds one stride; the sums never change mid-way).
    TodayTotals today{100, 1000, 50.0, 700.0};
    m_Engine.SelectPedometer(&today);
    m_Engine.StartCounting();
    std::atomic<bool> stop{false};
    std::atomic<int> copies{0};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        // At least one copy, also when the walk ends before this thread first runs.
        do {
            EngineCounters c{};
            m_Engine.GetCounters(&c);
            ++copies;
            if (std::fabs(c.dTotalDistance - c.iStepCount * 178 * kStrideFactor) > 1e-6) ++torn;
            if (c.sumStep != 1000 || c.sumDistance != 700.0 || c.sumHMS != 100) ++torn;
            (void)m_Engine.GetRunState();
        } while (!stop.load());
    });
    Walk(SteadyWalk(), 1, 400);
    stop = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GT(copies.load(), 0);
    EXPECT_GT(Counters().iStepCount, 30);
}

TEST_F(StepEngineTest, StartStopAndShutdownSendControlCodesOnce) {
    const std::vector<DWORD> start = {SENSOR_CTL_ATTACH, SENSOR_CTL_START};
    const std::vector<DWORD> stop = {SENSOR_CTL_STOP, SENSOR_CTL_DETACH};

    m_Engine.StopCounting();  // while stopped: nothing
    m_Engine.RearmSensor();
    m_Engine.OnDestroy();
    EXPECT_TRUE(MvSensorControlLog().empty());

    m_Engine.StartCounting();
    m_Engine.StartCounting();
    EXPECT_EQ(MvSensorControlLog(), start);
    EXPECT_TRUE(m_Engine.IsSensorRunning());
    EXPECT_TRUE(MvPowerUnattended());
    EXPECT_EQ(m_Engine.GetRunState(), 2);

    MvSensorClearLog();
    m_Engine.RearmSensor();
    EXPECT_EQ(MvSensorControlLog(), std::vector<DWORD>{SENSOR_CTL_ATTACH});

    MvSensorClearLog();
    m_Engine.StopCounting();
    m_Engine.StopCounting();
    EXPECT_EQ(MvSensorControlLog(), stop);
    EXPECT_FALSE(m_Engine.IsSensorRunning());
    EXPECT_FALSE(MvPowerUnattended());
    EXPECT_EQ(m_Engine.GetRunState(), 0);

    // Shutdown while running stops the sensor but leaves the run state as it was.
    m_Engine.StartCounting();
    MvSensorClearLog();
    m_Engine.OnDestroy();
    EXPECT_EQ(MvSensorControlLog(), stop);
    EXPECT_FALSE(MvPowerUnattended());
    EXPECT_EQ(m_Engine.GetRunState(), 2);
    MvSensorClearLog();
    m_Engine.OnDestroy();
    EXPECT_TRUE(MvSensorControlLog().empty());
}

TEST_F(StepEngineTest, ResumeFromSuspendRestartsTheDetector) {
    // After a resume the next reading is consumed by the restart: whatever it holds changes
    // nothing. Without a resume the same wild reading does change the count.
    auto run = [this](bool resume, int wild) {
        m_Engine.StopCounting();
        m_Engine.StartCounting();
        Walk(SteadyWalk(), 1, 45);
        if (resume) MvPowerSimulateResume();
        Reading(wild, wild, wild);
        Walk(SteadyWalk(), 47, 120);
        const EngineCounters c = Counters();
        return Format(c.iStepCount, c.dTotalDistance, c.dCalories);
    };
    const std::string calm = run(true, 9800);
    EXPECT_EQ(run(true, 32767), calm);
    EXPECT_EQ(run(true, -32768), calm);
    EXPECT_NE(run(false, 32767), run(false, 9800));
    EXPECT_FALSE(m_Engine.CheckResume());  // each notification is read once
}

TEST_F(StepEngineTest, TickIntervalWrapsAround) {
    // Runs in a child process: the clock is moved to just before GetTickCount wraps. Nothing
    // else there needs the clock meanwhile: without the saving thread, the task bar's clock
    // timer and the engine's midnight timer the 49 days pass at once.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            m_Engine.StopSaving();
            if (HWND taskBar = FindWindowW(L"HHTaskBar", nullptr)) DestroyWindow(taskBar);
            KillTimer(m_hMain, TIMER_DAY);
            MvAdvanceClock(0xFFFFFFFFu - GetTickCount() - 2970);  // wraps at reading 50
            m_Engine.StartCounting();
            Walk(WalkSignal(), 1, 100);
            const EngineCounters c = Counters();
            const std::string got = Format(c.iStepCount, c.dTotalDistance, c.dCalories);
            fprintf(stderr, "%s after tick %u\n", got.c_str(), static_cast<unsigned>(GetTickCount()));
            const bool ok = got == "9 5.9274001 0.3124657" && GetTickCount() < 10000;
            std::filesystem::remove_all(m_strFolder);  // the child ends without TearDown
            std::_Exit(ok ? 0 : 1);
        },
        testing::ExitedWithCode(0), "9 5.9274001 0.3124657 after tick");
}

namespace {

TEST_F(StepEngineTest, WorkoutOnALaterDayDropsEarlierDaysSums) {
    TodayTotals stored{600, 1200, 50.5, 800.25};
    m_Engine.SelectPedometer(&stored);

    // Same day: a new workout continues from the stored sums.
    m_Engine.StartCounting();
    m_Engine.StopCounting();
    EngineCounters c{};
    m_Engine.GetCounters(&c);
    EXPECT_EQ(1200, c.sumStep);
    EXPECT_EQ(600, c.sumHMS);

    // The next day no row exists, so nothing replaces the sums; the start drops them.
    MvAdvanceClock(24u * 3600u * 1000u);
    m_Engine.StartCounting();
    m_Engine.GetCounters(&c);
    EXPECT_EQ(0, c.sumStep);
    EXPECT_EQ(0, c.sumHMS);
    EXPECT_EQ(0.0, c.sumKCal);
    EXPECT_EQ(0.0, c.sumDistance);
    m_Engine.StopCounting();
}

// "date|curtime|steps|kcal|distance|created_at" of every row, oldest first.
std::vector<std::string> RowTexts(sqlite3* db) {
    std::vector<std::string> rows;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(
        db,
        "SELECT curdate || '|' || curtime || '|' || steps || '|' || kcal || '|' || distance || "
        "'|' || created_at FROM pedometer ORDER BY seq;",
        -1, &stmt, nullptr);
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
        rows.push_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    return rows;
}

TEST_F(StepEngineTest, WalkAcrossMidnightSplitsAtTheFirstReadingOfTheNewDayAndASetBackClockMovesNothing) {
    // 20 s before midnight, with 500 steps stored today; a steady walk with a reading every 60 ms.
    SYSTEMTIME now{};
    GetLocalTime(&now);
    MvAdvanceClock(static_cast<DWORD>(86400000 - ((now.wHour * 60 + now.wMinute) * 60 + now.wSecond) * 1000 -
                                      now.wMilliseconds - 20000));
    const std::wstring day1 = store_test::TodayText();
    ASSERT_EQ(SQLITE_OK,
              sqlite3_exec(m_pDb,
                           ("INSERT INTO pedometer(curdate, curtime, steps, kcal, distance, created_at) "
                            "VALUES('" +
                            store_test::Narrow(day1) + "', '00:10:00', 500, 20.0, 350.0, 'x');")
                               .c_str(),
                           nullptr, nullptr, nullptr));
    TodayTotals stored{600, 500, 20.0, 350.0};
    m_Engine.SelectPedometer(&stored);
    m_Engine.StartCounting();
    const WalkSignal walk = SteadyWalk();
    Walk(walk, 1, 333);  // the last reading before midnight comes at 19.98 s
    const EngineCounters before = Counters();
    ASSERT_GT(before.iStepCount, 10);
    EXPECT_TRUE(Seen(UM_NEW_DAY).empty());

    Walk(walk, 334, 334);  // 20.04 s: the new day
    const std::wstring day2 = store_test::TodayText();
    ASSERT_NE(day1, day2);
    const auto newDay = Seen(UM_NEW_DAY);
    ASSERT_EQ(newDay.size(), 1u);
    const EngineCounters split = Counters();
    EXPECT_EQ(split.sumStep, 0);
    EXPECT_EQ(split.sumHMS, 0);
    EXPECT_EQ(split.nElapsed, 0u);
    EXPECT_LE(split.iStepCount, 1);
    // The earlier day's row has everything counted before midnight; the new day has a row.
    std::vector<std::string> rows = RowTexts(m_pDb);
    ASSERT_EQ(rows.size(), 2u);
    const std::string day1Row =
        store_test::Narrow(day1) + "|00:10:20|" + std::to_string(500 + before.iStepCount) + "|";
    EXPECT_EQ(rows[0].rfind(day1Row, 0), 0u) << rows[0];
    EXPECT_EQ(rows[1],
              store_test::Narrow(day2) + "|00:00:00|0|0.0|0.0|" + store_test::Narrow(day2) + " 00:00:00");

    // The clock is set back into the earlier day: the walk goes on counting for the new day.
    Walk(walk, 335, 500);
    ASSERT_TRUE(MvStepWallClock(-60));
    Walk(walk, 501, 666);  // 39.96 s
    m_Engine.StopCounting();
    m_Engine.SaveTodayRow();
    EXPECT_EQ(Seen(UM_NEW_DAY).size(), 1u);
    const EngineCounters end = Counters();

    // The detector run on its own over the same walk counts the two days' steps together.
    InitStepDetector();
    StepInfo total{};
    for (long k = 1; k <= 666; ++k) {
        int16_t x, y, z;
        walk.Reading(k, &x, &y, &z);
        AccelSample sample{x * 0.001, y * 0.001, z * 0.001};
        ProcessSample(&sample, 60);
    }
    GetStepInfo(&total);
    rows = RowTexts(m_pDb);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].rfind(day1Row, 0), 0u) << rows[0];
    EXPECT_EQ(end.iStepCount + before.iStepCount, total.nStepCount);
    EXPECT_NEAR(end.dTotalDistance + before.dTotalDistance, total.dDistance, 1e-9);
    char expected[64];
    snprintf(expected, sizeof expected, "|00:00:19|%d|", end.iStepCount);  // 39 s less the 20 before midnight
    EXPECT_NE(rows[1].find(store_test::Narrow(day2) + expected), std::string::npos) << rows[1];
    ASSERT_TRUE(MvStepWallClock(60));
}

}  // namespace

TEST_F(StepEngineTest, SavingThreadSavesTodaysRowEveryTenRunningSeconds) {
    CDailyRecords::InsertTodayRow(m_hMain, store_test::TodayText().c_str());
    // Stored as read: a save is one UPDATE, with no hour's gain.
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(m_pDb, "UPDATE pedometer SET steps = 100, kcal = 1.5, distance = 80.0;",
                                      nullptr, nullptr, nullptr));
    TodayTotals totals{60, 100, 1.5, 80.0};
    m_Engine.SelectPedometer(&totals);
    const int before = sqlite3_total_changes(m_pDb);
    MvAdvanceClock(20000);  // not running: nothing saved
    EXPECT_EQ(before, sqlite3_total_changes(m_pDb));

    m_Engine.StartCounting();
    MvAdvanceClock(9000);
    EXPECT_EQ(before, sqlite3_total_changes(m_pDb));
    MvAdvanceClock(1000);
    EXPECT_EQ(before + 1, sqlite3_total_changes(m_pDb));
    std::vector<std::string> row;
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(m_pDb, "SELECT curdate, steps, kcal, distance FROM pedometer;",
                                            -1, &stmt, nullptr));
    while (sqlite3_step(stmt) == SQLITE_ROW)
        for (int c = 0; c < 4; ++c)
            row.push_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)));
    sqlite3_finalize(stmt);
    EXPECT_EQ((std::vector<std::string>{store_test::Narrow(store_test::TodayText()), "100", "1.5", "80.0"}),
              row);
}

TEST_F(StepEngineTest, SavingThreadStopsBeforeTheDatabaseCloses) {
    CDailyRecords::InsertTodayRow(m_hMain, store_test::TodayText().c_str());
    m_Engine.StartCounting();
    const int before = sqlite3_total_changes(m_pDb);
    MvAdvanceClock(10000);
    EXPECT_EQ(before + 1, sqlite3_total_changes(m_pDb));

    m_Engine.StopSaving();
    sqlite3_close(m_pDb);   // what the application does next
    MvAdvanceClock(30000);  // a thread still running would now use a closed connection
    ASSERT_EQ(SQLITE_OK, sqlite3_open_v2((m_strFolder + "/Movimetra.db").c_str(), &m_pDb,
                                         SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr));
}
