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

namespace {

// FNV-1a, 64 bits: a whole trace in one figure.
uint64_t Fnv1a(const std::string& text) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

struct ExactCase {
    const char* pszRecording;  // a file in tests/data, or "walk:HZ:AMP:MS:N" for a synthetic walk
    const char* pszHeight;
    const char* pszWeight;
    size_t nLines;
    const char* pszTotals;
    uint64_t nTraceHash;
};

}  // namespace

// Every bit of every step's distance and kcal, on every processor: the figures below were made on
// x86_64 and must come out the same wherever the tests run (arm64 under qemu included). A
// compiler that fuses or reorders the detector's arithmetic changes the last bits first.
TEST_F(StepcountTest, ExactTraceIsTheSameOnEveryProcessor) {
    const ExactCase cases[] = {
        {"walk_1_8hz.rec", "178", "72", 64,
         "steps=63 distance_m=0x1.4bef351e6666dp+5 kcal=0x1.19262af1dc229p+1", 0x66c0c2b360ee73edull},
        {"walk_1_8hz.rec", "165", "58", 64, "steps=63 distance_m=0x1.33b1272cp+5 kcal=0x1.d1f307e4403e6p+0",
         0xbe343b8af1f20deaull},
        {"walk_1_8hz.rec", "191", "104.5", 64,
         "steps=63 distance_m=0x1.642d4310cccd1p+5 kcal=0x1.77f5d834e5e83p+1", 0xf47ee41352ad4c61ull},
        {"walk_varied_100s.rec", "178", "72", 169,
         "steps=168 distance_m=0x1.ba9446d33331ep+6 kcal=0x1.77308b3e94ffp+2", 0xa8bb04c007abe136ull},
        {"walk_varied_100s.rec", "165", "58", 169,
         "steps=168 distance_m=0x1.9a41899p+6 kcal=0x1.36e6c9ad6304bp+2", 0xb48721c30409c570ull},
        {"walk_varied_100s.rec", "191", "104.5", 169,
         "steps=168 distance_m=0x1.dae704166667dp+6 kcal=0x1.f5b6c3e070866p+2", 0x9ae3f2d6e71a8c5dull},
        {"walk:1.2:2.5:60:2000", "152", "47.5", 138,
         "steps=137 distance_m=0x1.3431f8e333335p+6 kcal=0x1.4e0662af6afddp+1", 0x888e455d3d4cd88aull},
        {"walk:2.4:6:40:3000", "183.5", "88", 287,
         "steps=286 distance_m=0x1.845c01f76664dp+7 kcal=0x1.c04249f0d99d4p+3", 0x2cfb2eec2ab4701aull},
        {"walk:1.5:5:80:1500", "170", "64", 179,
         "steps=178 distance_m=0x1.bfd916e8p+6 kcal=0x1.3e73afb3ecf63p+2", 0xeb0d62dbf63e4216ull},
    };
    for (const ExactCase& c : cases) {
        SCOPED_TRACE(std::string(c.pszRecording) + " " + c.pszHeight + " cm " + c.pszWeight + " kg");
        std::string input = c.pszRecording;
        std::string stdinText;
        if (input.rfind("walk:", 0) == 0) {
            WalkSignal walk;
            long samples = 0;
            ASSERT_EQ(sscanf(c.pszRecording, "walk:%lf:%lf:%d:%ld", &walk.dFrequency, &walk.dAmplitude,
                             &walk.nIntervalMs, &samples),
                      4);
            for (long k = 1; k <= samples; ++k) {
                int16_t x, y, z;
                walk.Reading(k, &x, &y, &z);
                stdinText += std::to_string(walk.nIntervalMs) + "," + std::to_string(x) + "," +
                             std::to_string(y) + "," + std::to_string(z) + "\n";
            }
            input = "-";
        } else {
            input = std::string(MV_TEST_DATA_DIR "/") + c.pszRecording;
        }
        ASSERT_EQ(
            Run({"--trace", "--exact", "--height", c.pszHeight, "--weight", c.pszWeight, input}, stdinText),
            0)
            << m_sErr;
        size_t lines = 0;
        for (char ch : m_sOut) lines += (ch == '\n');
        const size_t last = m_sOut.rfind('\n', m_sOut.size() - 2);
        const std::string totals = m_sOut.substr(last == std::string::npos ? 0 : last + 1);
        EXPECT_EQ(lines, c.nLines);
        EXPECT_EQ(totals, std::string(c.pszTotals) + "\n");
        EXPECT_EQ(Fnv1a(m_sOut), c.nTraceHash) << std::hex << "0x" << Fnv1a(m_sOut);
    }
}
