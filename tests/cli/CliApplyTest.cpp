#include <core/RawString.h>
#include <engine/JobBackupItemList.h>
#include <engine/JobBackupLock.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <tests/TestSupport.h>
#include <tests/cli/CliFixture.h>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using QuelvaneCliTest::CliOutcome;
using testing::HasSubstr;

// A program started in the background, watched until it shows something or ends.
struct Child {
    pid_t pid = -1;
    int status = -1; // the exit status once it ended normally

    // Polls `shown` until it holds (true) or the program ends (false). The bound only keeps a
    // broken program from hanging the test.
    template <typename Shown> bool WaitUntil(Shown shown)
    {
        for (int poll = 0; poll < 60'000; ++poll) {
            if (shown())
                return true;
            int wait_status = 0;
            if (waitpid(pid, &wait_status, WNOHANG) == pid) {
                pid = -1;
                status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    int Finish()
    {
        int wait_status = 0;
        if (pid > 0 && waitpid(pid, &wait_status, 0) == pid)
            status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
        pid = -1;
        return status;
    }
};

// Every test writes its backups into a folder of its own temp folder, named by a configuration
// file, and can read back what the store holds.
class CliApplyTest : public QuelvaneCliTest::CliFixture {
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        config_ = Write("config.ini", "[ViewParameter]\r\nBackupFolder=" + Path("backup") + "\r\n");
    }

    // The set folders of the backup folder.
    std::vector<fs::path> Sets() const
    {
        std::vector<fs::path> sets;
        if (fs::is_directory(Path("backup"))) {
            for (const fs::directory_entry& entry : fs::directory_iterator(Path("backup")))
                if (entry.is_directory()) // the apply lock file lies beside the sets
                    sets.push_back(entry.path());
        }
        return sets;
    }

    // Source path -> backup copy path, as the sets' "Backup.ini" files list them.
    std::map<std::string, std::string> BackedUp() const
    {
        std::map<std::string, std::string> copies;
        for (const fs::path& set : Sets()) {
            JobLayer::JobBackupItemList items;
            items.SetFolder(RawLayer::RawString(set.string(), RawLayer::RawEncoding::Utf8));
            (void)items.Load();
            for (const JobLayer::JobBackupItemUnit& item : items)
                copies[item.Source().Str()] = item.BackupPath().Str();
        }
        return copies;
    }

    // Takes the backup folder's apply lock as another run would.
    void HoldLock(JobLayer::JobBackupLock& lock)
    {
        fs::create_directories(Path("backup"));
        ASSERT_EQ(lock.TryLock(RawLayer::RawString(Path("backup"), RawLayer::RawEncoding::Utf8)),
            JobLayer::JobBackupLock::Result::Held);
    }
    // An apply of `from` by `to` over the tree "t" with the test's backup folder; `quiet` adds -q.
    std::vector<std::string> ApplyArgs(
        const std::string& from, const std::string& to, bool quiet = false) const
    {
        std::vector<std::string> arguments { "--config=" + config_, "--apply", "-e", from, "-r", to,
            Path("t") };
        if (quiet)
            arguments.insert(arguments.begin(), "-q");
        return arguments;
    }
    std::vector<std::string> RestoreArgs(const std::string& set, bool force = false) const
    {
        return force ? std::vector<std::string> { "--config=" + config_, "--restore=" + set, "--force" }
                     : std::vector<std::string> { "--config=" + config_, "--restore=" + set };
    }
    Child Start(const std::vector<std::string>& arguments)
    {
        return Child { Spawn(arguments, Path(".out"), Path(".err")) };
    }
    bool ErrorsShow(const std::string& text) const
    {
        return ReadAll(Path(".err")).find(text) != std::string::npos;
    }

    std::string config_;
};

TEST_F(CliApplyTest, PreviewPrintsTheReplacedTextUnderEachBlock)
{
    std::string file = Write("t/a.txt", "one x\ntwo\nthree x y\n");
    std::string pair = Write("t/b.txt", "a\nx one\ny two\n");
    CliOutcome outcome = Run({ "--preview", "-e", "x", "-r", "[%N]", Path("t/a.txt") });
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(
        outcome.out, file + "(1):one x\n=> one [\n=> ]\n" + file + "(3):three x y\n=> three [\n=> ] y\n");
    EXPECT_EQ(ReadAll(file), "one x\ntwo\nthree x y\n");

    // A two-line block: its first line, then every line of the replaced text.
    outcome = Run({ "--preview", "-e", "x*%Ny", "-r", "%0%N%0", pair });
    EXPECT_EQ(outcome.out, pair + "(2):x one\n=>  one\n=>  one two\n");
}

TEST_F(CliApplyTest, ApplyRewritesTheFilesWithBackups)
{
    const std::string crlf = "alpha foo\r\nbeta\r\nfoo foo\r\n";
    const std::string lf = "foo\nend";
    std::string a = Write("t/a.txt", crlf);
    std::string b = Write("t/sub/b.txt", lf);
    std::string untouched = Write("t/c.txt", "no match\n");
    CliOutcome outcome = Run(ApplyArgs("foo", "bar"));
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(ReadAll(a), "alpha bar\r\nbeta\r\nbar bar\r\n");
    EXPECT_EQ(ReadAll(b), "bar\nend");
    EXPECT_EQ(ReadAll(untouched), "no match\n");
    EXPECT_THAT(outcome.err, HasSubstr("Apply started...\n"));
    EXPECT_THAT(outcome.err, HasSubstr("Apply finished.\n"));

    ASSERT_EQ(Sets().size(), 1u);
    std::map<std::string, std::string> copies = BackedUp();
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(ReadAll(copies[a]), crlf);
    EXPECT_EQ(ReadAll(copies[b]), lf);
}

// A file with zero bytes that are no UTF-16 text (an image header holding the searched word) is
// binary: never listed, never rewritten, and counted in the search's finish entry. A file below
// the path length limit is found like any other.
TEST_F(CliApplyTest, BinaryFilesAreSkippedAndDeepFilesFound)
{
    const std::string png = "\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR needle\0\x01\x02 needle\n"s;
    const std::string image = Write("t/img.png", png);
    const std::string text = Write("t/a.txt", "a needle\n");
    CliOutcome outcome = Run(ApplyArgs("needle", "X"));
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, text + "(1):a needle\n=> a X\n");
    EXPECT_EQ(ReadAll(image), png);
    EXPECT_EQ(ReadAll(text), "a X\n");
    EXPECT_THAT(outcome.err, HasSubstr("Search finished. (1 binary file skipped)\n"));

    const std::string deep = QuelvaneTest::MakeDeepFolder(Path("t"), 60, 90);
    ASSERT_GT(deep.size(), 5049u);
    ASSERT_TRUE(QuelvaneTest::WriteDeepFile(deep, "deep.txt", "deep needle\n"));
    outcome = Run({ "-e", "needle", Path("t") });
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_THAT(outcome.out, HasSubstr(deep + "/deep.txt(1):deep needle\n"));

    // The apply names such a file by its path, which the system cannot take: it fails saying so.
    outcome = Run(ApplyArgs("deep needle", "X"));
    EXPECT_EQ(outcome.status, 2);
    EXPECT_THAT(outcome.err, HasSubstr("Open error (" + deep + "/deep.txt: File name too long)"));
}

TEST_F(CliApplyTest, DefaultBackupFolderIsTheUsersStateFolder)
{
    std::string file = Write("a.txt", "foo\n");
    CliOutcome outcome = Run({ "-q", "--apply", "-e", "foo", "-r", "bar", file });
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    ASSERT_TRUE(fs::is_directory(Path(".state/QuelvaneBackup")));
    EXPECT_TRUE(fs::is_regular_file(Path(".state/QuelvaneBackup/Quelvane.lock")));
    EXPECT_EQ(
        std::distance(fs::directory_iterator(Path(".state/QuelvaneBackup")), fs::directory_iterator()), 2);
}

TEST_F(CliApplyTest, FailedFileExitsTwoAndPrintsItsEntry)
{
    // Shift_JIS text ("日本語") in which an emoji has no form: that file fails, the other is
    // written.
    const std::string sjis = "\x93\xfa\x96\x7b\x8c\xea foo\r\n";
    std::string bad = Write("t/sjis.txt", sjis);
    std::string good = Write("t/utf8.txt", "foo\n");
    CliOutcome outcome = Run(ApplyArgs("foo", "\xF0\x9F\x98\x80"));
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(ReadAll(bad), sjis);
    EXPECT_EQ(ReadAll(good), "\xF0\x9F\x98\x80\n");
    EXPECT_THAT(outcome.err, HasSubstr("(" + bad + ")\n"));
    EXPECT_THAT(outcome.err, HasSubstr("Apply finished. (Failed)\n"));
}

TEST_F(CliApplyTest, SavedDetailIsAppliedWithItsFileTimeChecks)
{
    std::string a = Write("t/a.txt", "foo\n");
    std::string b = Write("t/b.txt", "foo too\n");
    std::string detail = Path("run.ini");
    CliOutcome saved = Run({ "-q", "-e", "foo", "--save-detail=" + detail, Path("t") });
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(ReadAll(a), "foo\n");
    EXPECT_EQ(ReadAll(detail).substr(0, 10), "[Params]\r\n");

    // b.txt is edited after the search: the apply must leave it alone.
    Write("t/b.txt", "edited foo\n");
    fs::last_write_time(b, fs::last_write_time(b) + std::chrono::seconds(5));
    // The replacement text given now is appended to the loaded (empty) ones.
    CliOutcome applied = Run({ "--config=" + config_, "--load=" + detail, "-r", "bar", "--apply" });
    std::string a_line = a + "(1):foo\n=> bar\n";
    std::string b_line = b + "(1):foo too\n=> bar too\n";
    EXPECT_EQ(applied.status, 2);
    EXPECT_EQ(ReadAll(a), "bar\n");
    EXPECT_EQ(ReadAll(b), "edited foo\n");
    EXPECT_THAT(applied.err, HasSubstr("Modified file (" + b + ")"));
    // The loaded blocks, in the order the saved search found them.
    EXPECT_TRUE(applied.out == a_line + b_line || applied.out == b_line + a_line) << applied.out;

    // Its results cannot take more search items.
    CliOutcome mixed = Run({ "-l", detail, "-e", "x" });
    EXPECT_EQ(mixed.status, 2);
    EXPECT_THAT(mixed.err, HasSubstr("cannot be added"));
}

TEST_F(CliApplyTest, LoadedParamsComeFirstAndTakeMoreItems)
{
    std::string file = Write("t/a.txt", "foo\nfoo bar\nbar\n");
    std::string params = Path("p.ini");
    EXPECT_EQ(Run({ "-q", "-e", "foo", "--save-param=" + params, Path("t") }).status, 0);

    CliOutcome both = Run({ "-l", params, "-e", "bar" });
    EXPECT_EQ(both.status, 0) << both.err;
    EXPECT_EQ(both.out, file + "(2):foo bar\n");

    CliOutcome missing = Run({ "-l", Path("none.ini") });
    EXPECT_EQ(missing.status, 2);
    EXPECT_THAT(
        missing.err, HasSubstr("Read open error (" + Path("none.ini") + ": No such file or directory)"));
}

TEST_F(CliApplyTest, SimpleFileListsTheBlocks)
{
    std::string file = Write("t/a.txt", "alpha\nbeta x\nx\n");
    std::string simple = Path("out/simple.txt");
    fs::create_directories(Path("out"));
    CliOutcome outcome = Run({ "-q", "-e", "x", "--save-simple=" + simple, Path("t") });
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(ReadAll(simple), file + "(2):beta x\r\n" + file + "(3):x\r\n");
}

TEST_F(CliApplyTest, ListedSetIsRestored)
{
    std::string a = Write("t/a.txt", "keep foo\n");
    std::string b = Write("t/b.txt", "foo\r\n");
    ASSERT_EQ(Run(ApplyArgs("foo", "bar", true)).status, 0);
    ASSERT_EQ(Sets().size(), 1u);
    std::string name = Sets()[0].filename();

    CliOutcome listed = Run({ "--config=" + config_, "--list-backups" });
    EXPECT_EQ(listed.status, 0);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(
        listed.out, match, std::regex("(\\S+)\t(\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d)\tfoo\tbar\t2\n")))
        << listed.out;
    EXPECT_EQ(match[1], name);

    CliOutcome restored = Run(RestoreArgs(name));
    EXPECT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(ReadAll(a), "keep foo\n");
    EXPECT_EQ(ReadAll(b), "foo\r\n");
    EXPECT_THAT(restored.out, HasSubstr(a + "\n"));

    CliOutcome unknown = Run(RestoreArgs("20000101_000000"));
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "No such backup set (20000101_000000)\n");
}

// A file changed after the apply is not put back unless asked with --force; a record that
// holds a relative source path is refused, never resolved against the current folder.
TEST_F(CliApplyTest, RestoreSkipsLaterChangesAndRefusesRelativeSources)
{
    std::string a = Write("t/a.txt", "foo\n");
    std::string b = Write("t/b.txt", "foo b\n");
    ASSERT_EQ(Run(ApplyArgs("foo", "bar", true)).status, 0);
    ASSERT_EQ(Sets().size(), 1u);
    std::string name = Sets()[0].filename();
    Write("t/b.txt", "edited later\n");
    const timespec later[2] = { { 0, UTIME_NOW }, { time(nullptr) + 100, 0 } };
    ASSERT_EQ(utimensat(AT_FDCWD, b.c_str(), later, 0), 0);

    CliOutcome careful = Run(RestoreArgs(name));
    EXPECT_NE(careful.status, 0);
    EXPECT_THAT(careful.err, HasSubstr("Changed since the apply, not restored (" + b + ")"));
    EXPECT_EQ(ReadAll(a), "foo\n");
    EXPECT_EQ(ReadAll(b), "edited later\n");
    CliOutcome forced = Run(RestoreArgs(name, true));
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(ReadAll(b), "foo b\n");

    std::string record = (Sets()[0] / "Backup.ini").string();
    std::string text = ReadAll(record);
    for (std::size_t at; (at = text.find("Source=/")) != std::string::npos;)
        text.replace(at, std::string("Source=").size() + root_.string().size() + 1, "Source=");
    std::ofstream(record, std::ios::binary | std::ios::trunc) << text;
    Write("t/a.txt", "bar\n");
    CliOutcome relative = Run(RestoreArgs(name, true));
    EXPECT_NE(relative.status, 0);
    EXPECT_THAT(relative.err, HasSubstr("relative source path"));
    EXPECT_EQ(ReadAll(a), "bar\n");
}

// --- Runs that meet ---------------------------------------------------------------------------

// An apply that finds the lock taken waits for it. What the other run wrote meanwhile is not
// lost: the file it changed is "Modified file" to the waiting run and keeps the other's change.
TEST_F(CliApplyTest, ASecondApplyWaitsAndKeepsTheFirstOnesChange)
{
    std::string a = Write("t/a.txt", "alpha beta\n");
    std::string b = Write("t/b.txt", "alpha\n");
    JobLayer::JobBackupLock other;
    HoldLock(other);
    Child run = Start(ApplyArgs("alpha", "ALPHA"));
    ASSERT_TRUE(run.WaitUntil([&] { return ErrorsShow("Waiting for another apply to finish"); }));
    Write("t/a.txt", "alpha BETA\n");
    fs::last_write_time(a, fs::last_write_time(a) + std::chrono::seconds(5));
    other.Unlock();
    EXPECT_EQ(run.Finish(), 2);
    EXPECT_EQ(ReadAll(a), "alpha BETA\n");
    EXPECT_EQ(ReadAll(b), "ALPHA\n");
    EXPECT_TRUE(ErrorsShow("Modified file (" + a + ")")) << ReadAll(Path(".err"));
}

// Two applies started together on one tree: every file ends with both changes, or the run whose
// change it lacks said "Modified file" for it and failed.
TEST_F(CliApplyTest, TwoAppliesAtOnceLoseNoUpdate)
{
    constexpr int kFiles = 40;
    std::string filler;
    for (int line = 0; line < 5'000; ++line)
        filler += "plain text\n";
    filler.pop_back();
    for (int i = 0; i < kFiles; ++i)
        Write("t/f" + std::to_string(i), "alpha\n" + filler + "\nbeta\n");
    struct Run {
        std::string from, to;
        Child child;
        std::string err;
    } runs[] = { { "alpha", "ALPHA", {}, {} }, { "beta", "BETA", {}, {} } };
    for (int r = 0; r < 2; ++r)
        runs[r].child.pid = Spawn(ApplyArgs(runs[r].from, runs[r].to, true), Path(".out" + std::to_string(r)),
            Path(".err" + std::to_string(r)));
    for (int r = 0; r < 2; ++r) {
        runs[r].child.Finish();
        runs[r].err = ReadAll(Path(".err" + std::to_string(r)));
        bool modified = runs[r].err.find("Modified file (") != std::string::npos;
        EXPECT_EQ(runs[r].child.status, modified ? 2 : 0) << runs[r].err;
    }
    for (int i = 0; i < kFiles; ++i) {
        std::string path = Path("t/f" + std::to_string(i));
        std::string content = ReadAll(path);
        bool alpha = content.starts_with("ALPHA\n"), beta = content.ends_with("\nBETA\n");
        ASSERT_EQ(content,
            std::string(alpha ? "ALPHA" : "alpha") + "\n" + filler + "\n" + (beta ? "BETA" : "beta") + "\n");
        for (const auto& [run, done] : { std::pair(&runs[0], alpha), std::pair(&runs[1], beta) })
            EXPECT_TRUE(done || run->err.find("Modified file (" + path + ")") != std::string::npos)
                << run->to << " lost on " << path << ":\n"
                << run->err;
    }
}

// A restore removes a temporary file an earlier, cut-off run left beside a file it puts back.
TEST_F(CliApplyTest, RestoreRemovesAStaleTemporaryFile)
{
    std::string a = Write("t/a.txt", "foo\n");
    ASSERT_EQ(Run(ApplyArgs("foo", "bar", true)).status, 0);
    std::string stale = Write("t/a.txt.tmp", "ba");
    ASSERT_EQ(chmod(stale.c_str(), 0600), 0);
    fs::last_write_time(stale, fs::last_write_time(a) - std::chrono::seconds(60));
    CliOutcome restored = Run(RestoreArgs(Sets()[0].filename()));
    EXPECT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(ReadAll(a), "foo\n");
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_THAT(restored.err, HasSubstr("Stale temporary file removed (" + stale + ")"));
}

// An apply killed at random moments: whatever the moment, every file holds either its old or
// its new content, and every changed file has its backup copy listed in its set.
class CliCrashTest : public CliApplyTest {
protected:
    static constexpr int kFiles = 200;
    static constexpr int kRuns = 20;

    // A killed process leaves its written data in the page cache, so what is checked here is the
    // order of the steps, not what reaches a disk. A memory file system, where a sync costs
    // nothing, keeps the run's many syncs from making the test slow.
    std::filesystem::path TempBase() const override
    {
        return fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : CliApplyTest::TempBase();
    }

    void SetUp() override
    {
        CliApplyTest::SetUp();
        for (int i = 0; i < kFiles; ++i) {
            std::string old_text = "file " + std::to_string(i) + "\n";
            std::string new_text = old_text;
            for (int line = 0; line < 20; ++line) {
                std::string number = std::to_string(line);
                old_text += line % 3 == 0 ? "a needle in line " + number + "\n" : "plain text line\n";
                new_text += line % 3 == 0 ? "a thread in line " + number + "\n" : "plain text line\n";
            }
            paths_.push_back(Path("t/d" + std::to_string(i % 10) + "/file" + std::to_string(i) + ".txt"));
            old_texts_.push_back(old_text);
            new_texts_.push_back(new_text);
        }
    }

    // Every file back to its old content, leftovers and backups gone.
    void Reset()
    {
        fs::remove_all(Path("t"));
        fs::remove_all(Path("backup"));
        for (int i = 0; i < kFiles; ++i)
            Write(fs::relative(paths_[i], root_), old_texts_[i]);
    }

    // Starts the program with `arguments` and kills it after `delay` (when it is still running).
    void RunAndKill(const std::vector<std::string>& arguments, std::chrono::microseconds delay)
    {
        pid_t pid = Spawn(arguments, Path(".out"), Path(".err"));
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(delay);
        kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
    }

    // Checks the tree after a run; counts the changed files and the leftover temporary files.
    void Check(int run, int& changed, int& leftovers)
    {
        std::map<std::string, std::string> copies = BackedUp();
        changed = 0;
        for (int i = 0; i < kFiles; ++i) {
            std::string content = ReadAll(paths_[i]);
            if (content == old_texts_[i])
                continue;
            ASSERT_EQ(content, new_texts_[i]) << "run " << run << ": " << paths_[i];
            ++changed;
            ASSERT_TRUE(copies.contains(paths_[i])) << "run " << run << ": no backup of " << paths_[i];
            EXPECT_EQ(ReadAll(copies[paths_[i]]), old_texts_[i]) << "run " << run;
        }
        leftovers = 0;
        std::set<std::string> targets(paths_.begin(), paths_.end());
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(Path("t"))) {
            std::string path = entry.path();
            if (!entry.is_regular_file() || targets.contains(path))
                continue;
            // Only a temporary file beside a target, named after it, may stay behind.
            std::size_t tmp = path.rfind(".tmp");
            EXPECT_TRUE(tmp != std::string::npos && targets.contains(path.substr(0, tmp))) << path;
            ++leftovers;
        }
    }

    std::vector<std::string> paths_; // the files, each with its content before and after
    std::vector<std::string> old_texts_;
    std::vector<std::string> new_texts_;
};

TEST_F(CliCrashTest, KilledApplyLeavesOldOrNewContentWithBackups)
{
    // The writing starts about when a preview alone would end, and ends with the whole run: the
    // kills start between the two.
    Reset();
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Run({ "-q", "--preview", "-e", "needle", "-r", "thread", Path("t") }).status, 0);
    auto previewed = std::chrono::steady_clock::now();
    CliOutcome whole = Run(ApplyArgs("needle", "thread", true));
    auto ended = std::chrono::steady_clock::now();
    ASSERT_EQ(whole.status, 0) << whole.err;
    int changed = 0;
    int leftovers = 0;
    Check(0, changed, leftovers);
    ASSERT_EQ(changed, kFiles);
    ASSERT_EQ(leftovers, 0);

    using std::chrono::duration_cast;
    using std::chrono::microseconds;
    int64_t whole_span = duration_cast<microseconds>(ended - previewed).count();
    int64_t low = std::min(duration_cast<microseconds>(previewed - start).count(), whole_span);
    int64_t high = whole_span;
    std::mt19937 random(20240611);
    int cut_runs = 0;
    int total_leftovers = 0;
    int runs = 0;
    // At least kRuns kills; more (up to three times as many) while too few of them have landed
    // inside the writing, which a machine busy with other tests makes harder to hit.
    for (int run = 1; run <= 3 * kRuns && (run <= kRuns || cut_runs < kRuns / 5); ++run) {
        runs = run;
        Reset();
        int64_t moment = std::uniform_int_distribution<int64_t>(low, high)(random);
        RunAndKill(ApplyArgs("needle", "thread", true), microseconds(moment));
        Check(run, changed, leftovers);
        if (HasFatalFailure())
            return;
        cut_runs += changed > 0 && changed < kFiles ? 1 : 0;
        total_leftovers += leftovers;
        // A busy machine shifts the writing: a kill before it or after it narrows the window.
        if (changed == 0 && moment < high)
            low = moment;
        if (changed == kFiles && moment > low)
            high = moment;
    }
    RecordProperty("runs_cut_while_writing", cut_runs);
    RecordProperty("leftover_temporary_files", total_leftovers);
    std::printf("[ crash    ] %d of %d runs cut while writing; %d temporary files left in all; run %lld ms\n",
        cut_runs, runs, total_leftovers, static_cast<long long>(whole_span / 1000));
    // Kills that all miss the writing would prove nothing.
    EXPECT_GE(cut_runs, kRuns / 5);
}

// A restore killed at random moments: every file holds its old or its new content, and a
// later restore of the same set finishes the job.
TEST_F(CliCrashTest, KilledRestoreLeavesOldOrNewContent)
{
    auto apply = [&] {
        Reset();
        ASSERT_EQ(Run(ApplyArgs("needle", "thread", true)).status, 0);
        ASSERT_EQ(Sets().size(), 1u);
    };
    auto restore_args = [&] { return RestoreArgs(Sets()[0].filename().string()); };
    apply();
    auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Run(restore_args()).status, 0);
    int64_t whole_span
        = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started)
              .count();
    std::mt19937 random(20240612);
    int cut_runs = 0;
    for (int run = 1; run <= 3 * kRuns && (run <= kRuns / 2 || cut_runs < kRuns / 5); ++run) {
        apply();
        if (HasFatalFailure())
            return;
        RunAndKill(restore_args(),
            std::chrono::microseconds(std::uniform_int_distribution<int64_t>(0, whole_span)(random)));
        if (HasFatalFailure())
            return;
        int restored = 0;
        for (int i = 0; i < kFiles; ++i) {
            std::string content = ReadAll(paths_[i]);
            if (content == new_texts_[i])
                continue;
            ASSERT_EQ(content, old_texts_[i]) << "run " << run << ": " << paths_[i];
            ++restored;
        }
        cut_runs += restored > 0 && restored < kFiles ? 1 : 0;
        // The copies are still there, so the restore can be run again to its end.
        CliOutcome again = Run(restore_args());
        EXPECT_EQ(again.status, 0) << "run " << run << ": " << again.err;
        for (int i = 0; i < kFiles; ++i)
            ASSERT_EQ(ReadAll(paths_[i]), old_texts_[i]) << "run " << run << ": " << paths_[i];
    }
    std::printf("[ crash    ] %d restore runs cut while writing\n", cut_runs);
    EXPECT_GE(cut_runs, 1);
}

// SIGTERM or SIGINT, while the apply waits for the lock or while it writes: it finishes the file
// it is writing, stops, and exits with 128 + the signal. Every file is old or new, no temporary
// file is left, and every changed file is in the set.
TEST_F(CliCrashTest, AStopSignalEndsTheApplyBetweenFiles)
{
    for (int signal_number : { SIGTERM, SIGINT }) {
        SCOPED_TRACE(signal_number);
        const std::vector<std::string> apply = ApplyArgs("needle", "thread");
        int changed = 0;
        int leftovers = 0;
        {
            Reset();
            JobLayer::JobBackupLock other;
            HoldLock(other);
            Child run = Start(apply);
            ASSERT_TRUE(run.WaitUntil([&] { return ErrorsShow("Waiting for another apply to finish"); }));
            kill(run.pid, signal_number);
            EXPECT_EQ(run.Finish(), 128 + signal_number);
            Check(0, changed, leftovers);
            EXPECT_EQ(changed + leftovers, 0);
            EXPECT_TRUE(Sets().empty());
        }
        // A signal may come after the last file: then the run has simply ended. Tried until one
        // lands inside the writing.
        bool stopped_inside = false;
        for (int attempt = 1; attempt <= 10 && !stopped_inside; ++attempt) {
            Reset();
            Child run = Start(apply);
            // The first copy is in the set before the first file is replaced.
            bool writing = run.WaitUntil([&] {
                std::vector<fs::path> sets = Sets();
                return !sets.empty() && !fs::is_empty(sets[0]);
            });
            if (writing)
                kill(run.pid, signal_number);
            int status = run.Finish();
            Check(attempt, changed, leftovers);
            if (HasFatalFailure())
                return;
            EXPECT_EQ(leftovers, 0);
            stopped_inside = status == 128 + signal_number && changed < kFiles;
            if (stopped_inside) {
                EXPECT_TRUE(ErrorsShow("Apply stopped.")) << ReadAll(Path(".err"));
            } else {
                EXPECT_TRUE(status == 0 && changed == kFiles) << status << ", " << changed << " changed";
            }
        }
        EXPECT_TRUE(stopped_inside);
    }
}

} // namespace
