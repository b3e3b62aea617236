// The goal table against real SQLite files: made when missing beside the three tables, one row,
// the notice date kept across loads, and which days hear the notice.
#include "store/goal_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "store/schema.h"
#include "testing/temp_dir_test_util.h"

namespace {

class GoalStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SQLITE_OK, sqlite3_open((m_Dir.Path() + "/Movimetra.db").c_str(), &m_pDb));
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(m_pDb, StoreSchemaScript().c_str(), nullptr, nullptr, nullptr));
        m_Store.Attach(m_pDb);
    }
    void TearDown() override { sqlite3_close(m_pDb); }

    std::string Text(const char* sql) {
        std::string out;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_pDb, sql, -1, &stmt, nullptr) != SQLITE_OK) return "(error)";
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const unsigned char* t = sqlite3_column_text(stmt, c);
                out += (c ? "|" : "") + std::string(t ? reinterpret_cast<const char*>(t) : "NULL");
            }
            out += ";";
        }
        sqlite3_finalize(stmt);
        return out;
    }

    CTempDir m_Dir{"mv_goal_"};
    sqlite3* m_pDb = nullptr;
    CGoalStore m_Store;
};

TEST_F(GoalStoreTest, AnOlderFileGetsTheTableAndKeepsItsThreeTablesExactly) {
    const std::string before = Text("SELECT name, sql FROM sqlite_master ORDER BY name;");
    m_Store.Load();  // no table yet: no goal
    EXPECT_EQ(0, m_Store.Steps());
    ASSERT_EQ(SQLITE_OK, m_Store.CreateTable());
    ASSERT_EQ(SQLITE_OK, m_Store.CreateTable());  // a second start leaves it alone
    EXPECT_EQ("goal|CREATE TABLE goal ('steps' INTEGER DEFAULT 0, 'noticed' VARCHAR(10) DEFAULT NULL);",
              Text("SELECT name, sql FROM sqlite_master WHERE name = 'goal';"));
    EXPECT_EQ(before, Text("SELECT name, sql FROM sqlite_master WHERE name != 'goal' ORDER BY name;"));
    m_Store.Load();
    EXPECT_EQ(0, m_Store.Steps());
    EXPECT_EQ("", m_Store.Noticed());
}

TEST_F(GoalStoreTest, OneRowHoldsTheGoalAndTheNoticeDateAcrossLoads) {
    ASSERT_EQ(SQLITE_OK, m_Store.SaveSteps(8000));  // makes the table when it is missing
    ASSERT_EQ(SQLITE_OK, m_Store.SaveNoticed("2024-03-14"));
    ASSERT_EQ(SQLITE_OK, m_Store.SaveSteps(12000));
    EXPECT_EQ("12000|2024-03-14;", Text("SELECT steps, noticed FROM goal;"));

    CGoalStore again;
    again.Attach(m_pDb);
    again.Load();
    EXPECT_EQ(12000, again.Steps());
    EXPECT_EQ("2024-03-14", again.Noticed());

    ASSERT_EQ(SQLITE_OK, again.SaveSteps(0));  // no goal
    again.Load();
    EXPECT_EQ(0, again.Steps());
    EXPECT_EQ("0|2024-03-14;", Text("SELECT steps, noticed FROM goal;"));

    // A value no profile could store is no goal.
    sqlite3_exec(m_pDb, "UPDATE goal SET steps = 5;", nullptr, nullptr, nullptr);
    again.Load();
    EXPECT_EQ(0, again.Steps());
}

TEST_F(GoalStoreTest, ANoticeComesOncePerDayAtOrPastTheGoal) {
    EXPECT_FALSE(m_Store.ShouldNotice(100000, "2024-03-14"));  // no goal
    ASSERT_EQ(SQLITE_OK, m_Store.SaveSteps(10000));
    EXPECT_FALSE(m_Store.ShouldNotice(9999, "2024-03-14"));
    EXPECT_TRUE(m_Store.ShouldNotice(10000, "2024-03-14"));
    m_Store.SaveNoticed("2024-03-14");
    EXPECT_FALSE(m_Store.ShouldNotice(15000, "2024-03-14"));
    EXPECT_TRUE(m_Store.ShouldNotice(10001, "2024-03-15"));
}

TEST_F(GoalStoreTest, AFailedWriteKeepsTheStoredGoalButStillRemembersTheNotice) {
    ASSERT_EQ(SQLITE_OK, m_Store.SaveSteps(7000));
    sqlite3_close(m_pDb);
    ASSERT_EQ(SQLITE_OK, sqlite3_open_v2((m_Dir.Path() + "/Movimetra.db").c_str(), &m_pDb,
                                         SQLITE_OPEN_READONLY, nullptr));
    m_Store.Attach(m_pDb);
    EXPECT_NE(SQLITE_OK, m_Store.SaveSteps(9000));
    EXPECT_EQ(7000, m_Store.Steps());
    EXPECT_NE(SQLITE_OK, m_Store.SaveNoticed("2024-03-14"));
    EXPECT_FALSE(m_Store.ShouldNotice(8000, "2024-03-14"));
}

}  // namespace
