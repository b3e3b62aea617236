// The data tool in-process on real SQLite files: export/import round trips, duplicates, bad
// files, date filters, backup and restore.
#include "tools/data/data_tool.h"

#include "tools/data/data_csv.h"
#include "tools/data/data_paths.h"
#include "tools/data/data_tool_test_util.h"

namespace {

using namespace data_tool_test;

TEST_F(DataToolTest, ExportImportExportGivesTheSameBytesInBothFormats) {
    MakeDatabase(Path("a.db"), kRows);
    for (const char* format : {"csv", "json"}) {
        SCOPED_TRACE(format);
        const std::string first = Path(std::string("first.") + format);
        const std::string second = Path(std::string("second.") + format);
        const std::string fresh = Path(std::string("fresh-") + format + ".db");
        ASSERT_EQ(0, Run({"--db", Path("a.db"), "export", "--format", format, first}).code);
        Result imported = Run({"--db", fresh, "import", first});
        ASSERT_EQ(0, imported.code) << imported.err;
        EXPECT_EQ("imported 5 rows, skipped 0 already there\n", imported.out);
        ASSERT_EQ(0, Run({"--db", fresh, "export", "--format", format, second}).code);
        EXPECT_EQ(ReadFile(first), ReadFile(second));
    }
    // The JSON export imports to the same rows as the CSV one; the CSV goes to standard output.
    Result csv = Run({"--db", Path("fresh-json.db"), "export"});
    EXPECT_EQ(csv.out, ReadFile(Path("first.csv")));
    EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')), "date,time,steps,kcal,distance,created,updated");
    EXPECT_NE(csv.out.find("\n2023-12-31,00:00:10,12,0.3,8.4,2023-12-31 23:59:50,"), std::string::npos);
    EXPECT_NE(csv.out.find("\n2024-02-29,101:02:03,1000000,0.1,999999.99,,\n"), std::string::npos);
    Result json = Run({"--db", Path("a.db"), "export", "--format", "json"});
    EXPECT_NE(
        json.out.find("{\"date\": \"2024-02-29\", \"time\": \"101:02:03\", \"steps\": 1000000, \"kcal\": "
                      "0.1, \"distance\": 999999.99, \"created\": null, \"updated\": null}"),
        std::string::npos)
        << json.out;
}

TEST_F(DataToolTest, ImportingTwiceAddsNothingAndKeepsWhatIsThere) {
    MakeDatabase(Path("a.db"), kRows);
    ASSERT_EQ(0, Run({"--db", Path("a.db"), "export", Path("all.csv")}).code);
    MakeDatabase(Path("b.db"), {kRows[1], "'2024-03-06', '00:01:00', 90, 3.5, 60.2, NULL, NULL"});
    Result first = Run({"--db", Path("b.db"), "import", Path("all.csv")});
    EXPECT_EQ("imported 4 rows, skipped 1 already there\n", first.out);
    Result second = Run({"--db", Path("b.db"), "import", Path("all.csv")});
    EXPECT_EQ("imported 0 rows, skipped 5 already there\n", second.out);
    EXPECT_EQ(6, RowCount(Path("b.db")));
}

TEST_F(DataToolTest, ABadFileWritesNothingAndNamesEachBadLine) {
    MakeDatabase(Path("a.db"), {kRows[0]});
    const std::string before = ReadFile(Path("a.db"));
    // Line 3 is a quoted field spanning two lines, so the bad rows start on lines 2, 5 and 6.
    WriteFile(Path("bad.csv"),
              "date,time,steps,kcal,distance,created,updated\r\n"
              "2024-02-30,00:01:00,10,1,1,,\r\n"
              "2024-03-01,00:01:00,10,1,1,\"2024-03-01\n08:00:00\",\r\n"
              "2024-03-02,00:01:00,-5,1,1,,\r\n"
              "2024-03-03,00:61:00,10,1,1,,\r\n"
              "2024-03-04,00:01:00,10,1,1,,\r\n");
    Result bad = Run({"--db", Path("a.db"), "import", Path("bad.csv")});
    EXPECT_EQ(1, bad.code);
    const std::string name = Path("bad.csv");
    EXPECT_NE(bad.err.find(name + ":2: date \"2024-02-30\" is not a date"), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find(name + ":3: created"), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find(name + ":5: steps \"-5\""), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find(name + ":6: time \"00:61:00\""), std::string::npos) << bad.err;
    EXPECT_EQ(bad.err.find(":7:"), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("nothing was imported"), std::string::npos);
    EXPECT_TRUE(before == ReadFile(Path("a.db"))) << "the database changed";

    const struct {
        const char* text;
        const char* message;
    } malformed[] = {
        {"date,steps\n", "bad.txt:1: the first line is not the header"},
        {"date,time,steps,kcal,distance,created,updated\n2024-03-01,00:01:00,1,1,1,,\n2024-03-01,\"x\"y,1,1,"
         "1,,\n",
         "bad.txt:3: text after a closing quote"},
        {"date,time,steps,kcal,distance,created,updated\n2024-03-01,00:01:00,1,1\n", "bad.txt:2: 4 fields"},
        {"date,time,steps,kcal,distance,created,updated\n2024-03-01\n",
         "bad.txt:2: 1 field, expected 5 to 7"},
        {"[\n  {\"date\": \"2024-03-01\", \"time\": \"00:01:00\", \"steps\": 1, \"kcal\": 1, \"distance\": "
         "1, "
         "\"created\": null, \"updated\": null},\n  {\"date\": \"2024-03-02\", \"steps\": 1}\n]\n",
         "bad.txt:3: no \"time\""},
        {"[\n  {\"date\": \"2024-03-01\",\n   \"time\": 00:01:00}\n]", "bad.txt:3: a malformed number"},
        {"[\n  {\"date\": \"2024-03-01\", \"time\": \"00:01:00\", \"steps\": 1.5, \"kcal\": 1, \"distance\": "
         "1, "
         "\"created\": null, \"updated\": null}\n]",
         "bad.txt:2: steps \"1.5\""},
    };
    for (const auto& c : malformed) {
        WriteFile(Path("bad.txt"), c.text);
        Result r = Run({"--db", Path("a.db"), "import", Path("bad.txt")});
        EXPECT_EQ(1, r.code) << c.text;
        EXPECT_NE(r.err.find(Path(c.message)), std::string::npos) << r.err;
    }
    EXPECT_TRUE(before == ReadFile(Path("a.db"))) << "the database changed";
}

TEST_F(DataToolTest, ExportKeepsToTheDatesAsked) {
    MakeDatabase(Path("a.db"), kRows);
    Result r = Run({"--db", Path("a.db"), "export", "--from", "2024-02-29", "--to", "2024-03-04"});
    EXPECT_EQ(0, r.code);
    EXPECT_EQ(r.out, DataCsvHeader() + "2024-02-29,101:02:03,1000000,0.1,999999.99,,\n");
    EXPECT_EQ(2, Run({"--db", Path("a.db"), "export", "--from", "2024-02-30"}).code);
    EXPECT_EQ(2, Run({"--db", Path("a.db"), "export", "--format", "xml"}).code);
    Result missing = Run({"--db", Path("none.db"), "export"});
    EXPECT_EQ(1, missing.code);
    EXPECT_NE(missing.err.find("none.db: no database there"), std::string::npos);
    EXPECT_FALSE(fs::exists(Path("none.db")));
}

TEST_F(DataToolTest, BackupAndRestoreBringTheHistoryBack) {
    MakeDatabase(Path("a.db"), kRows);
    Result backup = Run({"--db", Path("a.db"), "backup", Path("copy.db")});
    ASSERT_EQ(0, backup.code) << backup.err;
    EXPECT_EQ(0600u, static_cast<unsigned>(fs::status(Path("copy.db")).permissions() & fs::perms::all));
    EXPECT_FALSE(fs::exists(Path("copy.db.partial")));
    const std::string exported = Run({"--db", Path("a.db"), "export"}).out;

    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(Path("a.db").c_str(), &db));
    sqlite3_exec(db, "DELETE FROM pedometer;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    Result restore = Run({"--db", Path("a.db"), "restore", Path("copy.db")});
    ASSERT_EQ(0, restore.code) << restore.err;
    EXPECT_EQ(exported, Run({"--db", Path("a.db"), "export"}).out);
    // Into a database that is not there yet (a new machine).
    ASSERT_EQ(0, Run({"--db", Path("new/Movimetra.db"), "restore", Path("copy.db")}).code);
    EXPECT_EQ(exported, Run({"--db", Path("new/Movimetra.db"), "export"}).out);
}

TEST_F(DataToolTest, RestoreRefusesACopyThatIsNotSound) {
    MakeDatabase(Path("a.db"), kRows);
    const std::string before = ReadFile(Path("a.db"));
    WriteFile(Path("text.db"), "date,time\n");
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(Path("other.db").c_str(), &db));
    sqlite3_exec(db, "CREATE TABLE pedometer(x);", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    // A real backup with one page overwritten.
    ASSERT_EQ(0, Run({"--db", Path("a.db"), "backup", Path("damaged.db")}).code);
    {
        std::fstream f(Path("damaged.db"), std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4096);  // the header of the first table's page
        std::string junk(2000, '\x5a');
        f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    const struct {
        const char* file;
        const char* reason;
    } copies[] = {{"text.db", "file is not a database"},
                  {"other.db", "the columns of table pedometer are not Movimetra's"},
                  {"damaged.db", "quick check failed"},
                  {"missing.db", "no database there"}};
    for (const auto& c : copies) {
        Result r = Run({"--db", Path("a.db"), "restore", Path(c.file)});
        EXPECT_EQ(1, r.code) << c.file;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("nothing was replaced"), std::string::npos) << r.err;
    }
    EXPECT_TRUE(before == ReadFile(Path("a.db"))) << "the database changed";
    EXPECT_EQ(1, Run({"--db", Path("a.db"), "restore", Path("a.db")}).code);
    EXPECT_EQ(1, Run({"--db", Path("a.db"), "backup", Path("a.db")}).code);
}

TEST_F(DataToolTest, ImportTakesOnlyWhatTheProgramShowsAndSavesBackUnchanged) {
    MakeDatabase(Path("a.db"), {kRows[0]});
    const std::string before = ReadFile(Path("a.db"));
    const std::string header = "date,time,steps,kcal,distance,created,updated\n";
    const struct {
        const char* line;
        const char* message;
    } refused[] = {
        {"2024-03-01,00:01:00,1,3e38,1,,", "kcal \"3e38\""},
        {"2024-03-01,00:01:00,1,1,1e308,,", "distance \"1e308\""},
        {"2024-03-01,00:01:00,2147483647,1,1,,", "steps \"2147483647\""},
        {"2024-03-01,9999999999:59:59,1,1,1,,", "time \"9999999999:59:59\""},
        {"2024-03-01,596523:14:08,1,1,1,,", "time \"596523:14:08\""},
        {"2024-03-01,00:01:00,1,0.675,1,,", "kcal \"0.675\""},
    };
    for (const auto& c : refused) {
        WriteFile(Path("in.csv"), header + c.line + "\n");
        Result r = Run({"--db", Path("a.db"), "import", Path("in.csv")});
        EXPECT_EQ(1, r.code) << c.line;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    // Numbers given as strings are not numbers in JSON.
    WriteFile(Path("in.json"),
              "[\n{\"date\": \"2024-03-01\", \"time\": \"00:01:00\", \"steps\": \"4210\", \"kcal\": 1, "
              "\"distance\": 1, \"created\": null, \"updated\": null}\n]\n");
    Result quoted = Run({"--db", Path("a.db"), "import", Path("in.json")});
    EXPECT_EQ(1, quoted.code);
    EXPECT_NE(quoted.err.find(":2: steps \"4210\""), std::string::npos) << quoted.err;
    EXPECT_TRUE(before == ReadFile(Path("a.db"))) << "the database changed";

    // The largest values taken come back from the database as they went in.
    WriteFile(Path("edge.csv"), header + "2024-03-01,596523:14:07,1000000,1000000,999999.99,,\n");
    Result edge = Run({"--db", Path("a.db"), "import", Path("edge.csv")});
    EXPECT_EQ(0, edge.code) << edge.err;
    EXPECT_EQ("imported 1 row, skipped 0 already there\n", edge.out);
    EXPECT_NE(
        Run({"--db", Path("a.db"), "export"}).out.find("2024-03-01,596523:14:07,1000000,1e+06,999999.99"),
        std::string::npos);
}

TEST_F(DataToolTest, JsonIsKnownByItsShapeAndErrorsPointAtTheirCause) {
    MakeDatabase(Path("a.db"), {});
    // A byte-order mark before the array.
    WriteFile(Path("bom.json"),
              "\xEF\xBB\xBF[\n{\"date\": \"2024-03-01\", \"time\": \"00:01:00\", \"steps\": 1, \"kcal\": 1, "
              "\"distance\": 1, \"created\": null, \"updated\": null}\n]\n");
    Result bom = Run({"--db", Path("a.db"), "import", Path("bom.json")});
    EXPECT_EQ(0, bom.code) << bom.err;
    EXPECT_EQ("imported 1 row, skipped 0 already there\n", bom.out);
    // An object is JSON too, though not the array of rows.
    WriteFile(Path("object.json"), "{}\n");
    Result object = Run({"--db", Path("a.db"), "import", Path("object.json")});
    EXPECT_EQ(1, object.code);
    EXPECT_NE(object.err.find("object.json:1: an array of rows"), std::string::npos) << object.err;

    // A quote left open is reported where it opens, not at the end of the file.
    std::string text = "date,time,steps,kcal,distance,created,updated\n2024-03-01,\"00:01:00,1,1,1,,\n";
    for (int i = 0; i < 5; ++i) text += "2024-03-02,00:01:00,1,1,1,,\n";
    WriteFile(Path("open.csv"), text);
    Result open = Run({"--db", Path("a.db"), "import", Path("open.csv")});
    EXPECT_EQ(1, open.code);
    EXPECT_NE(open.err.find("open.csv:2: a quoted field opened here is not closed"), std::string::npos)
        << open.err;

    // A bad field is shown cut short, on one line, with its control characters escaped.
    WriteFile(Path("long.csv"), "date,time,steps,kcal,distance,created,updated\n\"x\ny\x01" +
                                    std::string(100000, 'z') + "\",00:01:00,1,1,1,,\n");
    Result longField = Run({"--db", Path("a.db"), "import", Path("long.csv")});
    EXPECT_EQ(1, longField.code);
    EXPECT_NE(longField.err.find("date \"x\\ny\\x01zzz"), std::string::npos) << longField.err;
    EXPECT_LT(longField.err.size(), 400u);
    EXPECT_EQ(1, RowCount(Path("a.db")));
}

TEST_F(DataToolTest, OptionsComeAnywhereAndCountsReadAsEnglish) {
    MakeDatabase(Path("a.db"), {kRows[0]});
    Result after = Run({"export", "--db", Path("a.db"), "--format", "json"});
    EXPECT_EQ(0, after.code) << after.err;
    EXPECT_NE(after.out.find("\"steps\": 4210"), std::string::npos);
    WriteFile(Path("one.csv"),
              "date,time,steps,kcal,distance,created,updated\n2024-03-09,00:01:00,1,1,1,,\n");
    Result one = Run({"import", Path("one.csv"), "--db=" + Path("a.db")});
    EXPECT_EQ("imported 1 row, skipped 0 already there\n", one.out);
    Result again = Run({"import", Path("one.csv"), "--db", Path("a.db")});
    EXPECT_EQ("imported 0 rows, skipped 1 already there\n", again.out);
    EXPECT_EQ(2, Run({"import", Path("one.csv"), "--db"}).code);
}

TEST_F(DataToolTest, RestoreTakesOnlyWhatTheProgramCouldHaveWritten) {
    MakeDatabase(Path("a.db"), kRows);
    const std::string before = ReadFile(Path("a.db"));
    const struct {
        const char* name;
        const char* sql;
        const char* reason;
    } copies[] = {
        {"trigger.db", "CREATE TRIGGER wipe AFTER INSERT ON pedometer BEGIN DELETE FROM pedometer; END;",
         "the trigger \"wipe\""},
        {"view.db", "CREATE VIEW v AS SELECT * FROM pedometer;", "the view \"v\""},
        {"index.db", "CREATE INDEX i ON pedometer(curdate);", "the index \"i\""},
        {"extra.db", "CREATE TABLE notes(x);", "the table \"notes\""},
        {"column.db", "ALTER TABLE pedometer ADD COLUMN mood TEXT;", "columns of table pedometer"},
        {"date.db", "UPDATE pedometer SET curdate = 'notadate' WHERE steps = 4210;", "date \"notadate\""},
        {"steps.db", "UPDATE pedometer SET steps = -5 WHERE steps = 4210;", "steps \"-5\""},
        {"kcal.db", "UPDATE pedometer SET kcal = 'abc' WHERE steps = 4210;", "kcal \"abc\""},
        {"goal.db", "CREATE TABLE goal ('steps' INTEGER DEFAULT 0, 'noticed' TEXT);",
         "columns of table goal"},
    };
    for (const auto& c : copies) {
        ASSERT_EQ(0, Run({"--db", Path("a.db"), "backup", Path(c.name)}).code);
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(Path(c.name).c_str(), &db));
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, c.sql, nullptr, nullptr, nullptr)) << c.sql;
        sqlite3_close(db);
        Result r = Run({"--db", Path("a.db"), "restore", Path(c.name)});
        EXPECT_EQ(1, r.code) << c.name;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("nothing was replaced"), std::string::npos) << r.err;
    }
    EXPECT_TRUE(before == ReadFile(Path("a.db"))) << "the database changed";
    for (const auto& entry : fs::directory_iterator(m_Dir))
        EXPECT_EQ(entry.path().string().find("before-restore"), std::string::npos) << entry.path();

    // The daily goal's table, as newer programs have it, is taken.
    ASSERT_EQ(0, Run({"--db", Path("a.db"), "backup", Path("goal-ok.db")}).code);
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(Path("goal-ok.db").c_str(), &db));
    ASSERT_EQ(
        SQLITE_OK,
        sqlite3_exec(db,
                     "CREATE TABLE goal ('steps' INTEGER DEFAULT 0, 'noticed' VARCHAR(10) DEFAULT NULL); "
                     "INSERT INTO goal VALUES(8000, NULL);",
                     nullptr, nullptr, nullptr));
    sqlite3_close(db);
    Result goal = Run({"--db", Path("a.db"), "restore", Path("goal-ok.db")});
    EXPECT_EQ(0, goal.code) << goal.err;
}

TEST_F(DataToolTest, RestoreKeepsTheDatabaseItReplacesAndSaysWhatOnlyThatOneHeld) {
    MakeDatabase(Path("Movimetra.db"), {kRows[0], kRows[3]});
    ASSERT_EQ(0, Run({"--db", Path("Movimetra.db"), "backup", Path("copy.db")}).code);
    // Walked since the backup: a day the copy lacks.
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(Path("Movimetra.db").c_str(), &db));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db,
                                      "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) "
                                      "VALUES('2024-03-07', '00:50:00', 5555, 200, 3900);",
                                      nullptr, nullptr, nullptr));
    sqlite3_close(db);
    const std::string replaced = ReadFile(Path("Movimetra.db"));
    Result r = Run({"--db", Path("Movimetra.db"), "restore", Path("copy.db")});
    ASSERT_EQ(0, r.code) << r.err;
    std::string kept;
    for (const auto& entry : fs::directory_iterator(m_Dir))
        if (entry.path().filename().string().rfind("Movimetra.db.before-restore-", 0) == 0)
            kept = entry.path().string();
    ASSERT_FALSE(kept.empty()) << r.out;
    EXPECT_EQ(kept.size(), Path("Movimetra.db.before-restore-YYYYMMDD-HHMMSS").size());
    EXPECT_NE(r.out.find("kept as " + kept), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("that one holds 1 day the restored copy lacks"), std::string::npos) << r.out;
    EXPECT_EQ(0600u, static_cast<unsigned>(fs::status(kept).permissions() & fs::perms::all));
    EXPECT_NE(Run({"--db", kept, "export"}).out.find("2024-03-07,00:50:00,5555"), std::string::npos);
    EXPECT_EQ(2, RowCount(Path("Movimetra.db")));
}

TEST_F(DataToolTest, WritingWaitsForNoProgramAndBackupLeavesNoPartialFile) {
    MakeDatabase(Path("a.db"), {kRows[0]});
    WriteFile(Path("one.csv"),
              "date,time,steps,kcal,distance,created,updated\n2024-03-09,00:01:00,1,1,1,,\n");
    // A program holds its byte of the file.
    int fd = open(Path("a.db").c_str(), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kProgramLockByte;
    lock.l_len = 1;
    ASSERT_EQ(0, fcntl(fd, F_OFD_SETLK, &lock));
    Result refused = Run({"--db", Path("a.db"), "import", Path("one.csv")});
    EXPECT_EQ(1, refused.code);
    EXPECT_NE(refused.err.find("Movimetra is running"), std::string::npos) << refused.err;
    EXPECT_EQ(1, Run({"--db", Path("a.db"), "restore", Path("a.db")}).code);
    close(fd);
    EXPECT_EQ(0, Run({"--db", Path("a.db"), "import", Path("one.csv")}).code);

    // A partial copy left by a backup that was killed goes at the next run; a failing backup
    // leaves none.
    WriteFile(Path("copy.db.partial"), "half a copy");
    ASSERT_EQ(0, Run({"--db", Path("a.db"), "backup", Path("copy.db")}).code);
    EXPECT_FALSE(fs::exists(Path("copy.db.partial")));
    fs::create_directory(Path("dir.db"));
    EXPECT_EQ(1, Run({"--db", Path("a.db"), "backup", Path("dir.db")}).code);
    EXPECT_FALSE(fs::exists(Path("dir.db.partial")));
}

TEST(DataPathsTest, AnInstallsHistoryLivesApartFromItsFilesAndTheOldOneMovesOnce) {
    const CTempDir temp{"mv_data_paths_"};
    const std::string prefix = temp.Path();
    fs::create_directories(prefix + "/bin");
    fs::create_directories(prefix + "/share/movimetra/img");
    WriteFile(prefix + "/share/movimetra/Movimetra.db", "an old history");
    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    setenv("XDG_DATA_HOME", (prefix + "/share").c_str(), 1);
    unsetenv("MOVIMETRA_DATA_DIR");
    testing::internal::CaptureStderr();
    std::string problem;
    std::string path = DataDefaultDatabasePath(prefix + "/bin/movimetra-data", true, &problem);
    std::string said = testing::internal::GetCapturedStderr();
    if (oldXdg)
        setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(problem.empty()) << problem;
    EXPECT_EQ(path, fs::canonical(prefix).string() + "/share/movimetra-history/Movimetra.db");
    EXPECT_EQ("an old history", ReadFile(path));
    EXPECT_FALSE(fs::exists(prefix + "/share/movimetra/Movimetra.db"));
    EXPECT_NE(said.find("moved the history"), std::string::npos) << said;
    EXPECT_EQ(fs::perms::owner_all,
              fs::status(prefix + "/share/movimetra-history").permissions() & fs::perms::all);
}

TEST(DataCsvTest, QuotedFieldsReadBackAsWritten) {
    std::vector<DataCell> cells(7);
    const char* texts[] = {"plain", "a,b", "say \"hi\"", "two\nlines", "", "cr\r\nlf", "\""};
    for (size_t i = 0; i < 7; ++i)
        cells[i] = {texts[i][0] ? DataCell::Kind::Text : DataCell::Kind::Null, texts[i]};
    std::string line = DataCsvLine(cells);
    EXPECT_EQ(line, "plain,\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",,\"cr\r\nlf\",\"\"\"\"\n");
    std::vector<DataRecord> records;
    DataParseError error;
    auto keep = [&](DataRecord& record) {
        records.push_back(record);
        return true;
    };
    ASSERT_TRUE(DataCsvRead(DataCsvHeader() + line + line, keep, &error)) << error.reason;
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].nLine, 2u);
    EXPECT_EQ(records[1].nLine, 5u);
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(records[1].cells[i].text, texts[i]);
        EXPECT_EQ(records[1].cells[i].kind, cells[i].kind);
    }
}

}  // namespace
