#include <core/RawSafeWrite.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace RawLayer;

namespace {

namespace fs = std::filesystem;

class RawSafeWriteTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "quelvane-safewrite-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
    void WriteFile(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(PathOf(name), std::ios::binary) << bytes;
    }
    std::string ReadFile(const std::string& name) const
    {
        std::ifstream in(PathOf(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::set<std::string> Names() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.insert(entry.path().filename().string());
        return names;
    }
    static mode_t ModeOf(const std::string& path)
    {
        struct stat info { };
        EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
        return info.st_mode;
    }
    // Writes `bytes` through a safe write of `path` and commits.
    static void Replace(const std::string& path, const std::string& bytes)
    {
        RawSafeWrite write(RawString(path, RawEncoding::Utf8));
        ASSERT_TRUE(write.Open()) << write.ErrorText();
        ASSERT_EQ(::write(write.Fd(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ASSERT_TRUE(write.Commit()) << write.ErrorText();
    }

    fs::path dir_;
};

TEST_F(RawSafeWriteTest, NewFileGetsTheUsualModeOfANewFile)
{
    mode_t old_mask = umask(027);
    Replace(PathOf("new.txt"), "content");
    umask(old_mask);
    EXPECT_EQ(ReadFile("new.txt"), "content");
    EXPECT_EQ(ModeOf(PathOf("new.txt")) & 07777, 0640u);
    EXPECT_EQ(Names(), (std::set<std::string> { "new.txt" }));
}

TEST_F(RawSafeWriteTest, TemporaryFileSitsBesideTheTargetUntilCommit)
{
    WriteFile("file.txt", "old");
    ASSERT_EQ(chmod(PathOf("file.txt").c_str(), 0640), 0);
    RawSafeWrite write(RawString(PathOf("file.txt"), RawEncoding::Utf8));
    ASSERT_TRUE(write.Open());
    EXPECT_TRUE(write.TargetExisted());
    EXPECT_EQ(write.TempPath(), PathOf("file.txt.tmp"));
    EXPECT_EQ(ModeOf(write.TempPath()) & 0777, 0600u);
    ASSERT_EQ(::write(write.Fd(), "new", 3), 3);
    EXPECT_EQ(ReadFile("file.txt"), "old");
    ASSERT_TRUE(write.Commit());
    EXPECT_EQ(write.Fd(), -1);
    EXPECT_EQ(ReadFile("file.txt"), "new");
    EXPECT_EQ(ModeOf(PathOf("file.txt")) & 07777, 0640u);
    EXPECT_EQ(Names(), (std::set<std::string> { "file.txt" }));
}

TEST_F(RawSafeWriteTest, ReplacementKeepsOwnerAndGroupWhenAllowed)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only a privileged process may give a file to another owner";
    WriteFile("file.txt", "old");
    ASSERT_EQ(chown(PathOf("file.txt").c_str(), 4321, 8765), 0);
    Replace(PathOf("file.txt"), "new");
    struct stat info { };
    ASSERT_EQ(stat(PathOf("file.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 8765u);
}

TEST_F(RawSafeWriteTest, NeverTakesAUsersFileAsTheTemporaryFile)
{
    WriteFile("file.txt", "old");
    WriteFile("file.txt.tmp", "the user's own file");
    {
        RawSafeWrite write(RawString(PathOf("file.txt"), RawEncoding::Utf8));
        ASSERT_TRUE(write.Open());
        EXPECT_NE(write.TempPath(), PathOf("file.txt.tmp"));
        EXPECT_EQ(write.TempPath().rfind(PathOf("file.txt.tmp."), 0), 0u) << write.TempPath();
        ASSERT_EQ(::write(write.Fd(), "new", 3), 3);
        ASSERT_TRUE(write.Commit());
    }
    EXPECT_EQ(ReadFile("file.txt"), "new");
    EXPECT_EQ(ReadFile("file.txt.tmp"), "the user's own file");
    EXPECT_EQ(Names(), (std::set<std::string> { "file.txt", "file.txt.tmp" }));
}

TEST_F(RawSafeWriteTest, LinkAtTheTemporaryNameIsNeverFollowed)
{
    WriteFile("file.txt", "old");
    ASSERT_EQ(symlink(PathOf("victim").c_str(), PathOf("file.txt.tmp").c_str()), 0);
    Replace(PathOf("file.txt"), "new");
    EXPECT_FALSE(fs::exists(PathOf("victim")));
    EXPECT_TRUE(fs::is_symlink(PathOf("file.txt.tmp")));
    EXPECT_EQ(ReadFile("file.txt"), "new");
}

TEST_F(RawSafeWriteTest, SymbolicLinksAreWrittenThrough)
{
    fs::create_directories(dir_ / "real");
    fs::create_directories(dir_ / "links");
    WriteFile("real/target.txt", "old");
    ASSERT_EQ(chmod(PathOf("real/target.txt").c_str(), 0604), 0);
    // A relative link to a relative link: each resolves against its own folder.
    ASSERT_EQ(symlink("../real/target.txt", PathOf("links/first").c_str()), 0);
    ASSERT_EQ(symlink("first", PathOf("links/second").c_str()), 0);

    RawSafeWrite write(RawString(PathOf("links/second"), RawEncoding::Utf8));
    ASSERT_TRUE(write.Open());
    EXPECT_EQ(write.TargetPath(), PathOf("links/../real/target.txt"));
    ASSERT_EQ(::write(write.Fd(), "new", 3), 3);
    ASSERT_TRUE(write.Commit());

    EXPECT_TRUE(fs::is_symlink(PathOf("links/first")));
    EXPECT_TRUE(fs::is_symlink(PathOf("links/second")));
    EXPECT_EQ(fs::read_symlink(PathOf("links/first")), "../real/target.txt");
    EXPECT_EQ(ReadFile("real/target.txt"), "new");
    EXPECT_EQ(ModeOf(PathOf("real/target.txt")) & 07777, 0604u);
    EXPECT_EQ(fs::directory_iterator(dir_ / "real")->path().filename(), "target.txt");
}

TEST_F(RawSafeWriteTest, DanglingLinkCreatesTheFileItNames)
{
    ASSERT_EQ(symlink("made.txt", PathOf("link").c_str()), 0);
    Replace(PathOf("link"), "new");
    EXPECT_TRUE(fs::is_symlink(PathOf("link")));
    EXPECT_EQ(ReadFile("made.txt"), "new");
}

TEST_F(RawSafeWriteTest, UncommittedWriteRemovesItsTemporaryFile)
{
    WriteFile("file.txt", "old");
    {
        RawSafeWrite write(RawString(PathOf("file.txt"), RawEncoding::Utf8));
        ASSERT_TRUE(write.Open());
        ASSERT_EQ(::write(write.Fd(), "new", 3), 3);
    }
    EXPECT_EQ(ReadFile("file.txt"), "old");
    EXPECT_EQ(Names(), (std::set<std::string> { "file.txt" }));

    RawSafeWrite abandoned(RawString(PathOf("file.txt"), RawEncoding::Utf8));
    ASSERT_TRUE(abandoned.Open());
    abandoned.Abandon();
    EXPECT_EQ(abandoned.Fd(), -1);
    EXPECT_FALSE(abandoned.Commit());
    EXPECT_EQ(Names(), (std::set<std::string> { "file.txt" }));
}

TEST_F(RawSafeWriteTest, OpenFailuresNameTheirStepAndLeaveNothingBehind)
{
    WriteFile("file.txt", "old");
    fs::create_directories(dir_ / "folder");
    ASSERT_EQ(symlink("loop-b", PathOf("loop-a").c_str()), 0);
    ASSERT_EQ(symlink("loop-a", PathOf("loop-b").c_str()), 0);
    ASSERT_EQ(mkfifo(PathOf("fifo").c_str(), 0600), 0);
    const std::set<std::string> before = Names();
    struct Case {
        std::string path;
        RawSafeWrite::Step step;
        int error;
    };
    const Case cases[] = {
        { "", RawSafeWrite::Step::Path, EINVAL },
        { std::string("bad\0name", 8), RawSafeWrite::Step::Path, EINVAL },
        { PathOf("missing/file.txt"), RawSafeWrite::Step::CreateTemp, ENOENT },
        { PathOf("file.txt/inner"), RawSafeWrite::Step::Target, ENOTDIR },
        { PathOf("folder"), RawSafeWrite::Step::Target, EISDIR },
        { PathOf("folder/"), RawSafeWrite::Step::Target, EISDIR },
        { PathOf("fifo"), RawSafeWrite::Step::Target, EINVAL },
        { PathOf("loop-a"), RawSafeWrite::Step::Target, ELOOP },
    };
    for (const Case& test : cases) {
        RawSafeWrite write(RawString(test.path, RawEncoding::Utf8));
        EXPECT_FALSE(write.Open()) << test.path;
        EXPECT_EQ(write.FailedStep(), test.step) << test.path;
        EXPECT_EQ(write.Error(), test.error) << test.path;
        EXPECT_FALSE(write.ErrorText().empty());
        EXPECT_EQ(write.Fd(), -1);
    }
    EXPECT_EQ(Names(), before);
    EXPECT_TRUE(fs::is_empty(dir_ / "folder"));
    EXPECT_EQ(ReadFile("file.txt"), "old");
}

TEST_F(RawSafeWriteTest, FailedRenameRemovesTheTemporaryFile)
{
    WriteFile("file.txt", "old");
    RawSafeWrite write(RawString(PathOf("file.txt"), RawEncoding::Utf8));
    ASSERT_TRUE(write.Open());
    // The target becomes a non-empty folder behind the writer's back: no file may replace it.
    fs::remove(PathOf("file.txt"));
    fs::create_directories(dir_ / "file.txt" / "inside");
    EXPECT_FALSE(write.Commit());
    EXPECT_EQ(write.FailedStep(), RawSafeWrite::Step::Rename);
    EXPECT_EQ(Names(), (std::set<std::string> { "file.txt" }));
    EXPECT_TRUE(fs::is_directory(dir_ / "file.txt" / "inside"));
}

TEST_F(RawSafeWriteTest, FileWithoutWritePermissionIsReplacedOnlyByAPrivilegedProcess)
{
    WriteFile("file.txt", "old");
    ASSERT_EQ(chmod(PathOf("file.txt").c_str(), 0444), 0);
    RawSafeWrite write(RawString(PathOf("file.txt"), RawEncoding::Utf8));
    if (geteuid() == 0) {
        ASSERT_TRUE(write.Open());
        ASSERT_TRUE(write.Commit());
        EXPECT_EQ(ModeOf(PathOf("file.txt")) & 07777, 0444u);
    } else {
        EXPECT_FALSE(write.Open());
        EXPECT_EQ(write.FailedStep(), RawSafeWrite::Step::Target);
        EXPECT_EQ(write.Error(), EACCES);
        EXPECT_EQ(ReadFile("file.txt"), "old");
    }
}

} // namespace
