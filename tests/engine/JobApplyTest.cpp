#include <app/GuiApplyJob.h>
#include <core/RawPath.h>
#include <engine/JobApply.h>
#include <engine/JobReplacer.h>
#include <engine/JobSearch.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace JobLayer;
using RawLayer::RawEncoding;
using RawLayer::RawPath;

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;
using Codes = std::vector<uint32_t>;

constexpr int32_t kSearchLimit = 1 << 20;

RawString U8(const std::string& text)
{
    return RawString(text, RawEncoding::Utf8);
}

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

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
    return RawPath::TicksFromTimespec(info.st_mtim);
}

// Changes a file behind the search's back, keeping its last-write time.
void WriteKeepingTime(const std::string& path, const std::string& content)
{
    struct stat info { };
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    timespec times[2] = { info.st_atim, info.st_mtim };
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Each test works in a fresh temp folder: the files under "files", the backup store under
// "backup". The fixture is the sink of the jobs and the handler of the replace preview.
class JobApplyTest : public testing::Test, public JobNotificationSink, public JobReplacer::Handler {
protected:
    void SetUp() override
    {
        root_ = (fs::temp_directory_path() / "quelvane-apply-XXXXXX").string();
        ASSERT_NE(mkdtemp(root_.data()), nullptr);
        files_ = root_ + "/files";
        fs::create_directory(files_);
        centre_.SetSink(this);
        centre_.SetAccepting(true);
        ASSERT_TRUE(store_.StartLoader(U8(BackupFolder()), 30));
        store_.WaitReady();
    }
    void TearDown() override
    {
        store_.StopLoader();
        chmod(files_.c_str(), 0700);
        fs::remove_all(root_);
    }
    virtual std::string BackupFolder() const { return root_ + "/backup"; }

    void Post(uint32_t code) override
    {
        std::lock_guard guard(lock_);
        codes_.push_back(code);
    }
    bool IsCancelled() override { return false; }

    std::string Write(const std::string& name, const std::string& content)
    {
        std::string path = files_ + "/" + name;
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // The real search and the real preview over `target`.
    void Search(const std::string& target, const std::string& expression, const std::string& replacement)
    {
        {
            std::lock_guard guard(params_.lock);
            params_.targets.Add(U8(target));
            params_.filters.Add("*");
            params_.expressions.Add(U8(expression));
            params_.replacements.Add(U8(replacement));
            params_.preview = true;
            params_.checker = 1;
        }
        JobSearch(params_, results_, centre_, *this, kSearchLimit).Run([] { return false; });
        JobReplacer(*this, params_).Pass(results_);
    }
    bool Apply(int32_t line_limit = kSearchLimit)
    {
        JobApply apply(params_, results_, store_, centre_, *this, line_limit);
        bool ok = apply.Run();
        set_ = apply.LastSet();
        return ok;
    }

    std::vector<JobBlockUnit*> Blocks()
    {
        std::lock_guard guard(results_.lock);
        std::lock_guard list_guard(results_.blocks.lock);
        std::vector<JobBlockUnit*> blocks;
        for (JobBlockUnit& block : results_.blocks)
            blocks.push_back(&block);
        return blocks;
    }
    std::vector<JobStatusUnit> Errors() const
    {
        std::vector<JobStatusUnit> errors;
        for (const JobStatusUnit& entry : centre_.Entries())
            if (entry.kind == JobStatusUnit::kError)
                errors.push_back(entry);
        return errors;
    }
    // The display text of the run's one error entry; "" unless there is exactly one.
    std::string OnlyError() const
    {
        std::vector<JobStatusUnit> errors = Errors();
        return errors.size() == 1 ? errors[0].display.Str() : "";
    }
    std::string LastEntry() const { return centre_.Entries().back().display.Str(); }
    // The copies in the run's set folder, "Backup.ini" left out.
    Texts Copies() const
    {
        Texts names = Names(set_->Folder().Str());
        std::erase(names, "Backup.ini");
        return names;
    }
    // Every block failed with the one error entry of the run.
    void ExpectAllFailed()
    {
        std::vector<JobStatusUnit> errors = Errors();
        ASSERT_EQ(errors.size(), 1u);
        for (JobBlockUnit* block : Blocks()) {
            EXPECT_EQ(block->Flags() & (JobBlockUnit::kApl | JobBlockUnit::kAfl | JobBlockUnit::kChk),
                JobBlockUnit::kApl | JobBlockUnit::kAfl);
            EXPECT_EQ(block->status_id, errors[0].id);
        }
        EXPECT_EQ(LastEntry(), "Apply finished. (Failed)");
    }

    std::string root_;
    std::string files_;
    JobParams params_;
    JobResultSet results_;
    JobStatusCentre centre_;
    JobBackupList store_;
    JobBackupUnit* set_ = nullptr;
    std::mutex lock_;
    Codes codes_;
};

class JobApplyNoBackupTest : public JobApplyTest {
protected:
    std::string BackupFolder() const override { return ""; }
};

// --- Blocks and files that are applied ------------------------------------------------------------

TEST_F(JobApplyTest, TwoBlocksOfOneFileMakeOneCopyAndOneReplacement)
{
    std::string path = Write("a.txt", "one hit\nnone\ntwo hit\n");
    Search(files_, "hit", "HIT");
    ASSERT_TRUE(Apply());
    EXPECT_EQ(Read(path), "one HIT\nnone\ntwo HIT\n");
    EXPECT_EQ(Names(files_), Texts { "a.txt" });
    ASSERT_EQ(Copies(), Texts { "a.txt" });
    EXPECT_EQ(Read(set_->Folder().Str() + "/a.txt"), "one hit\nnone\ntwo hit\n");
    for (JobBlockUnit* block : Blocks())
        EXPECT_EQ(block->Flags() & ~JobBlockUnit::kUpd, JobBlockUnit::kRep | JobBlockUnit::kApl);
    EXPECT_EQ(Errors().size(), 0u);
    EXPECT_EQ(LastEntry(), "Apply finished.");

    // The record on disk names the file and the time the apply left it with.
    JobBackupItemList record;
    record.SetFolder(set_->Folder());
    ASSERT_TRUE(record.Load());
    ASSERT_EQ(record.Count(), 1);
    EXPECT_EQ(record.Front().Source().Str(), path);
    EXPECT_EQ(record.Front().Time(), FileTime(path));
    EXPECT_EQ(record.Comment().GetText("Search", "").Str(), "hit");
    EXPECT_EQ(record.Comment().GetText("Replace", "").Str(), "HIT");
}

TEST_F(JobApplyTest, SkipsBlocksThatAreNotReadyAndKeepsTheirCheck)
{
    std::string path = Write("a.txt", "hit 1\nhit 2\nhit 3\nhit 4\n");
    Search(files_, "hit", "HIT");
    std::vector<JobBlockUnit*> blocks = Blocks();
    ASSERT_EQ(blocks.size(), 4u);
    blocks[0]->ClearFlags(JobBlockUnit::kRep);
    blocks[1]->SetFlags(JobBlockUnit::kOvw);
    blocks[3]->ClearFlags(JobBlockUnit::kChk);
    ASSERT_TRUE(Apply());
    EXPECT_EQ(Read(path), "hit 1\nhit 2\nHIT 3\nhit 4\n");
    EXPECT_TRUE(blocks[0]->HasFlag(JobBlockUnit::kChk));
    EXPECT_TRUE(blocks[1]->HasFlag(JobBlockUnit::kChk));
    for (int i : { 0, 1, 3 })
        EXPECT_FALSE(blocks[i]->HasFlag(JobBlockUnit::kApl)) << i;
    EXPECT_EQ(blocks[2]->Flags() & (JobBlockUnit::kApl | JobBlockUnit::kChk), JobBlockUnit::kApl);
}

// Unchanged lines keep their own line ends byte for byte, the replaced ones end as they did, and
// "%N" in a replacement becomes the file's own line break.
struct LineEndCase {
    std::string before, replacement, after;
};
void PrintTo(const LineEndCase& c, std::ostream* out)
{
    *out << testing::PrintToString(c.before);
}
class JobApplyLineEndTest : public JobApplyTest, public testing::WithParamInterface<LineEndCase> { };

TEST_P(JobApplyLineEndTest, KeepsEveryLineEnd)
{
    std::string path = Write("a.txt", GetParam().before);
    Search(path, "hit", GetParam().replacement);
    ASSERT_TRUE(Apply());
    EXPECT_EQ(Read(path), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Ends, JobApplyLineEndTest,
    testing::Values(LineEndCase { "a\nhit\nb\n", "HIT", "a\nHIT\nb\n" },
        LineEndCase { "a\r\nhit\r\nb\r\n", "HIT", "a\r\nHIT\r\nb\r\n" },
        LineEndCase { "a\rhit\rb\r", "HIT", "a\rHIT\rb\r" },
        LineEndCase { "a\r\nhit\nb\r\rc", "HIT", "a\r\nHIT\nb\r\rc" },
        LineEndCase { "a\nlast hit", "HIT", "a\nlast HIT" },
        LineEndCase { "x hit y\r\nz\n", "1%N2", "x 1\r\n2 y\r\nz\n" },
        LineEndCase { "z\nx hit y\r\n", "1%N2", "z\nx 1\n2 y\r\n" },
        LineEndCase { "x hit y\rz\r", "1%N2", "x 1\r2 y\rz\r" }));

// A file of every encoding the reader detects, rewritten with one replacement, differs from the
// original only in the replaced word.
struct CorpusCase {
    std::string file, word, replacement;
    RawEncoding encoding;
    bool mark;
};
void PrintTo(const CorpusCase& c, std::ostream* out)
{
    *out << c.file;
}
class JobApplyCorpusTest : public JobApplyTest, public testing::WithParamInterface<CorpusCase> { };

// An ASCII text in a byte encoding or in UTF-16.
std::string EncodeAscii(const std::string& ascii, RawEncoding encoding)
{
    std::string bytes;
    for (char c : ascii) {
        if (encoding == RawEncoding::Utf16Be)
            bytes += '\0';
        bytes += c;
        if (encoding == RawEncoding::Utf16Le)
            bytes += '\0';
    }
    return bytes;
}

TEST_P(JobApplyCorpusTest, ChangesNoOtherByte)
{
    const CorpusCase& c = GetParam();
    std::string name = fs::path(c.file).filename().string();
    std::string original = Read(std::string(QUELVANE_CORPUS_DIR) + "/" + c.file);
    ASSERT_FALSE(original.empty());
    std::string path = Write(name, original);
    Search(path, c.word, c.replacement);
    std::vector<JobBlockUnit*> blocks = Blocks();
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(blocks[0]->file_encoding, c.encoding);
    EXPECT_EQ(blocks[0]->byte_order_mark != 0, c.mark);
    ASSERT_TRUE(Apply()) << LastEntry();

    std::string expected = original;
    std::string from = EncodeAscii(c.word, c.encoding), to = EncodeAscii(c.replacement, c.encoding);
    size_t replaced = 0;
    for (size_t at = expected.find(from); at != std::string::npos; at = expected.find(from, at + to.size())) {
        expected.replace(at, from.size(), to);
        ++replaced;
    }
    EXPECT_EQ(replaced, blocks.size());
    EXPECT_TRUE(Read(path) == expected);
    EXPECT_TRUE(Read(set_->Folder().Str() + "/" + name) == original);
}

INSTANTIATE_TEST_SUITE_P(Corpus, JobApplyCorpusTest,
    testing::Values(
        CorpusCase { "redsalamander/utf8-no-bom.txt", "File:", "Name:", RawEncoding::Utf8, false },
        CorpusCase { "redsalamander/utf8-bom.txt", "File:", "Name:", RawEncoding::Utf8, true },
        CorpusCase { "redsalamander/utf16le-bom.txt", "File:", "Name:", RawEncoding::Utf16Le, true },
        CorpusCase { "redsalamander/utf16be-bom.txt", "File:", "Name:", RawEncoding::Utf16Be, true },
        CorpusCase { "redsalamander/utf16le-no-bom.txt", "File:", "Name:", RawEncoding::Utf16Le, false },
        CorpusCase { "redsalamander/cp932-shift-jis.txt", "File:", "Name:", RawEncoding::Sjis, false },
        CorpusCase { "aozora/kojiki.sjis.txt", "aozora", "AOZORA", RawEncoding::Sjis, false },
        CorpusCase { "derived/kojiki.sjis-cr.txt", "aozora", "AOZORA", RawEncoding::Sjis, false },
        CorpusCase { "derived/kojiki.utf16be-bom-crlf.txt", "aozora", "AOZORA", RawEncoding::Utf16Be, true },
        CorpusCase { "aozora/kojiki.utf8.txt", "aozora", "AOZORA", RawEncoding::Utf8, false },
        CorpusCase { "uchardet/en/ascii.txt", "ASCII", "Ascii", RawEncoding::Utf8, false },
        CorpusCase { "inquisitor/ascii_ascii-cr.txt", "Library", "LIBRARY", RawEncoding::Utf8, false }));

TEST_F(JobApplyTest, KeepsPermissionBits)
{
    for (mode_t mode : { 0640, 0600, 0755, 0444 }) {
        std::string path = Write("m" + std::to_string(mode) + ".txt", "a hit\n");
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
    }
    Search(files_, "hit", "HIT");
    bool root = geteuid() == 0;
    // A file the user may not write stays as it is; root may write any file.
    EXPECT_EQ(Apply(), root);
    for (mode_t mode : { 0640, 0600, 0755, 0444 }) {
        std::string path = files_ + "/m" + std::to_string(mode) + ".txt";
        struct stat info { };
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode);
        EXPECT_EQ(Read(path), mode == 0444 && !root ? "a hit\n" : "a HIT\n") << mode;
    }
}

TEST_F(JobApplyTest, WritesThroughASymbolicLink)
{
    fs::create_directory(root_ + "/real");
    std::string target = root_ + "/real/target.txt";
    std::ofstream(target, std::ios::binary) << "a hit\n";
    std::string link = files_ + "/link.txt";
    ASSERT_EQ(symlink("../real/target.txt", link.c_str()), 0);
    Search(files_, "hit", "HIT");
    ASSERT_TRUE(Apply());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), "../real/target.txt");
    EXPECT_EQ(Read(target), "a HIT\n");
    EXPECT_EQ(Names(root_ + "/real"), Texts { "target.txt" });
    EXPECT_EQ(Read(set_->Folder().Str() + "/link.txt"), "a hit\n");
}

TEST_F(JobApplyTest, LeavesTheUsersTmpFileAlone)
{
    std::string path = Write("a.txt", "a hit\n");
    Write("a.txt.tmp", "the user's own\n");
    Search(files_ + "/a.txt", "hit", "HIT");
    ASSERT_TRUE(Apply());
    EXPECT_EQ(Read(path), "a HIT\n");
    EXPECT_EQ(Read(path + ".tmp"), "the user's own\n");
    EXPECT_EQ(Names(files_), (Texts { "a.txt", "a.txt.tmp" }));
}

TEST_F(JobApplyNoBackupTest, RewritesFilesWithoutWritingASet)
{
    std::string path = Write("a.txt", "a hit\n");
    Search(files_, "hit", "HIT");
    ASSERT_TRUE(Apply());
    EXPECT_EQ(Read(path), "a HIT\n");
    EXPECT_FALSE(set_->IsEnabled());
    EXPECT_TRUE(set_->Folder().IsEmpty());
    EXPECT_FALSE(fs::exists(root_ + "/backup"));
    ASSERT_EQ(set_->Items().Count(), 1);
    EXPECT_EQ(set_->Items().Front().Source().Str(), path);
    EXPECT_EQ(set_->Items().Front().Time(), FileTime(path));
}

// --- Files that fail ------------------------------------------------------------------------------

// A file that is no longer the one the search read is never touched, and all its blocks fail.
struct ChangeCase {
    const char* name;
    std::function<void(const std::string&)> change;
    std::string message; // "%" stands for the file's path
    bool backed_up;
};
void PrintTo(const ChangeCase& c, std::ostream* out)
{
    *out << c.name;
}
class JobApplyChangeTest : public JobApplyTest, public testing::WithParamInterface<ChangeCase> { };

TEST_P(JobApplyChangeTest, NeverTouchesAFileChangedAfterTheSearch)
{
    const ChangeCase& c = GetParam();
    std::string path = Write("a.txt", "keep\none hit\nkeep\ntwo hit\nend\n");
    Search(files_, "hit", "HIT");
    ASSERT_EQ(Blocks().size(), 2u);
    c.change(path);
    std::string changed = fs::is_regular_file(path) ? Read(path) : "";
    EXPECT_FALSE(Apply(100));
    std::string message = c.message;
    message.replace(message.find('%'), 1, path);
    EXPECT_EQ(OnlyError(), message);
    ExpectAllFailed();
    if (fs::is_regular_file(path)) {
        EXPECT_EQ(Read(path), changed);
    }
    EXPECT_EQ(Copies().size(), c.backed_up ? 1u : 0u);
    EXPECT_EQ(Names(files_), fs::exists(path) ? Texts { "a.txt" } : Texts {});
}

INSTANTIATE_TEST_SUITE_P(Changes, JobApplyChangeTest,
    testing::Values(
        ChangeCase { "newer", [](const std::string& p) { std::ofstream(p, std::ios::app) << "more\n"; },
            "Modified file (%)", false },
        ChangeCase { "removed", [](const std::string& p) { fs::remove(p); }, "Missing file (%)", false },
        ChangeCase { "folder", [](const std::string& p) { fs::remove(p), fs::create_directory(p); },
            "Missing file (%)", false },
        ChangeCase { "shortened", [](const std::string& p) { WriteKeepingTime(p, "keep\none hit\nkeep\n"); },
            "Logic error on file (%.tmp)", true },
        ChangeCase { "last block cut",
            [](const std::string& p) { WriteKeepingTime(p, "keep\none hit\nkeep\ntwo hit"); },
            "Logic error on file (%)", true },
        ChangeCase { "edited",
            [](const std::string& p) { WriteKeepingTime(p, "keep\none hat\nkeep\ntwo hit\nend\n"); },
            "Logic error on file (%)", true },
        ChangeCase { "long line",
            [](const std::string& p) {
                WriteKeepingTime(p, "keep\none hit\nkeep\ntwo hit\n" + std::string(200, 'x'));
            },
            "Line overflow [line=5] (%)", true },
        ChangeCase { "re-encoded",
            [](const std::string& p) { WriteKeepingTime(p, std::string("\xFF\xFEk\0\n\0", 6)); },
            "Modified file (%)", false }));

TEST_F(JobApplyTest, AFailedFileLeavesTheOthersReplaced)
{
    std::string a = Write("a.txt", "a hit\n"), b = Write("b.txt", "b hit\n"), c = Write("c.txt", "c hit\n");
    Search(files_, "hit", "HIT");
    std::ofstream(b, std::ios::app) << "changed\n";
    {
        AppLayer::GuiApplyJob job(params_, results_, *this, kSearchLimit, store_, centre_);
        ASSERT_TRUE(job.Start());
        job.Wait();
        EXPECT_FALSE(job.Succeeded());
    }
    EXPECT_EQ(Read(a), "a HIT\n");
    EXPECT_EQ(Read(b), "b hit\nchanged\n");
    EXPECT_EQ(Read(c), "c HIT\n");
    EXPECT_EQ(LastEntry(), "Apply finished. (Failed)");
    Codes codes = codes_;
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes.back(), kApplyFinished);
    EXPECT_EQ(std::ranges::count(codes, kApplyStarted), 1);
    std::vector<JobStatusUnit> errors = Errors();
    ASSERT_EQ(errors.size(), 1u);
    for (JobBlockUnit* block : Blocks()) {
        bool failed = block->file_path.Str() == b;
        EXPECT_EQ(block->HasFlag(JobBlockUnit::kAfl), failed);
        EXPECT_EQ(block->status_id, failed ? errors[0].id : 0u);
    }
}

// A block applied by an earlier run is in the file: a later failure of the same file must not
// mark it failed.
TEST_F(JobApplyTest, KeepsTheStateOfBlocksAppliedByAnEarlierRun)
{
    Write("a.txt", "a hit\nb hit\n");
    Search(files_, "hit", "HIT");
    std::vector<JobBlockUnit*> blocks = Blocks();
    blocks[1]->ClearFlags(JobBlockUnit::kChk);
    ASSERT_TRUE(Apply());
    blocks[1]->SetFlags(JobBlockUnit::kChk);
    EXPECT_FALSE(Apply()); // the first run changed the file's time
    EXPECT_EQ(blocks[0]->Flags() & (JobBlockUnit::kApl | JobBlockUnit::kAfl), JobBlockUnit::kApl);
    EXPECT_TRUE(blocks[1]->HasFlag(JobBlockUnit::kAfl));
}

// Nothing is ever written in place of a character the file's encoding cannot hold, and a block
// whose text would not come back as the bytes it was read from is not rewritten either.
struct EncodeCase {
    std::string content, word, replacement;
    RawEncoding encoding; // given to the block after the search; NoSet: as detected
    int line;
};
void PrintTo(const EncodeCase& c, std::ostream* out)
{
    *out << testing::PrintToString(c.replacement);
}
class JobApplyEncodeTest : public JobApplyTest, public testing::WithParamInterface<EncodeCase> { };

TEST_P(JobApplyEncodeTest, FailsAFileThatCannotHoldTheReplacement)
{
    const EncodeCase& c = GetParam();
    std::string path = Write("a.txt", c.content);
    Search(files_, c.word, c.replacement);
    ASSERT_EQ(Blocks().size(), 1u);
    if (c.encoding != RawEncoding::NoSet)
        Blocks()[0]->file_encoding = c.encoding;
    EXPECT_FALSE(Apply());
    ExpectAllFailed();
    EXPECT_EQ(OnlyError(), "Code conversion error [line=" + std::to_string(c.line) + "] (" + path + ")");
    EXPECT_TRUE(Read(path) == c.content);
    EXPECT_EQ(Names(files_), Texts { "a.txt" });
}

INSTANTIATE_TEST_SUITE_P(Encodings, JobApplyEncodeTest,
    testing::Values(
        EncodeCase { Read(std::string(QUELVANE_CORPUS_DIR) + "/redsalamander/cp932-shift-jis.txt"),
            "File:", "\xF0\x9F\x98\x80", RawEncoding::NoSet, 2 },
        EncodeCase { "plain\nascii hit\n", "hit", "\xE6\xBC\xA2\xE5\xAD\x97", RawEncoding::Mac, 2 },
        // 0xEE 0xF9 reads as U+FFE2, which code page 932 writes as 0x81 0xCA.
        EncodeCase { "hit \xEE\xF9\r\n", "hit", "HIT", RawEncoding::NoSet, 1 }));

TEST_F(JobApplyTest, FailsAFileWhoseBackupCannotBeMade)
{
    std::string path = Write("a.txt", "a hit\n");
    Search(files_, "hit", "HIT");
    std::ofstream(root_ + "/backup", std::ios::binary) << "a file where the store's folder should be";
    EXPECT_FALSE(Apply());
    EXPECT_EQ(OnlyError(), "Backup error (" + path + ")");
    ExpectAllFailed();
    EXPECT_EQ(Read(path), "a hit\n");
    EXPECT_EQ(Names(files_), Texts { "a.txt" });
}

// The temporary file's name would be one byte longer than a name may be: a way to fail its
// creation that holds for root too.
TEST_F(JobApplyTest, FailsAFileWhoseTemporaryFileCannotBeMade)
{
    std::string path = Write(std::string(252, 'n'), "a hit\n");
    Search(files_, "hit", "HIT");
    EXPECT_FALSE(Apply());
    EXPECT_EQ(OnlyError(), "Open error for write (" + path + ".tmp)");
    ExpectAllFailed();
    EXPECT_EQ(Read(path), "a hit\n");
    EXPECT_TRUE(Copies().empty());
}

TEST_F(JobApplyTest, FailsAFileInAFolderItCannotWriteTo)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root may create files in a read-only folder";
    std::string path = Write("a.txt", "a hit\n");
    Search(files_, "hit", "HIT");
    ASSERT_EQ(chmod(files_.c_str(), 0555), 0);
    EXPECT_FALSE(Apply());
    EXPECT_EQ(OnlyError(), "Open error for write (" + path + ".tmp)");
    ExpectAllFailed();
    EXPECT_EQ(Read(path), "a hit\n");
    EXPECT_TRUE(Copies().empty());
}

// A full disk, made by a file size limit in a child process: the temporary file cannot be
// written, so the file stays as it was and no temporary file is left.
TEST_F(JobApplyTest, FailsAFileThatCannotBeWrittenWhole)
{
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP()
        << "a forked child of a threaded process trips ThreadSanitizer's exit checks; the dev build runs it";
#endif
    std::string content = "a hit\n";
    while (content.size() < 20000)
        content += std::string(99, 'x') + "\n";
    std::string path = Write("big.txt", content);
    Search(files_, "hit", "HIT");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit { 4096, 4096 };
        signal(SIGXFSZ, SIG_IGN);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(3);
        JobBackupList no_backups; // the copy would meet the limit first
        JobApply apply(params_, results_, no_backups, centre_, *this, kSearchLimit);
        bool ok = apply.Run();
        std::vector<JobStatusUnit> errors = Errors();
        _exit(
            !ok && errors.size() == 1 && errors[0].display.Str() == "Write error (" + path + ".tmp)" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(Read(path) == content);
    EXPECT_EQ(Names(files_), Texts { "big.txt" });
}

// --- Pieces ---------------------------------------------------------------------------------------

TEST(JobApplyPieceTest, MakesTheCommentOfTheSet)
{
    JobParams params;
    for (const char* text : { "a", "", "b%Nc" })
        params.expressions.Add(RawString(text, RawEncoding::Utf8));
    for (const char* text : { "", "x" })
        params.replacements.Add(RawString(text, RawEncoding::Utf8));
    std::tm time {};
    time.tm_year = 124, time.tm_mon = 2, time.tm_mday = 5, time.tm_hour = 14, time.tm_min = 7,
    time.tm_sec = 9;
    RawParameterList comment = JobApply::MakeComment(params, time);
    ASSERT_EQ(comment.Count(), 3);
    EXPECT_EQ(comment.GetText("Search", "-").Str(), "a;b%Nc");
    EXPECT_EQ(comment.GetText("Replace", "-").Str(), "x");
    EXPECT_EQ(comment.GetText("Time", "-").Str(), "2024/03/05 14:07:09");
}

} // namespace
