#include <core/RawUserFolders.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <tests/TestSupport.h>

using namespace RawLayer;

namespace {

using QuelvaneTest::Utf8;

std::vector<std::string> Strings(const RawStringList& list)
{
    std::vector<std::string> out;
    for (const RawString& each : list)
        out.push_back(each.Str());
    return out;
}

TEST(RawUserFoldersText, UserDirsEntries)
{
    const RawString home = Utf8("/home/ユーザー");
    const struct {
        const char* text;
        const char* desktop;
    } cases[] = {
        { "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", "/home/ユーザー/Desktop" },
        { "# comment\n  XDG_DESKTOP_DIR=\"/srv/desk\"\n", "/srv/desk" },
        { "XDG_DESKTOP_DIR=\"$HOME/デスクトップ\"", "/home/ユーザー/デスクトップ" },
        { "XDG_DESKTOP_DIR=\"$HOME/My \\\"Desk\\\"\"\n", "/home/ユーザー/My \"Desk\"" },
        { "XDG_DESKTOP_DIR=\"$HOME\"\n", "/home/ユーザー" },
        { "XDG_DESKTOP_DIR=\"Desktop\"\n", "" },                      // neither $HOME nor absolute
        { "XDG_DESKTOP_DIR=$HOME/Desktop\n", "" },                    // not quoted
        { "XDG_DESKTOP_DIR=\"$HOMEWORK/x\"\n", "" },                  // not the variable $HOME
        { "XDG_DESKTOP_DIRS=\"/wrong\"\n", "" },                      // another key
        { "XDG_DESKTOP_DIR=\"/a\"\nXDG_DESKTOP_DIR=\"/b\"\n", "/b" }, // the last one wins
        { "XDG_DESKTOP_DIR=\"/open", "" },                            // unterminated
        { "", "" },
    };
    for (const auto& each : cases)
        EXPECT_EQ(RawUserFolders::ParseUserDirs(each.text, "XDG_DESKTOP_DIR", home).Str(), each.desktop)
            << each.text;
}

TEST(RawUserFoldersText, WorkMountsFromTheMountsTable)
{
    const char* table = "proc /proc proc rw 0 0\n"
                        "overlay / overlay rw 0 0\n"
                        "sysfs /sys sysfs rw 0 0\n"
                        "/dev/sda2 /home ext4 rw 0 0\n"
                        "/dev/sdb1 /media/usb\\040stick vfat rw 0 0\n"
                        "/dev/sdc1 /mnt/data ext4 rw 0 0\n"
                        "/dev/sdd1 /run/media/u/disk ext4 rw 0 0\n"
                        "/dev/sde1 /homework ext4 rw 0 0\n"
                        "tmpfs /media tmpfs rw 0 0\n"
                        "tmpfs /dev/shm tmpfs rw 0 0\n"
                        "overlay / overlay rw 0 0\n"
                        "broken\n";
    const std::vector<std::string> expected { "/", "/home", "/media/usb stick", "/mnt/data",
        "/run/media/u/disk" };
    EXPECT_EQ(Strings(RawUserFolders::WorkMounts(table)), expected);
    // The process's own table has its root.
    const std::vector<std::string> drives = Strings(RawUserFolders::Drives());
    EXPECT_NE(std::find(drives.begin(), drives.end(), "/"), drives.end());
}

class RawUserFoldersHome : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(home_.empty());
        if (const char* home = std::getenv("HOME"))
            saved_home_ = home;
        setenv("HOME", home_.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home_ + "/.config").c_str(), 1);
        unsetenv("XDG_DESKTOP_DIR");
        unsetenv("XDG_DOCUMENTS_DIR");
    }
    void TearDown() override
    {
        saved_home_.empty() ? unsetenv("HOME") : setenv("HOME", saved_home_.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
    }
    void WriteUserDirs(const std::string& text)
    {
        std::filesystem::create_directories(home_ + "/.config");
        std::ofstream(home_ + "/.config/user-dirs.dirs") << text;
    }

    QuelvaneTest::TestFolder folder_;
    const std::string& home_ = folder_.Path();
    std::string saved_home_;
};

TEST_F(RawUserFoldersHome, SettingsFileThenFallbacksThenHome)
{
    // Nothing configured and no ~/Desktop: the home folder.
    EXPECT_EQ(RawUserFolders::Desktop().Str(), home_);
    std::filesystem::create_directory(home_ + "/Documents");
    EXPECT_EQ(RawUserFolders::Documents().Str(), home_ + "/Documents");

    // The settings file names a folder that exists: it wins; one that is missing is passed over.
    std::filesystem::create_directory(home_ + "/デスクトップ");
    WriteUserDirs("XDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\nXDG_DOCUMENTS_DIR=\"$HOME/gone\"\n");
    EXPECT_EQ(RawUserFolders::Desktop().Str(), home_ + "/デスクトップ");
    EXPECT_EQ(RawUserFolders::Documents().Str(), home_ + "/Documents");

    // The environment comes first.
    setenv("XDG_DESKTOP_DIR", "/tmp", 1);
    EXPECT_EQ(RawUserFolders::Desktop().Str(), "/tmp");
    unsetenv("XDG_DESKTOP_DIR");
}

TEST_F(RawUserFoldersHome, APipeInPlaceOfTheSettingsFileDoesNotBlock)
{
    std::filesystem::create_directories(home_ + "/.config");
    ASSERT_EQ(mkfifo((home_ + "/.config/user-dirs.dirs").c_str(), 0600), 0);
    EXPECT_EQ(RawUserFolders::Desktop().Str(), home_);
}

} // namespace
