#include <core/RawPath.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include <gtest/gtest.h>
#include <tests/TestSupport.h>

using namespace RawLayer;

namespace {

using QuelvaneTest::Texts;
using QuelvaneTest::Utf8;

namespace fs = std::filesystem;

// Sets (null: unsets) an environment variable. Every test sets what it reads, so nothing needs
// restoring.
void SetEnvironment(const char* name, const char* value)
{
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
}

class RawPathFiles : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(root_.empty()); }
    std::string At(const std::string& name) const { return root_ + "/" + name; }

    QuelvaneTest::TestFolder folder_;
    const std::string& root_ = folder_.Path();
};

TEST(RawPathText, SplitsAtTheLastSlashOnly)
{
    // Path, folder part, extension. The last "." may stand in a folder name; a "\", a drive letter
    // or a network name means nothing here.
    const char* cases[][3] = { { "a/b/c.txt", "a/b", "txt" }, { "c.txt", "", "txt" },
        { "/c.txt", "/", "txt" }, { "/", "/", "" }, { "a/b/", "a/b", "" }, { "x.tar.gz", "", "gz" },
        { "a.d/b", "a.d", "" }, { "a/b.", "a", "" }, { ".bashrc", "", "bashrc" }, { "a\\b.txt", "", "txt" },
        { "C:/x", "C:", "" }, { "\\\\server\\x", "", "" }, { "", "", "" } };
    for (auto [path, folder_part, extension] : cases) {
        EXPECT_EQ(RawPath::FolderPart(Utf8(path)).View(), folder_part) << path;
        EXPECT_EQ(RawPath::Extension(Utf8(path)).View(), extension) << path;
        EXPECT_EQ(RawPath::IsAbsolute(Utf8(path)), path[0] == '/') << path;
    }
    RawString wide(u"/日本/文書.txt"); // other encodings are worked on as UTF-8
    EXPECT_EQ(RawPath::FolderPart(wide).Encoding(), RawEncoding::Utf8);
    EXPECT_EQ(RawPath::FolderPart(wide).View(), "/日本");
}

TEST(RawPathText, JoinResolveAndExpandHome)
{
    // Not UTF-8 is kept as is.
    const char* joins[][3] = { { "a", "b", "a/b" }, { "a/", "b", "a/b" }, { "a", "/b", "a/b" },
        { "a/", "/b", "a/b" }, { "/", "b", "/b" }, { "", "b", "b" }, { "a", "", "a" },
        { "a\\", "b", "a\\/b" }, { "/a", "b\xFF", "/a/b\xFF" } };
    for (auto [folder, name, joined] : joins)
        EXPECT_EQ(RawPath::Join(Utf8(folder), Utf8(name)).View(), joined) << folder << " + " << name;

    // A trailing "/" of the base goes before its last folder; the root's parent is the root;
    // steps beyond a relative base are kept; only leading prefixes count; "~" is ExpandHome's.
    const char* resolves[][3] = { { "../x", "/a/b/", "/a/x" }, { "./x", "", "x" }, { "x", "/a", "/a/x" },
        { "./././x", "/a", "/a/x" }, { "./../x", "/a/b", "/a/x" }, { "../../x", "/a/b", "/x" },
        { "/abs", "/a", "/abs" }, { "", "/a", "" }, { "./", "/a", "/a" }, { "..x", "/a", "/a/..x" },
        { ".hidden", "/a", "/a/.hidden" }, { "../x", "/", "/x" }, { "../../../x", "/a", "/x" },
        { "../x", "", "../x" }, { "../../x", "a", "../x" }, { "a/../b", "/r", "/r/a/../b" },
        { "~/x", "/a", "/a/~/x" } };
    for (auto [path, base, resolved] : resolves)
        EXPECT_EQ(RawPath::Resolve(Utf8(path), Utf8(base)).View(), resolved) << path << " on " << base;

    SetEnvironment("HOME", "/home/someone");
    const char* homes[][2] = { { "~/x", "/home/someone/x" }, { "~", "/home/someone" },
        { "~user/x", "~user/x" }, { "a/~/x", "a/~/x" } };
    for (auto [path, expanded] : homes)
        EXPECT_EQ(RawPath::ExpandHome(Utf8(path)).View(), expanded) << path;
}

TEST(RawPathText, FileTimesAreTicksSince1601)
{
    const std::pair<timespec, uint64_t> cases[]
        = { { { 0, 0 }, 116444736000000000ULL }, { { 1, 500 }, 116444736010000005ULL },
              { { -11644473600, 0 }, 0 }, { { 1000000000, 123456700 }, 126444736001234567ULL } };
    for (const auto& [time, ticks] : cases) {
        EXPECT_EQ(RawPath::TicksFromTimespec(time), ticks);
        timespec back = RawPath::TimespecFromTicks(ticks);
        EXPECT_TRUE(back.tv_sec == time.tv_sec && back.tv_nsec == time.tv_nsec) << ticks;
    }
    EXPECT_EQ(RawPath::TicksFromTimespec({ -11644473601, 0 }), 0U); // before 1601: the earliest
}

TEST(RawPathSystem, TempFolderAndExecutable)
{
    const char* cases[][2] = { { "/var/x//", "/var/x" }, { "/var/x", "/var/x" }, { "/", "/" }, { "", "/tmp" },
        { nullptr, "/tmp" } };
    for (auto [tmpdir, folder] : cases) {
        SetEnvironment("TMPDIR", tmpdir);
        EXPECT_EQ(RawPath::TempFolder().View(), folder);
    }
    RawString executable = RawPath::ExecutablePath();
    EXPECT_TRUE(executable.View().starts_with("/") && executable.View().ends_with("/core_path_tests"));
    EXPECT_TRUE(RawPath::IsFile(executable));
}

TEST_F(RawPathFiles, UserFolderIsPrivateAndFollowsXdgConfigHome)
{
    SetEnvironment("HOME", root_.c_str());
    SetEnvironment("XDG_CONFIG_HOME", At("config").c_str());
    EXPECT_EQ(RawPath::UserFolder().View(), At("config/Quelvane"));
    EXPECT_EQ(fs::status(At("config/Quelvane")).permissions(), fs::perms::owner_all);
    for (const char* ignored : { static_cast<const char*>(nullptr), "", "relative/config" }) {
        SetEnvironment("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(RawPath::UserFolder().View(), At(".config/Quelvane"));
    }
    EXPECT_EQ(fs::status(At(".config/Quelvane")).permissions(), fs::perms::owner_all);
}

// A stored path is made absolute from the current folder as it is given: a link in it is not
// resolved, ".." is not folded, and bytes that are no UTF-8 stay the bytes they were.
TEST_F(RawPathFiles, MakeAbsoluteJoinsTheCurrentFolderWithoutResolving)
{
    fs::create_directory(At("real"));
    fs::create_directory_symlink("real", At("link"));
    fs::path earlier = fs::current_path();
    fs::current_path(root_);
    std::string here = fs::current_path().string(); // the folder as the system names it
    const std::pair<RawString, std::string> cases[] = {
        { Utf8("a.txt"), here + "/a.txt" },
        { Utf8("./link/a.txt"), here + "/link/a.txt" },
        { Utf8("../x/a.txt"), here + "/../x/a.txt" },
        { Utf8("."), here },
        { Utf8("/abs/./a.txt"), "/abs/./a.txt" },
        { RawString("\xFF\x81.txt", RawEncoding::NoSet), here + "/\xFF\x81.txt" },
    };
    for (const auto& [path, absolute] : cases)
        EXPECT_EQ(RawPath::MakeAbsolute(path).View(), absolute) << path.View();
    // Entered through a link, the current folder keeps the name the shell gave it.
    fs::current_path(At("link"));
    SetEnvironment("PWD", At("link").c_str());
    EXPECT_EQ(RawPath::MakeAbsolute(Utf8("a.txt")).View(), At("link/a.txt"));
    SetEnvironment("PWD", root_.c_str()); // names another folder: not taken
    EXPECT_EQ(RawPath::MakeAbsolute(Utf8("a.txt")).View(), fs::current_path().string() + "/a.txt");
    fs::current_path(earlier);
    SetEnvironment("PWD", earlier.c_str());
}

TEST_F(RawPathFiles, ProfilePathsExpandUserThenResolveBesideTheExecutable)
{
    SetEnvironment("XDG_CONFIG_HOME", root_.c_str());
    std::string program(RawPath::ExecutableFolder().View());
    std::string parent(RawPath::FolderPart(Utf8(program)).View());
    const std::pair<const char*, std::string> cases[] = {
        { "$(User)/gui.ini", At("Quelvane/gui.ini") },
        { "a$(User)/b$(User)", program + "/a" + At("Quelvane") + "/b$(User)" }, // the first only
        { "gui.ini", program + "/gui.ini" },
        { "../gui.ini", parent + "/gui.ini" },
        { "/etc/gui.ini", "/etc/gui.ini" },
    };
    for (const auto& [path, resolved] : cases)
        EXPECT_EQ(RawPath::ResolveProfilePath(Utf8(path)).View(), resolved) << path;
    EXPECT_TRUE(RawPath::IsFolder(Utf8(At("Quelvane"))));
}

TEST_F(RawPathFiles, CreateFoldersAndExistenceFollowingLinks)
{
    EXPECT_TRUE(RawPath::CreateFolders(Utf8(At("a/b/c")), 0700));
    EXPECT_EQ(fs::status(At("a")).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(At("a/b/c")).permissions(), fs::perms::owner_all);
    EXPECT_TRUE(RawPath::CreateFolders(Utf8(At("a/b/c/")))); // there already
    EXPECT_TRUE(RawPath::CreateFolders(Utf8(At("a//d"))));
    std::ofstream(At("file")) << "x";
    for (const char* path : { "file", "file/sub" })
        EXPECT_FALSE(RawPath::CreateFolders(Utf8(At(path)))) << path;
    EXPECT_FALSE(RawPath::CreateFolders(Utf8("")));

    fs::create_directory_symlink("a", At("link_folder"));
    fs::create_symlink("missing", At("dangling"));
    EXPECT_TRUE(RawPath::IsFolder(Utf8(At("link_folder"))));
    EXPECT_FALSE(RawPath::IsFile(Utf8(At("link_folder"))));
    EXPECT_FALSE(RawPath::Exists(Utf8(At("dangling"))) || RawPath::Exists(Utf8("")));
}

} // namespace
