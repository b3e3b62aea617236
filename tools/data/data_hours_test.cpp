// The hours in the data tool: export --hours in both formats, import of such a file (checked as
// days are, merged into what is there), and backup and restore carrying the table, whose schema
// restore accepts exactly.
#include "store/schema.h"
#include "tools/data/data_tool_test_util.h"

namespace {

using namespace data_tool_test;

class DataHoursTest : public DataToolTest {
protected:
    void MakeWithHours(const std::string& path) {
        MakeDatabase(path, {kRows[0]});
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, kHourlyTable.pszCreate, nullptr, nullptr, nullptr));
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(db,
                                          "INSERT INTO hourly VALUES('2024-03-05', 8, 4000, 171.35, 2800.72);"
                                          "INSERT INTO hourly VALUES('2024-03-05', 23, 210, 9.5, 148.25);",
                                          nullptr, nullptr, nullptr));
        sqlite3_close(db);
    }
};

TEST_F(DataHoursTest, HoursExportAndImportBackInBothFormats) {
    MakeWithHours(Path("a.db"));
    Result csv = Run({"--db", Path("a.db"), "export", "--hours"});
    ASSERT_EQ(0, csv.code) << csv.err;
    EXPECT_EQ(
        "date,hour,steps,kcal,distance\n2024-03-05,8,4000,171.35,2800.72\n2024-03-05,23,210,9.5,148.25\n",
        csv.out);
    Result json =
        Run({"--db", Path("a.db"), "export", "--format", "json", "--hours", "--from", "2024-03-05"});
    EXPECT_EQ(
        "[\n  {\"date\": \"2024-03-05\", \"hour\": 8, \"steps\": 4000, \"kcal\": 171.35, \"distance\": "
        "2800.72},\n  {\"date\": \"2024-03-05\", \"hour\": 23, \"steps\": 210, \"kcal\": 9.5, \"distance\": "
        "148.25}\n]\n",
        json.out);
    // A file without hours exports the header alone.
    MakeDatabase(Path("old.db"), {kRows[0]});
    EXPECT_EQ("date,hour,steps,kcal,distance\n", Run({"--db", Path("old.db"), "export", "--hours"}).out);

    for (const char* format : {"csv", "json"}) {
        SCOPED_TRACE(format);
        const std::string file = Path(std::string("hours.") + format);
        WriteFile(file, std::string(format) == std::string("csv") ? csv.out : json.out);
        const std::string fresh = Path(std::string("fresh-") + format + ".db");
        Result r = Run({"--db", fresh, "import", file});
        ASSERT_EQ(0, r.code) << r.err;
        EXPECT_EQ("imported 2 rows of hours, skipped 0 already there\n", r.out);
        EXPECT_EQ(csv.out, Run({"--db", fresh, "export", "--hours"}).out);
        // Twice: nothing more.
        EXPECT_EQ("imported 0 rows of hours, skipped 2 already there\n",
                  Run({"--db", fresh, "import", file}).out);
    }
    // Another device's hours of the same day add to those there, as its days add rows.
    WriteFile(Path("more.csv"), "date,hour,steps,kcal,distance\n2024-03-05,8,100,1.5,70\n");
    ASSERT_EQ(0, Run({"--db", Path("fresh-csv.db"), "import", Path("more.csv")}).code);
    EXPECT_NE(
        Run({"--db", Path("fresh-csv.db"), "export", "--hours"}).out.find("2024-03-05,8,4100,172.85,2870.72"),
        std::string::npos);
}

TEST_F(DataHoursTest, AFileOfHoursIsCheckedAsDaysAre) {
    WriteFile(
        Path("bad.csv"),
        "date,hour,steps,kcal,distance\n2024-03-05,24,1,1,1\n2024-03-05,7,1000001,1,1\n2024-02-30,1,1,1,1\n"
        "2024-03-05,3,1,0.005,1\n");
    Result r = Run({"--db", Path("a.db"), "import", Path("bad.csv")});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(r.err.find("bad.csv:2: hour \"24\" is not an hour from 0 to 23"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("bad.csv:3: steps \"1000001\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("bad.csv:4: date \"2024-02-30\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("bad.csv:5: kcal \"0.005\""), std::string::npos) << r.err;
    WriteFile(
        Path("mixed.json"),
        "[{\"date\": \"2024-03-05\", \"hour\": 1, \"steps\": 1, \"kcal\": 1, \"distance\": 1},\n"
        " {\"date\": \"2024-03-05\", \"time\": \"00:00:01\", \"steps\": 1, \"kcal\": 1, \"distance\": 1}]\n");
    r = Run({"--db", Path("a.db"), "import", Path("mixed.json")});
    EXPECT_NE(r.err.find("mixed.json:2: a row of days among rows of hours"), std::string::npos) << r.err;
    EXPECT_EQ(0, RowCount(Path("a.db")));
}

TEST_F(DataHoursTest, BackupAndRestoreCarryTheHoursAndRestoreTakesOnlyTheirSchema) {
    MakeWithHours(Path("a.db"));
    ASSERT_EQ(0, Run({"--db", Path("a.db"), "backup", Path("copy.db")}).code);
    MakeDatabase(Path("b.db"), {});
    Result r = Run({"--db", Path("b.db"), "restore", Path("copy.db")});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_EQ(Run({"--db", Path("a.db"), "export", "--hours"}).out,
              Run({"--db", Path("b.db"), "export", "--hours"}).out);

    const char* wrong[] = {
        "CREATE TABLE hourly ('curdate' VARCHAR(10) NOT NULL, 'hour' INTEGER NOT NULL, 'steps' INTEGER "
        "DEFAULT 0, 'kcal' DOUBLE DEFAULT 0, 'distance' DOUBLE DEFAULT 0)",
        "CREATE TABLE hourly ('curdate' VARCHAR(10) NOT NULL, 'hour' INTEGER NOT NULL, 'steps' INTEGER "
        "DEFAULT 0, 'kcal' DOUBLE DEFAULT 0, 'distance' DOUBLE DEFAULT 0, 'note' TEXT, PRIMARY KEY (curdate, "
        "hour))",
    };
    for (const char* create : wrong) {
        SCOPED_TRACE(create);
        MakeDatabase(Path("wrong.db"), {kRows[0]});
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(Path("wrong.db").c_str(), &db));
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, create, nullptr, nullptr, nullptr));
        sqlite3_close(db);
        r = Run({"--db", Path("b.db"), "restore", Path("wrong.db")});
        EXPECT_EQ(1, r.code);
        EXPECT_NE(r.err.find("the columns of table hourly are not Movimetra's"), std::string::npos) << r.err;
        fs::remove(Path("wrong.db"));
    }
    // An hour out of range is no hour the program could have written.
    MakeWithHours(Path("bad-hour.db"));
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(Path("bad-hour.db").c_str(), &db));
    sqlite3_exec(db, "UPDATE hourly SET hour = 24 WHERE hour = 23;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    r = Run({"--db", Path("b.db"), "restore", Path("bad-hour.db")});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(r.err.find("hour row 2: hour \"24\""), std::string::npos) << r.err;
}

}  // namespace
