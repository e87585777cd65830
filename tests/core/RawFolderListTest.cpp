#include <core/RawFolderList.h>
#include <core/RawSystemText.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace RawLayer;
using Target = RawFolderListUnit::Target;
using Names = std::set<std::string>;

namespace {

constexpr const char* kBadName = "bad\xFF\xFE.txt"; // not valid UTF-8

// A folder holding one entry of every kind the walk meets.
class RawFolderListTree : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quelvane-folder-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        MakeFile("a.txt", "alpha");
        MakeFile("ro.txt", "read only");
        ASSERT_EQ(chmod(At("ro.txt").c_str(), 0444), 0);
        MakeFile(".hidden", "");
        MakeFile(kBadName, "raw name");
        ASSERT_EQ(mkdir(At(".hidden_dir").c_str(), 0700), 0);
        ASSERT_EQ(mkdir(At("sub").c_str(), 0700), 0);
        MakeFile("sub/inner.txt", "inner");
        ASSERT_EQ(symlink("a.txt", At("link_file").c_str()), 0);
        ASSERT_EQ(symlink("sub", At("link_dir").c_str()), 0);
        ASSERT_EQ(symlink("loop_b", At("loop_a").c_str()), 0);
        ASSERT_EQ(symlink("loop_a", At("loop_b").c_str()), 0);
        ASSERT_EQ(symlink("missing", At("dangling").c_str()), 0);
        ASSERT_EQ(mkfifo(At("pipe").c_str(), 0600), 0);
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    std::string At(const std::string& name) const { return root_ + "/" + name; }
    RawString Root() const { return RawString(root_, RawEncoding::Utf8); }
    void MakeFile(const std::string& name, std::string_view content) const
    {
        int fd = open(At(name).c_str(), O_CREAT | O_WRONLY | O_EXCL, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
        close(fd);
    }
    static Names NamesOf(const RawFolderList& list)
    {
        Names names;
        for (const RawFolderListUnit& unit : list)
            names.insert(unit.name.Str());
        return names;
    }
    static const RawFolderListUnit* Find(const RawFolderList& list, std::string_view name)
    {
        for (const RawFolderListUnit& unit : list)
            if (unit.name.View() == name)
                return &unit;
        return nullptr;
    }

    std::string root_;
};

} // namespace

TEST_F(RawFolderListTree, ListsEveryEntryInTheOrderOfTheFileSystem)
{
    RawFolderList list;
    ASSERT_TRUE(list.Read(Root(), 0));
    EXPECT_EQ(list.Error(), 0);
    std::vector<std::string> expected;
    DIR* dir = opendir(root_.c_str());
    ASSERT_NE(dir, nullptr);
    while (const dirent* entry = readdir(dir))
        expected.emplace_back(entry->d_name);
    closedir(dir);
    std::vector<std::string> listed;
    for (const RawFolderListUnit& unit : list) {
        listed.push_back(unit.name.Str());
        EXPECT_EQ(unit.path.View(), At(unit.name.Str()));
    }
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(listed.size(), 14U); // 12 entries, "." and ".."
}

TEST_F(RawFolderListTree, ReportsWhatEachEntryIs)
{
    // One word for each attribute that is set, so that a row reads as what the entry is.
    auto describe = [](const RawFolderListUnit& unit) {
        std::string text = unit.is_folder ? "folder"
            : unit.is_regular             ? "file"
            : unit.is_link                ? "link"
                                          : "other";
        if (unit.is_link)
            text += unit.link_target == Target::Folder ? " to folder"
                : unit.link_target == Target::File     ? " to file"
                                                       : " to nothing";
        text += std::string(unit.is_hidden ? " hidden" : "") + (unit.is_read_only ? " read-only" : "");
        return unit.attributes_known ? text : text + " unknown";
    };
    RawFolderList list;
    ASSERT_TRUE(list.Read(Root(), 0));
    const std::pair<const char*, const char*> cases[] = { { "a.txt", "file" }, { "ro.txt", "file read-only" },
        { ".hidden", "file hidden" }, { ".hidden_dir", "folder hidden" }, { "sub", "folder" },
        { ".", "folder" }, { "..", "folder" }, { "link_file", "link to file" },
        { "link_dir", "link to folder" }, { "loop_a", "link to nothing" }, { "dangling", "link to nothing" },
        { "pipe", "other" }, { kBadName, "file" } };
    for (const auto& [name, expected] : cases) {
        const RawFolderListUnit* unit = Find(list, name);
        ASSERT_NE(unit, nullptr) << name;
        EXPECT_EQ(describe(*unit), expected) << name;
    }
}

TEST_F(RawFolderListTree, SizeAndTimeOfALinkAreThoseOfItsTarget)
{
    timespec times[2] = { { 0, UTIME_OMIT }, { 1000000000, 123456700 } };
    ASSERT_EQ(utimensat(AT_FDCWD, At("a.txt").c_str(), times, 0), 0);
    RawFolderList list;
    ASSERT_TRUE(list.Read(Root(), 0));
    for (const char* name : { "a.txt", "link_file" }) {
        SCOPED_TRACE(name);
        const RawFolderListUnit* unit = Find(list, name);
        ASSERT_NE(unit, nullptr);
        EXPECT_EQ(unit->size, 5);
        EXPECT_EQ(unit->write_ticks, 126444736001234567ULL);
    }
}

TEST_F(RawFolderListTree, SkipOptionsLeaveOutTheirEntries)
{
    const Names all = { ".", "..", "a.txt", "ro.txt", ".hidden", kBadName, ".hidden_dir", "sub", "link_file",
        "link_dir", "loop_a", "loop_b", "dangling", "pipe" };
    auto all_but = [&all](const Names& left_out) {
        Names names;
        for (const std::string& name : all)
            if (left_out.count(name) == 0)
                names.insert(name);
        return names;
    };
    const Names links = { "link_file", "link_dir", "loop_a", "loop_b", "dangling" };
    const struct {
        uint32_t options;
        Names expected;
    } cases[] = {
        { 0x10 | 0x01, all_but({ ".", "..", ".hidden_dir", "sub" }) },
        { 0x10 | 0x02,
            Names { ".hidden_dir", "sub", "link_file", "link_dir", "loop_a", "loop_b", "dangling" } },
        { 0x10 | 0x02 | 0x04, Names { ".hidden_dir", "sub" } },
        { 0x10 | 0x04, all_but({ ".", "..", "link_file", "link_dir", "loop_a", "loop_b", "dangling" }) },
        { 0x10 | 0x40, all_but({ ".", "..", ".hidden", ".hidden_dir" }) },
        { 0x40, all_but({ ".hidden", ".hidden_dir" }) }, // "." and ".." answer to 0x10 only
        { 0x80, all_but({ "ro.txt" }) },
        { 0x20, all }, // there are no system files
        { 0x01 | 0x02, links },
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.options);
        RawFolderList list;
        ASSERT_TRUE(list.Read(Root(), test.options));
        EXPECT_EQ(NamesOf(list), test.expected);
    }
}

TEST_F(RawFolderListTree, ANameThatIsNotUtf8OpensTheSameFile)
{
    RawFolderList list;
    ASSERT_TRUE(list.Read(Root(), RawFolderList::kSkipDots | RawFolderList::kSkipFolders));
    const RawFolderListUnit* unit = Find(list, kBadName);
    ASSERT_NE(unit, nullptr);
    RawSystemText path(unit->path);
    ASSERT_TRUE(path.IsValid());
    int fd = open(path.CStr(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    char content[16] = {};
    EXPECT_EQ(read(fd, content, sizeof content), 8);
    close(fd);
    EXPECT_STREQ(content, "raw name");
}

TEST_F(RawFolderListTree, AFolderThatCannotBeListedFails)
{
    ASSERT_EQ(mkdir(At("gone").c_str(), 0700), 0);
    ASSERT_EQ(rmdir(At("gone").c_str()), 0);
    const struct {
        const char* what;
        RawString path;
        int error;
    } cases[] = {
        { "a file", RawString(At("a.txt"), RawEncoding::Utf8), ENOTDIR },
        { "a removed folder", RawString(At("gone"), RawEncoding::Utf8), ENOENT },
        { "a link cycle", RawString(At("loop_a"), RawEncoding::Utf8), ELOOP },
        { "an empty path", RawString(), ENOENT },
        { "a path with a zero byte", RawString(std::string_view("/tmp\0x", 6), RawEncoding::Utf8), EINVAL },
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        RawFolderList list;
        ASSERT_TRUE(list.Read(Root(), 0));
        EXPECT_FALSE(list.Read(test.path, 0));
        EXPECT_EQ(list.Error(), test.error);
        EXPECT_TRUE(list.IsEmpty()); // nothing of the earlier listing is left
    }
}

namespace {

RawFolderListUnit Unit(const char* name, bool folder, bool link = false, bool read_only = false)
{
    RawFolderListUnit unit;
    unit.name = RawString(std::string_view(name), RawEncoding::Utf8);
    unit.attributes_known = true;
    unit.is_folder = folder;
    unit.is_regular = !folder && !link;
    unit.is_link = link;
    unit.is_hidden = name[0] == '.' && !unit.IsDotEntry();
    unit.is_read_only = read_only;
    return unit;
}

} // namespace

TEST(RawFolderListEntryTest, KeepsOrSkipsByTheOptions)
{
    RawFolderListUnit unknown = Unit("vanished", false);
    unknown.attributes_known = false;
    // The cases the folder of the other tests does not hold.
    const struct {
        const char* what;
        RawFolderListUnit unit;
        uint32_t options;
        bool kept;
    } cases[] = {
        { "unreadable stays with 02", unknown, 0x02, true },
        { "unreadable stays with 01", unknown, 0x01, true },
        { "read-only folder by 80", Unit("r", true, false, true), 0x80, false },
        { "read-only link by 80", Unit("r", false, true, true), 0x80, false },
        { "hidden link by 40", Unit(".l", false, true), 0x40, false },
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        EXPECT_EQ(RawFolderList::Keeps(test.unit, test.options), test.kept);
    }
}
