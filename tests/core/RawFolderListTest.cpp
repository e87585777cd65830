#include <core/RawFolderList.h>
#include <core/RawSystemText.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tests/TestSupport.h>

using namespace RawLayer;
using Target = RawFolderListUnit::Target;
using Names = std::set<std::string>;
using Described = std::map<std::string, std::string>;

namespace {

namespace fs = std::filesystem;

constexpr const char* kBadName = "bad\xFF\xFE.txt"; // not valid UTF-8

// A folder holding one entry of every kind the walk meets.
class RawFolderListTree : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(temp_.Path().empty());
        root_ = temp_.Path();
        for (auto [name, content] : { std::pair<const char*, const char*> { "a.txt", "alpha" },
                 { "ro.txt", "read only" }, { ".hidden", "" }, { kBadName, "raw name" } })
            std::ofstream(At(name)) << content;
        fs::permissions(At("ro.txt"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        for (const char* name : { ".hidden_dir", "sub", "ro_dir" })
            fs::create_directory(At(name));
        fs::permissions(At("ro_dir"), fs::perms::owner_read | fs::perms::owner_exec);
        for (auto [target, name] : { std::pair<const char*, const char*> { "a.txt", "link_file" },
                 { "sub", "link_dir" }, { "loop_b", "loop_a" }, { "loop_a", "loop_b" },
                 { "missing", "dangling" }, { "ro.txt", ".ro_link" } })
            fs::create_symlink(target, At(name));
        ASSERT_EQ(mkfifo(At("pipe").c_str(), 0600), 0);
    }

    std::string At(const std::string& name) const { return root_ + "/" + name; }
    RawString Root() const { return RawString(root_, RawEncoding::Utf8); }

    QuelvaneTest::TestFolder temp_;
    std::string root_;
};

// One word for each attribute that is set, so that a row reads as what the entry is.
std::string Describe(const RawFolderListUnit& unit)
{
    std::string text = unit.is_folder ? "folder" : unit.is_regular ? "file" : unit.is_link ? "link" : "other";
    if (unit.is_link)
        text += unit.link_target == Target::Folder ? " to folder"
            : unit.link_target == Target::File     ? " to file"
                                                   : " to nothing";
    text += std::string(unit.is_hidden ? " hidden" : "") + (unit.is_read_only ? " read-only" : "");
    return unit.attributes_known ? text : text + " unknown";
}

TEST_F(RawFolderListTree, ListsEveryEntryAsItIsInTheOrderOfTheFileSystem)
{
    timespec times[2] = { { 0, UTIME_OMIT }, { 1000000000, 123456700 } };
    ASSERT_EQ(utimensat(AT_FDCWD, At("a.txt").c_str(), times, 0), 0);
    RawFolderList list;
    ASSERT_TRUE(list.Read(Root(), 0));
    std::vector<std::string> expected;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(root_.c_str()), closedir);
    while (const dirent* entry = readdir(dir.get()))
        expected.emplace_back(entry->d_name);

    Described described;
    std::vector<std::string> listed;
    for (const RawFolderListUnit& unit : list) {
        listed.push_back(unit.name.Str());
        described[unit.name.Str()] = Describe(unit);
        EXPECT_EQ(unit.path.View(), At(unit.name.Str()));
        // Size and time of a link are those of its target, as reading the path gives.
        if (unit.name.View() == "a.txt" || unit.name.View() == "link_file") {
            EXPECT_TRUE(unit.size == 5 && unit.write_ticks == 126444736001234567ULL) << unit.name.Str();
        }
    }
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(described,
        (Described { { "a.txt", "file" }, { "ro.txt", "file read-only" }, { ".hidden", "file hidden" },
            { ".hidden_dir", "folder hidden" }, { "sub", "folder" }, { "ro_dir", "folder read-only" },
            { ".", "folder" }, { "..", "folder" }, { "link_file", "link to file" },
            { "link_dir", "link to folder" }, { "loop_a", "link to nothing" },
            { "loop_b", "link to nothing" }, { "dangling", "link to nothing" },
            { ".ro_link", "link to file hidden read-only" }, { "pipe", "other" }, { kBadName, "file" } }));
}

TEST_F(RawFolderListTree, SkipOptionsLeaveOutTheirEntries)
{
    const Names all = { ".", "..", "a.txt", "ro.txt", ".hidden", kBadName, "pipe", ".hidden_dir", "sub",
        "ro_dir", "link_file", "link_dir", "loop_a", "loop_b", "dangling", ".ro_link" };
    auto all_but = [&all](const Names& left_out) {
        Names names;
        std::set_difference(
            all.begin(), all.end(), left_out.begin(), left_out.end(), std::inserter(names, names.end()));
        return names;
    };
    // 01 folders, 02 non-folders, 04 links, 10 "." and "..", 20 system, 40 hidden, 80 read-only.
    const std::pair<uint32_t, Names> cases[] = {
        { 0x10 | 0x01, all_but({ ".", "..", ".hidden_dir", "sub", "ro_dir" }) },
        { 0x10 | 0x02, all_but({ ".", "..", "a.txt", "ro.txt", ".hidden", kBadName, "pipe" }) },
        { 0x10 | 0x02 | 0x04, { ".hidden_dir", "sub", "ro_dir" } },
        { 0x10 | 0x04,
            all_but({ ".", "..", "link_file", "link_dir", "loop_a", "loop_b", "dangling", ".ro_link" }) },
        { 0x40, all_but({ ".hidden", ".hidden_dir", ".ro_link" }) }, // "." and ".." answer to 0x10 only
        { 0x80, all_but({ "ro.txt", "ro_dir", ".ro_link" }) },       // a link by its target
        { 0x20, all },                                               // there are no system files
        { 0x01 | 0x02, { "link_file", "link_dir", "loop_a", "loop_b", "dangling", ".ro_link" } },
    };
    for (const auto& [options, expected] : cases) {
        RawFolderList list;
        ASSERT_TRUE(list.Read(Root(), options));
        Names names;
        for (const RawFolderListUnit& unit : list)
            names.insert(unit.name.Str());
        EXPECT_EQ(names, expected) << std::hex << options;
    }
    // An entry whose attributes could not be read may be a folder, so no kind option drops it.
    RawFolderListUnit unknown;
    EXPECT_TRUE(RawFolderList::Keeps(unknown, 0x01) && RawFolderList::Keeps(unknown, 0x02));
}

TEST_F(RawFolderListTree, ANameThatIsNotUtf8OpensTheSameFile)
{
    RawFolderList list;
    ASSERT_TRUE(list.Read(Root(), 0));
    std::string content;
    for (const RawFolderListUnit& unit : list)
        if (unit.name.View() == kBadName && RawSystemText(unit.path).IsValid())
            std::getline(std::ifstream(RawSystemText(unit.path).CStr()), content);
    EXPECT_EQ(content, "raw name");
}

TEST_F(RawFolderListTree, AFolderThatCannotBeListedFails)
{
    const std::pair<RawString, int> cases[] = {
        { RawString(At("a.txt"), RawEncoding::Utf8), ENOTDIR },
        { RawString(At("gone"), RawEncoding::Utf8), ENOENT },
        { RawString(At("loop_a"), RawEncoding::Utf8), ELOOP }, { RawString(), ENOENT },
        { RawString(std::string_view("/tmp\0x", 6), RawEncoding::Utf8), EINVAL }, // a zero byte
    };
    for (const auto& [path, error] : cases) {
        RawFolderList list;
        ASSERT_TRUE(list.Read(Root(), 0));
        EXPECT_FALSE(list.Read(path, 0)) << path.Str();
        EXPECT_EQ(list.Error(), error) << path.Str();
        EXPECT_TRUE(list.IsEmpty()); // nothing of the earlier listing is left
    }
}

} // namespace
