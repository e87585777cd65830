#include <app/GuiStartup.h>
#include <core/RawProfile.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tests/TestSupport.h>

using namespace AppLayer;
using RawLayer::RawEncoding;
using RawLayer::RawProfile;

namespace {

using QuelvaneTest::Texts;
using QuelvaneTest::Utf8;

using Units = std::vector<std::pair<std::string, std::string>>;

Units Parsed(const std::vector<std::string>& words)
{
    Units units;
    for (const auto& unit : GuiStartup::ParseArguments(words))
        units.emplace_back(unit.key.Str(), unit.value.Str());
    return units;
}

class GuiStartupTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(temp_.Path().empty());
        folder_ = temp_.Path();
        executable_ = folder_ + "/quelvane";
        profile_ = executable_ + ".ini";
        setenv("XDG_CONFIG_HOME", (folder_ + "/config").c_str(), 1);
    }
    void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }
    void Write(const std::string& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }

    GuiStartup::Outcome Start(const std::vector<std::string>& words)
    {
        message_.clear();
        return startup_.Run(words, Utf8(executable_), message_);
    }

    QuelvaneTest::TestFolder temp_;
    std::string folder_;
    std::string executable_;
    std::string profile_;
    std::string message_;
    JobLayer::JobConfig config_;
    RawLanguageTable language_;
    GuiStartup startup_ { config_, language_ };
};

} // namespace

TEST(GuiStartupArguments, WordsBecomeOptionsValuesAndNumberedTargets)
{
    EXPECT_EQ(Parsed({}), Units {});
    EXPECT_EQ(Parsed({ "-f", "*.c", "-f", "*.h", "/src", "/my docs" }),
        (Units { { "f", "*.c" }, { "f", "*.h" }, { "NoTag_1", "/src" }, { "NoTag_2", "/my docs" } }));
    EXPECT_EQ(Parsed({ "-e", "-f", "x" }), (Units { { "e", "" }, { "f", "x" } }));
    EXPECT_EQ(Parsed({ "-p" }), (Units { { "p", "" } }));
    EXPECT_EQ(Parsed({ "-h", "target" }), (Units { { "h", "" }, { "NoTag_1", "target" } }));
    EXPECT_EQ(Parsed({ "-H", "x" }), (Units { { "H", "x" } }));
    EXPECT_EQ(Parsed({ "--e", "v" }), (Units { { "", "" }, { "e", "v" } }));
    EXPECT_EQ(Parsed({ "-", "a" }), (Units { { "", "" }, { "NoTag_1", "a" } }));
    EXPECT_EQ(Parsed({ "", "-e", "" }), (Units { { "NoTag_1", "" }, { "e", "" } }));
    EXPECT_EQ(Parsed({ "-e", "%d;\"x\"" }), (Units { { "e", "%d;\"x\"" } }));
    EXPECT_TRUE(GuiStartup::ParseArguments({}).ExactKeys());
}

TEST(GuiStartupArguments, ProfileSitsBesideTheExecutable)
{
    EXPECT_EQ(GuiStartup::ProgramProfilePath(Utf8("/opt/q/quelvane")).Str(), "/opt/q/quelvane.ini");
    EXPECT_EQ(GuiStartup::ProgramProfilePath(Utf8("/opt/q/quelvane.bin")).Str(), "/opt/q/quelvane.ini");
    EXPECT_EQ(GuiStartup::ProgramProfilePath(Utf8("/opt/q.d/quelvane")).Str(), "/opt/q.d/quelvane.ini");
}

TEST_F(GuiStartupTest, HelpEndsBeforeTheProfileIsTouched)
{
    EXPECT_EQ(Start({ "-e", "x", "-h" }), GuiStartup::Outcome::Help);
    EXPECT_EQ(message_, GuiStartup::kUsage);
    EXPECT_FALSE(std::ifstream(profile_).good());
}

TEST_F(GuiStartupTest, MissingProfileIsCreatedAndEverythingDefaults)
{
    EXPECT_EQ(Start({ "-e", "needle", "/target" }), GuiStartup::Outcome::GoOn);
    RawProfile created(Utf8(profile_));
    EXPECT_EQ(created.GetText(Utf8("Common"), Utf8("Program"), RawString()).Str(), "Quelvane");
    EXPECT_EQ(startup_.GuiProfile().Str(), profile_);
    EXPECT_EQ(startup_.ConfigPath().Str(), profile_);
    EXPECT_EQ(config_.StartupParams().expressions.Front().Str(), "needle");
    EXPECT_EQ(config_.StartupParams().targets.Front().Str(), "/target");
}

TEST_F(GuiStartupTest, ProfileWithoutProgramIsRejected)
{
    Write(profile_, "[Common]\r\nProgram=\r\nGuiProfile=gui.ini\r\n");
    EXPECT_EQ(Start({}), GuiStartup::Outcome::BadProfile);
    EXPECT_EQ(message_, GuiStartup::kBadProfile);
    Write(profile_, "[Other]\r\nProgram=Quelvane\r\n");
    EXPECT_EQ(Start({}), GuiStartup::Outcome::BadProfile);
}

TEST_F(GuiStartupTest, ProfileThatIsAFolderMeansDefaults)
{
    ASSERT_EQ(mkdir(profile_.c_str(), 0700), 0);
    EXPECT_EQ(Start({ "-f", "*.txt" }), GuiStartup::Outcome::GoOn);
    EXPECT_EQ(startup_.ConfigPath().Str(), profile_);
    EXPECT_EQ(config_.TabStop(), 4);
    EXPECT_EQ(config_.StartupParams().filters.Front().Str(), "*.txt");
}

TEST_F(GuiStartupTest, CommonNamesTheOtherFilesByTheProfilePathRule)
{
    std::string user = folder_ + "/config/Quelvane";
    Write(profile_,
        "[Common]\r\nProgram=Quelvane\r\nGuiProfile=$(User)/gui.ini\r\nConfigFile=../conf/quelvane.conf\r\n"
        "Language=Japanese\r\nLanguageFile=lang/Lang.ini\r\n");
    ASSERT_EQ(mkdir((folder_ + "/lang").c_str(), 0700), 0);
    Write(folder_ + "/lang/Lang.ini", "[Japanese]\r\nTitleMenu.ViewHelp=x\r\n");
    EXPECT_EQ(Start({}), GuiStartup::Outcome::GoOn);
    EXPECT_EQ(startup_.GuiProfile().Str(), user + "/gui.ini");
    struct stat info;
    EXPECT_EQ(stat(user.c_str(), &info), 0); // "$(User)" is created on the way
    std::string parent = folder_.substr(0, folder_.rfind('/'));
    EXPECT_EQ(startup_.ConfigPath().Str(), parent + "/conf/quelvane.conf");
    EXPECT_EQ(language_.FilePath().Str(), folder_ + "/lang/Lang.ini");
    EXPECT_EQ(language_.Language().Str(), "Japanese");
}

TEST_F(GuiStartupTest, ConfigurationFileFeedsTheConfiguration)
{
    Write(profile_, "[Common]\r\nProgram=Quelvane\r\nConfigFile=conf.ini\r\n");
    Write(folder_ + "/conf.ini", "[ViewParameter]\r\nTabStop=8\r\n[Params]\r\nSearch=a;b\r\n");
    EXPECT_EQ(Start({ "-e", "c", "-p", "/saved.txt" }), GuiStartup::Outcome::GoOn);
    EXPECT_EQ(config_.TabStop(), 8);
    EXPECT_EQ(config_.StartupParams().expressions.Count(), 3);
    EXPECT_EQ(config_.ParameterFile().Str(), "/saved.txt");
}

TEST_F(GuiStartupTest, UnwritableFolderFallsBackToTheUsersProfile)
{
    // An executable in a folder that does not exist stands for one in a read-only folder (the
    // tests run as root, who may write anywhere).
    executable_ = folder_ + "/missing/quelvane";
    EXPECT_EQ(Start({}), GuiStartup::Outcome::GoOn);
    EXPECT_EQ(startup_.ProgramProfile().Str(), folder_ + "/config/Quelvane/Quelvane.ini");
    RawProfile created(startup_.ProgramProfile());
    EXPECT_EQ(created.GetText(Utf8("Common"), Utf8("Program"), RawString()).Str(), "Quelvane");
}

TEST(GuiMain, HelpIsPrintedOnStandardErrorAndExitCodeIsZero)
{
    char program[] = "quelvane";
    char help[] = "-h";
    char* argv[] = { program, help, nullptr };
    testing::internal::CaptureStderr();
    EXPECT_EQ(GuiMain(2, argv), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("Quelvane: ") + GuiStartup::kUsage + "\n");
}
