#include <engine/JobExpressionUtility.h>
#include <engine/JobFinder.h>
#include <engine/JobStatusCentre.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace JobLayer;
using RawLayer::RawConvertBytes;
using RawLayer::RawEncodingName;
namespace fs = std::filesystem;

namespace {

// Writes down every report of the finder as a line of text, paths relative to `root`.
class Recorder : public JobFinder::Handler {
public:
    bool IsStopRequested() override { return stop_after_blocks >= 0 && blocks_done_ >= stop_after_blocks; }
    void BlockFound(const JobFoundBlock& block, const RawString& file_line_end, const JobHitMulti& hits,
        int32_t line_count) override
    {
        Log("found " + Rel(block.path) + ":" + std::to_string(block.index + 1) + " " + block.text.Str()
            + " lines=" + std::to_string(line_count) + " hits=" + std::to_string(hits.Count()));
        blocks.push_back(block);
        file_line_ends.push_back(file_line_end.Str());
    }
    void FileFinished(const RawString& path, RawEncoding encoding) override
    {
        Log("finished " + Rel(path) + " " + std::string(RawEncodingName(encoding)));
    }
    void FolderEntered(const RawString& folder, int32_t depth) override
    {
        Log("folder " + Rel(folder) + " " + std::to_string(depth));
    }
    void FileStarted(const RawString& path) override
    {
        Log("started " + Rel(path));
        started.insert(Rel(path));
        if (on_file_started)
            on_file_started(path.Str());
    }
    void BlockDone(int64_t index) override
    {
        Log("done " + std::to_string(index));
        ++blocks_done_;
    }
    void FileFailed(const RawString& path, uint32_t status_id) override
    {
        Log("failed " + Rel(path) + " #" + std::to_string(status_id));
    }

    // The log without the lines that start with `prefix`.
    std::vector<std::string> Without(const std::string& prefix) const
    {
        std::vector<std::string> kept;
        std::copy_if(log.begin(), log.end(), std::back_inserter(kept),
            [&](const std::string& line) { return !line.starts_with(prefix); });
        return kept;
    }

    std::string root;
    std::vector<std::string> log;
    std::set<std::string> started;
    std::vector<JobFoundBlock> blocks;
    std::vector<std::string> file_line_ends;
    int stop_after_blocks = -1;
    std::function<void(const std::string&)> on_file_started;

private:
    void Log(const std::string& line) { log.push_back(line); }
    std::string Rel(const RawString& path) const
    {
        std::string text = path.Str();
        return text == root ? "." : text.starts_with(root + "/") ? text.substr(root.size() + 1) : text;
    }

    int blocks_done_ = 0;
};

class FinderTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = fs::temp_directory_path() / "quelvane-finder-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        status_.SetAccepting(true);
        SetSearch("*", "hit");
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string Write(const std::string& relative, const std::string& bytes)
    {
        fs::path path = fs::path(root_) / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

    // New filters and expressions, and a fresh recorder.
    void SetSearch(const std::string& filters, const std::string& expressions)
    {
        using Field = JobExpressionUtility::Field;
        params_.filters
            = JobExpressionUtility::SplitList(RawString(filters, RawEncoding::Utf8), Field::Filter);
        params_.expressions
            = JobExpressionUtility::SplitList(RawString(expressions, RawEncoding::Utf8), Field::Search);
        params_.line_count = JobExpressionUtility::BlockLineCount(params_.expressions);
        recorder_ = Recorder();
        recorder_.root = root_;
    }

    // Searches the test folder, or the path `relative` to it.
    void Search(const std::string& relative = "", int32_t line_limit = 1000)
    {
        JobFinder finder(recorder_, params_, status_, line_limit);
        finder.Search(RawString(relative.empty() ? root_ : Path(relative), RawEncoding::Utf8));
    }

    std::vector<std::string> Displays() const
    {
        std::vector<std::string> texts;
        for (const JobStatusUnit& entry : status_.Entries())
            texts.push_back(entry.display.Str());
        return texts;
    }
    uint32_t LastEntryId() const { return status_.Entries().back().id; }

    std::string root_;
    JobParams params_;
    JobStatusCentre status_;
    Recorder recorder_;
};

} // namespace

// --- Filters ---------------------------------------------------------------------------------

TEST_F(FinderTest, FiltersMatchNamesWholeAndPathsSegmentBySegment)
{
    const struct {
        std::string filters;
        std::string path;
        bool passes;
    } cases[] = {
        { "*.txt;*.log", "/d/A.TXT", true }, { "*.txt;*.log", "/d/b.log", true },
        { "*.txt;*.log", "/d/a.txt.bak", false }, { "!*.bak", "/d/x.c", true },
        { "!*.bak", "/d/a.txt.bak", false }, { "src/*.c", "/p/src/m.c", true },
        { "src/*.c", "/p/lib/m.c", false },
        { "src\\*.c", "/p/SRC/m.c", true }, // either separator, case ignored
        { "/src/*.c", "/p/src/m.c", true }, // a leading separator adds nothing
        { "p/src/*.c", "/q/src/m.c", false },
        { "*/*/*/m.c", "/p/src/m.c", true }, // the root's empty name matches "*"
        { "x/*/*/*/m.c", "/p/src/m.c", false }, { "src/*.c", "src/m.c", true },
        { "*.c", "/p/src.c/m.h", false }, // a name filter sees only the name
        { "", "/d/a.txt", false },        // no filter: nothing is searched
    };
    for (const auto& c : cases) {
        SetSearch(c.filters, "hit");
        JobFinder finder(recorder_, params_, status_, 1000);
        RawString path(c.path, RawEncoding::Utf8);
        RawString name(c.path.substr(c.path.rfind('/') + 1), RawEncoding::Utf8);
        EXPECT_EQ(finder.PassesFilters(path, name), c.passes) << c.filters << " on " << c.path;
    }
}

TEST_F(FinderTest, WalkSearchesOnlyFilesThatPassAndEntersEveryFolder)
{
    for (const char* file : { "A.TXT", "a.txt.bak", "p/src/m.c", "p/lib/m.c", "p/src/deep/n.c", "q/r.log" })
        Write(file, "hit\n");
    const struct {
        std::string filters;
        std::set<std::string> searched;
    } cases[] = {
        { "*.txt;*.log", { "A.TXT", "q/r.log" } },
        { "!*.bak", { "A.TXT", "p/src/m.c", "p/lib/m.c", "p/src/deep/n.c", "q/r.log" } },
        { "src/*.c", { "p/src/m.c" } },
        { "", {} },
    };
    for (const auto& c : cases) {
        SetSearch(c.filters, "hit");
        Search();
        EXPECT_EQ(recorder_.started, c.searched) << c.filters;
        auto folders = recorder_.Without("started");
        std::erase_if(folders, [](const std::string& line) { return !line.starts_with("folder"); });
        std::sort(folders.begin(), folders.end());
        EXPECT_EQ(folders,
            (std::vector<std::string> { "folder . 0", "folder p 1", "folder p/lib 2", "folder p/src 2",
                "folder p/src/deep 3", "folder q 1" }));
    }
}

// A sub-folder is searched completely before the entries that follow it in its folder.
TEST_F(FinderTest, SubFoldersAreWalkedBeforeTheRemainingEntries)
{
    for (const char* file : { "a.txt", "b.txt", "sub/c.txt", "sub/d.txt", "sub/deeper/e.txt", "z.txt" })
        Write(file, "x\n");
    Search();
    const auto log = recorder_.Without("done");
    auto sub = std::find(log.begin(), log.end(), "folder sub 1");
    ASSERT_NE(sub, log.end());
    // Two folders, then three files with started and finished each, all under "sub".
    ASSERT_GE(log.end() - sub, 8);
    for (auto line = sub; line != sub + 8; ++line)
        EXPECT_NE(line->find(" sub"), std::string::npos) << *line;
}

TEST_F(FinderTest, AFileTargetIsSearchedOnlyWhenItPassesTheFilters)
{
    Write("dir/a.txt", "hit\n");
    for (const auto& [filters, searched] :
        { std::pair { "*.txt", true }, { "dir/*.txt", true }, { "*.c", false } }) {
        SetSearch(filters, "hit");
        Search("dir/a.txt");
        EXPECT_EQ(recorder_.started.count("dir/a.txt"), searched ? 1U : 0U) << filters;
        EXPECT_EQ(recorder_.blocks.size(), searched ? 1U : 0U);
    }
    EXPECT_TRUE(status_.Entries().empty());
}

// --- Targets and files that cannot be read ------------------------------------------------------

TEST_F(FinderTest, MissingTargetGivesOneEntryAndNothingElse)
{
    Search("nothing/here");
    EXPECT_EQ(Displays(), (std::vector<std::string> { "No such path (" + Path("nothing/here") + ")" }));
    EXPECT_EQ(status_.Entries().front().kind, JobStatusUnit::kError);
    EXPECT_TRUE(recorder_.log.empty());
}

// A file that vanishes between the listing and the opening is passed over without an entry.
TEST_F(FinderTest, FileThatCannotBeOpenedGetsNoEntry)
{
    Write("gone.txt", "hit\n");
    recorder_.on_file_started = [](const std::string& path) { unlink(path.c_str()); };
    Search();
    EXPECT_EQ(recorder_.log,
        (std::vector<std::string> { "folder . 0", "started gone.txt", "finished gone.txt UTF8" }));
    EXPECT_TRUE(status_.Entries().empty());
}

// The blocks found before the overflow come first, then the failure with the entry's id, then
// the end of the file. The line named is the one that was too long.
TEST_F(FinderTest, LineOverflowFailsTheFileAfterItsBlocks)
{
    const std::string long_line(60, 'x');
    const struct {
        std::string expressions;
        std::string bytes;
        std::vector<std::string> expected;
        std::string entry;
    } cases[] = {
        { "hit", "hit 1\nhit 2\n" + long_line + "\nhit 4\n",
            { "found f.txt:1 hit 1 lines=1 hits=1", "done 0", "found f.txt:2 hit 2 lines=1 hits=1",
                "done 1" },
            "Line overflow [line=3]" },
        { "a%Nb", "a\nb\na\n" + long_line + "\n", { "found f.txt:1 a\nb lines=2 hits=1", "done 0", "done 1" },
            "Line overflow [line=4]" },
        { "a%Nb", "a\n" + long_line + "\n", {}, "Line overflow [line=2]" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        std::string path = Write("f.txt", c.bytes);
        SetSearch("*", c.expressions);
        Search("f.txt", 50);
        std::vector<std::string> expected = { "started f.txt" };
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        expected.push_back("failed f.txt #" + std::to_string(LastEntryId()));
        expected.push_back("finished f.txt UTF8");
        EXPECT_EQ(recorder_.log, expected);
        EXPECT_EQ(Displays().back(), c.entry + " (" + path + ")");
    }
}

TEST_F(FinderTest, StopRequestEndsAfterTheCurrentBlockAndTheFileStillFinishes)
{
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += "hit\n";
    Write("big.txt", bytes);
    Write("sub/other.txt", "hit\n");
    recorder_.stop_after_blocks = 2;
    Search();
    auto blocks = recorder_.Without("folder");
    ASSERT_GE(blocks.size(), 2U);
    EXPECT_EQ(std::count_if(blocks.begin(), blocks.end(), [](auto& l) { return l.starts_with("done"); }), 2);
    EXPECT_TRUE(blocks.back().starts_with("finished ")) << blocks.back();
    EXPECT_LE(recorder_.started.size(), 2U);
}

// --- Links and other entries -----------------------------------------------------------------

TEST_F(FinderTest, LinksToFilesAreSearchedLinksToFoldersAreNot)
{
    Write("real/a.txt", "hit\n");
    ASSERT_EQ(symlink("real/a.txt", Path("to-file.txt").c_str()), 0);
    ASSERT_EQ(symlink("real", Path("to-folder").c_str()), 0);
    ASSERT_EQ(symlink(".", Path("real/loop").c_str()), 0); // a cycle
    ASSERT_EQ(symlink("missing.txt", Path("dangling.txt").c_str()), 0);
    ASSERT_EQ(mkfifo(Path("pipe.txt").c_str(), 0600), 0); // opening it would wait for a writer
    Search();
    EXPECT_EQ(recorder_.started, (std::set<std::string> { "real/a.txt", "to-file.txt" }));
    EXPECT_EQ(recorder_.blocks.size(), 2U);
    EXPECT_TRUE(status_.Entries().empty());
}

// --- Contents --------------------------------------------------------------------------------

TEST_F(FinderTest, EveryEncodingGivesTheSameBlocks)
{
    const std::string text = "一行目の文章です\r\n検索する言葉はここ\r\n三行目にも検索\r\n終わり";
    const struct {
        std::string name;
        std::string bytes;
        RawEncoding encoding;
        bool mark;
    } cases[] = {
        { "utf8.txt", text, RawEncoding::Utf8, false },
        { "utf8-mark.txt", "\xEF\xBB\xBF" + text, RawEncoding::Utf8, true },
        { "sjis.txt", *RawConvertBytes(text, RawEncoding::Utf8, RawEncoding::Sjis), RawEncoding::Sjis,
            false },
        { "utf16le.txt", "\xFF\xFE" + *RawConvertBytes(text, RawEncoding::Utf8, RawEncoding::Utf16Le),
            RawEncoding::Utf16Le, true },
        { "utf16be.txt", "\xFE\xFF" + *RawConvertBytes(text, RawEncoding::Utf8, RawEncoding::Utf16Be),
            RawEncoding::Utf16Be, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(c.name, c.bytes);
        SetSearch("*", "検索");
        Search(c.name);
        EXPECT_EQ(recorder_.Without("started"),
            (std::vector<std::string> { "done 0", "found " + c.name + ":2 検索する言葉はここ lines=1 hits=1",
                "done 1", "found " + c.name + ":3 三行目にも検索 lines=1 hits=1", "done 2", "done 3",
                "finished " + c.name + " " + std::string(RawEncodingName(c.encoding)) }));
        ASSERT_EQ(recorder_.blocks.size(), 2U);
        EXPECT_EQ(recorder_.blocks[0].line_end.Str(), "\r\n");
        EXPECT_EQ(recorder_.blocks[1].encoding, c.encoding);
        EXPECT_EQ(recorder_.blocks[1].mark, c.mark);
        EXPECT_EQ(recorder_.file_line_ends[0], "\r\n");
    }
}

// The same novel in three encodings, from the test corpus.
TEST_F(FinderTest, CorpusFilesInThreeEncodingsGiveTheSameBlocks)
{
    std::vector<std::vector<std::string>> found;
    for (const char* name : { "kojiki.utf8.txt", "kojiki.sjis.txt", "kojiki.utf16le-bom.txt" }) {
        SetSearch("*", "天皇");
        JobFinder finder(recorder_, params_, status_, 100000);
        finder.Search(RawString(std::string(QUELVANE_CORPUS_DIR) + "/aozora/" + name, RawEncoding::Utf8));
        std::vector<std::string> blocks;
        for (const JobFoundBlock& block : recorder_.blocks)
            blocks.push_back(std::to_string(block.index) + " " + block.text.Str());
        found.push_back(blocks);
    }
    EXPECT_GT(found[0].size(), 10U);
    EXPECT_EQ(found[1], found[0]);
    EXPECT_EQ(found[2], found[0]);
}

TEST_F(FinderTest, BlocksOfTwoLinesStartAtTheirFirstLine)
{
    Write("m.txt", "xa\nby c\nq\na\nbc");
    SetSearch("*", "a%Nb;c");
    Search("m.txt");
    EXPECT_EQ(recorder_.Without("done"),
        (std::vector<std::string> { "started m.txt", "found m.txt:1 xa\nby c lines=2 hits=2",
            "found m.txt:4 a\nbc lines=2 hits=2", "finished m.txt UTF8" }));
    EXPECT_EQ(recorder_.blocks.back().line_end.Str(), "");
}

// A binary file is passed over whole, however long its "lines".
TEST_F(FinderTest, BinaryFilesAreSkipped)
{
    Write("data.bin", "hit\x7F" + std::string(5000, '\xFF') + "\nhit\n");
    Search("data.bin", 100);
    EXPECT_EQ(recorder_.log, (std::vector<std::string> { "started data.bin", "finished data.bin " }));
    EXPECT_TRUE(status_.Entries().empty());
}

// A block that costs more than the budget fails its file; the search goes on with the next.
TEST_F(FinderTest, ExpressionTooComplexFailsTheFileAndTheSearchGoesOn)
{
    Write("hard.txt", "aaaab\naaaab\n" + std::string(3000, 'a') + "\n");
    Write("easy.txt", "aaaab\n");
    SetSearch("*", "a*a*a*a*b");
    JobMatchLimits limits;
    limits.steps = 20000;
    JobFinder finder(recorder_, params_, status_, 1000000, limits);
    finder.Search(RawString(Path("hard.txt"), RawEncoding::Utf8));
    finder.Search(RawString(Path("easy.txt"), RawEncoding::Utf8));
    ASSERT_EQ(status_.Entries().size(), 1U);
    EXPECT_EQ(Displays().front(), "Expression too complex [line=3] (" + Path("hard.txt") + ")");
    EXPECT_EQ(recorder_.log,
        (std::vector<std::string> { "started hard.txt", "found hard.txt:1 aaaab lines=1 hits=1", "done 0",
            "found hard.txt:2 aaaab lines=1 hits=1", "done 1",
            "failed hard.txt #" + std::to_string(LastEntryId()), "finished hard.txt UTF8", "started easy.txt",
            "found easy.txt:1 aaaab lines=1 hits=1", "done 0", "finished easy.txt UTF8" }));
}
