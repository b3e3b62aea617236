// Import of a file a person edited: what such a person writes is taken as the program would have
// written it (one hour digit, blanks around fields, created and updated left out), and a JSON
// trailing comma is named as such.
#include "tools/data/data_tool_test_util.h"

namespace {

using namespace data_tool_test;

TEST_F(DataToolTest, AnEditedFileImportsAsTheProgramWouldHaveWrittenIt) {
    const std::string db = Path("Movimetra.db");
    WriteFile(Path("edited.csv"),
              "date, time, steps, kcal, distance\n"
              " 2024-03-05 , 1:02:03 ,  4210 , 180.35,2948.72\n"
              "2024-03-06,\"0:00:10\" ,12,0.3,8.4\n");
    Result r = Run({"--db", db, "import", Path("edited.csv")});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_EQ("imported 2 rows, skipped 0 already there\n", r.out);
    EXPECT_EQ(
        "date,time,steps,kcal,distance,created,updated\n"
        "2024-03-05,01:02:03,4210,180.35,2948.72,,\n"
        "2024-03-06,00:00:10,12,0.3,8.4,,\n",
        Run({"--db", db, "export"}).out);

    // The same rows in JSON, without created and updated and with blanks inside the strings:
    // already there.
    WriteFile(Path("edited.json"),
              "[\n  {\"date\": \"2024-03-05\", \"time\": \" 1:02:03\", \"steps\": 4210, \"kcal\": 180.35, "
              "\"distance\": 2948.72},\n  {\"date\": \"2024-03-06 \", \"time\": \"00:00:10\", \"steps\": 12, "
              "\"kcal\": 0.3, \"distance\": 8.4, \"created\": null}\n]\n");
    r = Run({"--db", db, "import", Path("edited.json")});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_EQ("imported 0 rows, skipped 2 already there\n", r.out);

    // Under the full header, a row may leave out the trailing created and updated too.
    WriteFile(Path("short.csv"),
              "date,time,steps,kcal,distance,created,updated\n2024-03-07,00:01:00,1,1,1\n"
              "2024-03-08,00:01:00,1,1,1,2024-03-08 10:00:00\n");
    r = Run({"--db", db, "import", Path("short.csv")});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_EQ("imported 2 rows, skipped 0 already there\n", r.out);

    // What stays refused: a row short of the needed fields or longer than the header, a missing
    // required key, a time that is no time.
    WriteFile(Path("bad.csv"),
              "date,time,steps,kcal,distance\n2024-03-09,00:01:00,1,1\n2024-03-09,00:01:00,1,1,1,,\n");
    r = Run({"--db", db, "import", Path("bad.csv")});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(r.err.find("bad.csv:2: 4 fields, expected 5"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("bad.csv:3: 7 fields, expected 5"), std::string::npos) << r.err;
    WriteFile(Path("nokcal.json"),
              "[{\"date\": \"2024-03-07\", \"time\": \"00:01:00\", \"steps\": 1, "
              "\"distance\": 1}]");
    r = Run({"--db", db, "import", Path("nokcal.json")});
    EXPECT_NE(r.err.find("no \"kcal\""), std::string::npos) << r.err;
    WriteFile(Path("badtime.csv"), "date,time,steps,kcal,distance\n2024-03-07,1:2:03,1,1,1\n");
    r = Run({"--db", db, "import", Path("badtime.csv")});
    EXPECT_NE(r.err.find("time \"1:2:03\" is not a time walked"), std::string::npos) << r.err;
    EXPECT_EQ(4, RowCount(db));
}

TEST_F(DataToolTest, AJsonTrailingCommaIsNamedAsSuch) {
    const std::string row =
        "{\"date\": \"2024-03-05\", \"time\": \"00:00:10\", \"steps\": 1, \"kcal\": 0, "
        "\"distance\": 0";
    WriteFile(Path("rows.json"), "[\n  " + row + "},\n]\n");
    Result r = Run({"--db", Path("a.db"), "import", Path("rows.json")});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(r.err.find("rows.json:3: a trailing comma after the last row"), std::string::npos) << r.err;
    WriteFile(Path("fields.json"), "[\n  " + row + ",}\n]\n");
    r = Run({"--db", Path("a.db"), "import", Path("fields.json")});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(r.err.find("fields.json:2: a trailing comma after the last value"), std::string::npos) << r.err;
}

}  // namespace
