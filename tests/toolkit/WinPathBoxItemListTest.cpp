// The path dialog's listing on real folders: order, hidden entries, links, names that are not
// UTF-8, a folder that cannot be listed, and the quick-navigation entries.

#include <toolkit/WinPathBoxItemList.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <tests/TestSupport.h>
#include <unistd.h>

namespace {

using RawLayer::RawEncoding;
using RawLayer::RawString;
using WinLayer::WinPathBoxItem;
using WinLayer::WinPathBoxItemList;

RawString Bytes(const std::string& text)
{
    return RawString(text, RawEncoding::Utf8);
}

class WinPathBoxItemListTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(root_.empty()); }
    void File(const std::string& name) { std::ofstream(root_ + "/" + name) << "x"; }
    void Folder(const std::string& name) { std::filesystem::create_directory(root_ + "/" + name); }
    std::vector<std::string> Shown() const
    {
        std::vector<std::string> shown;
        for (int32_t i = 0; i < list_.Count(); ++i)
            shown.push_back(list_.At(i).display.Str());
        return shown;
    }

    QuelvaneTest::TestFolder folder_;
    const std::string& root_ = folder_.Path();
    WinPathBoxItemList list_;
    std::string error_;
};

TEST_F(WinPathBoxItemListTest, BackFirstThenFoldersThenFilesInNaturalOrder)
{
    for (const char* name : { "b10.txt", "B2.txt", "a.txt", "データ.csv", ".hidden" })
        File(name);
    for (const char* name : { "src", "Docs", "v10", "v9", ".git" })
        Folder(name);
    ASSERT_EQ(symlink((root_ + "/src").c_str(), (root_ + "/link-to-src").c_str()), 0);
    ASSERT_EQ(symlink((root_ + "/a.txt").c_str(), (root_ + "/link-to-a").c_str()), 0);

    ASSERT_TRUE(list_.ListFolder(Bytes(root_), false, error_)) << error_;
    const std::vector<std::string> expected { "[LinkBackword]", "Docs", "link-to-src", "src", "v9", "v10",
        "a.txt", "B2.txt", "b10.txt", "link-to-a", "データ.csv" };
    EXPECT_EQ(Shown(), expected);
    EXPECT_EQ(list_.At(0).kind, WinPathBoxItem::Kind::Pseudo);
    EXPECT_EQ(list_.At(0).path.Str(), std::filesystem::path(root_).parent_path().string());
    EXPECT_EQ(list_.At(2).kind, WinPathBoxItem::Kind::Folder); // a link to a folder lists as one
    EXPECT_NE(list_.At(2).attributes & WinPathBoxItem::kLink, 0U);
    EXPECT_EQ(list_.At(6).kind, WinPathBoxItem::Kind::File);
    EXPECT_EQ(list_.At(6).path.Str(), root_ + "/a.txt");

    // Hidden entries only when asked for, in their groups.
    ASSERT_TRUE(list_.ListFolder(Bytes(root_), true, error_));
    const std::vector<std::string> shown = Shown();
    EXPECT_EQ(shown[1], ".git");
    EXPECT_EQ(shown[7], ".hidden"); // first of the files
    EXPECT_EQ(shown.size(), expected.size() + 2);
}

TEST_F(WinPathBoxItemListTest, NamesThatAreNotUtf8KeepTheirBytes)
{
    const std::string odd = std::string("caf\xe9-") + "\xe6\x97\xa5"; // Latin-1 é, then 日
    File(odd);
    ASSERT_TRUE(list_.ListFolder(Bytes(root_), false, error_));
    ASSERT_EQ(list_.Count(), 2);
    EXPECT_EQ(list_.At(1).display.Str(), "caf\xEF\xBF\xBD-\xe6\x97\xa5");
    EXPECT_EQ(list_.At(1).path.Str(), root_ + "/" + odd); // the real name, to open the real file
    EXPECT_TRUE(std::filesystem::exists(list_.At(1).path.Str()));
    // Cut and stray bytes each become one mark.
    EXPECT_EQ(WinPathBoxItemList::DisplayName(Bytes("a\xe6\x97")).Str(), "a\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(WinPathBoxItemList::DisplayName(Bytes("\x80z")).Str(), "\xEF\xBF\xBDz");
}

TEST_F(WinPathBoxItemListTest, AFolderThatCannotBeListedKeepsTheListing)
{
    File("kept.txt");
    ASSERT_TRUE(list_.ListFolder(Bytes(root_), false, error_));
    EXPECT_FALSE(list_.ListFolder(Bytes(root_ + "/gone"), false, error_));
    EXPECT_EQ(error_, "No such file or directory");
    EXPECT_EQ(Shown(), (std::vector<std::string> { "[LinkBackword]", "kept.txt" }));
    EXPECT_EQ(list_.Folder().Str(), root_);
    EXPECT_FALSE(list_.ListFolder(Bytes(root_ + "/kept.txt"), false, error_));
    EXPECT_EQ(list_.Count(), 2);
}

TEST_F(WinPathBoxItemListTest, QuickEntriesAndDrives)
{
    ASSERT_TRUE(list_.ListFolder(Bytes(root_), false, error_));
    list_.AddQuickEntries();
    EXPECT_EQ(
        Shown(), (std::vector<std::string> { "[LinkBackword]", "[Desktop]", "[MyDocument]", "[Drives]" }));
    EXPECT_EQ(list_.At(3).pseudo, WinPathBoxItem::Pseudo::Drives);

    list_.ListDrives();
    ASSERT_GT(list_.Count(), 0);
    EXPECT_EQ(list_.At(0).kind, WinPathBoxItem::Kind::Drive);
    bool root_listed = false;
    for (int32_t i = 0; i < list_.Count(); ++i)
        root_listed = root_listed || list_.At(i).path.Str() == "/";
    EXPECT_TRUE(root_listed);
}

} // namespace
