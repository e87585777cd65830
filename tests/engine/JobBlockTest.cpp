#include <engine/JobBlockList.h>
#include <engine/JobBlockUnit.h>
#include <engine/JobResultSet.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace JobLayer;
using RawLayer::RawEncoding;

namespace {

RawString Text(const std::string& bytes)
{
    return RawString(bytes, RawEncoding::Utf8);
}

JobHitMulti OneHit(int32_t start, int32_t end)
{
    JobHitMulti hits;
    hits.Emplace().Emplace(JobHitUnit { start, end, {} });
    return hits;
}

JobFoundBlock Found(
    const std::string& path, int64_t index, const std::string& text, const std::string& line_end)
{
    return JobFoundBlock { Text(path), index, Text(text), Text(line_end), RawEncoding::NoSet, false };
}

class JobBlockTest : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quelvane-block-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

    std::string WriteFile(const std::string& name, const std::string& bytes)
    {
        std::string path = folder_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::string folder_;
};

TEST(JobBlockDisplayName, DropsTheFolderPartOfTheBase)
{
    struct Case {
        const char* base;
        const char* file;
        const char* shown;
    };
    const Case cases[] = {
        { "/data", "/data/sub/a.txt", "data/sub/a.txt" },
        { "/data/sub/a.txt", "/data/sub/a.txt", "a.txt" }, // a file target
        { "data", "data/sub/a.txt", "data/sub/a.txt" },    // no folder part
        { "/", "/etc/a.txt", "etc/a.txt" }, { "/data/", "/data/a.txt", "a.txt" },
        { "/data/sub", "/data/sub", "sub" }, // nothing left after the base: the name alone
    };
    for (const Case& c : cases)
        EXPECT_EQ(JobBlockUnit::DisplayName(Text(c.file), Text(c.base)).Str(), c.shown) << c.base;
}

TEST_F(JobBlockTest, FillTakesTheFoundBlockAndTheFileTime)
{
    std::string path = WriteFile("a.txt", "first\r\nsecond\r\n");
    // 2001-09-09 01:46:40 UTC: 10^9 seconds after 1970, which is 11644473600 seconds after 1601.
    timespec times[2] = { { 1000000000, 0 }, { 1000000000, 5000 } };
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    JobHitMulti hits = OneHit(0, 5);
    JobFoundBlock found = Found(path, 0, "first", "\r\n");
    found.mark = true;

    JobBlockUnit block;
    block.Fill(found, Text("\r\n"), hits, 1, Text(folder_));

    EXPECT_EQ(block.Flags(), JobBlockUnit::kChk);
    EXPECT_EQ(block.file_time, (11644473600ull + 1000000000ull) * 10000000ull + 50);
    EXPECT_EQ(block.line_number, 1);
    EXPECT_EQ(block.ColumnText(JobBlockUnit::kColumnLine).Str(), "1");
    EXPECT_EQ(block.ColumnText(JobBlockUnit::kColumnFile).Str(), folder_.substr(5) + "/a.txt");
    EXPECT_EQ(block.ColumnText(JobBlockUnit::kColumnText).Str(), "first");
    EXPECT_TRUE(block.ColumnText(JobBlockUnit::kColumnCheck).IsEmpty());
    EXPECT_EQ(block.file_encoding, RawEncoding::Utf8);
    EXPECT_EQ(block.byte_order_mark, 1);
    EXPECT_TRUE(block.hit_record.SharesBodyWith(hits));
    EXPECT_EQ(block.base_path.Str(), folder_);
    EXPECT_EQ(block.FileTimeHigh(), static_cast<uint32_t>(block.file_time >> 32));
}

TEST_F(JobBlockTest, BlockAtAFileEndWithoutLineBreakKeepsTheFileLineEnd)
{
    std::string path = WriteFile("b.txt", "one\ntwo");
    struct Case {
        const char* seen;
        const char* file_line_end;
    };
    const Case cases[] = { { "\n", "\n" }, { "", "\r\n" } };
    for (const Case& c : cases) {
        JobBlockUnit block;
        block.Fill(Found(path, 1, "two", ""), Text(c.seen), OneHit(0, 3), 1, Text(path));
        EXPECT_TRUE(block.line_end.IsEmpty());
        EXPECT_EQ(block.file_line_end.Str(), c.file_line_end);
        EXPECT_EQ(block.line_number_text.Str(), "2");
        EXPECT_EQ(block.display_name.Str(), "b.txt");
    }
}

TEST_F(JobBlockTest, MissingFileHasNoTime)
{
    JobBlockUnit block;
    block.Fill(Found(folder_ + "/gone.txt", 0, "x", "\n"), Text("\n"), OneHit(0, 1), 1, Text(folder_));
    EXPECT_EQ(block.file_time, 0u);
}

TEST(JobBlockFlags, BackgroundColourTakesTheFirstRuleThatApplies)
{
    using B = JobBlockUnit;
    struct Case {
        uint16_t flags;
        uint32_t colour;
    };
    const Case cases[] = {
        { B::kChk, B::kWindowBackground },
        { 0, 0xF0F0F0 },
        { B::kLng | B::kApl, 0xFFE0E0 },
        { B::kChk | B::kAfl | B::kOvw, 0xFFE0E0 },
        { B::kChk | B::kOvw | B::kApl, 0xFFFFB0 },
        { B::kApl, 0xC0C0C0 },
        { B::kAct | B::kUpd | B::kRep, 0xF0F0F0 },
    };
    for (const Case& c : cases) {
        B block;
        block.StoreFlags(c.flags);
        EXPECT_EQ(block.BackgroundColour(), c.colour) << c.flags;
    }
}

TEST(JobBlockFlags, UserCannotCheckFailedOrAppliedBlocks)
{
    using B = JobBlockUnit;
    struct Case {
        uint16_t flags;
        bool changed;
        uint16_t after;
    };
    const Case cases[] = {
        { B::kChk, true, 0 },
        { B::kUpd, true, B::kUpd | B::kChk },
        { B::kApl, false, B::kApl },
        { B::kLng | B::kChk, false, B::kLng | B::kChk },
    };
    for (const Case& c : cases) {
        B block;
        block.StoreFlags(c.flags);
        EXPECT_EQ(block.ToggleCheckByUser(), c.changed);
        EXPECT_EQ(block.Flags(), c.after) << c.flags;
    }

    B block;
    EXPECT_TRUE(block.SetCheckedByUser(true));
    EXPECT_FALSE(block.SetCheckedByUser(true));
    EXPECT_TRUE(block.IsChecked());
}

TEST(JobBlockUnitTest, CopySharesHitBodiesAndNothingElse)
{
    JobBlockUnit block;
    block.file_path = Text("/d/a.txt");
    block.original = Text("abc");
    block.hit_record = OneHit(0, 1);
    block.hit_replaced = OneHit(1, 2);
    block.SetFileTime(7, 9);
    block.status_id = 4;
    block.StoreFlags(JobBlockUnit::kChk | JobBlockUnit::kRep);

    JobBlockUnit copy(block);
    EXPECT_TRUE(copy.hit_record.SharesBodyWith(block.hit_record));
    EXPECT_TRUE(copy.hit_replaced.SharesBodyWith(block.hit_replaced));
    EXPECT_EQ(copy.file_path.Str(), "/d/a.txt");
    EXPECT_EQ(copy.original.Str(), "abc");
    EXPECT_EQ(copy.FileTimeLow(), 7u);
    EXPECT_EQ(copy.FileTimeHigh(), 9u);
    EXPECT_EQ(copy.status_id, 4u);
    EXPECT_EQ(copy.Flags(), JobBlockUnit::kChk | JobBlockUnit::kRep);

    copy.ClearFlags(JobBlockUnit::kChk);
    EXPECT_TRUE(block.IsChecked());
}

TEST(JobBlockUnitTest, UnknownColumnIsAProgrammingError)
{
    JobBlockUnit block;
    EXPECT_DEBUG_DEATH((void)block.ColumnText(4), "column");
}

TEST(JobBlockListTest, ClearMarksClearsOnlyTheMark)
{
    JobBlockList list;
    list.Emplace().StoreFlags(JobBlockUnit::kAct | JobBlockUnit::kChk);
    list.Emplace().StoreFlags(JobBlockUnit::kAct);
    list.ClearMarks();
    EXPECT_EQ(list.Front().Flags(), JobBlockUnit::kChk);
    EXPECT_EQ(list.Back().Flags(), 0);
}

class JobResultSetTest : public JobBlockTest {
protected:
    // Blocks of b.txt, then three of a.txt, found under the temp folder.
    void AddBlocks()
    {
        results_.StartTarget(Text(folder_));
        const std::string b = folder_ + "/b.txt";
        const std::string a = folder_ + "/a.txt";
        for (const std::string& path : { b, a, a, a })
            results_.AddFoundBlock(Found(path, 0, "x", "\n"), Text("\n"), OneHit(0, 1), 1);
    }

    JobResultSet results_;
};

TEST_F(JobResultSetTest, FileFailureMarksTheNewestBlocksOfThatFile)
{
    AddBlocks();
    EXPECT_EQ(results_.blocks.Back().base_path.Str(), folder_);
    EXPECT_EQ(results_.MarkFileFailed(Text(folder_ + "/a.txt"), 17), 3);
    const uint16_t failed = JobBlockUnit::kLng | JobBlockUnit::kUpd;
    for (int32_t i = 1; i < 4; ++i) {
        EXPECT_EQ(results_.blocks.At(i)->Flags(), failed);
        EXPECT_EQ(results_.blocks.At(i)->status_id, 17u);
    }
    EXPECT_EQ(results_.blocks.Front().Flags(), JobBlockUnit::kChk);

    results_.SetFileEncoding(Text(folder_ + "/a.txt"), RawEncoding::Sjis);
    EXPECT_EQ(results_.blocks.Back().file_encoding, RawEncoding::Sjis);
    EXPECT_EQ(results_.blocks.Front().file_encoding, RawEncoding::Utf8);
}

TEST_F(JobResultSetTest, TickWrapsAndResetForgetsEverything)
{
    AddBlocks();
    results_.SetFlags(JobResultSet::kStt | JobResultSet::kFin);
    results_.AddFileSearched();
    int wraps = 0;
    for (int i = 0; i < 257; ++i)
        wraps += results_.AdvanceBlockTick() ? 1 : 0;
    EXPECT_EQ(wraps, 1);
    results_.Reset();
    EXPECT_EQ(results_.Flags(), 0);
    EXPECT_TRUE(results_.blocks.IsEmpty());
    EXPECT_TRUE(results_.CurrentTarget().IsEmpty());
    EXPECT_TRUE(results_.CurrentFolder().IsEmpty());
    EXPECT_EQ(results_.FilesSearched(), 0);
    EXPECT_EQ(results_.BlockTick(), 0);
}

// The search thread appends and marks blocks while the window thread walks them in the lock
// order and the user clicks check boxes; run under ThreadSanitizer.
TEST_F(JobResultSetTest, SearchAndWindowThreadsShareTheBlocks)
{
    results_.StartTarget(Text(folder_));
    std::thread search([this] {
        for (int i = 0; i < 300; ++i) {
            std::string path = folder_ + "/f" + std::to_string(i / 3) + ".txt";
            results_.AddFoundBlock(Found(path, i, "x", "\n"), Text("\n"), OneHit(0, 1), 1);
            if (i % 3 == 2)
                results_.MarkFileFailed(Text(path), 1);
            (void)results_.AdvanceBlockTick();
        }
        results_.SetFlags(JobResultSet::kFin);
    });
    while (!results_.HasFlag(JobResultSet::kFin)) {
        {
            std::lock_guard guard(results_.lock);
            std::lock_guard list_guard(results_.blocks.lock);
            for (JobBlockUnit& block : results_.blocks) {
                (void)block.ToggleCheckByUser();
                (void)block.BackgroundColour();
            }
        }
        std::this_thread::yield();
    }
    search.join();
    results_.blocks.ClearMarks();
    for (JobBlockUnit& block : results_.blocks)
        EXPECT_TRUE(block.HasFlag(JobBlockUnit::kLng));
}

} // namespace
