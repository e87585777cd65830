#include <core/RawPath.h>
#include <core/RawSystemText.h>
#include <engine/JobApply.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tests/engine/JobApplyFixture.h>
#include <unistd.h>

using namespace JobLayer;

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;
using QuelvaneTest::ReadFile;
using QuelvaneTest::Utf8;

// --- The threads of a run -----------------------------------------------------------------------

// Every index of every round runs exactly once, on one of the round's workers, and a round is
// over when Run returns, however many rounds of whatever width follow each other.
TEST(JobApplyPoolTest, EveryIndexRunsOnceInEveryRoundOnItsWorkers)
{
    for (int32_t threads : { 1, 2, 5 }) {
        SCOPED_TRACE(threads);
        JobApplyPool pool(threads);
        EXPECT_EQ(pool.Threads(), threads);
        for (int32_t count : { 0, 1, 7, 100, 3 }) {
            for (int round = 0; round < 30; ++round) {
                int32_t width = round % 3; // all workers, the caller alone, two
                int32_t workers = width == 0 ? threads : std::min(width, threads);
                std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
                std::atomic<bool> bad_worker { false };
                pool.Run(
                    count,
                    [&](int32_t index, int32_t worker) {
                        bad_worker = bad_worker || worker < 0 || worker >= workers;
                        runs[static_cast<std::size_t>(index)].fetch_add(1);
                    },
                    width);
                EXPECT_FALSE(bad_worker);
                EXPECT_TRUE(
                    std::ranges::all_of(runs, [](const std::atomic<int>& n) { return n.load() == 1; }))
                    << count << " in a round of width " << width;
            }
        }
    }
}

// --- Which files may be prepared together ---------------------------------------------------------

class JobApplyBatchTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(root_.empty());
        fs::create_directories(root_ + "/b");
        fs::create_directories(root_ + "/set");
        for (const char* name : { "a.txt", "b/a.txt", "a.txt.tmp", "c.txt" })
            std::ofstream(root_ + "/" + name) << name;
        ASSERT_EQ(link((root_ + "/c.txt").c_str(), (root_ + "/hard.txt").c_str()), 0);
        ASSERT_EQ(symlink("c.txt", (root_ + "/link.txt").c_str()), 0);
        // A copy of an earlier batch.
        std::ofstream(root_ + "/set/c.txt") << "copy";
    }
    std::unique_ptr<JobApplyFile> File(const std::string& name) const
    {
        return std::make_unique<JobApplyFile>(Utf8(root_ + "/" + name));
    }

    QuelvaneTest::TestFolder folder_;
    const std::string& root_ = folder_.Path();
};

// Names in turn, whether the run makes copies and removes stale temporary files, and which
// names the batch takes.
struct BatchCase {
    const char* what;
    Texts names;
    bool backups;
    bool stale_cleanup;
    std::vector<bool> taken;
};

TEST_F(JobApplyBatchTest, TakesOnlyFilesThatCannotDependOnEachOther)
{
    const BatchCase cases[] = {
        { "different files", { "a.txt", "c.txt", "b/a.txt" }, false, true, { true, true, true } },
        { "one file twice", { "c.txt", "a.txt", "c.txt" }, false, false, { true, true, false } },
        { "a second name of a file", { "c.txt", "hard.txt" }, false, false, { true, false } },
        { "a link to a file of the batch", { "c.txt", "link.txt" }, false, false, { true, false } },
        { "two copies of one name", { "a.txt", "b/a.txt" }, true, false, { true, false } },
        { "a copy named like another's temporary file", { "a.txt", "a.txt.tmp" }, true, false,
            { true, false } },
        { "a name like a temporary file, after others", { "c.txt", "a.txt.tmp" }, false, true,
            { true, false } },
        { "a name like a temporary file, first", { "a.txt.tmp", "c.txt" }, false, true, { true, false } },
        { "a link, first", { "link.txt", "a.txt" }, false, true, { true, false } },
        { "files that are gone", { "gone.txt", "gone.txt" }, false, false, { true, true } },
    };
    for (const BatchCase& c : cases) {
        SCOPED_TRACE(c.what);
        JobApplyBatch batch(c.backups ? Utf8(root_ + "/set") : RawString(), c.stale_cleanup);
        std::vector<bool> taken;
        for (const std::string& name : c.names) {
            std::unique_ptr<JobApplyFile> file = File(name);
            taken.push_back(batch.Take(file));
            EXPECT_EQ(file == nullptr, taken.back());
        }
        EXPECT_EQ(taken, c.taken);
        // A file turned away starts the next batch.
        batch.Clear();
        std::unique_ptr<JobApplyFile> again = File(c.names.back());
        EXPECT_TRUE(batch.Take(again));
    }
}

// The copy's name allows for the copies already in the set folder, and a batch is full at its
// number of files.
TEST_F(JobApplyBatchTest, NamesCopiesAfterTheSetsCopiesAndFillsUp)
{
    JobApplyBatch batch(Utf8(root_ + "/set"), false);
    std::unique_ptr<JobApplyFile> file = File("c.txt");
    JobApplyFile* taken = file.get();
    ASSERT_TRUE(batch.Take(file));
    EXPECT_EQ(taken->BackupName().Str(), "c01.txt");
    EXPECT_EQ(taken->Source().Str(), root_ + "/c.txt");
    for (int32_t i = 1; i < JobApplyBatch::kMaxFiles; ++i) {
        std::unique_ptr<JobApplyFile> more = File("gone" + std::to_string(i));
        ASSERT_TRUE(batch.Take(more)) << i;
    }
    EXPECT_TRUE(batch.IsFull());
    std::unique_ptr<JobApplyFile> last = File("a.txt");
    EXPECT_FALSE(batch.Take(last));
}

// --- Runs on several threads ----------------------------------------------------------------------

// What a run leaves that a user can see: its result, entries, block states, files and backups.
struct Outcome {
    bool ok = false;
    Texts entries; // "E " or "I " and the display text, in order
    Texts blocks;  // per block: its flags and the text of the entry it points at
    std::map<std::string, std::string> files;
    Texts record; // per item of the set: kind, source and copy name
    std::map<std::string, std::string> copies;
    std::vector<uint32_t> codes;
};

class JobApplyThreadsTest : public QuelvaneTest::JobApplyFixture {
protected:
    static constexpr int kFolders = 10;
    static constexpr int kFilesPerFolder = 30;

    void TearDown() override
    {
        // A read-only folder must be writable again for the temp folder to go.
        std::error_code error;
        fs::permissions(files_ + "/d3", fs::perms::owner_all, error);
    }

    // The tree of every run: files of one, two and three blocks in several folders, more than
    // one batch holds; a folder without write permission, read-only files, one name in every
    // folder, a file beside one named like its temporary file, and a link to a file of the tree.
    void MakeTree()
    {
        TearDown();
        fs::remove_all(files_);
        for (int d = 0; d < kFolders; ++d) {
            std::string folder = files_ + "/d" + std::to_string(d);
            fs::create_directories(folder);
            for (int f = 0; f < kFilesPerFolder; ++f) {
                std::string text;
                for (int line = 0; line < 12; ++line)
                    text += line % (4 + f % 3) == 1 ? "a needle in line " + std::to_string(line) + "\n"
                                                    : "plain\n";
                std::string path = folder + "/f" + std::to_string(f) + ".txt";
                std::ofstream(path, std::ios::binary) << text;
                if ((d * kFilesPerFolder + f) % 17 == 5)
                    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
            }
            std::ofstream(folder + "/same.txt") << "needle " << d << "\n";
        }
        std::ofstream(files_ + "/d1/x.txt") << "needle x\n";
        std::ofstream(files_ + "/d1/x.txt.tmp") << "needle x.tmp\n";
        fs::create_symlink("f2.txt", files_ + "/d0/link.txt");
        fs::permissions(files_ + "/d3", fs::perms::owner_read | fs::perms::owner_exec);
    }

    // Files changed after the search: newer, removed, and rewritten with their old time.
    void ChangeAfterSearch()
    {
        for (int d = 0; d < kFolders; ++d) {
            std::string folder = files_ + "/d" + std::to_string(d);
            if (d == 3)
                continue;
            std::string newer = folder + "/f7.txt";
            fs::last_write_time(newer, fs::last_write_time(newer) + std::chrono::seconds(2));
            fs::remove(folder + "/f11.txt");
            std::string same_time = folder + "/f13.txt";
            fs::file_time_type time = fs::last_write_time(same_time);
            std::ofstream(same_time, std::ios::binary) << "plain\na needle moved\n";
            fs::last_write_time(same_time, time);
        }
    }

    Outcome Run(int32_t threads)
    {
        MakeTree();
        JobParams params;
        JobResultSet results;
        params.targets.Add(Utf8(files_));
        params.filters.Add("*");
        params.expressions.Add("needle");
        params.replacements.Add("thread");
        params.preview = true;
        params.checker = 1;
        JobSearch(params, results, centre_, *this, kSearchLimit).Run([] { return false; });
        JobReplacer(*this, params).Pass(results);
        ChangeAfterSearch();
        int32_t first = centre_.Count();
        codes_.clear();

        JobApply apply(params, results, store_, centre_, *this, kSearchLimit);
        apply.SetThreadCount(threads);
        Outcome outcome;
        outcome.ok = apply.Run();
        outcome.codes = codes_;
        for (const JobStatusUnit& entry : centre_.Entries(first))
            outcome.entries.push_back(
                (entry.kind == JobStatusUnit::kError ? "E " : "I ") + entry.display.Str());
        for (const JobBlockUnit& block : results.blocks) {
            std::optional<JobStatusUnit> entry = centre_.Find(block.status_id);
            outcome.blocks.push_back(
                std::to_string(block.Flags()) + " " + (entry ? entry->display.Str() : ""));
        }
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(files_))
            if (!entry.is_directory())
                outcome.files[entry.path().string()] = entry.is_symlink()
                    ? "-> " + fs::read_symlink(entry.path()).string()
                    : ReadFile(entry.path());
        JobBackupItemList record;
        record.SetFolder(apply.LastSet()->Folder());
        EXPECT_TRUE(record.Load());
        for (const JobBackupItemUnit& item : record)
            outcome.record.push_back(JobBackupItemUnit::KindName(item.ItemKind()).Str() + " "
                + item.Source().Str() + " " + item.BackupName().Str());
        for (const fs::directory_entry& entry : fs::directory_iterator(apply.LastSet()->Folder().Str()))
            if (entry.path().filename() != "Backup.ini")
                outcome.copies[entry.path().filename()] = ReadFile(entry.path());
        return outcome;
    }
};

// The result of a run does not depend on its threads: files, backups, record, status entries
// in their order, and block flags are those of a run on one thread.
TEST_F(JobApplyThreadsTest, ManyThreadsGiveWhatOneThreadGives)
{
    const Outcome one = Run(1);
    // The tree gives every kind of outcome, or the comparison would prove little.
    auto has = [&](const std::string& start) {
        return std::ranges::any_of(
            one.entries, [&](const std::string& entry) { return entry.starts_with(start); });
    };
    for (const char* start : { "E Open error for write (", "E Modified file (", "E Missing file (",
             "E Logic error on file (", "I Already applied (" })
        EXPECT_TRUE(has(start)) << start;
    EXPECT_FALSE(one.ok);
    EXPECT_TRUE(one.copies.contains("same0102.txt"));
    EXPECT_TRUE(one.copies.contains("x.txt.tmp"));
    EXPECT_GT(one.record.size(), std::size_t { 2 * JobApplyBatch::kMaxFiles });

    for (int32_t threads : { 2, 4 }) {
        SCOPED_TRACE(threads);
        const Outcome many = Run(threads);
        EXPECT_EQ(many.ok, one.ok);
        EXPECT_EQ(many.entries, one.entries);
        EXPECT_EQ(many.blocks, one.blocks);
        EXPECT_EQ(many.files, one.files);
        EXPECT_EQ(many.record, one.record);
        EXPECT_EQ(many.copies, one.copies);
        EXPECT_EQ(many.codes, one.codes);
    }
}

// A stop is asked before each file is taken: when it comes, the files taken so far are written
// and no other file is touched, its blocks still checked and not applied.
TEST_F(JobApplyThreadsTest, AStopEndsTheRunOnceTheFilesTakenAreWritten)
{
    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i)
        paths.push_back(Write("s" + std::to_string(i) + ".txt", "a needle\n"));
    Search(files_, "needle", "thread");
    JobApply apply(params_, results_, store_, centre_, *this, kSearchLimit);
    apply.SetThreadCount(2);
    int asked = 0;
    apply.SetStopCheck([&] { return ++asked > 2; });
    EXPECT_TRUE(apply.Run());
    EXPECT_TRUE(apply.WasStopped());
    EXPECT_EQ(apply.FilesBegun(), 2);
    Texts contents;
    for (const std::string& path : paths)
        contents.push_back(ReadFile(path));
    std::ranges::sort(contents);
    EXPECT_EQ(contents,
        (Texts { "a needle\n", "a needle\n", "a needle\n", "a needle\n", "a thread\n", "a thread\n" }));
    int applied = 0;
    for (const JobBlockUnit& block : results_.blocks)
        applied += block.HasFlag(JobBlockUnit::kApl) ? 1 : block.HasFlag(JobBlockUnit::kChk) ? 0 : 100;
    EXPECT_EQ(applied, 2);
    std::vector<JobStatusUnit> entries = centre_.Entries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[entries.size() - 2].display.Str(), "Apply stopped.");
    EXPECT_EQ(apply.LastSet()->Items().Count(), 2);
}

} // namespace
