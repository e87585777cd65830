#include <engine/JobExpressionUtility.h>
#include <engine/JobFinder.h>
#include <engine/JobStatusCentre.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <tests/TestSupport.h>
#include <unistd.h>

using namespace JobLayer;
namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

// Each test searches a fresh temp folder and writes down every report of the finder as a line
// of text, paths relative to the folder. Folders are kept apart: their order among the files is
// the file system's.
class FinderTest : public testing::Test, public JobFinder::Handler {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(root_.empty());
        status_.SetAccepting(true);
    }

    bool IsStopRequested() override { return stop_after_blocks_ >= 0 && Count("done") >= stop_after_blocks_; }
    // The file's line end is followed into the result block by the search job's tests.
    void BlockFound(
        const JobFoundBlock& block, const RawString&, const JobHitMulti& hits, int32_t line_count) override
    {
        log_.push_back("found " + Rel(block.path) + ":" + std::to_string(block.index + 1) + " "
            + block.text.Str() + " lines=" + std::to_string(line_count)
            + " hits=" + std::to_string(hits.Count()));
        last_block_ = block;
    }
    void FileFinished(const RawString& path, RawEncoding encoding) override
    {
        log_.push_back("finished " + Rel(path) + " " + std::string(RawLayer::RawEncodingName(encoding)));
    }
    void FolderEntered(const RawString& f, int32_t d) override
    {
        folders_.insert(Rel(f) + ' ' + std::to_string(d));
    }
    void FileStarted(const RawString& path) override
    {
        log_.push_back("started " + Rel(path));
        started_.insert(Rel(path));
        if (Rel(path) == vanishing_)
            unlink(path.Str().c_str());
    }
    void BlockDone(int64_t index) override { log_.push_back("done " + std::to_string(index)); }
    // Names the text and path of the entry the id leads to.
    void FileFailed(const RawString& path, uint32_t status_id) override
    {
        JobStatusUnit entry = status_.Find(status_id).value_or(JobStatusUnit());
        log_.push_back("failed " + Rel(path) + ": " + entry.text.Str() + " (" + Rel(entry.path) + ")");
    }

    std::string Rel(const RawString& p) { return p.Str() == root_ ? "." : p.Str().substr(root_.size() + 1); }
    std::string Path(const std::string& relative) const { return root_ + "/" + relative; }
    static RawString Raw(const std::string& text) { return RawString(text, RawEncoding::Utf8); }
    void Write(const std::string& relative, const std::string& bytes)
    {
        fs::create_directories(fs::path(Path(relative)).parent_path());
        std::ofstream(Path(relative), std::ios::binary) << bytes;
    }
    // New filters and expressions, and an empty record.
    void SetSearch(const std::string& filters, const std::string& expressions)
    {
        params_.filters = JobExpressionUtility::SplitList(Raw(filters), JobExpressionUtility::Field::Filter);
        params_.expressions
            = JobExpressionUtility::SplitList(Raw(expressions), JobExpressionUtility::Field::Search);
        params_.line_count = JobExpressionUtility::BlockLineCount(params_.expressions);
        log_.clear(), started_.clear(), folders_.clear();
    }
    // Searches the path `relative` to the test folder (the folder itself when empty) afresh.
    void Search(const std::string& relative, const std::string& filters = "*",
        const std::string& expressions = "hit", int32_t line_limit = 1000)
    {
        SetSearch(filters, expressions);
        JobFinder(*this, params_, status_, line_limit).Search(Raw(relative.empty() ? root_ : Path(relative)));
    }
    long Count(const std::string& prefix) const
    {
        return std::ranges::count_if(log_, [&](auto& line) { return line.starts_with(prefix); });
    }

    QuelvaneTest::TestFolder temp_;
    std::string root_ = temp_.Path();
    JobParams params_;
    JobStatusCentre status_;
    Lines log_;
    std::set<std::string> started_;
    std::set<std::string> folders_;
    JobFoundBlock last_block_;
    int stop_after_blocks_ = -1;
    std::string vanishing_; // a file that is removed when it has passed the filters
};

} // namespace

TEST_F(FinderTest, FiltersMatchNamesWholeAndPathsSegmentBySegment)
{
    const std::tuple<std::string, std::string, bool> cases[] = {
        { "p/src/*.c", "/q/src/m.c", false },
        { "src\\*.c", "/p/SRC/m.c", true },  // either separator, case ignored
        { "/src/*.c", "/p/src/m.c", true },  // a leading separator adds nothing
        { "*/*/*/m.c", "/p/src/m.c", true }, // the root's empty name matches "*"
        { "x/*/*/*/m.c", "/p/src/m.c", false }, { "src/*.c", "src/m.c", true },
        { "*.c", "/p/src.c/m.h", false }, // a name filter sees only the name
        { "", "/d/a.txt", false },        // no filter: nothing is searched
    };
    for (const auto& [filters, path, passes] : cases) {
        SetSearch(filters, "hit");
        JobFinder finder(*this, params_, status_, 1000);
        EXPECT_EQ(finder.PassesFilters(Raw(path), Raw(fs::path(path).filename())), passes) << filters;
    }
}

// Every folder is entered whatever the filters; a sub-folder is walked whole before the entries
// after it, so the lines about "p/src" form one run. A file target is filtered by its path too.
TEST_F(FinderTest, WalkEntersEveryFolderAndSearchesOnlyFilesThatPass)
{
    for (const char* file : { "A.TXT", "a.txt.bak", "p/src/m.c", "p/lib/m.c", "p/src/deep/n.c", "q/r.log" })
        Write(file, "hit\n");
    const std::pair<std::string, std::set<std::string>> cases[] = {
        { "*.txt;*.log", { "A.TXT", "q/r.log" } },
        { "!*.bak", { "A.TXT", "p/src/m.c", "p/lib/m.c", "p/src/deep/n.c", "q/r.log" } },
        { "src/*.c", { "p/src/m.c" } },
        { "", {} },
    };
    for (const auto& [filters, searched] : cases) {
        Search("p/src/m.c", filters);
        EXPECT_EQ(started_.size(), searched.count("p/src/m.c")) << filters;
        Search("", filters);
        EXPECT_EQ(started_, searched) << filters;
        EXPECT_EQ(
            folders_, (std::set<std::string> { ". 0", "p 1", "p/lib 2", "p/src 2", "p/src/deep 3", "q 1" }));
        auto in_src = [](const std::string& line) { return line.find(" p/src/") != std::string::npos; };
        std::erase_if(log_, [](const std::string& line) { return line.starts_with("done"); });
        auto run_end = std::find_if_not(std::ranges::find_if(log_, in_src), log_.end(), in_src);
        EXPECT_TRUE(std::none_of(run_end, log_.end(), in_src)) << filters;
    }
}

// Blocks of several lines start at their first line. After a line overflow, the blocks found
// before it come first, then the failure, then the end of the file; the line named is the one
// that was too long, not the first line of its block. A binary file is passed over whole.
TEST_F(FinderTest, ReportsBlocksAndFailuresInFileOrder)
{
    const std::string long_line(60, 'x');
    const std::tuple<std::string, std::string, Lines> cases[] = {
        { "a%Nb;c", "xa\nby c\nq\na\nbc",
            { "started f.txt", "found f.txt:1 xa\nby c lines=2 hits=2", "done 0", "done 1", "done 2",
                "found f.txt:4 a\nbc lines=2 hits=2", "done 3", "finished f.txt UTF8" } },
        { "hit", "hit 1\nhit 2\n" + long_line + "\nhit 4\n",
            { "started f.txt", "found f.txt:1 hit 1 lines=1 hits=1", "done 0",
                "found f.txt:2 hit 2 lines=1 hits=1", "done 1",
                "failed f.txt: Line overflow [line=3] (f.txt)", "finished f.txt UTF8" } },
        { "a%Nb", "a\nb\na\n" + long_line + "\n",
            { "started f.txt", "found f.txt:1 a\nb lines=2 hits=1", "done 0", "done 1",
                "failed f.txt: Line overflow [line=4] (f.txt)", "finished f.txt UTF8" } },
        { "hit", "hit\x7F" + std::string(5000, '\xFF') + "\nhit\n", { "started f.txt", "finished f.txt " } },
    };
    for (const auto& [expressions, bytes, expected] : cases) {
        Write("f.txt", bytes);
        Search("f.txt", "*", expressions, 50);
        EXPECT_EQ(log_, expected);
    }
}

// A missing target gets one entry and nothing else; a block that costs more than the budget
// fails its file. The same finder goes on with the next target.
TEST_F(FinderTest, FailuresAreReportedAndTheSearchGoesOn)
{
    Write("hard.txt", "aaaab\n" + std::string(3000, 'a') + "\n");
    Write("easy.txt", "aaaab\n");
    SetSearch("*", "a*a*a*a*b");
    JobFinder finder(*this, params_, status_, 1000000, { 20000, nullptr });
    for (const char* target : { "nothing/here", "hard.txt", "easy.txt" })
        finder.Search(Raw(Path(target)));
    EXPECT_EQ(log_,
        (Lines { "started hard.txt", "found hard.txt:1 aaaab lines=1 hits=1", "done 0",
            "failed hard.txt: Expression too complex [line=2] (hard.txt)", "finished hard.txt UTF8",
            "started easy.txt", "found easy.txt:1 aaaab lines=1 hits=1", "done 0",
            "finished easy.txt UTF8" }));
    EXPECT_TRUE(folders_.empty());
    ASSERT_EQ(status_.Count(), 2);
    EXPECT_EQ(status_.Entries()[0].display.Str(), "No such path (" + Path("nothing/here") + ")");
}

TEST_F(FinderTest, StopRequestEndsAfterTheCurrentBlockAndTheFileStillFinishes)
{
    Write("big.txt", std::string(1000, '\n'));
    Write("sub/other.txt", "hit\n");
    stop_after_blocks_ = 2;
    Search("");
    EXPECT_EQ(Count("done"), 2);
    EXPECT_EQ(log_.empty() ? "" : log_.back().substr(0, 9), "finished ");
    EXPECT_LE(started_.size(), 2U);
}

// Links to folders are not entered (no cycles, no escaping the target); a pipe would wait for a
// writer. A file that vanishes between the listing and the opening is passed over without an
// entry.
TEST_F(FinderTest, OnlyFilesAndLinksToThemAreSearched)
{
    Write("real/a.txt", "hit\n");
    Write("gone.txt", "hit\n");
    vanishing_ = "gone.txt";
    for (const auto& [to, link] : { std::pair { "real/a.txt", "to-file.txt" }, { "real", "to-folder" },
             { ".", "real/loop" }, { "missing.txt", "dangling.txt" } })
        ASSERT_EQ(symlink(to, Path(link).c_str()), 0);
    ASSERT_EQ(mkfifo(Path("pipe.txt").c_str(), 0600), 0);
    Search("");
    EXPECT_EQ(started_, (std::set<std::string> { "real/a.txt", "to-file.txt", "gone.txt" }));
    EXPECT_EQ(Count("found"), 2);
    EXPECT_EQ(Count("finished gone.txt UTF8"), 1);
    EXPECT_EQ(status_.Count(), 0);
}

TEST_F(FinderTest, EveryEncodingGivesTheSameBlocks)
{
    const std::string text = "一行目の文章です\r\n検索する言葉はここ\r\n三行目にも検索\r\n終わり";
    auto to
        = [&](RawEncoding encoding) { return *RawLayer::RawConvertBytes(text, RawEncoding::Utf8, encoding); };
    const std::tuple<std::string, std::string, RawEncoding, bool> cases[] = {
        { "utf8-mark.txt", "\xEF\xBB\xBF" + text, RawEncoding::Utf8, true },
        { "sjis.txt", to(RawEncoding::Sjis), RawEncoding::Sjis, false },
        { "utf16le.txt", "\xFF\xFE" + to(RawEncoding::Utf16Le), RawEncoding::Utf16Le, true },
        { "utf16be.txt", "\xFE\xFF" + to(RawEncoding::Utf16Be), RawEncoding::Utf16Be, true },
    };
    for (const auto& [name, bytes, encoding, mark] : cases) {
        Write(name, bytes);
        Search(name, "*", "検索");
        EXPECT_EQ(log_,
            (Lines { "started " + name, "done 0", "found " + name + ":2 検索する言葉はここ lines=1 hits=1",
                "done 1", "found " + name + ":3 三行目にも検索 lines=1 hits=1", "done 2", "done 3",
                "finished " + name + " " + std::string(RawLayer::RawEncodingName(encoding)) }));
        EXPECT_EQ(last_block_.encoding, encoding);
        EXPECT_EQ(last_block_.mark, mark) << name;
    }
}
