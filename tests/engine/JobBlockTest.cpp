#include <engine/JobBlockList.h>
#include <engine/JobBlockUnit.h>
#include <engine/JobResultSet.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <tests/TestSupport.h>

using namespace JobLayer;
using B = JobBlockUnit;
using RawLayer::RawColour;

namespace {

using QuelvaneTest::Texts;
using QuelvaneTest::Utf8;

JobHitMulti OneHit(int32_t start, int32_t end)
{
    JobHitMulti hits;
    hits.Emplace().Emplace(JobHitUnit { start, end, {} });
    return hits;
}

JobFoundBlock Found(const std::string& path, int64_t index, const std::string& line_end = "\n")
{
    return JobFoundBlock { Utf8(path), index, Utf8("text"), Utf8(line_end), RawEncoding::NoSet, true };
}

TEST(JobBlockDisplayName, DropsTheFolderPartOfTheBase)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        { "/data", "/data/sub/a.txt", "data/sub/a.txt" },
        { "/data/sub/a.txt", "/data/sub/a.txt", "a.txt" }, // a file target
        { "data", "data/sub/a.txt", "data/sub/a.txt" },    // no folder part
        { "/", "/etc/a.txt", "etc/a.txt" }, { "/data/", "/data/a.txt", "a.txt" },
        { "/data/sub", "/data/sub", "sub" }, // nothing left after the base: the name alone
    };
    for (const auto& [base, file, shown] : cases)
        EXPECT_EQ(B::DisplayName(Utf8(file), Utf8(base)).Str(), shown) << base;
}

// The file's time is read when the block is found (0 when it is gone); the file's line end is
// CR LF until the reader has seen one. A copy shares the hit bodies and nothing else.
TEST(JobBlockFill, TakesTheFoundBlockTheFileTimeAndTheFileLineEnd)
{
    QuelvaneTest::TestFolder temp;
    const std::string& folder = temp.Path();
    ASSERT_FALSE(folder.empty());
    std::string path = folder + "/a.txt";
    std::ofstream(path) << "first\nsecond";
    // 10^9 seconds after 1970, which is 11644473600 seconds after 1601, and 5000 ns.
    timespec times[2] = { { 1000000000, 0 }, { 1000000000, 5000 } };
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    JobHitMulti hits = OneHit(0, 4);
    JobBlockUnit block;
    block.Fill(Found(path, 1, ""), Utf8(""), hits, 3, Utf8(folder));
    EXPECT_EQ(block.file_time, (11644473600ull + 1000000000ull) * 10000000ull + 50);
    EXPECT_EQ(block.file_line_end.Str(), "\r\n");
    EXPECT_EQ(block.Flags(), B::kChk);
    EXPECT_EQ(
        block.ColumnText(B::kColumnFile).Str(), std::filesystem::path(folder).filename().string() + "/a.txt");
    EXPECT_EQ(block.ColumnText(B::kColumnLine).Str(), "2");
    EXPECT_EQ(block.line_count, 3);
    EXPECT_EQ(block.file_encoding, RawEncoding::Utf8); // the reader named none
    EXPECT_EQ(block.byte_order_mark, 1);
    EXPECT_TRUE(block.hit_record.SharesBodyWith(hits));

    block.hit_replaced = OneHit(1, 2);
    JobBlockUnit copy(block); // shares the hit bodies and nothing else
    EXPECT_TRUE(copy.hit_record.SharesBodyWith(hits) && copy.hit_replaced.SharesBodyWith(block.hit_replaced));
    EXPECT_EQ(copy.original.Str(), "text");
    EXPECT_EQ(copy.file_time, block.file_time);
    EXPECT_EQ(copy.Flags(), B::kChk);
    copy.ClearFlags(B::kChk);
    EXPECT_TRUE(block.IsChecked());

    block.Fill(Found(folder + "/gone.txt", 1, ""), Utf8("\n"), hits, 3, Utf8(folder));
    EXPECT_EQ(block.file_time, 0u);
    EXPECT_EQ(block.file_line_end.Str(), "\n");
}

// A block the user may not check is one whose file failed or that was applied; the first
// colour rule that applies wins.
TEST(JobBlockFlags, ColourAndUserCheckFollowTheFlags)
{
    const RawColour grey = RawColour::FromRgb(0xF0, 0xF0, 0xF0);
    const RawColour red = RawColour::FromRgb(0xFF, 0xE0, 0xE0);
    const RawColour yellow = RawColour::FromRgb(0xFF, 0xFF, 0xB0);
    const RawColour dark = RawColour::FromRgb(0xC0, 0xC0, 0xC0);
    const std::tuple<uint16_t, RawColour, bool> cases[]
        = { { B::kChk, B::kWindowBackground, true }, { 0, grey, true }, { B::kUpd, grey, true },
              { B::kAct | B::kUpd | B::kRep, grey, true }, { B::kLng | B::kChk, red, false },
              { B::kLng | B::kApl, red, false }, { B::kChk | B::kAfl | B::kOvw, red, true },
              { B::kChk | B::kOvw | B::kApl, yellow, false }, { B::kApl, dark, false } };
    for (const auto& [flags, colour, may_check] : cases) {
        B block;
        block.StoreFlags(flags);
        EXPECT_EQ(block.BackgroundColour(), colour) << flags;
        EXPECT_EQ(block.ToggleCheckByUser(), may_check) << flags;
        EXPECT_EQ(block.Flags(), may_check ? flags ^ B::kChk : flags) << flags;
        EXPECT_EQ(block.SetCheckedByUser(true), may_check && (flags & B::kChk) != 0) << flags;
    }
}

// A failure marks the blocks of its file, newest first, and the file's encoding reaches the
// same blocks; nothing survives a reset.
TEST(JobResultSetTest, FileStepsReachTheNewestBlocksOfTheFileAndResetForgetsEverything)
{
    JobResultSet results;
    results.StartTarget(Utf8("/d"));
    for (const char* path : { "/d/b.txt", "/d/a.txt", "/d/a.txt", "/d/a.txt" })
        results.AddFoundBlock(Found(path, 0), Utf8("\n"), OneHit(0, 1), 1);
    EXPECT_EQ(results.blocks.Back().base_path.Str(), "/d");
    EXPECT_EQ(results.MarkFileFailed(Utf8("/d/a.txt"), 17), 3);
    for (int32_t i = 1; i < 4; ++i) {
        EXPECT_EQ(results.blocks.At(i)->Flags(), B::kLng | B::kUpd);
        EXPECT_EQ(results.blocks.At(i)->status_id, 17u);
    }
    EXPECT_EQ(results.blocks.Front().Flags(), B::kChk);
    results.SetFileEncoding(Utf8("/d/a.txt"), RawEncoding::Sjis);
    EXPECT_EQ(results.blocks.Back().file_encoding, RawEncoding::Sjis);
    EXPECT_EQ(results.blocks.Front().file_encoding, RawEncoding::Utf8);

    results.SetFlags(JobResultSet::kStt | JobResultSet::kFin);
    results.AddFileSearched();
    int wraps = 0;
    for (int i = 0; i < 257; ++i)
        wraps += results.AdvanceBlockTick() ? 1 : 0;
    EXPECT_EQ(wraps, 1);
    results.Reset();
    EXPECT_TRUE(results.Flags() == 0 && results.blocks.IsEmpty() && results.FilesSearched() == 0);
    EXPECT_TRUE(results.CurrentTarget().IsEmpty() && results.CurrentFolder().IsEmpty());
    EXPECT_EQ(results.BlockTick(), 0);
}

// The search thread appends and marks blocks while the window thread walks them in the lock
// order, marks rows and the user clicks check boxes; run under ThreadSanitizer. Clearing the
// marks at the end leaves every other flag.
TEST(JobResultSetThreads, SearchAndWindowThreadsShareTheBlocks)
{
    JobResultSet results;
    std::thread search([&] {
        for (int i = 0; i < 300; ++i) {
            std::string path = "/d/f" + std::to_string(i / 3) + ".txt";
            results.AddFoundBlock(Found(path, i), Utf8("\n"), OneHit(0, 1), 1);
            if (i % 3 == 2)
                results.MarkFileFailed(Utf8(path), 1);
            (void)results.AdvanceBlockTick();
        }
        results.SetFlags(JobResultSet::kFin);
    });
    while (!results.HasFlag(JobResultSet::kFin)) {
        std::this_thread::yield();
        std::lock_guard guard(results.lock);
        std::lock_guard list_guard(results.blocks.lock);
        for (JobBlockUnit& block : results.blocks) {
            block.SetFlags(B::kAct);
            (void)block.ToggleCheckByUser();
            (void)block.BackgroundColour();
        }
    }
    search.join();
    results.blocks.Front().SetFlags(B::kAct);
    results.blocks.ClearMarks();
    for (JobBlockUnit& block : results.blocks)
        EXPECT_EQ(block.Flags(), B::kLng | B::kUpd);
}

} // namespace
