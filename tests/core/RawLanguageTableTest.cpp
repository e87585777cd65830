#include <core/RawLanguageTable.h>
#include <core/RawProfile.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <tests/TestSupport.h>

using namespace RawLayer;

namespace {

using QuelvaneTest::Texts;
using QuelvaneTest::Utf8;

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// A language file (with a byte order mark) that maps Japanese by locale, language and Windows id,
// German and Chinese by Windows id only, British and Chinese to languages without a section, and
// has a French section that the map never names.
const char kSample[]
    = "\xEF\xBB\xBF// sample\r\n[LangMap]\r\nja_JP=Japanese\r\n1031=German\r\nja=Japanese\r\n1028=Chinese\r\n"
      "en_GB=British\r\n[Default]\r\nTitleMenu.ViewHelp=View help (file).\r\n[Japanese]\r\n"
      "TitleMenu.ViewHelp=\xE3\x83\x98\xE3\x83\xAB\xE3\x83\x97\r\n"
      "titlemenu.viewhelp=second of a key is ignored\r\nCommonDialog.CheckAllButton=Check\\nAll\r\n"
      "[German]\r\nTitleMenu.ViewHelp=Hilfe\r\n[French]\r\nTitleMenu.ViewHelp=Aide\r\n";

// A fresh temp folder with a config folder and an executable folder. The locale variables are
// cleared so the user's own locale never decides a test (the process ends with the binary, so
// they need no restoring).
class LanguageTableTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(temp_.Path().empty());
        dir_ = temp_.Path();
        fs::create_directories(dir_ / "config");
        fs::create_directories(dir_ / "exe");
        for (const char* name : { "LC_ALL", "LC_MESSAGES", "LANG" })
            unsetenv(name);
    }

    bool LoadSample(RawLanguageTable& table, const std::string& content = kSample)
    {
        std::ofstream(dir_ / "config" / "LanguageFile.ini") << content;
        return table.Load(Utf8((dir_ / "config").string()), Utf8((dir_ / "exe").string()));
    }

    QuelvaneTest::TestFolder temp_;
    fs::path dir_;
};

TEST_F(LanguageTableTest, LanguageChosenByLocale)
{
    const char* japanese = "\xE3\x83\x98\xE3\x83\xAB\xE3\x83\x97";
    const char* file_default = "View help (file).";
    // LC_ALL, LC_MESSAGES, LANG (the first set one counts, without codeset and modifier), then
    // the language and the text it gives.
    std::array<const char*, 5> cases[] = {
        { "", "", "ja_JP.UTF-8", "Japanese", japanese },  // by "ll_CC"
        { "", "", "ja_XX", "Japanese", japanese },        // by "ll"
        { "", "de_AT@euro", "ja_JP", "German", "Hilfe" }, // by the id of the first "de_" locale
        { "", "", "zh_TW", "Chinese", "fallback" },       // by its own id, not the first "zh_" one
        { "en_GB.ISO-8859-1", "de_DE", "ja_JP", "British", "fallback" }, // mapped, but no section
        { "", "", "fr_FR", "Default", file_default },                    // the map knows no French
        { "", "POSIX.UTF-8", "ja_JP", "Default", file_default }, // the portable locale names no language
    };
    for (auto [lc_all, lc_messages, lang, language, text] : cases) {
        setenv("LC_ALL", lc_all, 1);
        setenv("LC_MESSAGES", lc_messages, 1);
        setenv("LANG", lang, 1);
        RawLanguageTable table;
        ASSERT_TRUE(LoadSample(table));
        EXPECT_EQ(table.Language().Str(), language) << lc_all << "|" << lc_messages << "|" << lang;
        EXPECT_EQ(table.Text("TitleMenu", "ViewHelp", "fallback").Str(), text) << lang;
    }
}

TEST_F(LanguageTableTest, NamedLanguageWinsOverLocaleAndMissingKeysAreRemembered)
{
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    RawLanguageTable table;
    table.SetLanguage("french"); // section names ignore ASCII case
    ASSERT_TRUE(LoadSample(table));
    EXPECT_EQ(table.Text("titlemenu", "VIEWHELP", "x").Str(), "Aide");
    // French has a section but no map entry; British a map entry but no section.
    EXPECT_EQ(Texts(table.Languages()), (Names { "Default", "Japanese", "German" }));

    // A choice made later reloads the texts at once; an empty one goes back to the locale.
    table.SetLanguage("German");
    EXPECT_EQ(table.Text("TitleMenu", "ViewHelp", "x").Str(), "Hilfe");
    table.SetLanguage("");
    EXPECT_EQ(table.Text("CommonDialog", "CheckAllButton", "x").Str(), "Check\\nAll"); // Japanese

    // A missing key gives the default and remembers it for lookups without one.
    EXPECT_TRUE(table.Text("UndoDialog", "Restore").IsEmpty());
    EXPECT_EQ(table.Text("UndoDialog", "Restore", "Restore !").Str(), "Restore !");
    EXPECT_EQ(table.Text("UndoDialog", "Restore").Str(), "Restore !");
    EXPECT_EQ(table.Text("SaveDialog", "Type", "Type").Str(), "Type");
    // A key the file has is never listed, even when asked for with a default.
    EXPECT_NE(table.Text("TitleMenu", "ViewHelp", "View help.").Str(), "View help.");
    Names missing;
    for (const RawParameterUnit& unit : table.MissingEntries())
        missing.push_back(unit.key.Str() + "=" + unit.value.Str());
    EXPECT_EQ(missing, (Names { "SaveDialog.Type=Type", "UndoDialog.Restore=Restore !" }));

    // In a language that has the key, it is no longer missing.
    ASSERT_TRUE(LoadSample(table, std::string(kSample) + "[Other]\r\nSaveDialog.Type=Art\r\n"));
    table.SetLanguage("Other");
    EXPECT_EQ(table.MissingEntries().Count(), 1);
    EXPECT_EQ(table.Text("SaveDialog", "Type").Str(), "Art");
}

TEST_F(LanguageTableTest, FileLookupOrder)
{
    std::ofstream(dir_ / "config" / "LanguageFile.ini") << "[Default]\r\nA.B=config\r\n";
    std::ofstream(dir_ / "exe" / "LanguageFile.ini") << "[Default]\r\nA.B=exe\r\n";
    RawString config = Utf8((dir_ / "config").string());
    RawString exe = Utf8((dir_ / "exe").string());
    RawLanguageTable table;
    ASSERT_TRUE(table.Load(config, exe));
    EXPECT_EQ(table.Text("A", "B", "").Str(), "config");

    // A folder of that name is no file: the executable's folder is next.
    fs::remove(dir_ / "config" / "LanguageFile.ini");
    fs::create_directory(dir_ / "config" / "LanguageFile.ini");
    ASSERT_TRUE(table.Load(config, exe));
    EXPECT_EQ(table.Text("A", "B", "").Str(), "exe");

    // A file named by the profile is used alone, even when it is missing.
    table.SetFilePath(Utf8((dir_ / "named.ini").string()));
    EXPECT_FALSE(table.Load(config, exe));
    EXPECT_EQ(table.Text("A", "B", "built-in").Str(), "built-in");
}

// An installed program keeps its file in share/quelvane beside its bin/ folder; that place is
// tried last and is found from the folder's name, not from where a link in it leads.
TEST_F(LanguageTableTest, InstalledFileBesideTheBinFolder)
{
    const std::pair<const char*, const char*> folded[] = {
        { "/usr/bin", "/usr/share/quelvane/LanguageFile.ini" },
        { "/opt/q/bin/", "/opt/q/share/quelvane/LanguageFile.ini" },
        { "/", "/share/quelvane/LanguageFile.ini" }, // the root is its own parent
        { "", "" },
    };
    for (auto [folder, file] : folded)
        EXPECT_EQ(RawLanguageTable::InstalledFile(Utf8(folder)).Str(), file) << folder;

    for (const char* prefix : { "usr", "other" }) {
        fs::create_directories(dir_ / prefix / "share" / "quelvane");
        std::ofstream(dir_ / prefix / "share" / "quelvane" / "LanguageFile.ini")
            << "[Default]\r\nA.B=" << prefix << "\r\n";
    }
    fs::create_directories(dir_ / "usr" / "bin");
    fs::create_directory_symlink(dir_ / "usr" / "bin", dir_ / "other" / "bin");
    RawString config = Utf8((dir_ / "config").string());
    const std::pair<const char*, const char*> cases[] = {
        { "usr/bin", "usr" }, { "other/bin", "other" }, // a link to usr/bin
        { "exe", "built-in" },                          // no share/ beside it
    };
    for (auto [bin, text] : cases) {
        RawLanguageTable table;
        EXPECT_EQ(table.Load(config, Utf8((dir_ / bin).string())), std::string(text) != "built-in");
        EXPECT_EQ(table.Text("A", "B", "built-in").Str(), text) << bin;
    }

    // The executable's own folder comes before the installed file.
    std::ofstream(dir_ / "usr" / "bin" / "LanguageFile.ini") << "[Default]\r\nA.B=bin\r\n";
    RawLanguageTable table;
    ASSERT_TRUE(table.Load(config, Utf8((dir_ / "usr" / "bin").string())));
    EXPECT_EQ(table.Text("A", "B", "").Str(), "bin");
}

TEST_F(LanguageTableTest, ConcurrentLookupsWhileTheLanguageChanges)
{
    RawLanguageTable table;
    ASSERT_TRUE(LoadSample(table));
    std::atomic<bool> bad { false };
    std::vector<std::thread> readers;
    for (int thread = 0; thread < 4; ++thread)
        readers.emplace_back([&table, &bad, thread] {
            for (int round = 0; round < 300; ++round) {
                std::string text = table.Text("TitleMenu", "ViewHelp", "built-in").Str();
                RawString key = RawString::Number(thread * 1000 + round % 20);
                if ((text != "Hilfe" && text != "Aide" && text != "View help (file).")
                    || !table.Text("Extra", key, key).Equals(key) || table.Languages().Count() != 3)
                    bad = true;
            }
        });
    for (int round = 0; round < 20; ++round)
        table.SetLanguage(round % 2 == 0 ? "German" : "French");
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_FALSE(bad);
    EXPECT_EQ(table.MissingEntries().Count(), 80);
}

// The file shipped with the program: every English text has its Japanese counterpart, and the
// Japanese texts are what a Japanese locale gets.
TEST_F(LanguageTableTest, ShippedFileIsCompleteInJapanese)
{
    RawString shipped = Utf8(std::string(QUELVANE_SOURCE_DIR) + "/LanguageFile.ini");
    RawProfile profile(shipped);
    RawParameterList english;
    RawParameterList japanese;
    ASSERT_TRUE(profile.ReadSection("Default", english));
    ASSERT_TRUE(profile.ReadSection("Japanese", japanese));
    EXPECT_EQ(profile.Encoding(), RawEncoding::Utf8);
    EXPECT_EQ(english.Count(), japanese.Count());
    for (const RawParameterUnit& unit : english)
        EXPECT_FALSE(japanese.GetText(unit.key, "").IsEmpty()) << unit.key.Str();

    setenv("LANG", "ja_JP.UTF-8", 1);
    RawLanguageTable table;
    table.SetFilePath(shipped);
    ASSERT_TRUE(table.Load(""));
    EXPECT_EQ(table.Text("ViewDialog", "Search", "Search").Str(), "\xE6\xA4\x9C\xE7\xB4\xA2"); // 検索
}

} // namespace
