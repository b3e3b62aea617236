// The statement runner against a real SQLite file: every kind, row order, NULL texts, failures,
// long statements and the text helpers it relies on.
#include "store/db_helper.h"

#include <cmath>
#include <string>
#include <vector>

#include "store/store_text.h"
#include "testing/store_test_util.h"

namespace {

using store_test::StoreTest;

class DbHelperTest : public StoreTest {
protected:
    int Run(int kind, const std::wstring& sql) {
        m_Rows.clear();
        m_Result = SqlResult{};
        return m_Runner.ExecuteSql(kind, sql.c_str(), m_Rows, &m_Result);
    }
    std::wstring Message() const { return m_Result.szMessage; }

    std::vector<std::wstring> m_Rows;
    SqlResult m_Result{};
};

TEST_F(DbHelperTest, SelectDeliversEveryColumnRowMajorWithNullAsEmpty) {
    Exec("CREATE TABLE t(a, b, c);");
    Exec("INSERT INTO t VALUES(1234, 1234.5, 'x');");
    Exec("INSERT INTO t VALUES(NULL, 1234.0, '\xea\xb1\xb8\xec\x9d\x8c');");

    ASSERT_EQ(1, Run(SQL_SELECT, L"SELECT a, b, c FROM t ORDER BY rowid;"));
    EXPECT_EQ(3, m_Result.nColumns);
    EXPECT_EQ(2, m_Result.nRows);
    EXPECT_EQ(Message(), L"");
    std::vector<std::wstring> expected = {L"1234", L"1234.5", L"x", L"", L"1234.0", L"\uAC78\uC74C"};
    EXPECT_EQ(expected, m_Rows);

    // Nothing found, and an aggregate over nothing: one row with an empty text.
    ASSERT_EQ(1, Run(SQL_SELECT, L"SELECT a FROM t WHERE a = 99;"));
    EXPECT_EQ(0, m_Result.nRows);
    EXPECT_TRUE(m_Rows.empty());
    ASSERT_EQ(1, Run(SQL_SELECT, L"SELECT max(a) FROM t WHERE a = 99;"));
    EXPECT_EQ(1, m_Result.nRows);
    EXPECT_EQ(std::vector<std::wstring>{L""}, m_Rows);
}

TEST_F(DbHelperTest, PrepareFailureReportsCodeAndTouchesNothingElse) {
    std::vector<std::wstring> rows = {L"kept"};
    SqlResult result{};
    result.nRows = 7;
    ASSERT_EQ(0, m_Runner.ExecuteSql(SQL_SELECT, L"select flag from firstuse;", rows, &result));
    EXPECT_EQ(std::wstring(L"SQL error 1\r\n"), result.szMessage);
    EXPECT_EQ(SQLITE_ERROR, result.nError);
    EXPECT_EQ(std::vector<std::wstring>{L"kept"}, rows);
    EXPECT_EQ(7, result.nRows);
    EXPECT_EQ(0, result.nColumns);

    // A runner without a connection fails the same way instead of crashing.
    CDbHelper detached;
    EXPECT_EQ(0, detached.ExecuteSql(SQL_SELECT, L"SELECT 1;", rows, &result));
    EXPECT_EQ(std::wstring(L"SQL error 21\r\n"), result.szMessage);
}

TEST_F(DbHelperTest, StepFailureKeepsTheRowsDeliveredSoFar) {
    Exec("CREATE TABLE t(x);");
    Exec("INSERT INTO t VALUES(1), (2), (3);");
    // abs() of the smallest integer fails while the third row is being produced.
    ASSERT_EQ(
        1, Run(SQL_SELECT, L"SELECT CASE WHEN x < 3 THEN x ELSE abs(-9223372036854775807 - 1) END FROM t;"));
    EXPECT_EQ(2, m_Result.nRows);
    EXPECT_EQ((std::vector<std::wstring>{L"1", L"2"}), m_Rows);
    EXPECT_EQ(Message(), L"Error: 1 : integer overflow\r\n");

    // Failing on the very first step: no row, the error text.
    ASSERT_EQ(1, Run(SQL_SELECT, L"SELECT abs(-9223372036854775807 - 1);"));
    EXPECT_EQ(0, m_Result.nRows);
    EXPECT_TRUE(m_Rows.empty());
    EXPECT_EQ(Message(), L"Error: 1 : integer overflow\r\n");
}

TEST_F(DbHelperTest, IntListReportsOneRowHoweverManyCame) {
    Exec("CREATE TABLE t(x);");
    Exec("INSERT INTO t VALUES(5), (6), (7);");

    ASSERT_EQ(1, Run(SQL_INTLIST, L"SELECT COUNT(*) FROM t;"));
    EXPECT_EQ(1, m_Result.nRows);
    EXPECT_EQ(0, m_Result.nColumns);
    EXPECT_EQ(std::vector<std::wstring>{L"3"}, m_Rows);

    ASSERT_EQ(1, Run(SQL_INTLIST, L"SELECT x FROM t ORDER BY x;"));
    EXPECT_EQ(1, m_Result.nRows);
    EXPECT_EQ((std::vector<std::wstring>{L"5", L"6", L"7"}), m_Rows);

    ASSERT_EQ(1, Run(SQL_INTLIST, L"SELECT x FROM t WHERE x > 100;"));
    EXPECT_EQ(1, m_Result.nRows);
    EXPECT_TRUE(m_Rows.empty());
}

TEST_F(DbHelperTest, WritesRunOnceAndStepFailuresAreReported) {
    Exec("CREATE TABLE t(x UNIQUE);");
    ASSERT_EQ(1, Run(SQL_INSERT, L"INSERT INTO t VALUES(1);"));
    ASSERT_EQ(1, Run(SQL_INSERT, L"INSERT INTO t VALUES(2);"));
    ASSERT_EQ(1, Run(SQL_UPDATE, L"UPDATE t SET x = x + 10 WHERE x = 2;"));
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"1"}, {"12"}}), Query("SELECT x FROM t ORDER BY x;"));

    EXPECT_EQ(Message(), L"");
    EXPECT_EQ(0, m_Result.nError);

    // A constraint violation fails in the step: still 1 (it was prepared), and the failure is
    // there for the caller to report; nothing changed.
    EXPECT_EQ(1, Run(SQL_INSERT, L"INSERT INTO t VALUES(1);"));
    EXPECT_EQ(Message(), L"Error: 19 : UNIQUE constraint failed: t.x\r\n");
    EXPECT_EQ(SQLITE_CONSTRAINT, m_Result.nError);
    EXPECT_EQ(2u, Query("SELECT x FROM t;").size());
    EXPECT_EQ(1, Run(SQL_UPDATE, L"UPDATE t SET x = 1 WHERE x = 12;"));
    EXPECT_EQ(SQLITE_CONSTRAINT, m_Result.nError);

    ASSERT_EQ(1, Run(SQL_DELETE, L"DELETE FROM t;"));
    EXPECT_TRUE(Query("SELECT x FROM t;").empty());
    EXPECT_TRUE(m_Rows.empty());
    EXPECT_EQ(0, m_Result.nRows);

    // An unknown kind prepares the statement but never runs it.
    EXPECT_EQ(1, Run(9, L"INSERT INTO t VALUES(3);"));
    EXPECT_TRUE(Query("SELECT x FROM t;").empty());
    // Only blanks: prepared, nothing to run.
    EXPECT_EQ(1, Run(SQL_SELECT, L"   "));
    EXPECT_EQ(0, m_Result.nRows);
}

TEST_F(DbHelperTest, LongStatementsAreNotCut) {
    Exec("CREATE TABLE t(x);");
    // Over 5000 bytes of UTF-8: 1700 three-byte characters between the quotes.
    std::wstring value(1700, L'\uAC78');
    value += L"end";
    std::wstring sql = L"INSERT INTO t VALUES('" + value + L"');";
    ASSERT_GT(StoreUtf8FromWide(sql.c_str()).size(), 5000u);
    ASSERT_EQ(1, Run(SQL_INSERT, sql));

    ASSERT_EQ(1, Run(SQL_SELECT, L"SELECT x, length(x) FROM t;"));
    ASSERT_EQ(2u, m_Rows.size());
    EXPECT_EQ(value, m_Rows[0]);
    EXPECT_EQ(L"1703", m_Rows[1]);
}

TEST(StoreTextTest, ConversionsAndNumberFormats) {
    // Code points beyond the BMP, and malformed input replaced rather than dropped.
    std::wstring wide = L"a\u00e9\uAC78\U0001F600";
    EXPECT_EQ("a\xc3\xa9\xea\xb1\xb8\xf0\x9f\x98\x80", StoreUtf8FromWide(wide.c_str()));
    EXPECT_EQ(wide, StoreWideFromUtf8("a\xc3\xa9\xea\xb1\xb8\xf0\x9f\x98\x80"));
    EXPECT_EQ(L"\uFFFDa\uFFFD", StoreWideFromUtf8("\xff"
                                                  "a\xe0\x80"));
    EXPECT_EQ(L"", StoreWideFromUtf8(nullptr));

    EXPECT_EQ(L"3.50", StoreHundredths(3.5));
    EXPECT_EQ(L"1.01", StoreHundredths(1.006));
    EXPECT_EQ(L"0.00", StoreHundredths(std::nan("")));

    EXPECT_EQ(350, StoreTextToInt(L"350.0"));
    EXPECT_EQ(-12, StoreTextToInt(L" -12x"));
    EXPECT_EQ(0, StoreTextToInt(L"(null)"));
    EXPECT_EQ(0, StoreTextToInt(L""));
    EXPECT_EQ(2147483647, StoreTextToInt(L"99999999999999"));

    wchar_t small[4];
    StoreCopyText(small, 4, L"175.0");
    EXPECT_EQ(std::wstring(L"175"), small);
}

}  // namespace
