#include "tools/stepcount/stepcount.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "recording/walk_signal.h"
#include "testing/temp_dir_test_util.h"

namespace {

const char kWorkedTotals[] = "steps=63 distance_m=41.4918005 kcal=2.1964773\n";

std::string ReadAll(FILE* f) {
    std::string text;
    rewind(f);
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    return text;
}

std::string WalkText(long samples, const char* eol = "\n") {
    WalkSignal walk;
    std::string text;
    char line[64];
    for (long k = 1; k <= samples; ++k) {
        int16_t x, y, z;
        walk.Reading(k, &x, &y, &z);
        snprintf(line, sizeof line, "60,%d,%d,%d%s", x, y, z, eol);
        text += line;
    }
    return text;
}

class StepcountTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_sDir.empty()); }

    std::string WriteFile(const std::string& name, const std::string& content) {
        std::string path = m_sDir + "/" + name;
        FILE* f = fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        fwrite(content.data(), 1, content.size(), f);
        fclose(f);
        return path;
    }

    // Runs the tool in-process; `stdinText` is what "-" reads.
    int Run(std::vector<std::string> args, const std::string& stdinText = "") {
        args.insert(args.begin(), "movimetra-stepcount");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        FILE* in = tmpfile();
        FILE* out = tmpfile();
        FILE* err = tmpfile();
        fwrite(stdinText.data(), 1, stdinText.size(), in);
        rewind(in);
        int rc = RunStepcount(static_cast<int>(args.size()), argv.data(), in, out, err);
        m_sOut = ReadAll(out);
        m_sErr = ReadAll(err);
        fclose(in);
        fclose(out);
        fclose(err);
        return rc;
    }

    const CTempDir m_Temp{"mv_stepcount_"};
    const std::string m_sDir = m_Temp.Path();
    std::string m_sOut;
    std::string m_sErr;
};

}  // namespace

TEST_F(StepcountTest, WorkedRecordingGivesWorkedTotals) {
    EXPECT_EQ(Run({MV_TEST_DATA_DIR "/walk_1_8hz.rec"}), 0);
    EXPECT_EQ(m_sOut, kWorkedTotals);
    EXPECT_EQ(m_sErr, "");

    // Standard input, and the same readings written with comments, blank lines, CRLF ends,
    // blanks around values, a plus sign and no newline at the very end.
    EXPECT_EQ(Run({"-"}, WalkText(600)), 0);
    EXPECT_EQ(m_sOut, kWorkedTotals);

    std::string messy = "# header\r\n\r\n   \n  # indented comment\n" + WalkText(300, "\r\n") + "\n\t\n" +
                        WalkText(600).substr(WalkText(300).size());
    messy.replace(messy.find("60,"), 3, " +60 , ");
    messy.pop_back();  // no final newline
    EXPECT_EQ(Run({WriteFile("messy.rec", messy)}), 0) << m_sErr;
    EXPECT_EQ(m_sOut, kWorkedTotals);

    // Nothing at all is a walk of no steps.
    EXPECT_EQ(Run({WriteFile("empty.rec", "# nothing\n")}), 0);
    EXPECT_EQ(m_sOut, "steps=0 distance_m=0.0000000 kcal=0.0000000\n");
}

TEST_F(StepcountTest, TraceListsEveryChangeThenTotals) {
    EXPECT_EQ(Run({"--trace", "-"}, WalkText(100)), 0);
    EXPECT_EQ(m_sOut.substr(0, m_sOut.find('\n') + 1),
              "sample=21 steps=1 distance_m=0.6586000 kcal=0.0331822\n");
    size_t lines = 0;
    for (char c : m_sOut) lines += (c == '\n');
    EXPECT_EQ(lines, 9u + 1u);  // one per step, then the totals
    const std::string tail = "steps=9 distance_m=5.9274001 kcal=0.3124657\n";
    ASSERT_GE(m_sOut.size(), 2 * tail.size());
    EXPECT_EQ(m_sOut.substr(m_sOut.size() - tail.size()), tail);
    EXPECT_NE(m_sOut.find(" steps=9 distance_m=5.9274001 kcal=0.3124657\n"), std::string::npos);
}

TEST_F(StepcountTest, BodyValuesOnlyWhenGiven) {
    const std::string rec = MV_TEST_DATA_DIR "/walk_1_8hz.rec";
    EXPECT_EQ(Run({"--height", "178", "--weight=72", rec}), 0);
    EXPECT_EQ(m_sOut, kWorkedTotals);
    EXPECT_EQ(Run({"--height=190", rec}), 0);
    char expected[64];
    snprintf(expected, sizeof expected, "steps=63 distance_m=%.7f", 63 * 190 * 0.003700000047683716);
    EXPECT_EQ(m_sOut.substr(0, strlen(expected)), expected);
    EXPECT_EQ(Run({"--weight", "90", rec}), 0);
    EXPECT_NE(m_sOut, kWorkedTotals);
    EXPECT_EQ(m_sOut.rfind("steps=63 distance_m=41.4918005 kcal=", 0), 0u);
}

TEST_F(StepcountTest, BadLineIsReportedWithFileAndLineAndNoTotals) {
    // What makes a line bad is the recording reader's (recording/recording_reader_test.cpp).
    const std::string path = WriteFile("bad.rec", "# ok\n60,1,2,3\n\n60,40000,2,3\n60,1,2,3\n");
    EXPECT_EQ(Run({"--trace", path}), 2);
    EXPECT_EQ(m_sErr, path + ":4: x reading 40000 out of range (the signed 16-bit range -32768..32767)\n");
    EXPECT_EQ(m_sOut, "");
    EXPECT_EQ(Run({"-"}, "0,-32768,32767,0\n65535,0,0,0\n60,18446744073709551617,9800,0\n"), 2);
    EXPECT_EQ(m_sErr, "<stdin>:3: x reading out of range (the signed 16-bit range -32768..32767)\n");
    EXPECT_EQ(m_sOut, "");
    // A long comment is a comment.
    EXPECT_EQ(Run({WriteFile("long.rec", "#" + std::string(70000, 'c') + "\n" + WalkText(600))}), 0);
    EXPECT_EQ(m_sOut, kWorkedTotals);
}

TEST_F(StepcountTest, BadOptionsAndMissingFiles) {
    const std::string rec = MV_TEST_DATA_DIR "/walk_1_8hz.rec";
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--bogus", rec},
        {"-x", rec},
        {"--height", "abc", rec},
        {"--height", "-5", rec},
        {"--weight=", rec},
        {"--weight", "nan", rec},
        {rec},  // the value of --height below
        {rec, rec},
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        std::vector<std::string> args = bad[i];
        if (i == 7) args.insert(args.begin(), "--height");
        SCOPED_TRACE(i);
        EXPECT_EQ(Run(args), 2);
        EXPECT_NE(m_sErr.find("usage: movimetra-stepcount"), std::string::npos);
        EXPECT_EQ(m_sOut, "");
    }
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_EQ(m_sOut.rfind("usage: movimetra-stepcount", 0), 0u);

    EXPECT_EQ(Run({m_sDir + "/missing.rec"}), 2);
    EXPECT_EQ(m_sErr,
              "movimetra-stepcount: cannot open " + m_sDir + "/missing.rec: No such file or directory\n");
    EXPECT_EQ(Run({m_sDir}), 2);  // a folder opens but cannot be read
    EXPECT_EQ(m_sErr, "movimetra-stepcount: cannot read " + m_sDir + ": Is a directory\n");
    EXPECT_EQ(m_sOut, "");
}

TEST_F(StepcountTest, ExecutablesExitCodesAndPipes) {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = 0;
    std::string dir(self);
    dir.resize(dir.rfind('/'));
    auto shell = [&](const std::string& cmd) {
        int status = system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const std::string tool = "'" + dir + "/movimetra-stepcount'";
    const std::string out = m_sDir + "/out.txt";
    EXPECT_EQ(shell("'" + dir + "/movimetra-make-recording' --samples 600 | " + tool + " - > '" + out + "'"),
              0);
    FILE* f = fopen(out.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadAll(f), kWorkedTotals);
    fclose(f);
    EXPECT_EQ(shell(tool + " --frobnicate 2>/dev/null"), 2);
    EXPECT_EQ(shell("printf '60,1,2\\n' | " + tool + " - 2>/dev/null >/dev/null"), 2);
    EXPECT_EQ(shell("'" + dir + "/movimetra-make-recording' --samples x 2>/dev/null"), 2);
}
