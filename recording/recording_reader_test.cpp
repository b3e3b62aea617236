// The recording format as both the replay sensor and the replay tool read it.
#include "recording/recording_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "testing/temp_dir_test_util.h"

namespace {

class RecordingReaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_dir.empty()); }
    std::string Write(const std::string& name, const std::string& text) {
        std::string path = m_dir + "/" + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        return path;
    }
    // Every reading of a text (through a file and the given block size), then how it ended:
    // "end" or the error.
    std::vector<RecordingReading> ReadAll(const std::string& text, std::string* ending,
                                          size_t block = 64 * 1024) {
        std::string path = Write("r.rec", text);
        CRecordingReader reader(block);
        EXPECT_TRUE(reader.Open(path, false));
        std::vector<RecordingReading> readings;
        RecordingReading r;
        CRecordingReader::Result result;
        while ((result = reader.Next(&r)) == CRecordingReader::kReading) readings.push_back(r);
        EXPECT_NE(result, CRecordingReader::kPending);
        *ending = result == CRecordingReader::kEnd ? "end" : reader.Error().substr(path.size() + 1);
        EXPECT_EQ(reader.Next(&r), result) << "it keeps answering so";
        return readings;
    }
    // The error of a recording whose third line is `line`, as "LINE: reason".
    std::string ErrorOf(const std::string& line) {
        std::string ending;
        std::vector<RecordingReading> readings = ReadAll("# ok\n60,1,2,3\n" + line + "\n60,1,2,3\n", &ending);
        EXPECT_EQ(readings.size(), 1u) << line;
        return ending;
    }
    const CTempDir m_temp{"mv_recording_"};
    const std::string m_dir = m_temp.Path();
};

TEST_F(RecordingReaderTest, ReadsReadingsSkippingCommentsBlankLinesAndBlanks) {
    std::string ending;
    std::vector<RecordingReading> r = ReadAll(
        "# interval_ms,x,y,z\n"
        "\n"
        "60,1,-2,3\r\n"
        "   \t\r\n"
        "  # indented comment\n"
        " 65535 , -32768 ,32767, +0 \n"
        "0\r,1 ,\t2,3\r\r\n"
        "0,-1,-1,-00000000000000000000001",  // no newline at the end
        &ending);
    EXPECT_EQ(ending, "end");
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].nIntervalMs, 60);
    EXPECT_EQ(r[0].nX, 1);
    EXPECT_EQ(r[0].nY, -2);
    EXPECT_EQ(r[0].nZ, 3);
    EXPECT_EQ(r[1].nIntervalMs, 65535);
    EXPECT_EQ(r[1].nX, -32768);
    EXPECT_EQ(r[1].nY, 32767);
    EXPECT_EQ(r[1].nZ, 0);
    EXPECT_EQ(r[2].nIntervalMs, 0);
    EXPECT_EQ(r[2].nY, 2);
    EXPECT_EQ(r[3].nZ, -1);

    EXPECT_TRUE(ReadAll("", &ending).empty());
    EXPECT_EQ(ending, "end");
    EXPECT_TRUE(ReadAll("# only a comment", &ending).empty());
    EXPECT_EQ(ending, "end");
}

TEST_F(RecordingReaderTest, MalformedLinesNameTheLineAndTheReason) {
    const std::string shape = "3: expected four comma-separated integers (interval_ms,x,y,z)";
    EXPECT_EQ(ErrorOf("60,1,2"), shape);
    EXPECT_EQ(ErrorOf("60,a,2,3"), shape);
    EXPECT_EQ(ErrorOf("60,1.5,2,3"), shape);
    EXPECT_EQ(ErrorOf("60,,2,3"), shape);
    EXPECT_EQ(ErrorOf("60 1 2 3"), shape);
    EXPECT_EQ(ErrorOf("6\r0,1,2,3"), shape);  // a carriage return inside a number splits it
    EXPECT_EQ(ErrorOf(std::string("60,1,\0,3", 8)), shape);
    EXPECT_EQ(ErrorOf("60,1,2,3,4"), "3: unexpected text after the fourth value");
    EXPECT_EQ(ErrorOf("60,1,2,3x"), "3: unexpected text after the fourth value");
}

TEST_F(RecordingReaderTest, NumbersOutOfRangeAreErrorsHoweverLong) {
    const std::string xy = " out of range (the signed 16-bit range -32768..32767)";
    EXPECT_EQ(ErrorOf("60,32768,0,0"), "3: x reading 32768" + xy);
    EXPECT_EQ(ErrorOf("60,0,-32769,0"), "3: y reading -32769" + xy);
    EXPECT_EQ(ErrorOf("-1,0,0,0"), "3: interval -1 out of range (0..65535)");
    EXPECT_EQ(ErrorOf("65536,0,0,0"), "3: interval 65536 out of range (0..65535)");
    // Numbers that wrap in 64 bits (2^64 + 1, -2^63, 2^64 + 65536) are still out of range.
    EXPECT_EQ(ErrorOf("60,18446744073709551617,9800,0"), "3: x reading" + xy);
    EXPECT_EQ(ErrorOf("60,0,-9223372036854775808,0"), "3: y reading" + xy);
    EXPECT_EQ(ErrorOf("18446744073709617152,0,0,0"), "3: interval out of range (0..65535)");
    EXPECT_EQ(ErrorOf("60,0,0," + std::string(4000, '9')), "3: z reading" + xy);
}

TEST_F(RecordingReaderTest, CommentsAndBlankLinesOfAnyLengthAreSkippedLongDataLinesRefused) {
    std::string ending;
    // A recording that starts with a 70,000-character comment, then a blank line as long.
    std::vector<RecordingReading> r = ReadAll(
        "#" + std::string(70000, 'c') + "\n" + std::string(70000, ' ') + "\r\n" + std::string(5000, '\t') +
            "# an indented long comment " + std::string(70000, 'c') + "\n60,1,2,3\n",
        &ending);
    EXPECT_EQ(ending, "end");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].nZ, 3);
    // A data line may be 4096 characters long, blanks included, and no longer.
    std::string line = "60,1,2,3";
    EXPECT_EQ(ReadAll(std::string(4096 - line.size(), ' ') + line + "\n", &ending).size(), 1u);
    EXPECT_EQ(ending, "end");
    for (size_t length : {4097u, 5000u, 65535u, 70000u}) {
        SCOPED_TRACE(length);
        EXPECT_EQ(ErrorOf(std::string(length - line.size(), ' ') + line), "3: line too long");
        EXPECT_EQ(ErrorOf("60,1,2," + std::string(length - 8, '0') + "3"), "3: line too long");
        EXPECT_EQ(ErrorOf(line + std::string(length - line.size(), 'x')), "3: line too long");
    }
    // The same at the very end, without a newline.
    EXPECT_TRUE(ReadAll("60,1,2," + std::string(5000, '0') + "3", &ending).empty());
    EXPECT_EQ(ending, "1: line too long");
}

TEST_F(RecordingReaderTest, SameReadingsWhateverTheBlockSize) {
    std::string text;
    for (int i = 0; i < 30000; ++i) {
        text += (i % 7 == 0) ? "# comment " + std::to_string(i) + "\n" : "";
        text += (i % 11 == 0) ? std::string(i % 9000, ' ') + "\r\n" : "";
        text += std::to_string(i % 65536) + (i % 5 == 0 ? " , " : ",") + std::to_string(i % 65536 - 32768) +
                ",-" + std::to_string(i % 1000) + "," + std::to_string(i % 3) + (i % 3 == 0 ? "\r\n" : "\n");
    }
    std::string ending;
    const auto big = ReadAll(text, &ending, 1 << 20);
    EXPECT_EQ(ending, "end");
    const auto small = ReadAll(text, &ending, 1);  // rounded up to the smallest block
    EXPECT_EQ(ending, "end");
    ASSERT_EQ(big.size(), 30000u);
    ASSERT_EQ(small.size(), big.size());
    for (size_t i = 0; i < big.size(); ++i) {
        ASSERT_EQ(big[i].nIntervalMs, i % 65536);
        ASSERT_EQ(big[i].nX, static_cast<int>(i % 65536) - 32768);
        ASSERT_EQ(big[i].nY, -static_cast<int>(i % 1000));
        ASSERT_EQ(big[i].nZ, static_cast<int>(i % 3));
        ASSERT_EQ(small[i].nY, big[i].nY);
        ASSERT_EQ(small[i].nZ, big[i].nZ);
    }
}

TEST_F(RecordingReaderTest, FileErrorsAreTheFilesNotALines) {
    CRecordingReader missing;
    EXPECT_FALSE(missing.Open(m_dir + "/nothing.rec", false));
    EXPECT_TRUE(missing.IsFileError());
    EXPECT_EQ(missing.Error(), m_dir + "/nothing.rec: No such file or directory");
    RecordingReading r;
    EXPECT_EQ(missing.Next(&r), CRecordingReader::kEnd);

    CRecordingReader folder;  // a folder opens but cannot be read
    ASSERT_TRUE(folder.Open(m_dir, false));
    EXPECT_EQ(folder.Next(&r), CRecordingReader::kError);
    EXPECT_TRUE(folder.IsFileError());
    EXPECT_EQ(folder.Error(), m_dir + ": Is a directory");
}

TEST_F(RecordingReaderTest, NonBlockingFifoWaitsForItsWriterWithoutBlocking) {
    std::string path = m_dir + "/fifo";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    CRecordingReader reader;
    ASSERT_TRUE(reader.Open(path, true));  // no writer: opening does not wait
    RecordingReading r;
    EXPECT_EQ(reader.Next(&r), CRecordingReader::kPending);
    int writer = open(path.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    EXPECT_EQ(reader.Next(&r), CRecordingReader::kPending);
    ASSERT_EQ(write(writer, "60,1,2,3\n60,4,", 14), 14);
    ASSERT_EQ(reader.Next(&r), CRecordingReader::kReading);
    EXPECT_EQ(r.nZ, 3);
    EXPECT_EQ(reader.Next(&r), CRecordingReader::kPending);  // half a line
    ASSERT_EQ(write(writer, "5,6", 3), 3);
    close(writer);
    ASSERT_EQ(reader.Next(&r), CRecordingReader::kReading);
    EXPECT_EQ(r.nZ, 6);
    EXPECT_EQ(reader.Next(&r), CRecordingReader::kEnd);
}

}  // namespace
