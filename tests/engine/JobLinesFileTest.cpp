#include <engine/JobLinesFile.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <stdlib.h>

using namespace JobLayer;

namespace {

struct Record {
    int64_t index;
    std::string text;
    std::string line_end;
    bool operator==(const Record&) const = default;
};

void PrintTo(const Record& r, std::ostream* out)
{
    *out << r.index << ":" << testing::PrintToString(r.text) << "+" << testing::PrintToString(r.line_end);
}

class LinesFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = std::filesystem::temp_directory_path() / "quelvane-lines-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    RawString Write(const std::string& bytes, const std::string& name = "file.txt")
    {
        std::string path = folder_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return RawString(path, RawEncoding::Utf8);
    }

    std::vector<Record> ReadAll(const std::string& bytes, int32_t line_count, int32_t limit = 1000)
    {
        file_.SetLineCount(line_count);
        EXPECT_TRUE(file_.OpenRead(Write(bytes), limit));
        std::vector<Record> records;
        while (file_.ReadRecord()) {
            const JobFoundBlock& r = file_.Record();
            records.push_back({ r.index, r.text.Str(), r.line_end.Str() });
        }
        return records;
    }

    std::string folder_;
    JobLinesFile file_;
};

} // namespace

TEST_F(LinesFileTest, RecordsOverlapByOneLineAndEndWithoutAShortOne)
{
    const struct {
        std::string bytes;
        int32_t line_count;
        std::vector<Record> expected;
    } cases[] = {
        { "a\nb\r\nc", 1, { { 0, "a", "\n" }, { 1, "b", "\r\n" }, { 2, "c", "" } } },
        { "a\nb\r\nc\rd\n", 3, { { 0, "a\nb\r\nc", "\r" }, { 1, "b\r\nc\rd", "\n" } } },
        { "a\nb\n", 2, { { 0, "a\nb", "\n" } } },
        { "\n\n\n", 2, { { 0, "\n", "\n" }, { 1, "\n", "\n" } } }, // empty lines are lines
        { "a\nb", 3, {} },                                         // fewer lines than a block
        { "", 1, {} },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadAll(c.bytes, c.line_count), c.expected) << testing::PrintToString(c.bytes);
        EXPECT_EQ(file_.Status(), RawLineFile::kStatusEndOfData);
    }
}

TEST_F(LinesFileTest, FirstLineEndIsTheFirstLineThatHasOne)
{
    const struct {
        std::string bytes;
        int32_t line_count;
        std::string expected;
    } cases[] = {
        { "x\r\ny\n", 1, "\r\n" },
        { "x\ry\r\nz", 3, "\r" },
        { "x", 1, "" },
        { "x\ny\n", 3, "\n" },
    };
    for (const auto& c : cases) {
        ReadAll(c.bytes, c.line_count);
        EXPECT_EQ(file_.FirstLineEnd().Str(), c.expected) << testing::PrintToString(c.bytes);
    }
}

// The line that overflowed is named, not the first line of the block that would have held it.
TEST_F(LinesFileTest, OverflowTellsTheRecordAndTheLineWhereReadingStopped)
{
    const std::string bytes = "a\nb\n" + std::string(20, 'x') + "\nc\n";
    const struct {
        int32_t line_count;
        size_t records;
        int64_t stopped_index;
    } cases[] = { { 1, 2, 2 }, { 2, 1, 1 }, { 3, 0, 0 }, { 4, 0, 0 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line_count);
        EXPECT_EQ(ReadAll(bytes, c.line_count, 10).size(), c.records);
        EXPECT_EQ(file_.Status(), RawLineFile::kLineOverflow);
        EXPECT_EQ(file_.StoppedIndex(), c.stopped_index);
        EXPECT_EQ(file_.StoppedLineIndex(), 2);
    }
}

TEST_F(LinesFileTest, ReopeningStartsAFreshSeries)
{
    ReadAll("1\n2\n3\n4\n", 3);
    EXPECT_EQ(ReadAll("p\nq\n", 2), (std::vector<Record> { { 0, "p\nq", "\n" } }));
    EXPECT_EQ(ReadAll("r\ns", 1), (std::vector<Record> { { 0, "r", "\n" }, { 1, "s", "" } }));
    EXPECT_TRUE(file_.FirstLineEnd().Equals("\n"));
}

// Lines of one length must not cost an allocation each: the record keeps its buffer.
TEST_F(LinesFileTest, RecordTextKeepsItsBufferFromRecordToRecord)
{
    for (int32_t line_count : { 1, 3 }) {
        file_.SetLineCount(line_count);
        ASSERT_TRUE(file_.OpenRead(Write("line 1\nline 2\nline 3\nline 4\nline 5\nline 6\n"), 100));
        ASSERT_TRUE(file_.ReadRecord());
        ASSERT_TRUE(file_.ReadRecord());
        const char* buffer = file_.Record().text.Bytes();
        while (file_.ReadRecord())
            EXPECT_EQ(file_.Record().text.Bytes(), buffer) << line_count;
    }
}
