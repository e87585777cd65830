#include <core/RawPath.h>
#include <core/RawSafeWrite.h>
#include <engine/JobApply.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tests/engine/JobApplyFixture.h>
#include <unistd.h>

using namespace JobLayer;
using RawLayer::RawEncoding;

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

constexpr uint16_t kApl = JobBlockUnit::kApl, kAfl = JobBlockUnit::kAfl, kChk = JobBlockUnit::kChk;
using QuelvaneTest::ReadFile;
using QuelvaneTest::Utf8;

// The names in a folder, sorted; empty when it does not exist.
Texts Names(const std::string& folder)
{
    Texts names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::ranges::sort(names);
    return names;
}

uint64_t FileTime(const std::string& path)
{
    struct stat info { };
    EXPECT_EQ(stat(path.c_str(), &info), 0);
    return RawLayer::RawPath::TicksFromTimespec(info.st_mtim);
}

// The fixture's files and store, with the apply run on the test's thread.
class JobApplyTest : public QuelvaneTest::JobApplyFixture {
protected:
    bool Apply(int32_t line_limit = kSearchLimit, JobBackupList* store = nullptr)
    {
        JobApply apply(params_, results_, store ? *store : store_, centre_, *this, line_limit);
        bool ok = apply.Run();
        set_ = apply.LastSet();
        return ok;
    }

    JobBlockUnit& Block(int32_t index) { return *results_.blocks.At(index); }
    std::vector<JobStatusUnit> Errors() const
    {
        std::vector<JobStatusUnit> errors = centre_.Entries();
        std::erase_if(errors, [](const JobStatusUnit& entry) { return entry.kind != JobStatusUnit::kError; });
        return errors;
    }
    std::string LastEntry() const { return centre_.Entries().back().display.Str(); }
    // The copies in the run's set folder, "Backup.ini" left out.
    Texts Copies() const
    {
        Texts names = Names(set_->Folder().Str());
        std::erase(names, "Backup.ini");
        return names;
    }
    // The run's one error says `message`, and every block failed with it.
    void ExpectFailed(const std::string& message)
    {
        std::vector<JobStatusUnit> errors = Errors();
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].display.Str(), message);
        for (const JobBlockUnit& block : results_.blocks) {
            EXPECT_EQ(block.Flags() & (kApl | kAfl | kChk), kApl | kAfl);
            EXPECT_EQ(block.status_id, errors[0].id);
        }
        EXPECT_EQ(LastEntry(), "Apply finished. (Failed)");
    }

    JobBackupUnit* set_ = nullptr;
};

// --- Blocks and files that are applied ------------------------------------------------------------

// Only checked, previewed, not overlapping blocks are written, all in one rewrite of the file
// with one copy; the user's own file of the temporary file's name is left alone.
TEST_F(JobApplyTest, WritesTheReadyBlocksOfAFileOnceWithOneCopy)
{
    const std::string original = "hit 1\nnone\nhit 2\nhit 3\nhit 4\nhit 5\n";
    std::string path = Write("a.txt", original);
    Write("a.txt.tmp", "the user's own\n");
    Search(path, "hit", "HIT");
    ASSERT_EQ(results_.blocks.Count(), 5);
    Block(0).ClearFlags(JobBlockUnit::kRep);
    Block(1).SetFlags(JobBlockUnit::kOvw);
    Block(3).ClearFlags(kChk);
    // Texts added after the search reach only the set's comment, which leaves out empty ones.
    params_.expressions.Add(Utf8(""));
    params_.expressions.Add(Utf8("b%Nc"));
    params_.replacements.Add(Utf8(""));
    ASSERT_TRUE(Apply());
    EXPECT_EQ(ReadFile(path), "hit 1\nnone\nhit 2\nHIT 3\nhit 4\nHIT 5\n");
    EXPECT_EQ(ReadFile(path + ".tmp"), "the user's own\n");
    EXPECT_EQ(Names(files_), (Texts { "a.txt", "a.txt.tmp" }));
    ASSERT_EQ(Copies(), Texts { "a.txt" });
    EXPECT_EQ(ReadFile(set_->Folder().Str() + "/a.txt"), original);
    for (int i : { 0, 1, 3 })
        EXPECT_EQ(Block(i).Flags() & (kApl | kChk), i == 3 ? 0 : kChk) << i;
    for (int i : { 2, 4 })
        EXPECT_EQ(Block(i).Flags() & ~JobBlockUnit::kUpd, JobBlockUnit::kRep | kApl) << i;
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(LastEntry(), "Apply finished.");

    // The record on disk names the file and the time the apply left it with, and its comment
    // gives the run's time as the set folder's name does.
    JobBackupItemList record;
    record.SetFolder(set_->Folder());
    ASSERT_TRUE(record.Load());
    ASSERT_EQ(record.Count(), 1);
    EXPECT_EQ(record.Front().Source().Str(), path);
    EXPECT_EQ(record.Front().Time(), FileTime(path));
    EXPECT_EQ(record.Comment().GetText("Search", "").Str(), "hit;b%Nc");
    EXPECT_EQ(record.Comment().GetText("Replace", "").Str(), "HIT");
    std::string n = fs::path(set_->Folder().Str()).filename();
    EXPECT_EQ(record.Comment().GetText("Time", "").Str(),
        n.substr(0, 4) + "/" + n.substr(4, 2) + "/" + n.substr(6, 2) + " " + n.substr(9, 2) + ":"
            + n.substr(11, 2) + ":" + n.substr(13, 2));
}

// Unchanged lines keep their own line ends byte for byte, a replaced line ends as it did, and
// "%N" becomes the line break of the file's first line. Without a backup folder the files are
// rewritten all the same, and the set only remembers them.
TEST_F(JobApplyTest, KeepsEveryLineEndWithoutABackupFolder)
{
    const std::pair<std::string, std::string> cases[] = {
        { "a\nhit\nb\n", "a\n1\n2\nb\n" },
        { "a\r\nhit\r\nb\r\n", "a\r\n1\r\n2\r\nb\r\n" },
        { "a\rhit\rb\r", "a\r1\r2\rb\r" },
        { "a\r\nhit\nb\r\rc", "a\r\n1\r\n2\nb\r\rc" },
        { "z\nx hit y\r\n", "z\nx 1\n2 y\r\n" },
        { "a\nlast hit", "a\nlast 1\n2" },
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        Write(std::to_string(i), cases[i].first);
    Search(files_, "hit", "1%N2");
    JobBackupList off;
    ASSERT_TRUE(Apply(kSearchLimit, &off));
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(ReadFile(files_ + "/" + std::to_string(i)), cases[i].second) << i;
    EXPECT_FALSE(set_->IsEnabled());
    EXPECT_FALSE(fs::exists(root_ + "/backup"));
    ASSERT_EQ(set_->Items().Count(), std::ssize(cases));
    EXPECT_EQ(set_->Items().Front().Time(), FileTime(set_->Items().Front().Source().Str()));
}

// A file of every encoding the reader detects, rewritten with one replacement, differs from the
// original only in the replaced word. File, word, replacement, encoding found.
using CorpusCase = std::tuple<std::string, std::string, std::string, RawEncoding>;
class JobApplyCorpusTest : public JobApplyTest, public testing::WithParamInterface<CorpusCase> { };

TEST_P(JobApplyCorpusTest, ChangesNoOtherByte)
{
    const auto& [file, word, replacement, encoding] = GetParam();
    std::string name = fs::path(file).filename().string();
    std::string original = ReadFile(std::string(QUELVANE_CORPUS_DIR) + "/" + file);
    std::string path = Write(name, original);
    Search(path, word, replacement);
    ASSERT_GT(results_.blocks.Count(), 0);
    EXPECT_EQ(Block(0).file_encoding, encoding);
    ASSERT_TRUE(Apply()) << LastEntry();

    std::string from = *RawLayer::RawConvertBytes(word, RawEncoding::Utf8, encoding);
    std::string to = *RawLayer::RawConvertBytes(replacement, RawEncoding::Utf8, encoding);
    std::string expected = original;
    for (size_t at = expected.find(from); at != std::string::npos; at = expected.find(from, at + to.size()))
        expected.replace(at, from.size(), to);
    EXPECT_TRUE(ReadFile(path) == expected);
    EXPECT_TRUE(ReadFile(set_->Folder().Str() + "/" + name) == original);
}

INSTANTIATE_TEST_SUITE_P(Corpus, JobApplyCorpusTest,
    testing::Values(CorpusCase { "redsalamander/utf8-no-bom.txt", "File:", "Name:", RawEncoding::Utf8 },
        CorpusCase { "redsalamander/utf8-bom.txt", "File:", "Name:", RawEncoding::Utf8 },
        CorpusCase { "redsalamander/utf16le-bom.txt", "File:", "Name:", RawEncoding::Utf16Le },
        CorpusCase { "redsalamander/utf16be-bom.txt", "File:", "Name:", RawEncoding::Utf16Be },
        CorpusCase { "redsalamander/utf16le-no-bom.txt", "File:", "Name:", RawEncoding::Utf16Le },
        CorpusCase { "redsalamander/cp932-shift-jis.txt", "File:", "Name:", RawEncoding::Sjis },
        CorpusCase { "aozora/kojiki.sjis.txt", "aozora", "AOZORA", RawEncoding::Sjis },
        CorpusCase { "derived/kojiki.sjis-cr.txt", "aozora", "AOZORA", RawEncoding::Sjis },
        CorpusCase { "derived/kojiki.utf16be-bom-crlf.txt", "aozora", "AOZORA", RawEncoding::Utf16Be },
        CorpusCase { "aozora/kojiki.utf8.txt", "aozora", "AOZORA", RawEncoding::Utf8 },
        CorpusCase { "uchardet/en/ascii.txt", "ASCII", "Ascii", RawEncoding::Utf8 },
        CorpusCase { "inquisitor/ascii_ascii-cr.txt", "Library", "LIBRARY", RawEncoding::Utf8 }));

// A file without the user's write bit is read-only for every user: root, who may write any file,
// is refused it too, and the entry names the file and why (no temporary file was ever made).
TEST_F(JobApplyTest, KeepsPermissionBitsAndLeavesReadOnlyFilesAlone)
{
    const mode_t modes[] = { 0640, 0755, 0444 };
    for (mode_t mode : modes)
        ASSERT_EQ(chmod(Write("m" + std::to_string(mode), "a hit\n").c_str(), mode), 0);
    Search(files_, "hit", "HIT");
    EXPECT_FALSE(Apply());
    for (mode_t mode : modes) {
        std::string path = files_ + "/m" + std::to_string(mode);
        EXPECT_EQ(fs::status(path).permissions(), fs::perms(mode)) << mode;
        EXPECT_EQ(ReadFile(path), mode == 0444 ? "a hit\n" : "a HIT\n") << mode;
    }
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_EQ(Errors()[0].display.Str(), "Open error for write (" + files_ + "/m292: read-only file)");
    EXPECT_EQ(Copies(), (Texts { "m416", "m493" }));
}

TEST_F(JobApplyTest, WritesThroughASymbolicLink)
{
    fs::create_directory(root_ + "/real");
    std::ofstream(root_ + "/real/target.txt") << "a hit\n";
    std::string link = files_ + "/link.txt";
    ASSERT_EQ(symlink("../real/target.txt", link.c_str()), 0);
    Search(files_, "hit", "HIT");
    ASSERT_TRUE(Apply());
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), "../real/target.txt");
    EXPECT_EQ(ReadFile(root_ + "/real/target.txt"), "a HIT\n");
    EXPECT_EQ(Names(root_ + "/real"), Texts { "target.txt" });
    EXPECT_EQ(ReadFile(set_->Folder().Str() + "/link.txt"), "a hit\n");
}

// A link and its target in one tree are one file: it is rewritten once, with one copy, and the
// second name is reported as done already, not as a failure.
TEST_F(JobApplyTest, ALinkAndItsTargetAreRewrittenOnce)
{
    std::string target = Write("target.txt", "a hit\n");
    ASSERT_EQ(symlink("target.txt", (files_ + "/link.txt").c_str()), 0);
    Search(files_, "hit", "HIT");
    ASSERT_TRUE(Apply());
    EXPECT_EQ(ReadFile(target), "a HIT\n");
    EXPECT_TRUE(Errors().empty());
    EXPECT_EQ(Copies().size(), 1u);
    std::vector<JobStatusUnit> entries = centre_.Entries();
    EXPECT_EQ(
        std::ranges::count_if(entries,
            [](const JobStatusUnit& entry) { return entry.display.Str().starts_with("Already applied ("); }),
        1);
}

// Names of 252 to 255 bytes leave no room for ".tmp": a short temporary name is used instead.
TEST_F(JobApplyTest, AppliesFilesWithTheLongestNames)
{
    std::string a = Write(std::string(252, 'a'), "a hit\n");
    std::string b = Write(std::string(255, 'b'), "b hit\n");
    Search(files_, "hit", "HIT");
    ASSERT_TRUE(Apply());
    EXPECT_EQ(ReadFile(a), "a HIT\n");
    EXPECT_EQ(ReadFile(b), "b HIT\n");
    EXPECT_EQ(Names(files_).size(), 2u);
}

// --- Files that fail ------------------------------------------------------------------------------

// How a file changes after the search: new content and time, removal, a folder in its place, or
// new content with the old time, which only the reading of the file can notice.
enum class Change { Newer, Removed, Folder, SameTime };

void ChangeFile(const std::string& path, Change change, const std::string& content)
{
    fs::file_time_type time = fs::last_write_time(path);
    fs::remove(path);
    if (change == Change::Folder)
        fs::create_directory(path);
    if (change == Change::Removed || change == Change::Folder)
        return;
    std::ofstream(path, std::ios::binary) << content;
    fs::last_write_time(path, change == Change::Newer ? time + std::chrono::seconds(1) : time);
}

// A file that is no longer the one the search read is never touched, and all its blocks fail.
// Change, new content, message ("%" stands for the path), whether the copy was made first.
using ChangeCase = std::tuple<Change, std::string, std::string, bool>;
class JobApplyChangeTest : public JobApplyTest, public testing::WithParamInterface<ChangeCase> { };

TEST_P(JobApplyChangeTest, NeverTouchesAFileChangedAfterTheSearch)
{
    const auto& [change, content, message, backed_up] = GetParam();
    std::string path = Write("a.txt", "keep\none hit\nkeep\ntwo hit\nend\n");
    Search(files_, "hit", "HIT");
    ASSERT_EQ(results_.blocks.Count(), 2);
    ChangeFile(path, change, content);
    EXPECT_FALSE(Apply(100));
    std::string expected = message;
    ExpectFailed(expected.replace(expected.find('%'), 1, path));
    if (fs::is_regular_file(path)) {
        EXPECT_TRUE(ReadFile(path) == content);
    }
    EXPECT_EQ(Copies().size(), backed_up ? 1u : 0u);
    EXPECT_EQ(Names(files_), change == Change::Removed ? Texts {} : Texts { "a.txt" });
}

INSTANTIATE_TEST_SUITE_P(Changes, JobApplyChangeTest,
    testing::Values(ChangeCase { Change::Newer, "keep\n", "Modified file (%)", false },
        ChangeCase { Change::Removed, "", "Missing file (%)", false },
        ChangeCase { Change::Folder, "", "Missing file (%)", false },
        ChangeCase { Change::SameTime, "keep\none hit\nkeep\n", "Logic error on file (%)", true },
        ChangeCase { Change::SameTime, "keep\none hit\nkeep\ntwo hit", "Logic error on file (%)", true },
        ChangeCase {
            Change::SameTime, "keep\none hat\nkeep\ntwo hit\nend\n", "Logic error on file (%)", true },
        ChangeCase { Change::SameTime, "keep\none hit\nkeep\ntwo hit\n" + std::string(200, 'x'),
            "Line overflow [line=5] (%)", true },
        ChangeCase { Change::SameTime, std::string("\xFF\xFEk\0\n\0", 6), "Modified file (%)", false }));

// The 2nd of 3 files fails: it is read-only, which holds for root too. It gets no copy, since the
// copy is made last, and the files around it are replaced.
TEST_F(JobApplyTest, AFailedFileLeavesTheOthersReplaced)
{
    std::string a = Write("a.txt", "a hit\n"), b = Write("b.txt", "b hit\n");
    std::string c = Write("c.txt", "c hit\n");
    ASSERT_EQ(chmod(b.c_str(), 0444), 0);
    params_.targets.Add(Utf8(a));
    params_.targets.Add(Utf8(b));
    Search(c, "hit", "HIT");
    EXPECT_FALSE(Apply());
    EXPECT_EQ(ReadFile(a) + ReadFile(b) + ReadFile(c), "a HIT\nb hit\nc HIT\n");
    EXPECT_EQ(Names(files_).size(), 3u);
    EXPECT_EQ(codes_.back(), kApplyFinished);
    EXPECT_EQ(std::ranges::count(codes_, kApplyStarted), 1);
    std::vector<JobStatusUnit> errors = Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].display.Str(), "Open error for write (" + b + ": read-only file)");
    ASSERT_EQ(results_.blocks.Count(), 3);
    for (int i : { 0, 1, 2 }) {
        EXPECT_EQ(Block(i).HasFlag(kAfl), i == 1) << i;
        EXPECT_EQ(Block(i).status_id, i == 1 ? errors[0].id : 0u) << i;
    }
    set_ = store_.Sets().back();
    EXPECT_EQ(Copies(), (Texts { "a.txt", "c.txt" }));
}

// A block applied by an earlier run is in the file: a later failure of the same file must not
// mark it failed.
TEST_F(JobApplyTest, KeepsTheStateOfBlocksAppliedByAnEarlierRun)
{
    Write("a.txt", "a hit\nb hit\n");
    Search(files_, "hit", "HIT");
    Block(1).ClearFlags(kChk);
    ASSERT_TRUE(Apply());
    Block(1).SetFlags(kChk);
    EXPECT_FALSE(Apply()); // the first run changed the file's time
    EXPECT_EQ(Block(0).Flags() & (kApl | kAfl), kApl);
    EXPECT_TRUE(Block(1).HasFlag(kAfl));
}

// Nothing is ever written in place of a character the file's encoding cannot hold, and a block
// whose text would not come back as the bytes it was read from is not rewritten either.
// Content, word, replacement, the block's encoding (NoSet: as found), the line reported.
using EncodeCase = std::tuple<std::string, std::string, std::string, RawEncoding, int>;
class JobApplyEncodeTest : public JobApplyTest, public testing::WithParamInterface<EncodeCase> { };

TEST_P(JobApplyEncodeTest, FailsAFileThatCannotHoldTheReplacement)
{
    const auto& [content, word, replacement, encoding, line] = GetParam();
    std::string path = Write("a.txt", content);
    Search(files_, word, replacement);
    ASSERT_EQ(results_.blocks.Count(), 1);
    if (encoding != RawEncoding::NoSet)
        Block(0).file_encoding = encoding;
    EXPECT_FALSE(Apply());
    ExpectFailed("Code conversion error [line=" + std::to_string(line) + "] (" + path + ")");
    EXPECT_TRUE(ReadFile(path) == content);
    EXPECT_EQ(Names(files_), Texts { "a.txt" });
}

INSTANTIATE_TEST_SUITE_P(Encodings, JobApplyEncodeTest,
    testing::Values(
        EncodeCase { ReadFile(std::string(QUELVANE_CORPUS_DIR) + "/redsalamander/cp932-shift-jis.txt"),
            "File:", "\xF0\x9F\x98\x80", RawEncoding::NoSet, 2 },
        EncodeCase { "plain\nascii hit\n", "hit", "\xE6\xBC\xA2\xE5\xAD\x97", RawEncoding::Mac, 2 },
        // 0xEE 0xF9 reads as U+FFE2, which code page 932 writes as 0x81 0xCA.
        EncodeCase { "hit \xEE\xF9\r\n", "hit", "HIT", RawEncoding::NoSet, 1 }));

TEST_F(JobApplyTest, FailsAFileWhoseBackupCannotBeMade)
{
    std::string path = Write("a.txt", "a hit\n");
    Search(files_, "hit", "HIT");
    std::ofstream(root_ + "/backup") << "a file where the store's folder should be";
    EXPECT_FALSE(Apply());
    ExpectFailed("Backup folder error (" + root_ + "/backup: not a folder)");
    EXPECT_EQ(ReadFile(path), "a hit\n");
    EXPECT_EQ(Names(files_), Texts { "a.txt" });
}

// A full disk, made by a file size limit in a child process (one per case, each from the same
// search): with backups the copy meets the limit first, without them the temporary file does.
// Either way the entry names the user's file and the system's reason, the file stays as it was,
// no temporary file is left, and a run that backed up nothing leaves no set folder.
TEST_F(JobApplyTest, AFullDiskFailsTheFileWithTheSystemsReason)
{
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP()
        << "a forked child of a threaded process trips ThreadSanitizer's exit checks; the dev build runs it";
#endif
    std::string content = "a hit\n" + std::string(20000, 'x') + "\n";
    std::string path = Write("big.txt", content);
    Search(files_, "hit", "HIT");
    for (bool backups : { true, false }) {
        SCOPED_TRACE(backups ? "with backups" : "without backups");
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            rlimit limit { 4096, 4096 };
            signal(SIGXFSZ, SIG_IGN);
            JobBackupList no_backups;
            bool failed = setrlimit(RLIMIT_FSIZE, &limit) == 0
                && !Apply(kSearchLimit, backups ? nullptr : &no_backups);
            std::vector<JobStatusUnit> errors = Errors();
            std::string expected
                = (backups ? "Backup error (" : "Write error (") + path + ": File too large)";
            _exit(failed && errors.size() == 1 && errors[0].display.Str() == expected ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_TRUE(ReadFile(path) == content);
        EXPECT_EQ(Names(files_), Texts { "big.txt" });
        EXPECT_EQ(Names(root_ + "/backup"), Texts { JobBackupLock::kFileName });
    }
}

// A name that cannot be one line of the record is refused before anything is copied: no copy of
// it stays in the set, the other file is backed up and recorded, and the record, which was
// written, raises no error of its own.
TEST_F(JobApplyTest, ANameThatWouldBreakTheRecordIsRefusedBeforeItsCopy)
{
    std::string good = Write("good.txt", "a hit\n");
    std::string lf = Write("l\nf.txt", "a hit\n");
    std::string cr = Write("c\rr.txt", "a hit\n");
    Search(files_, "hit", "HIT");
    EXPECT_FALSE(Apply());
    EXPECT_EQ(ReadFile(good), "a HIT\n");
    EXPECT_EQ(ReadFile(lf) + ReadFile(cr), "a hit\na hit\n");
    EXPECT_EQ(Copies(), Texts { "good.txt" });
    Texts errors;
    for (const JobStatusUnit& entry : Errors())
        errors.push_back(entry.display.Str());
    std::ranges::sort(errors);
    EXPECT_EQ(errors,
        (Texts { "Backup error (" + cr + ": the name cannot be recorded)",
            "Backup error (" + lf + ": the name cannot be recorded)" }));
    JobBackupItemList record;
    record.SetFolder(set_->Folder());
    ASSERT_TRUE(record.Load());
    ASSERT_EQ(record.Count(), 1);
    EXPECT_EQ(record.Front().Source().Str(), good);
}

// --- Temporary files left by a run that was cut off -----------------------------------------------

// A temporary file of this program's name beside the file, of mode 0600, this user's, with one
// name only and older than the file, is what a run cut off left: a later apply removes it and
// says so, but only while it holds the store's lock. Anything failing one condition may be the
// user's and stays.
struct StaleCase {
    const char* what;
    std::size_t name_length; // of the file's name; 0 for "a.txt"
    mode_t mode;
    int age; // seconds the temporary file is older than the file (negative: newer)
    enum Extra { None, HardLink, Symlink, NoLock } extra;
    bool removed;
};
class JobApplyStaleTest : public JobApplyTest, public testing::WithParamInterface<StaleCase> { };

TEST_P(JobApplyStaleTest, RemovesOnlyStaleTemporaryFilesOfThisProgram)
{
    const StaleCase& c = GetParam();
    std::string path = Write(c.name_length == 0 ? "a.txt" : std::string(c.name_length, 'n'), "a hit\n");
    std::string temp = RawLayer::RawSafeWrite::TempNameFor(path);
    std::string made = c.extra == StaleCase::Symlink ? root_ + "/elsewhere" : temp;
    std::ofstream(made, std::ios::binary) << "a partial wri";
    ASSERT_EQ(chmod(made.c_str(), c.mode), 0);
    struct stat info { };
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    const timespec times[2] = { info.st_mtim, { info.st_mtim.tv_sec - c.age, 0 } };
    ASSERT_EQ(utimensat(AT_FDCWD, made.c_str(), times, 0), 0);
    if (c.extra == StaleCase::Symlink) {
        ASSERT_EQ(symlink(made.c_str(), temp.c_str()), 0);
    }
    if (c.extra == StaleCase::HardLink) {
        ASSERT_EQ(link(temp.c_str(), (root_ + "/second").c_str()), 0);
    }
    Search(files_, "hit", "HIT");
    JobBackupList no_backups;
    ASSERT_TRUE(Apply(kSearchLimit, c.extra == StaleCase::NoLock ? &no_backups : nullptr)) << LastEntry();
    EXPECT_EQ(ReadFile(path), "a HIT\n");
    EXPECT_EQ(fs::exists(fs::symlink_status(temp)), !c.removed);
    std::vector<JobStatusUnit> entries = centre_.Entries();
    EXPECT_EQ(std::ranges::count_if(entries,
                  [&](const JobStatusUnit& entry) {
                      return entry.display.Str() == "Stale temporary file removed (" + temp + ")";
                  }),
        c.removed ? 1 : 0);
    EXPECT_EQ(Names(files_).size(), c.removed ? 1u : 2u);
}

INSTANTIATE_TEST_SUITE_P(Leftovers, JobApplyStaleTest,
    testing::Values(StaleCase { "stale", 0, 0600, 60, StaleCase::None, true },
        StaleCase { "stale beside a long name", 254, 0600, 60, StaleCase::None, true },
        StaleCase { "another mode", 0, 0644, 60, StaleCase::None, false },
        StaleCase { "newer than the file", 0, 0600, -60, StaleCase::None, false },
        StaleCase { "a second name", 0, 0600, 60, StaleCase::HardLink, false },
        StaleCase { "a link", 0, 0600, 60, StaleCase::Symlink, false },
        StaleCase { "no lock held", 0, 0600, 60, StaleCase::NoLock, false }));

} // namespace
