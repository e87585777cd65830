#include <core/RawFolderWalk.h>
#include <core/RawPathAt.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tests/TestSupport.h>
#include <unistd.h>

using RawLayer::RawFolderWalk;
using Kind = RawFolderWalk::Kind;
using Target = RawFolderWalk::Target;

namespace {

RawLayer::RawString Bytes(const std::string& path)
{
    return RawLayer::RawString(path, RawLayer::RawEncoding::Utf8);
}

void Touch(const std::string& path)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0) << path;
    close(fd);
}

// One reported entry: its path below the start, kind, depth and, for links, target.
using Seen = std::tuple<std::string, Kind, int32_t, Target>;

std::vector<Seen> Walk(const std::string& start)
{
    RawFolderWalk walk;
    std::vector<Seen> seen;
    EXPECT_TRUE(walk.Start(Bytes(start)));
    while (walk.Next()) {
        Target target = walk.EntryKind() == Kind::Link ? walk.LinkTarget() : Target::None;
        seen.emplace_back(walk.Path().substr(start.size()), walk.EntryKind(), walk.Depth(), target);
    }
    return seen;
}

} // namespace

// Every kind of entry is reported once with its folder's depth; links and pipes are reported,
// never followed or opened (a link to the start folder would otherwise walk forever); the
// entries of a folder come after it and before its parent's next entry.
TEST(RawFolderWalk, ReportsEveryEntryOnceWithoutFollowingLinks)
{
    QuelvaneTest::TestFolder folder;
    const std::string root = folder.Path();
    ASSERT_EQ(mkdir((root + "/sub").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((root + "/sub/日本").c_str(), 0700), 0);
    ASSERT_NO_FATAL_FAILURE(Touch(root + "/a.txt"));
    ASSERT_NO_FATAL_FAILURE(Touch(root + "/sub/日本/b\xFF.txt"));
    ASSERT_EQ(symlink("a.txt", (root + "/to-file").c_str()), 0);
    ASSERT_EQ(symlink("..", (root + "/sub/to-root").c_str()), 0);
    ASSERT_EQ(symlink("missing", (root + "/dangling").c_str()), 0);
    ASSERT_EQ(mkfifo((root + "/pipe").c_str(), 0600), 0);

    std::vector<Seen> seen = Walk(root);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), Seen("", Kind::Folder, 0, Target::None));
    std::vector<Seen> expected { { "", Kind::Folder, 0, Target::None },
        { "/a.txt", Kind::File, 0, Target::None }, { "/sub", Kind::Folder, 1, Target::None },
        { "/sub/日本", Kind::Folder, 2, Target::None },
        { "/sub/日本/b\xFF.txt", Kind::File, 2, Target::None },
        { "/sub/to-root", Kind::Link, 1, Target::Folder }, { "/to-file", Kind::Link, 0, Target::File },
        { "/dangling", Kind::Link, 0, Target::None }, { "/pipe", Kind::Other, 0, Target::None } };
    std::vector<Seen> sorted = seen;
    std::sort(sorted.begin(), sorted.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sorted, expected);

    // Depth first: everything below "sub" directly follows it.
    auto sub = std::find(seen.begin(), seen.end(), Seen("/sub", Kind::Folder, 1, Target::None));
    ASSERT_NE(sub, seen.end());
    for (auto entry = sub + 1; entry != sub + 4; ++entry)
        EXPECT_TRUE(std::get<0>(*entry).starts_with("/sub/")) << std::get<0>(*entry);
}

// A tree far deeper than the path length limit, and than the number of folders whose listing
// stays open, is walked to its bottom, every entry opens through its folder's descriptor, and
// the walk comes back up to report the entries after the deep branch.
TEST(RawFolderWalk, WalksBelowThePathLengthLimit)
{
    QuelvaneTest::TestFolder folder;
    const std::string deep
        = QuelvaneTest::MakeDeepFolder(folder.Path(), RawFolderWalk::kStreamLevels + 40, 90);
    ASSERT_FALSE(deep.empty());
    ASSERT_GT(deep.size(), 6000u);
    ASSERT_TRUE(QuelvaneTest::WriteDeepFile(deep, "deep.txt", "needle\n"));
    ASSERT_NO_FATAL_FAILURE(Touch(folder.Path() + "/z-after.txt"));

    RawFolderWalk walk;
    ASSERT_TRUE(walk.Start(Bytes(folder.Path())));
    int files = 0;
    int32_t deepest = 0;
    while (walk.Next()) {
        deepest = std::max(deepest, walk.Depth());
        if (walk.EntryKind() != Kind::File)
            continue;
        ++files;
        int fd = openat(walk.FolderFd(), std::string(walk.Name()).c_str(), O_RDONLY | O_CLOEXEC);
        EXPECT_GE(fd, 0) << walk.Name();
        if (fd >= 0)
            close(fd);
        if (walk.Name() == "deep.txt") {
            EXPECT_EQ(walk.Path(), deep + "/deep.txt");
        }
    }
    EXPECT_EQ(files, 2);
    EXPECT_EQ(deepest, RawFolderWalk::kStreamLevels + 40);

    // The same file is reached by its path alone, however long.
    RawLayer::RawPathAt at(Bytes(deep + "/deep.txt"));
    ASSERT_TRUE(at.IsValid()) << at.Error();
    int fd = openat(at.Folder(), at.Name(), O_RDONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    if (fd >= 0)
        close(fd);
}

TEST(RawFolderWalk, AStartThatIsNoFolderFailsWithItsReason)
{
    QuelvaneTest::TestFolder folder;
    ASSERT_NO_FATAL_FAILURE(Touch(folder.Path() + "/file"));
    const std::pair<std::string, int> cases[]
        = { { folder.Path() + "/gone", ENOENT }, { folder.Path() + "/file", ENOTDIR } };
    for (const auto& [start, error] : cases) {
        RawFolderWalk walk;
        EXPECT_FALSE(walk.Start(Bytes(start))) << start;
        EXPECT_EQ(walk.Error(), error) << start;
    }
}
