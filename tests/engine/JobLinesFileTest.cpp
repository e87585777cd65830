#include <engine/JobLinesFile.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <stdlib.h>
#include <tests/TestSupport.h>

using namespace JobLayer;

namespace {

// Index of the first line, text and line end after the last line.
using Record = std::tuple<int64_t, std::string, std::string>;

// One reader serves every case of a test, so each case also checks that opening starts afresh.
class LinesFileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder_.empty()); }

    void Open(const std::string& bytes, int32_t line_count, int32_t limit)
    {
        std::ofstream(folder_ + "/file.txt", std::ios::binary) << bytes;
        file_.SetLineCount(line_count);
        ASSERT_TRUE(file_.OpenRead(RawString(folder_ + "/file.txt", RawEncoding::Utf8), limit));
    }
    std::vector<Record> ReadAll(const std::string& bytes, int32_t line_count, int32_t limit = 1000)
    {
        Open(bytes, line_count, limit);
        std::vector<Record> records;
        while (file_.ReadRecord())
            records.emplace_back(
                file_.Record().index, file_.Record().text.Str(), file_.Record().line_end.Str());
        return records;
    }

    QuelvaneTest::TestFolder temp_;
    const std::string& folder_ = temp_.Path();
    JobLinesFile file_;
};

} // namespace

// The first line end is that of the first line that has one, whether or not a record was made.
TEST_F(LinesFileTest, RecordsOverlapByOneLineAndEndWithoutAShortOne)
{
    const std::tuple<std::string, int32_t, std::vector<Record>, std::string> cases[] = {
        { "a\r\nb\nc", 1, { { 0, "a", "\r\n" }, { 1, "b", "\n" }, { 2, "c", "" } }, "\r\n" },
        { "a\rb\r\nc\nd\n", 3, { { 0, "a\rb\r\nc", "\n" }, { 1, "b\r\nc\nd", "\n" } }, "\r" },
        { "a\nb\n", 2, { { 0, "a\nb", "\n" } }, "\n" },
        { "\n\n\n", 2, { { 0, "\n", "\n" }, { 1, "\n", "\n" } }, "\n" }, // empty lines are lines
        { "", 1, {}, "" },
        { "a\nb", 3, {}, "\n" }, // fewer lines than a block
        { "x", 1, { { 0, "x", "" } }, "" },
    };
    for (const auto& [bytes, line_count, expected, first_line_end] : cases) {
        EXPECT_EQ(ReadAll(bytes, line_count), expected) << testing::PrintToString(bytes);
        EXPECT_EQ(file_.Status(), RawLineFile::kStatusEndOfData);
        EXPECT_EQ(file_.FirstLineEnd().Str(), first_line_end) << testing::PrintToString(bytes);
    }
}

// The line that overflowed is named, not the first line of the block that would have held it.
TEST_F(LinesFileTest, OverflowTellsTheRecordAndTheLineWhereReadingStopped)
{
    const std::string bytes = "a\nb\n" + std::string(20, 'x') + "\nc\n";
    for (const auto& [line_count, records] : { std::pair { 1, 2 }, { 2, 1 }, { 3, 0 }, { 4, 0 } }) {
        SCOPED_TRACE(line_count);
        EXPECT_EQ(ReadAll(bytes, line_count, 10).size(), static_cast<size_t>(records));
        EXPECT_EQ(file_.Status(), RawLineFile::kLineOverflow);
        EXPECT_EQ(file_.StoppedIndex(), records);
        EXPECT_EQ(file_.StoppedLineIndex(), 2);
    }
}

// Lines of one length must not cost an allocation each: the record keeps its buffer.
TEST_F(LinesFileTest, RecordTextKeepsItsBufferFromRecordToRecord)
{
    for (int32_t line_count : { 1, 3 }) {
        Open("line 1\nline 2\nline 3\nline 4\nline 5\nline 6\n", line_count, 100);
        ASSERT_TRUE(file_.ReadRecord() && file_.ReadRecord());
        const char* buffer = file_.Record().text.Bytes();
        while (file_.ReadRecord())
            EXPECT_EQ(file_.Record().text.Bytes(), buffer) << line_count;
    }
}
