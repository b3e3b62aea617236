// Statements on the pedometer table: the exact texts, today's newest row, the two-decimal format
// and its read-back, resets, deleting everything and saves to the row of the totals' day.
#include "store/daily_records.h"

#include <sqlite3.h>

#include <string>
#include <thread>
#include <vector>

#include "testing/store_test_util.h"

namespace {

using store_test::Narrow;
using store_test::StoreTest;
using store_test::TodayText;
using Rows = std::vector<std::vector<std::string>>;

std::wstring ClockText() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    wchar_t clock[16];
    CDailyRecords::MakeClockText(st, clock, 16);
    return clock;
}

// Totals of today (the clock's date).
EngineCounters Counters(int sumStep, int steps, double sumKcal, double kcal, double sumDistance,
                        double distance, int sumSeconds, unsigned elapsed) {
    EngineCounters c{};
    c.nDay = store_test::TodayNumber();
    c.nRunState = 2;
    c.sumStep = sumStep;
    c.iStepCount = steps;
    c.sumKCal = sumKcal;
    c.dCalories = kcal;
    c.sumDistance = sumDistance;
    c.dTotalDistance = distance;
    c.sumHMS = sumSeconds;
    c.nElapsed = elapsed;
    return c;
}

class DailyRecordsTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        CreateSchema();
    }
    void TearDown() override {
        sqlite3_trace_v2(m_pDb, 0, nullptr, nullptr);
        StoreTest::TearDown();
    }

    // Records the text of every statement the connection runs from now on.
    void TraceStatements() {
        sqlite3_trace_v2(
            m_pDb, SQLITE_TRACE_STMT,
            [](unsigned, void* ctx, void*, void* x) {
                static_cast<std::vector<std::string>*>(ctx)->push_back(static_cast<const char*>(x));
                return 0;
            },
            &m_Statements);
    }

    void Save(const EngineCounters& c) { m_Records.SaveTodayRow(m_Runner, c, m_szDuration, 16); }

    Rows Pedometer() {
        return Query("SELECT seq, curdate, curtime, steps, kcal, distance FROM pedometer ORDER BY seq;");
    }

    CDailyRecords m_Records;
    wchar_t m_szDuration[16] = L"";
    std::vector<std::string> m_Statements;
};

TEST_F(DailyRecordsTest, DateAndClockTexts) {
    SYSTEMTIME st{};
    st.wYear = 2024;
    st.wMonth = 3;
    st.wDay = 5;
    st.wHour = 7;
    st.wMinute = 5;
    st.wSecond = 9;
    wchar_t text[16];
    CDailyRecords::MakeDateText(st, text, 16);
    EXPECT_EQ(std::wstring(L"2024-03-05"), text);
    CDailyRecords::MakeClockText(st, text, 16);
    EXPECT_EQ(std::wstring(L"07:05:09"), text);
}

TEST_F(DailyRecordsTest, TwoStartsInsertOneRowAndAResetASecond) {
    const std::wstring today = TodayText();
    const std::wstring clock = ClockText();
    // The start sequence of the main view, twice on the same day.
    for (int start = 0; start < 2; ++start) {
        StoredToday stored;
        CDailyRecords::LoadTodayTotals(m_Runner, m_hMain, today.c_str(), &stored);
        if (CDailyRecords::CountTodayRows(m_Runner, today.c_str()) == 0)
            CDailyRecords::InsertTodayRow(m_hMain, today.c_str());
    }
    std::wstring insert =
        L"INSERT INTO pedometer(curdate, curtime, steps, kcal, distance, created_at, updated_at) "
        L"\t\t\t\t\t   VALUES( '" +
        today + L"', '00:00:00', 0, 0.0, 0.0, datetime('" + today + L" " + clock + L"'), datetime('" + today +
        L" " + clock + L"') );";
    int inserts = 0;
    for (const auto& m : m_Seen) {
        if (m.msg != UM_EXEC_SQL) continue;
        ++inserts;
        EXPECT_EQ(WPARAM{SQL_INSERT}, m.wParam);
        EXPECT_EQ(insert, m.text);
    }
    EXPECT_EQ(1, inserts);
    const std::string date = Narrow(today);
    EXPECT_EQ((Rows{{"1", date, "00:00:00", "0", "0.0", "0.0"}}), Pedometer());
    EXPECT_EQ((Rows{{date + " " + Narrow(clock), date + " " + Narrow(clock)}}),
              Query("SELECT created_at, updated_at FROM pedometer;"));
    EXPECT_EQ(1, CDailyRecords::CountTodayRows(m_Runner, today.c_str()));
    EXPECT_EQ(0, CDailyRecords::CountTodayRows(m_Runner, L"1999-01-01"));

    // Walk, then reset: the first row keeps its totals, later saves go to the new row.
    Save(Counters(0, 120, 0, 4.25, 0, 90.5, 0, 75));
    CDailyRecords::InsertTodayRow(m_hMain, today.c_str());
    Save(Counters(0, 7, 0, 0.25, 0, 5, 0, 4));
    EXPECT_EQ(2, CDailyRecords::CountTodayRows(m_Runner, today.c_str()));
    EXPECT_EQ(
        (Rows{{"1", date, "00:01:15", "120", "4.25", "90.5"}, {"2", date, "00:00:04", "7", "0.25", "5.0"}}),
        Pedometer());
}

TEST_F(DailyRecordsTest, SaveWritesTwoDecimalsAndTheDurationToTheNewestRow) {
    const std::wstring today = TodayText();
    const std::string date = Narrow(today);
    Exec("INSERT INTO pedometer(curdate, curtime, steps) VALUES('" + date + "', '00:00:09', 9);");
    Exec("INSERT INTO pedometer(curdate, curtime, steps) VALUES('" + date + "', '00:00:00', 0);");
    Exec("INSERT INTO pedometer(curdate, curtime, steps) VALUES('2001-01-01', '00:00:00', 0);");
    Exec("UPDATE pedometer SET curdate = '" + date + "' WHERE seq = 3;");  // newest of today is seq 3
    Exec("INSERT INTO pedometer(curdate, curtime, steps) VALUES('2001-01-01', '00:00:00', 0);");
    const std::string clock = Narrow(ClockText());

    TraceStatements();
    // 3600 + 125 = 3725 seconds; kcal 2.0 + 1.5; distance 10 + 70.004 rounds to 80.00.
    Save(Counters(1000, 100, 2.0, 1.5, 10.0, 70.004, 3600, 125));
    EXPECT_EQ(std::wstring(L"01:02:05"), m_szDuration);
    // The day's statements (the hour's gain goes with them, in one transaction).
    std::erase_if(m_Statements, [](const std::string& sql) {
        return sql.rfind("SELECT max(seq)", 0) != 0 && sql.rfind("UPDATE pedometer", 0) != 0;
    });
    ASSERT_EQ(2u, m_Statements.size());
    EXPECT_EQ("SELECT max(seq) FROM pedometer WHERE curdate = '" + date + "';", m_Statements[0]);
    EXPECT_EQ(
        "UPDATE pedometer SET steps=1100, kcal=3.50, distance=80.00, curtime='01:02:05', "
        "updated_at=datetime('" +
            date + " " + clock + "') WHERE seq = 3;",
        m_Statements[1]);
    EXPECT_EQ((Rows{{"9", "NULL"}, {"0", "NULL"}, {"1100", date + " " + clock}, {"0", "NULL"}}),
              Query("SELECT steps, updated_at FROM pedometer ORDER BY seq;"));

    // Read back: 3.5 kcal as 350 hundredths, the duration split into its parts.
    m_Seen.clear();
    StoredToday stored;
    ASSERT_TRUE(CDailyRecords::LoadTodayTotals(m_Runner, m_hMain, today.c_str(), &stored));
    EXPECT_EQ(1, stored.nHours);
    EXPECT_EQ(2, stored.nMinutes);
    EXPECT_EQ(5, stored.nSeconds);
    EXPECT_EQ(3725, stored.nDuration);
    EXPECT_EQ(1100, stored.nSteps);
    EXPECT_DOUBLE_EQ(350 * 0.01, stored.dKcal);
    EXPECT_DOUBLE_EQ(8000 * 0.01, stored.dDistance);
    ASSERT_EQ(std::vector<UINT>{UM_SELECT_TODAY}, SeenIds());
    const TodayTotals& sent = m_Seen[0].totals;
    EXPECT_EQ(3725, sent.nSeconds);
    EXPECT_EQ(1100, sent.nSteps);
    EXPECT_DOUBLE_EQ(stored.dKcal, sent.dKcal);
    EXPECT_DOUBLE_EQ(stored.dDistance, sent.dDistance);
}

TEST_F(DailyRecordsTest, ReadBackTruncatesToHundredths) {
    const std::string date = Narrow(TodayText());
    Exec("INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" + date +
         "', '10:20:30', 5, 1.239, 0.29);");
    StoredToday stored;
    ASSERT_TRUE(CDailyRecords::LoadTodayTotals(m_Runner, m_hMain, TodayText().c_str(), &stored));
    EXPECT_DOUBLE_EQ(123 * 0.01, stored.dKcal);
    EXPECT_DOUBLE_EQ(29 * 0.01, stored.dDistance);
    EXPECT_EQ(10 * 3600 + 20 * 60 + 30, stored.nDuration);
}

TEST_F(DailyRecordsTest, ADayWithoutRows) {
    const std::wstring today = TodayText();
    // No row: nothing to read, the totals are zero and nothing is sent to the engine.
    StoredToday stored;
    stored.nSteps = 99;
    EXPECT_FALSE(CDailyRecords::LoadTodayTotals(m_Runner, m_hMain, today.c_str(), &stored));
    EXPECT_EQ(0, stored.nSteps);
    EXPECT_TRUE(m_Seen.empty());
    EXPECT_EQ(0, CDailyRecords::FindTodaySeq(m_Runner, today.c_str()));

    // A save finds no row and changes nothing.
    Save(Counters(10, 5, 1, 1, 1, 1, 1, 1));
    EXPECT_TRUE(Pedometer().empty());

    // Without the table the read fails and nothing is sent.
    Exec("DROP TABLE pedometer;");
    m_Seen.clear();
    EXPECT_FALSE(CDailyRecords::LoadTodayTotals(m_Runner, m_hMain, today.c_str(), &stored));
    EXPECT_TRUE(m_Seen.empty());
    EXPECT_EQ(0, CDailyRecords::CountTodayRows(m_Runner, today.c_str()));
}

TEST_F(DailyRecordsTest, DeleteAllRecordsKeepsTheSequenceGoing) {
    const std::wstring today = TodayText();
    CDailyRecords::InsertTodayRow(m_hMain, today.c_str());
    CDailyRecords::InsertTodayRow(m_hMain, today.c_str());
    m_Seen.clear();
    CDailyRecords::DeleteAllRecords(m_hMain);
    ASSERT_EQ(std::vector<UINT>{UM_EXEC_SQL}, SeenIds());
    EXPECT_EQ(WPARAM{SQL_DELETE}, m_Seen[0].wParam);
    EXPECT_EQ(L"DELETE FROM pedometer;", m_Seen[0].text);
    EXPECT_TRUE(Pedometer().empty());
    CDailyRecords::InsertTodayRow(m_hMain, today.c_str());
    EXPECT_EQ(3, CDailyRecords::FindTodaySeq(m_Runner, today.c_str()));
}

TEST_F(DailyRecordsTest, SavesGoToTheRowOfTheTotalsDayWhateverDayTheClockShows) {
    const std::string day2 = Narrow(TodayText());
    const int day2Number = store_test::TodayNumber();
    ASSERT_TRUE(MvStepWallClock(-86400));
    const std::string day1 = Narrow(TodayText());
    const int day1Number = store_test::TodayNumber();
    Exec("INSERT INTO pedometer(curdate, curtime, steps) VALUES('" + day1 + "', '00:10:00', 500);");
    Exec("INSERT INTO pedometer(curdate, curtime, steps) VALUES('" + day2 + "', '00:00:00', 0);");

    // The clock shows day 1: totals of day 2 still go to day 2's row, stamped with the clock.
    EngineCounters c = Counters(0, 70, 0, 2.5, 0, 49.0, 0, 65);
    c.nDay = day2Number;
    const std::string clock = day1 + " " + Narrow(ClockText());
    Save(c);
    EXPECT_EQ(
        (Rows{{"1", day1, "00:10:00", "500", "0.0", "0.0"}, {"2", day2, "00:01:05", "70", "2.5", "49.0"}}),
        Pedometer());
    EXPECT_EQ((Rows{{clock}}), Query("SELECT updated_at FROM pedometer WHERE seq = 2;"));

    // The clock shows day 2 again: a save of day 1's totals completes day 1's row.
    ASSERT_TRUE(MvStepWallClock(86400));
    c = Counters(500, 20, 0, 0.5, 0, 14.0, 600, 10);
    c.nDay = day1Number;
    Save(c);
    EXPECT_EQ(
        (Rows{{"1", day1, "00:10:10", "520", "0.5", "14.0"}, {"2", day2, "00:01:05", "70", "2.5", "49.0"}}),
        Pedometer());

    // Totals of no known day are written nowhere; the duration text is still made.
    c.nDay = 0;
    c.iStepCount = 99;
    m_szDuration[0] = L'\0';
    Save(c);
    EXPECT_EQ(std::wstring(L"00:10:10"), m_szDuration);
    EXPECT_EQ("520", Query("SELECT steps FROM pedometer WHERE seq = 1;")[0][0]);
}

TEST_F(DailyRecordsTest, SavingFromTwoThreadsKeepsOneConsistentRow) {
    const std::wstring today = TodayText();
    CDailyRecords::InsertTodayRow(m_hMain, today.c_str());
    // The UI thread (stop, log button) and the saving thread may save at the same moment.
    auto saver = [this](int steps) {
        wchar_t duration[16];
        for (int i = 0; i < 50; ++i)
            m_Records.SaveTodayRow(m_Runner, Counters(0, steps, 0, 1.0, 0, 2.0, 0, 3), duration, 16);
    };
    std::thread a(saver, 111);
    std::thread b(saver, 222);
    a.join();
    b.join();
    Rows rows = Query("SELECT steps, kcal, distance, curtime FROM pedometer;");
    ASSERT_EQ(1u, rows.size());
    EXPECT_TRUE(rows[0][0] == "111" || rows[0][0] == "222") << rows[0][0];
    EXPECT_EQ((std::vector<std::string>{"1.0", "2.0", "00:00:03"}),
              std::vector<std::string>(rows[0].begin() + 1, rows[0].end()));
}

}  // namespace
