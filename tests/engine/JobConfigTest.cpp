#include <engine/JobConfig.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <tests/TestSupport.h>

using namespace JobLayer;
using RawLayer::RawEncoding;

namespace {

using QuelvaneTest::Texts;
using QuelvaneTest::Utf8;

class JobConfigTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder_.Path().empty()); }

    void WriteConfig(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }

    // The command line as start-up hands it over: exact keys, in order.
    static RawParameterList CommandLine(const std::vector<std::pair<std::string, std::string>>& units)
    {
        RawParameterList list;
        list.SetExactKeys(true);
        for (const auto& [key, value] : units)
            list.Add(Utf8(key), Utf8(value));
        return list;
    }

    QuelvaneTest::TestFolder folder_;
    std::string path_ = folder_.Path() + "/Quelvane.ini";
};

} // namespace

TEST_F(JobConfigTest, MissingFileKeepsEveryDefault)
{
    JobConfig config;
    config.Load(Utf8(path_), CommandLine({}));
    EXPECT_EQ(config.TabStop(), 4);
    EXPECT_EQ(config.MaxViewLength(), 1024);
    EXPECT_EQ(config.MaxLineLength(), 16384);
    EXPECT_EQ(config.BackupDays(), 30);
    EXPECT_EQ(config.SlightlyMove(), 20);
    EXPECT_FALSE(config.IsDuplicate());
    EXPECT_TRUE(config.ParameterFile().IsEmpty());
    EXPECT_TRUE(config.StartupParams().targets.IsEmpty());
    EXPECT_NE(config.BackupFolder().Str().find("QuelvaneBackup"), std::string::npos);
}

TEST_F(JobConfigTest, BackupFolderDefaultsToTheUsersStateFolder)
{
    // The environment is the process's: what the test changes it puts back.
    auto saved = [](const char* name) {
        const char* v = std::getenv(name);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    auto restore = [](const char* name, const std::optional<std::string>& value) {
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    };
    std::optional<std::string> state = saved("XDG_STATE_HOME");
    std::optional<std::string> home = saved("HOME");
    setenv("XDG_STATE_HOME", "/srv/state", 1);
    EXPECT_EQ(JobConfig::DefaultBackupFolder().Str(), "/srv/state/QuelvaneBackup");
    setenv("XDG_STATE_HOME", "relative", 1); // not absolute: ignored
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(JobConfig::DefaultBackupFolder().Str(), "/home/someone/.local/state/QuelvaneBackup");
    restore("XDG_STATE_HOME", state);
    restore("HOME", home);
}

TEST_F(JobConfigTest, ViewParametersReadAsIntegersAndTextAsWritten)
{
    WriteConfig("[ViewParameter]\r\nTabStop=abc\r\nMaxViewLength=0x10\r\nMaxLineLength=-5\r\n"
                "BackupFolder=relative/../bk\r\nBackupDays=+7\r\n");
    JobConfig config;
    config.Load(Utf8(path_), CommandLine({}));
    EXPECT_EQ(config.TabStop(), 0);
    EXPECT_EQ(config.MaxViewLength(), 16);
    EXPECT_EQ(config.MaxLineLength(), -5);
    EXPECT_EQ(config.BackupFolder().Str(), "relative/../bk");
    EXPECT_EQ(config.BackupDays(), 7);
    EXPECT_EQ(config.SlightlyMove(), 20);
}

TEST_F(JobConfigTest, CommandLineAppendsAfterParamsInOrder)
{
    WriteConfig("[Params]\nTargetPath=/a;/b%tc\nFileFilter=*.txt\nSearch=\"x;;y\"\nReplace=r\n"
                "IgnoreCase=True\nIsPreview=no\nChecker=4294967295\nLineCount=3\n");
    JobConfig config;
    config.Load(Utf8(path_),
        CommandLine({ { "f", "*.c" }, { "NoTag_1", "/t1" }, { "e", "foo" }, { "f", "*.h" },
            { "NoTagX", "/t2" }, { "H", "ignored" }, { "e", "" } }));
    JobParams& params = config.StartupParams();
    using V = std::vector<std::string>;
    EXPECT_EQ(Texts(params.targets), (V { "/a", "/b\tc", "/t1", "/t2" }));
    EXPECT_EQ(Texts(params.filters), (V { "*.txt", "*.c", "*.h" }));
    EXPECT_EQ(Texts(params.expressions), (V { "x", "", "y", "foo", "" }));
    EXPECT_EQ(Texts(params.replacements), (V { "r" }));
    EXPECT_TRUE(params.ignore_case);
    EXPECT_TRUE(params.preview); // anything but "False" is true
    EXPECT_EQ(params.checker, 4294967295u);
    EXPECT_EQ(params.line_count, 3);
}

TEST_F(JobConfigTest, LastParameterFileWinsAndDuplicateFlagStays)
{
    JobConfig config;
    config.Load(Utf8(path_), CommandLine({ { "d", "/tmp/dup.txt" }, { "p", "/tmp/last.txt" } }));
    EXPECT_EQ(config.ParameterFile().Str(), "/tmp/last.txt");
    EXPECT_TRUE(config.IsDuplicate());

    JobConfig other;
    other.Load(Utf8(path_), CommandLine({ { "p", "/a" }, { "d", "/b" } }));
    EXPECT_EQ(other.ParameterFile().Str(), "/b");
    EXPECT_TRUE(other.IsDuplicate());
}

TEST_F(JobConfigTest, EmptySavedListsReadAsEmptyAndHintsInFileOrder)
{
    WriteConfig("[Params]\nSearch=\nTargetPath=\"\"\n[FilterHints]\n*.c;*.h\nweb=*.html;*.css\n*.txt\n");
    JobConfig config;
    config.Load(Utf8(path_), CommandLine({}));
    EXPECT_TRUE(config.StartupParams().expressions.IsEmpty());
    EXPECT_TRUE(config.StartupParams().targets.IsEmpty());
    EXPECT_EQ(Texts(config.FilterHints()), (std::vector<std::string> { "*.c;*.h", "*.html;*.css", "*.txt" }));
}
