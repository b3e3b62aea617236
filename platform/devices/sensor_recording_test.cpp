#include <string>

#include "platform/devices/recording_reader.h"
#include "platform/devices/sensor_test_util.h"

namespace {

class RecordingReaderTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) { return m_folder.Write(name, text); }
    // The error of the first malformed line of a one-line recording.
    std::string ErrorOf(const std::string& line) {
        std::string path = Write("bad.rec", "# header\n" + line + "\n");
        CRecordingReader reader;
        EXPECT_TRUE(reader.Open(path));
        RecordingLine r;
        EXPECT_EQ(reader.Next(&r), CRecordingReader::kError) << line;
        EXPECT_EQ(reader.Next(&r), CRecordingReader::kError) << "stays failed";
        return reader.Error();
    }
    CTempFolder m_folder;
    const std::string m_dir = m_folder.Path();
};

TEST_F(RecordingReaderTest, ReadsLinesSkippingCommentsBlanksAndCarriageReturns) {
    std::string path = Write("a.rec",
                             "# interval_ms,x,y,z\n"
                             "\n"
                             "60,1,-2,3\r\n"
                             "   \t\n"
                             "  # indented comment\n"
                             " 65535 , -32768 ,32767, +0 \n"
                             "0,-1,-1,-1");  // no newline at the end
    CRecordingReader reader;
    ASSERT_TRUE(reader.Open(path));
    RecordingLine r;
    ASSERT_EQ(reader.Next(&r), CRecordingReader::kReading);
    EXPECT_EQ(r.nIntervalMs, 60);
    EXPECT_EQ(r.x, 1);
    EXPECT_EQ(r.y, -2);
    EXPECT_EQ(r.z, 3);
    EXPECT_EQ(reader.LineNumber(), 3);
    ASSERT_EQ(reader.Next(&r), CRecordingReader::kReading);
    EXPECT_EQ(r.nIntervalMs, 65535);
    EXPECT_EQ(r.x, -32768);
    EXPECT_EQ(r.y, 32767);
    EXPECT_EQ(r.z, 0);
    EXPECT_EQ(reader.LineNumber(), 6);
    ASSERT_EQ(reader.Next(&r), CRecordingReader::kReading);
    EXPECT_EQ(r.nIntervalMs, 0);
    EXPECT_EQ(r.z, -1);
    EXPECT_EQ(reader.Next(&r), CRecordingReader::kEnd);
    EXPECT_EQ(reader.Next(&r), CRecordingReader::kEnd);
}

TEST_F(RecordingReaderTest, MalformedLinesNameFileLineAndReason) {
    std::string path = m_dir + "/bad.rec";
    EXPECT_EQ(ErrorOf("60,1,2"), path + ":2: expected four integers separated by commas (interval_ms,x,y,z)");
    EXPECT_EQ(ErrorOf("60,1,2,3,4"), path + ":2: unexpected text after the fourth number");
    EXPECT_EQ(ErrorOf("60,1,2,3x"), path + ":2: unexpected text after the fourth number");
    EXPECT_EQ(ErrorOf("60;1;2;3"),
              path + ":2: expected four integers separated by commas (interval_ms,x,y,z)");
    EXPECT_EQ(ErrorOf("sixty,1,2,3"),
              path + ":2: expected four integers separated by commas (interval_ms,x,y,z)");
    EXPECT_EQ(ErrorOf("60,,2,3"),
              path + ":2: expected four integers separated by commas (interval_ms,x,y,z)");
    EXPECT_EQ(ErrorOf("60,32768,0,0"), path + ":2: reading outside the signed 16-bit range");
    EXPECT_EQ(ErrorOf("60,0,0,-32769"), path + ":2: reading outside the signed 16-bit range");
    EXPECT_EQ(ErrorOf("60,0,99999999999999999999,0"), path + ":2: reading outside the signed 16-bit range");
    EXPECT_EQ(ErrorOf("65536,0,0,0"), path + ":2: interval outside 0..65535 ms");
    EXPECT_EQ(ErrorOf("-1,0,0,0"), path + ":2: interval outside 0..65535 ms");
    EXPECT_EQ(ErrorOf(std::string("60,1,\0,3", 8)),
              path + ":2: expected four integers separated by commas (interval_ms,x,y,z)");
}

TEST_F(RecordingReaderTest, StreamsFilesLargerThanItsBuffer) {
    std::string text;
    long expectedSum = 0;
    for (int i = 0; i < 30000; ++i) {
        int x = (i * 37) % 65536 - 32768;
        text +=
            std::to_string(i % 100) + "," + std::to_string(x) + ",9800,-" + std::to_string(i % 500) + "\n";
        expectedSum += x;
    }
    ASSERT_GT(text.size(), 4u * 64 * 1024);
    std::string path = Write("big.rec", text);
    CRecordingReader reader;
    ASSERT_TRUE(reader.Open(path));
    RecordingLine r;
    long count = 0, sum = 0;
    while (reader.Next(&r) == CRecordingReader::kReading) {
        EXPECT_EQ(r.nIntervalMs, count % 100);
        EXPECT_EQ(r.z, -(count % 500));
        sum += r.x;
        ++count;
    }
    EXPECT_EQ(reader.Error(), "");
    EXPECT_EQ(count, 30000);
    EXPECT_EQ(sum, expectedSum);
}

TEST_F(RecordingReaderTest, OverlongLineAndMissingFileFail) {
    std::string path = Write("long.rec", "60,1,2,3\n" + std::string(70000, '7') + "\n60,1,2,3\n");
    CRecordingReader reader;
    ASSERT_TRUE(reader.Open(path));
    RecordingLine r;
    EXPECT_EQ(reader.Next(&r), CRecordingReader::kReading);
    EXPECT_EQ(reader.Next(&r), CRecordingReader::kError);
    EXPECT_EQ(reader.Error(), path + ":2: line too long");

    CRecordingReader missing;
    EXPECT_FALSE(missing.Open(m_dir + "/nothing.rec"));
    EXPECT_NE(missing.Error().find(m_dir + "/nothing.rec"), std::string::npos);
    EXPECT_EQ(missing.Next(&r), CRecordingReader::kEnd);
}

}  // namespace
