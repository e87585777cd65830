#include <core/RawPath.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace RawLayer;

namespace {

RawString Text(std::string_view bytes)
{
    return RawString(bytes, RawEncoding::Utf8);
}

struct Case {
    const char* first;
    const char* second;
    const char* expected;
};

// Sets an environment variable (null: unsets it) for one test and restores it afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        value != nullptr ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnvironment() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class RawPathFiles : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quelvane-path-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(root_); }
    std::string At(const std::string& name) const { return root_ + "/" + name; }
    static mode_t ModeOf(const std::string& path)
    {
        struct stat info { };
        return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
    }

    std::string root_;
};

} // namespace

TEST(RawPathText, SplitsAtTheLastSlashOnly)
{
    const struct {
        const char* path;
        const char* folder_part;
        const char* extension;
        bool absolute;
    } cases[] = {
        { "a/b/c.txt", "a/b", "txt", false },
        { "c.txt", "", "txt", false },
        { "/c.txt", "/", "txt", true },
        { "/", "/", "", true },
        { "a/b/", "a/b", "", false },
        { "x.tar.gz", "", "gz", false },
        { "a.d/b", "a.d", "", false }, // the last "." stands in a folder name
        { "a/b.", "a", "", false },    // a trailing "." gives an empty extension
        { ".bashrc", "", "bashrc", false },
        { "a\\b.txt", "", "txt", false }, // "\" is a name character here
        { "C:/x", "C:", "", false },      // drive letters and network names mean nothing here
        { "\\\\server\\x", "", "", false },
        { "~/x", "~", "", false },
        { "", "", "", false },
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.path);
        EXPECT_EQ(RawPath::FolderPart(Text(test.path)).View(), test.folder_part);
        EXPECT_EQ(RawPath::Extension(Text(test.path)).View(), test.extension);
        EXPECT_EQ(RawPath::IsAbsolute(Text(test.path)), test.absolute);
    }
}

TEST(RawPathText, JoinsWithOneSlash)
{
    const Case cases[]
        = { { "a", "b", "a/b" }, { "a/", "b", "a/b" }, { "a", "/b", "a/b" }, { "a/", "/b", "a/b" },
              { "/", "b", "/b" }, { "", "b", "b" }, { "a", "", "a" }, { "a\\", "b", "a\\/b" } };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.first) + " + " + test.second);
        EXPECT_EQ(RawPath::Join(Text(test.first), Text(test.second)).View(), test.expected);
    }
}

TEST(RawPathText, ResolvesLeadingRelativePrefixesAgainstTheBase)
{
    const Case cases[] = {
        { "../x", "/a/b/", "/a/x" }, // the trailing "/" goes, then the last folder
        { "./x", "", "x" }, { "x", "/a", "/a/x" }, { "./././x", "/a", "/a/x" }, { "./../x", "/a/b", "/a/x" },
        { "../../x", "/a/b", "/x" }, { "/abs", "/a", "/abs" }, { "", "/a", "" }, { "x", "", "x" },
        { "./", "/a", "/a" }, { "..x", "/a", "/a/..x" }, { ".hidden", "/a", "/a/.hidden" },
        { "../x", "/", "/x" }, { "../../../x", "/a", "/x" }, // the root's parent is the root
        { "../x", "", "../x" }, { "../../x", "a", "../x" },  // steps beyond the base are kept
        { "a/../b", "/r", "/r/a/../b" },                     // only leading prefixes count
        { "~/x", "/a", "/a/~/x" },                           // home is ExpandHome's business
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.first) + " on " + test.second);
        EXPECT_EQ(RawPath::Resolve(Text(test.first), Text(test.second)).View(), test.expected);
    }
}

TEST(RawPathText, ExpandsALeadingTildeOnly)
{
    ScopedEnvironment home("HOME", "/home/someone");
    const Case cases[] = { { "~/x", "", "/home/someone/x" }, { "~", "", "/home/someone" },
        { "~user/x", "", "~user/x" }, { "a/~/x", "", "a/~/x" }, { "/x", "", "/x" } };
    for (const Case& test : cases)
        EXPECT_EQ(RawPath::ExpandHome(Text(test.first)).View(), test.expected) << test.first;
}

TEST(RawPathText, WorksOnBytesAndOnUtf8OfOtherEncodings)
{
    RawString wide(u"/日本/文書.txt");
    EXPECT_EQ(RawPath::FolderPart(wide).Encoding(), RawEncoding::Utf8);
    EXPECT_EQ(RawPath::FolderPart(wide).View(), "/日本");
    EXPECT_EQ(RawPath::Join(Text("/a"), Text("b\xFF")).View(), "/a/b\xFF"); // not UTF-8: kept as is
}

TEST(RawPathText, FileTimesAreTicksSince1601)
{
    const struct {
        timespec time;
        uint64_t ticks;
    } cases[] = { { { 0, 0 }, 116444736000000000ULL }, { { 1, 500 }, 116444736010000005ULL },
        { { -11644473600, 0 }, 0 }, { { 1000000000, 123456700 }, 126444736001234567ULL } };
    for (const auto& test : cases) {
        EXPECT_EQ(RawPath::TicksFromTimespec(test.time), test.ticks);
        timespec back = RawPath::TimespecFromTicks(test.ticks);
        EXPECT_EQ(back.tv_sec, test.time.tv_sec);
        EXPECT_EQ(back.tv_nsec, test.time.tv_nsec);
    }
    EXPECT_EQ(RawPath::TicksFromTimespec({ -11644473601, 0 }), 0U); // before 1601: the earliest
}

TEST(RawPathSystem, TempFolderHasNoTrailingSlash)
{
    const Case cases[] = { { "/var/x//", "", "/var/x" }, { "/var/x", "", "/var/x" }, { "/", "", "/" },
        { "", "", "/tmp" }, { nullptr, "", "/tmp" } };
    for (const Case& test : cases) {
        ScopedEnvironment tmpdir("TMPDIR", test.first);
        EXPECT_EQ(RawPath::TempFolder().View(), test.expected);
    }
}

TEST(RawPathSystem, ExecutableIsThisTestProgram)
{
    RawString executable = RawPath::ExecutablePath();
    EXPECT_TRUE(executable.View().starts_with("/") && executable.View().ends_with("/core_path_tests"));
    EXPECT_TRUE(RawPath::IsFile(executable));
    EXPECT_EQ(RawPath::ExecutableFolder().View(), RawPath::FolderPart(executable).View());
}

TEST_F(RawPathFiles, UserFolderIsPrivateAndFollowsXdgConfigHome)
{
    ScopedEnvironment home("HOME", root_.c_str());
    ScopedEnvironment config("XDG_CONFIG_HOME", At("config").c_str());
    EXPECT_EQ(RawPath::UserFolder().View(), At("config/Quelvane"));
    EXPECT_EQ(ModeOf(At("config/Quelvane")), 0700U);
    for (const char* ignored : { static_cast<const char*>(nullptr), "", "relative/config" }) {
        ScopedEnvironment other("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(RawPath::UserFolder().View(), At(".config/Quelvane"));
    }
    EXPECT_EQ(ModeOf(At(".config/Quelvane")), 0700U);
}

TEST_F(RawPathFiles, ProfilePathsExpandUserThenResolveBesideTheExecutable)
{
    ScopedEnvironment config("XDG_CONFIG_HOME", root_.c_str());
    std::string program(RawPath::ExecutableFolder().View());
    std::string parent(RawPath::FolderPart(Text(program)).View());
    const struct {
        const char* path;
        std::string resolved;
    } cases[] = {
        { "$(User)/gui.ini", At("Quelvane/gui.ini") },
        { "a$(User)/b$(User)", program + "/a" + At("Quelvane") + "/b$(User)" }, // the first only
        { "gui.ini", program + "/gui.ini" },
        { "../gui.ini", parent + "/gui.ini" },
        { "/etc/gui.ini", "/etc/gui.ini" },
    };
    for (const auto& test : cases)
        EXPECT_EQ(RawPath::ResolveProfilePath(Text(test.path)).View(), test.resolved) << test.path;
    EXPECT_TRUE(RawPath::IsFolder(Text(At("Quelvane"))));
}

TEST_F(RawPathFiles, CreateFoldersMakesEveryMissingFolderOrFails)
{
    EXPECT_TRUE(RawPath::CreateFolders(Text(At("a/b/c")), 0700));
    EXPECT_EQ(ModeOf(At("a")), 0700U);
    EXPECT_EQ(ModeOf(At("a/b/c")), 0700U);
    EXPECT_TRUE(RawPath::CreateFolders(Text(At("a/b/c/")))); // there already
    EXPECT_TRUE(RawPath::CreateFolders(Text(At("a//d"))));
    close(open(At("file").c_str(), O_CREAT | O_WRONLY, 0600));
    EXPECT_FALSE(RawPath::CreateFolders(Text(At("file"))));
    EXPECT_FALSE(RawPath::CreateFolders(Text(At("file/sub"))));
    EXPECT_FALSE(RawPath::CreateFolders(Text("")));
}

TEST_F(RawPathFiles, ExistenceTestsFollowLinks)
{
    ASSERT_EQ(mkdir(At("folder").c_str(), 0700), 0);
    ASSERT_EQ(symlink("folder", At("link_folder").c_str()), 0);
    ASSERT_EQ(symlink("missing", At("dangling").c_str()), 0);
    EXPECT_TRUE(RawPath::IsFolder(Text(At("link_folder"))));
    EXPECT_FALSE(RawPath::IsFile(Text(At("link_folder"))));
    EXPECT_FALSE(RawPath::Exists(Text(At("dangling"))));
    EXPECT_FALSE(RawPath::Exists(Text("")));
}
