#include <core/RawLanguageTable.h>
#include <core/RawProfile.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

using namespace RawLayer;

namespace {

namespace fs = std::filesystem;

RawString Utf8(const std::string& text)
{
    return RawString(text, RawEncoding::Utf8);
}

std::vector<std::string> Names(const RawStringList& list)
{
    std::vector<std::string> names;
    for (const RawString& text : list)
        names.push_back(text.Str());
    return names;
}

// A language file with a map for Japanese (by locale, language and Windows id) and German (by
// Windows id only), and a French section that the map never names.
const char kSample[] = "\xEF\xBB\xBF// sample\r\n"
                       "[LangMap]\r\n"
                       "ja_JP=Japanese\r\n"
                       "1031=German\r\n"
                       "ja=Japanese\r\n"
                       "en_GB=British\r\n"
                       "[Default]\r\n"
                       "TitleMenu.ViewHelp=View help (file).\r\n"
                       "[Japanese]\r\n"
                       "TitleMenu.ViewHelp=\xE3\x83\x98\xE3\x83\xAB\xE3\x83\x97\r\n"
                       "titlemenu.viewhelp=second of a key is ignored\r\n"
                       "CommonDialog.CheckAllButton=Check\\nAll\r\n"
                       "[German]\r\n"
                       "TitleMenu.ViewHelp=Hilfe\r\n"
                       "[French]\r\n"
                       "TitleMenu.ViewHelp=Aide\r\n";

// A fresh temp folder with a config folder and an executable folder, and the locale variables
// saved and cleared, so the user's own locale never decides a test.
class LanguageTableTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "quelvane-language-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        fs::create_directories(dir_ / "config");
        fs::create_directories(dir_ / "exe");
        for (const char* name : kLocaleVariables) {
            const char* value = std::getenv(name);
            saved_.emplace_back(value != nullptr ? value : "");
            unsetenv(name);
        }
    }
    void TearDown() override
    {
        for (std::size_t index = 0; index < saved_.size(); ++index) {
            if (saved_[index].empty())
                unsetenv(kLocaleVariables[index]);
            else
                setenv(kLocaleVariables[index], saved_[index].c_str(), 1);
        }
        fs::remove_all(dir_);
    }

    void Write(const fs::path& path, const std::string& content)
    {
        std::ofstream(path, std::ios::binary) << content;
    }

    // A table loaded from the sample in the config folder.
    bool LoadSample(RawLanguageTable& table)
    {
        Write(dir_ / "config" / "LanguageFile.ini", kSample);
        return table.Load(Utf8((dir_ / "config").string()), Utf8((dir_ / "exe").string()));
    }

    static constexpr const char* kLocaleVariables[] = { "LC_ALL", "LC_MESSAGES", "LANG" };
    fs::path dir_;
    std::vector<std::string> saved_;
};

TEST(RawLanguageLocale, KeysTriedForALocale)
{
    struct Case {
        const char* locale;
        std::vector<std::string> keys;
    } cases[] = {
        { "ja_JP", { "ja_JP", "ja", "1041" } },
        { "en_US", { "en_US", "en", "1033" } },
        { "en_GB", { "en_GB", "en", "2057" } },
        { "en_AU", { "en_AU", "en", "1033" } }, // an unlisted country takes its language's first id
        { "pt_BR", { "pt_BR", "pt", "1046" } },
        { "zh_TW", { "zh_TW", "zh", "1028" } },
        { "de", { "de", "1031" } },
        { "xx_YY", { "xx_YY", "xx" } },
        { "", {} },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Names(RawLanguageTable::LocaleKeys(c.locale)), c.keys) << c.locale;
}

TEST_F(LanguageTableTest, UserLocaleTakesTheFirstSetVariable)
{
    struct Case {
        const char* lc_all;
        const char* lc_messages;
        const char* lang;
        const char* locale;
    } cases[] = {
        { "", "", "", "" },
        { "", "", "ja_JP.UTF-8", "ja_JP" },
        { "", "de_DE@euro", "ja_JP.UTF-8", "de_DE" },
        { "fr_FR.ISO-8859-1@euro", "de_DE", "ja_JP", "fr_FR" },
        { "C.UTF-8", "", "ja_JP", "" }, // the portable locale names no language
        { "", "POSIX", "ja_JP", "" },
    };
    for (const Case& c : cases) {
        setenv("LC_ALL", c.lc_all, 1);
        setenv("LC_MESSAGES", c.lc_messages, 1);
        setenv("LANG", c.lang, 1);
        EXPECT_EQ(RawLanguageTable::UserLocale(), c.locale)
            << c.lc_all << "|" << c.lc_messages << "|" << c.lang;
    }
}

TEST_F(LanguageTableTest, LanguageChosenByLocale)
{
    struct Case {
        const char* lang;
        const char* language;
        const char* text;
    } cases[] = {
        { "ja_JP.UTF-8", "Japanese", "\xE3\x83\x98\xE3\x83\xAB\xE3\x83\x97" }, // by "ll_CC"
        { "ja_XX", "Japanese", "\xE3\x83\x98\xE3\x83\xAB\xE3\x83\x97" },       // by "ll"
        { "de_AT.UTF-8", "German", "Hilfe" },                                  // by Windows id
        { "en_GB", "British", "fallback" },          // mapped to a language without a section
        { "fr_FR", "Default", "View help (file)." }, // the map knows no French
        { "C", "Default", "View help (file)." },
    };
    for (const Case& c : cases) {
        setenv("LANG", c.lang, 1);
        RawLanguageTable table;
        ASSERT_TRUE(LoadSample(table));
        EXPECT_EQ(table.Language().Str(), c.language) << c.lang;
        EXPECT_EQ(table.Text("TitleMenu", "ViewHelp", "fallback").Str(), c.text) << c.lang;
    }
}

TEST_F(LanguageTableTest, NamedLanguageWinsOverLocale)
{
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    RawLanguageTable table;
    table.SetLanguage("french"); // section names ignore ASCII case
    ASSERT_TRUE(LoadSample(table));
    EXPECT_EQ(table.Language().Str(), "french");
    EXPECT_EQ(table.Text("titlemenu", "VIEWHELP", "x").Str(), "Aide");

    // A choice made later reloads the texts at once; an empty one goes back to the locale.
    table.SetLanguage("German");
    EXPECT_EQ(table.Text("TitleMenu", "ViewHelp", "x").Str(), "Hilfe");
    table.SetLanguage("");
    EXPECT_EQ(table.Language().Str(), "Japanese");
    EXPECT_EQ(table.Text("CommonDialog", "CheckAllButton", "x").Str(), "Check\\nAll");
}

TEST_F(LanguageTableTest, OffersMappedLanguagesWithSections)
{
    RawLanguageTable table;
    EXPECT_TRUE(Names(table.Languages()).empty());
    ASSERT_TRUE(LoadSample(table));
    // French has a section but no map entry; British a map entry but no section.
    EXPECT_EQ(Names(table.Languages()), (std::vector<std::string> { "Default", "Japanese", "German" }));
}

TEST_F(LanguageTableTest, MissingKeyGivesAndRemembersTheDefault)
{
    setenv("LANG", "ja_JP", 1);
    RawLanguageTable table;
    ASSERT_TRUE(LoadSample(table));
    EXPECT_TRUE(table.Text("UndoDialog", "Restore").IsEmpty());
    EXPECT_EQ(table.Text("UndoDialog", "Restore", "Restore !").Str(), "Restore !");
    EXPECT_EQ(table.Text("UndoDialog", "Restore").Str(), "Restore !");
    EXPECT_EQ(table.Text("SaveDialog", "Type", "Type").Str(), "Type");
    // A key the file has is never listed, even when asked for with a default.
    EXPECT_NE(table.Text("TitleMenu", "ViewHelp", "View help.").Str(), "View help.");

    RawParameterList missing = table.MissingEntries();
    ASSERT_EQ(missing.Count(), 2);
    EXPECT_EQ(missing.Front().key.Str(), "SaveDialog.Type");
    EXPECT_EQ(missing.Back().key.Str(), "UndoDialog.Restore");
    EXPECT_EQ(missing.Back().value.Str(), "Restore !");

    // In a language that has the key, it is no longer missing.
    Write(dir_ / "config" / "LanguageFile.ini", std::string(kSample) + "[Other]\r\nSaveDialog.Type=Art\r\n");
    table.SetLanguage("Other");
    EXPECT_EQ(table.MissingEntries().Count(), 1);
    EXPECT_EQ(table.Text("SaveDialog", "Type").Str(), "Art");
}

TEST_F(LanguageTableTest, FileLookupOrder)
{
    Write(dir_ / "config" / "LanguageFile.ini", "[Default]\r\nA.B=config\r\n");
    Write(dir_ / "exe" / "LanguageFile.ini", "[Default]\r\nA.B=exe\r\n");
    RawString config = Utf8((dir_ / "config").string());
    RawString exe = Utf8((dir_ / "exe").string());

    RawLanguageTable first;
    ASSERT_TRUE(first.Load(config, exe));
    EXPECT_EQ(first.Text("A", "B", "").Str(), "config");
    EXPECT_EQ(first.FilePath().Str(), (dir_ / "config" / "LanguageFile.ini").string());

    // A folder of that name is no file: the executable's folder is next.
    fs::remove(dir_ / "config" / "LanguageFile.ini");
    fs::create_directory(dir_ / "config" / "LanguageFile.ini");
    RawLanguageTable second;
    ASSERT_TRUE(second.Load(config, exe));
    EXPECT_EQ(second.Text("A", "B", "").Str(), "exe");

    // A file named by the profile is used alone, even when it is missing.
    RawLanguageTable named;
    named.SetFilePath(Utf8((dir_ / "named.ini").string()));
    EXPECT_FALSE(named.Load(config, exe));
    EXPECT_EQ(named.Text("A", "B", "built-in").Str(), "built-in");
    EXPECT_EQ(named.Language().Str(), "Default");
    EXPECT_TRUE(named.FilePath().IsEmpty());

    fs::remove(dir_ / "exe" / "LanguageFile.ini");
    RawLanguageTable none;
    EXPECT_FALSE(none.Load(config, exe));
    EXPECT_EQ(none.Text("A", "B", "built-in").Str(), "built-in");
}

TEST_F(LanguageTableTest, ConcurrentLookupsWhileTheLanguageChanges)
{
    RawLanguageTable table;
    ASSERT_TRUE(LoadSample(table));
    std::atomic<bool> bad { false };
    std::vector<std::thread> readers;
    for (int thread = 0; thread < 4; ++thread) {
        readers.emplace_back([&table, &bad, thread] {
            for (int round = 0; round < 300; ++round) {
                std::string text = table.Text("TitleMenu", "ViewHelp", "built-in").Str();
                if (text != "Hilfe" && text != "Aide" && text != "View help (file).")
                    bad = true;
                RawString key = RawString::Number(thread * 1000 + round % 20);
                if (!table.Text("Extra", key, key).Equals(key))
                    bad = true;
                if (table.Languages().Count() != 3)
                    bad = true;
            }
        });
    }
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
    for (const RawParameterUnit& unit : english) {
        const RawParameterUnit* translated = japanese.Find(unit.key);
        ASSERT_NE(translated, nullptr) << unit.key.Str();
        EXPECT_FALSE(translated->value.IsEmpty()) << unit.key.Str();
        EXPECT_TRUE(unit.key.View().find('.') != std::string_view::npos) << unit.key.Str();
    }

    setenv("LANG", "ja_JP.UTF-8", 1);
    RawLanguageTable table;
    table.SetFilePath(shipped);
    ASSERT_TRUE(table.Load(""));
    EXPECT_EQ(table.Language().Str(), "Japanese");
    EXPECT_EQ(Names(table.Languages()), (std::vector<std::string> { "Default", "Japanese" }));
    EXPECT_EQ(table.Text("ViewDialog", "Search", "Search").Str(), "\xE6\xA4\x9C\xE7\xB4\xA2"); // 検索
    EXPECT_EQ(
        table.Text("UndoDialog", "Close", "Close").Str(), "\xE9\x96\x89\xE3\x81\x98\xE3\x82\x8B"); // 閉じる
    EXPECT_EQ(table.MissingEntries().Count(), 0);

    setenv("LANG", "en_US.UTF-8", 1);
    table.SetLanguage("");
    EXPECT_EQ(table.Language().Str(), "Default");
    EXPECT_EQ(table.Text("TitleMenu", "ViewHelp", "x").Str(), "View help.");
}

} // namespace
