#include <core/RawSafeWrite.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tests/TestSupport.h>
#include <unistd.h>

using namespace RawLayer;

namespace {

namespace fs = std::filesystem;
using Tree = std::map<std::string, std::string>;

class RawSafeWriteTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(folder_.Path().empty());
        dir_ = folder_.Path();
    }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
    void WriteFile(const std::string& name, const char* bytes) const { std::ofstream(PathOf(name)) << bytes; }
    int ModeOf(const std::string& name) const { return int(fs::status(PathOf(name)).permissions()); }
    // Everything in the test folder: a file's bytes, a link's "-> target", "" for anything else.
    // Comparing it whole shows every temporary file left behind and every file touched.
    Tree Snapshot() const
    {
        Tree tree;
        for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
            std::string& value = tree[entry.path().lexically_relative(dir_).string()];
            if (entry.is_symlink())
                value = "-> " + fs::read_symlink(entry.path()).string();
            else if (entry.is_regular_file())
                value.assign(std::istreambuf_iterator<char>(std::ifstream(entry.path()).rdbuf()), {});
        }
        return tree;
    }
    // A safe write of `name`, opened, with `bytes` in its temporary file.
    std::unique_ptr<RawSafeWrite> Begin(const std::string& name, const std::string& bytes) const
    {
        auto write = std::make_unique<RawSafeWrite>(RawString(PathOf(name), RawEncoding::Utf8));
        EXPECT_TRUE(
            write->Open() && ::write(write->Fd(), bytes.data(), bytes.size()) == ssize_t(bytes.size()))
            << name << ": " << write->ErrorText();
        return write;
    }
    bool Replace(const std::string& name, const char* bytes) const { return Begin(name, bytes)->Commit(); }

    QuelvaneTest::TestFolder folder_;
    fs::path dir_;
};

TEST_F(RawSafeWriteTest, OnlyACommitChangesTheTargetAndItKeepsTheAttributes)
{
    // Only a privileged process may give a file to another owner.
    const bool privileged = geteuid() == 0;
    const int mode = 0640;
    WriteFile("file.txt", "old");
    ASSERT_EQ(chmod(PathOf("file.txt").c_str(), mode), 0);
    ASSERT_TRUE(!privileged || chown(PathOf("file.txt").c_str(), 4321, 8765) == 0);
    struct stat before { };
    struct stat after { };
    ASSERT_EQ(stat(PathOf("file.txt").c_str(), &before), 0);
    Begin("file.txt", "dropped"); // destroyed without a commit
    auto abandoned = Begin("file.txt", "abandoned");
    abandoned->Abandon();
    EXPECT_FALSE(abandoned->Commit());
    // Neither left a temporary file, or this one would have another name.
    auto write = Begin("file.txt", "new");
    EXPECT_EQ(ModeOf("file.txt.tmp"), 0600); // nobody else reads a half-written file
    EXPECT_EQ(Snapshot(), (Tree { { "file.txt", "old" }, { "file.txt.tmp", "new" } }));
    ASSERT_TRUE(write->Commit());
    EXPECT_EQ(Snapshot(), (Tree { { "file.txt", "new" } }));
    EXPECT_EQ(ModeOf("file.txt"), mode);
    ASSERT_EQ(stat(PathOf("file.txt").c_str(), &after), 0);
    EXPECT_EQ(std::make_pair(after.st_uid, after.st_gid), std::make_pair(before.st_uid, before.st_gid));

    // The target becomes a non-empty folder behind the writer's back: no file may replace it.
    auto failed = Begin("file.txt", "failed");
    ASSERT_TRUE(fs::remove(PathOf("file.txt")) && fs::create_directories(dir_ / "file.txt" / "inside"));
    EXPECT_FALSE(failed->Commit());
    EXPECT_EQ(failed->FailedStep(), RawSafeWrite::Step::Rename);
    EXPECT_EQ(Snapshot(), (Tree { { "file.txt", "" }, { "file.txt/inside", "" } }));
}

// A commit in two steps: Seal gives the temporary file the target's mode and closes it, and
// only Place, and only of a sealed file, touches the target. A sealed file that is never placed,
// or whose target changed meanwhile, goes.
TEST_F(RawSafeWriteTest, OnlyASealedFileIsPlacedAndOnlyPlaceChangesTheTarget)
{
    WriteFile("file.txt", "old");
    ASSERT_EQ(chmod(PathOf("file.txt").c_str(), 0640), 0);
    auto write = Begin("file.txt", "new");
    EXPECT_FALSE(write->Place());
    ASSERT_TRUE(write->Seal());
    EXPECT_EQ(write->Fd(), -1);
    EXPECT_EQ(ModeOf("file.txt.tmp"), 0640);
    EXPECT_EQ(Snapshot(), (Tree { { "file.txt", "old" }, { "file.txt.tmp", "new" } }));
    EXPECT_FALSE(write->Seal());
    ASSERT_TRUE(write->Place());
    EXPECT_EQ(Snapshot(), (Tree { { "file.txt", "new" } }));

    EXPECT_TRUE(Begin("file.txt", "dropped")->Seal());
    struct stat read { };
    ASSERT_EQ(stat(PathOf("file.txt").c_str(), &read), 0);
    auto late = Begin("file.txt", "late");
    late->SetExpected(RawFileIdentity::Of(read));
    ASSERT_TRUE(late->Seal());
    std::ofstream(PathOf("file.txt"), std::ios::app) << " and more";
    EXPECT_FALSE(late->Place());
    EXPECT_EQ(late->FailedStep(), RawSafeWrite::Step::Changed);
    EXPECT_EQ(Snapshot(), (Tree { { "file.txt", "new and more" } }));
}

TEST_F(RawSafeWriteTest, NeverTakesAnExistingNameAsTheTemporaryFile)
{
    // A user's own file and a link, which must not be followed, stand at the usual temporary names.
    WriteFile("a", "old");
    WriteFile("a.tmp", "mine");
    WriteFile("b", "old");
    ASSERT_EQ(symlink("victim", PathOf("b.tmp").c_str()), 0);
    ASSERT_TRUE(Replace("a", "new"));
    ASSERT_TRUE(Replace("b", "new"));
    EXPECT_EQ(
        Snapshot(), (Tree { { "a", "new" }, { "a.tmp", "mine" }, { "b", "new" }, { "b.tmp", "-> victim" } }));
}

TEST_F(RawSafeWriteTest, SymbolicLinksAreWrittenThrough)
{
    fs::create_directories(dir_ / "links");
    WriteFile("file", "old");
    ASSERT_EQ(chmod(PathOf("file").c_str(), 0604), 0);
    // A relative link to a relative link: each resolves against its own folder. A dangling link
    // names a new file, which gets the mode the umask allows.
    ASSERT_EQ(symlink("../file", PathOf("links/first").c_str()), 0);
    ASSERT_EQ(symlink("first", PathOf("links/second").c_str()), 0);
    ASSERT_EQ(symlink("../made", PathOf("links/dangling").c_str()), 0);
    ASSERT_TRUE(Replace("links/second", "new"));
    mode_t old_mask = umask(027);
    bool made = Replace("links/dangling", "made");
    umask(old_mask);
    ASSERT_TRUE(made);
    EXPECT_EQ(Snapshot(),
        (Tree { { "links", "" }, { "links/dangling", "-> ../made" }, { "links/first", "-> ../file" },
            { "links/second", "-> first" }, { "made", "made" }, { "file", "new" } }));
    EXPECT_EQ(ModeOf("file"), 0604);
    EXPECT_EQ(ModeOf("made"), 0640);
}

TEST_F(RawSafeWriteTest, OpenFailuresNameTheirStepAndLeaveNothingBehind)
{
    WriteFile("file.txt", "old");
    ASSERT_EQ(chmod(PathOf("file.txt").c_str(), 0444), 0);
    fs::create_directories(dir_ / "folder");
    ASSERT_EQ(symlink("loop-b", PathOf("loop-a").c_str()), 0);
    ASSERT_EQ(symlink("loop-a", PathOf("loop-b").c_str()), 0);
    ASSERT_EQ(mkfifo(PathOf("fifo").c_str(), 0600), 0);
    const Tree before = Snapshot();
    using Step = RawSafeWrite::Step;
    std::vector<std::tuple<std::string, Step, int>> cases
        = { { "", Step::Path, EINVAL }, { std::string("bad\0name", 8), Step::Path, EINVAL },
              { PathOf("missing/file.txt"), Step::CreateTemp, ENOENT },
              { PathOf("file.txt/inner"), Step::Target, ENOTDIR }, { PathOf("folder"), Step::Target, EISDIR },
              { PathOf("folder/"), Step::Target, EISDIR }, { PathOf("fifo"), Step::Target, EINVAL },
              { PathOf("loop-a"), Step::Target, ELOOP },
              // Read-only by its permission bits for every user, root included.
              { PathOf("file.txt"), Step::Target, EACCES } };
    for (const auto& [path, step, error] : cases) {
        RawSafeWrite write(RawString(path, RawEncoding::Utf8));
        EXPECT_FALSE(write.Open()) << path;
        EXPECT_EQ(write.FailedStep(), step) << path;
        EXPECT_EQ(write.Error(), error) << path;
    }
    EXPECT_EQ(Snapshot(), before);
}

} // namespace

// Just before the rename the target must still be the file that was read. Whatever happened to
// it meanwhile, the interloper's content stays and the temporary file goes.
TEST_F(RawSafeWriteTest, CommitsOnlyOverTheFileThatWasRead)
{
    enum class Change { None, ReplacedSameSizeAndTime, GrownSameTime, RewrittenSameSize, Removed };
    const std::pair<Change, const char*> cases[] = {
        { Change::None, "new" },
        { Change::ReplacedSameSizeAndTime, "old" },
        { Change::GrownSameTime, "old and more" },
        { Change::RewrittenSameSize, "odd" },
        { Change::Removed, nullptr },
    };
    for (const auto& [change, left] : cases) {
        SCOPED_TRACE(int(change));
        fs::remove_all(dir_);
        fs::create_directory(dir_);
        WriteFile("file.txt", "old");
        std::string path = PathOf("file.txt");
        const timespec times[2] = { { 1'000'000, 0 }, { 1'000'000, 0 } };
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        struct stat read { };
        ASSERT_EQ(stat(path.c_str(), &read), 0);
        auto write = Begin("file.txt", "new");
        write->SetExpected(RawFileIdentity::Of(read));
        if (change == Change::ReplacedSameSizeAndTime) {
            WriteFile("other", "old");
            ASSERT_EQ(utimensat(AT_FDCWD, PathOf("other").c_str(), times, 0), 0);
            ASSERT_EQ(rename(PathOf("other").c_str(), path.c_str()), 0);
        } else if (change == Change::GrownSameTime) {
            std::ofstream(path, std::ios::app) << " and more";
            ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        } else if (change == Change::RewrittenSameSize) {
            std::ofstream(path, std::ios::in | std::ios::out) << "od";
        } else if (change == Change::Removed) {
            ASSERT_TRUE(fs::remove(path));
        }
        bool committed = write->Commit();
        EXPECT_EQ(committed, change == Change::None);
        EXPECT_EQ(write->FailedStep(), committed ? RawSafeWrite::Step::None : RawSafeWrite::Step::Changed);
        EXPECT_EQ(Snapshot(), (left ? Tree { { "file.txt", left } } : Tree {}));
    }
}
