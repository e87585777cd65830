#include <core/RawHelpDocuments.h>
#include <core/RawProfile.h>
#include <core/RawShell.h>
#include <core/RawToolTable.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <signal.h>
#include <tests/TestSupport.h>

using namespace RawLayer;

namespace {

using QuelvaneTest::Texts;
using QuelvaneTest::Utf8;

namespace fs = std::filesystem;
using Words = std::vector<std::string>;

// A file path that a shell would take apart in every possible way; $QV_ARG is set, so an
// expansion inside the path would show.
const std::string kNastyName = "my file \"quoted\" 'single'; $(touch pwned) `touch pwned` $QV_ARG %n.txt";

// A temp folder with a recording tool: a script that writes its working folder and then each
// argument, each followed by a zero byte, into a record file (renamed into place, so a reader
// never sees half of it).
class ShellTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(temp_.Path().empty());
        dir_ = fs::canonical(temp_.Path());
        saved_path_ = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
        setenv("QV_ARG", "expanded value", 1);
        recorder_ = WriteRecorder(dir_ / "record.sh", dir_ / "record");
        nasty_ = (dir_ / kNastyName).string();
    }
    void TearDown() override { setenv("PATH", saved_path_.c_str(), 1); }

    static fs::path WriteRecorder(const fs::path& script, const fs::path& record)
    {
        std::ofstream(script)
            << "#!/bin/sh\n{ pwd -P | tr -d '\\n'; printf '\\0'; for a in \"$@\"; do printf "
               "'%s\\0' \"$a\"; done; } > '"
            << record.string() << ".part'\nmv '" << record.string() << ".part' '" << record.string() << "'\n";
        fs::permissions(script, fs::perms::owner_all);
        return script;
    }

    // Puts a recording `xdg-open` and a copy of the recorder first on PATH.
    void FakePath()
    {
        fs::create_directory(dir_ / "bin");
        WriteRecorder(dir_ / "bin" / "xdg-open", dir_ / "opened");
        fs::copy_file(recorder_, dir_ / "bin" / "quelvane-recorder");
        setenv("PATH", ((dir_ / "bin").string() + ":" + saved_path_).c_str(), 1);
    }

    // The working folder and the arguments once the record appears (empty after a generous
    // wait); the record is removed so the next run writes a fresh one.
    static Words TakeRecord(const fs::path& record)
    {
        for (int round = 0; round < 1000 && !fs::exists(record); ++round)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(record, std::ios::binary);
        Words fields;
        for (std::string field; std::getline(in, field, '\0');)
            fields.push_back(field);
        fs::remove(record);
        return fields;
    }

    QuelvaneTest::TestFolder temp_;
    fs::path dir_;
    fs::path recorder_;
    std::string nasty_;
    std::string saved_path_;
};

TEST(RawShellWords, SplitExpandAndShowStatus)
{
    // Quotes switch grouping on and off inside a word and are dropped; an empty quoted word is kept.
    std::pair<const char*, Words> splits[]
        = { { "  \t ", {} }, { " \"a b\"  c\t", { "a b", "c" } }, { "ab\"c d\"e", { "abc de" } },
              { "a \"\" b", { "a", "", "b" } }, { "\"unclosed rest", { "unclosed rest" } },
              { "x\r\ny", { "x", "y" } }, { "'single quotes' stay", { "'single", "quotes'", "stay" } } };
    for (const auto& [text, words] : splits)
        EXPECT_EQ(RawShell::SplitWords(text), words) << text;

    setenv("QV_TEST", "value", 1);
    setenv("QV_EMPTY", "", 1);
    unsetenv("QV_UNSET");
    unsetenv("QV_TESTy");
    // Unset or malformed names stay as written, so a mistyped tool fails instead of running
    // something else; %NAME% would collide with the placeholders.
    std::pair<const char*, const char*> expansions[]
        = { { "$QV_TEST/x", "value/x" }, { "${QV_TEST}y", "valuey" }, { "$QV_TESTy", "$QV_TESTy" },
              { "$QV_UNSET ${QV_UNSET}", "$QV_UNSET ${QV_UNSET}" }, { "$QV_EMPTY.", "." }, { "a$", "a$" },
              { "${QV_TEST", "${QV_TEST" }, { "${}", "${}" }, { "$1$QV_TEST", "$1value" },
              { "%QV_TEST%", "%QV_TEST%" }, { "$$QV_TEST", "$value" } };
    for (auto [text, expanded] : expansions)
        EXPECT_EQ(RawShell::ExpandVariables(text), expanded) << text;

    for (auto [text, state] : { std::pair<const char*, int32_t> { "Maximize", 3 }, { "Minimize", 6 },
             { "Hide", 0 }, { "Normal", 1 }, { "maximize", 1 }, { "Maximize ", 1 }, { "3", 1 } })
        EXPECT_EQ(RawShell::ShowStateFromText(Utf8(text)), state) << text;
}

TEST_F(ShellTest, HostileFilePathArrivesAsOneArgumentAndRunsNothing)
{
    fs::create_directory(dir_ / "work dir");
    setenv("QV_TOOLS", dir_.c_str(), 1);
    setenv("QV_WORK", "work dir", 1);
    // Only the first of each placeholder in the template is filled, alone or inside a word; the
    // "%n" and "$QV_ARG" inside the path are never touched.
    std::string work = (dir_ / "work dir").string();
    std::pair<std::string, Words> cases[] = {
        { "-l %n \"%s\" --flag", { work, "-l", "42", nasty_, "--flag" } },
        { "%s:%n %n %s", { work, nasty_ + ":42", "%n", "%s" } },
        { "--opt=$QV_ARG", { work, "--opt=expanded value" } },
    };
    for (const auto& [parameter, words] : cases) {
        RawShell shell;
        shell.SetCommand("\"${QV_TOOLS}/record.sh\"");
        shell.SetDirectory(Utf8(dir_.string() + "/$QV_WORK"));
        shell.SetPlaceholders(Utf8(nasty_), 42);
        ASSERT_TRUE(shell.Execute(Utf8(parameter), "open")) << parameter;
        EXPECT_EQ(TakeRecord(dir_ / "record"), words) << parameter;
    }
    EXPECT_FALSE(fs::exists(work + "/pwned")); // where a shell would have run the commands
}

TEST_F(ShellTest, FailuresAreReported)
{
    std::ofstream(dir_ / "not-executable") << "#!/bin/sh\n";
    // Command, directory, verb.
    std::vector<std::array<std::string, 3>> cases = { { (dir_ / "missing-tool").string(), "", "" },
        { "quelvane-no-such-program", "", "" }, { (dir_ / "not-executable").string(), "", "" },
        { recorder_.string(), (dir_ / "no-such-folder").string(), "" }, { recorder_.string(), "", "print" },
        { "$QV_NEVER_SET_VARIABLE", "", "" } };
    for (const auto& [command, directory, verb] : cases) {
        RawShell shell;
        shell.SetCommand(Utf8(command));
        shell.SetDirectory(Utf8(directory));
        EXPECT_FALSE(shell.Execute("a", Utf8(verb))) << command << " in " << directory;
    }
    EXPECT_FALSE(fs::exists(dir_ / "record"));
}

TEST_F(ShellTest, EmptyCommandHandsTheDocumentToXdgOpen)
{
    FakePath();
    // The words name one document, joined by single blanks. A hostile path through "%s" is
    // covered by OpenFile below.
    ASSERT_TRUE(RawShell().Execute("/docs/My  Manual.pdf", ""));
    EXPECT_EQ(TakeRecord(dir_ / "opened"), (Words { fs::current_path().string(), "/docs/My Manual.pdf" }));
    EXPECT_FALSE(RawShell().Execute("  ", ""));
    setenv("PATH", (dir_ / "empty").c_str(), 1);
    EXPECT_FALSE(RawShell::OpenWithShell("/tmp"));
}

TEST_F(ShellTest, CommandOnPathRunsAndIsReapedWithoutZombie)
{
    FakePath();
    RawShell shell;
    shell.SetCommand("quelvane-recorder");
    ASSERT_TRUE(shell.Execute("x", ""));
    pid_t pid = shell.Process();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(TakeRecord(dir_ / "record"), (Words { fs::current_path().string(), "x" }));

    // A zombie still answers kill(); only a reaped child is gone. Nobody here waits for it, so
    // the launcher's reaper must have.
    for (int round = 0; round < 1000 && kill(pid, 0) == 0; ++round)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(kill(pid, 0) != 0 && errno == ESRCH);
}

TEST(RawToolTableLookup, ExtensionThenDefault)
{
    RawParameterList table;
    table.Add("txt", "Editor");
    table.Add("md", "");
    table.Add("log", "NoSuchSection");
    // Path, section without "Default", section with it.
    const char* cases[][3] = {
        { "/a/b.TXT", "Editor", "Editor" },      // extensions ignore ASCII case
        { "/a/b.md", "", "Fallback" },           // an empty value counts as none
        { "/a.txt/README", "", "Fallback" },     // a dot in a folder name is no extension
        { "/a/archive.tar.gz", "", "Fallback" }, // only the last extension counts
        { "/a/b.log", "NoSuchSection", "NoSuchSection" },
    };
    for (auto [path, without_default, with_default] : cases)
        EXPECT_EQ(RawToolTable::SectionFor(table, Utf8(path)).Str(), without_default) << path;
    table.Add("Default", "Fallback");
    for (auto [path, without_default, with_default] : cases)
        EXPECT_EQ(RawToolTable::SectionFor(table, Utf8(path)).Str(), with_default) << path;
}

TEST_F(ShellTest, OpenFileUsesTheToolOfTheExtensionElseTheDesktop)
{
    FakePath();
    RawParameterList table;
    table.Add("txt", "Editor");
    table.Add("log", "NoSuchSection");
    std::ofstream(dir_ / "config.ini") << "[Editor]\r\nCommand=" << recorder_.string()
                                       << "\r\nParameter=+%n \"%s\"\r\nShowStatus=Maximize\r\n";
    RawProfile config(Utf8((dir_ / "config.ini").string()));
    std::string cwd = fs::current_path().string();
    ASSERT_TRUE(RawToolTable::OpenFile(table, config, Utf8(nasty_), 12));
    EXPECT_EQ(TakeRecord(dir_ / "record"), (Words { cwd, "+12", nasty_ }));
    std::string notes = (dir_ / "a folder; $(touch pwned) %s $QV_ARG.md").string();
    ASSERT_TRUE(RawToolTable::OpenFile(table, config, Utf8(notes), 5));
    EXPECT_EQ(TakeRecord(dir_ / "opened"), (Words { cwd, notes }));
    EXPECT_FALSE(fs::exists(cwd + "/pwned"));
    // A named tool section that is missing leaves nothing to start.
    EXPECT_FALSE(RawToolTable::OpenFile(table, config, "/a/b.log", 1));
}

// Help documents in a folder, with the "Manual" section given as configuration text.
class HelpTest : public ShellTest {
protected:
    Words Found(const std::vector<std::string>& files, const std::string& manual_section)
    {
        fs::create_directories(dir_ / "docs");
        for (const std::string& name : files)
            std::ofstream(dir_ / "docs" / name) << "help\n";
        std::ofstream(dir_ / "config.ini") << manual_section;
        RawProfile config(Utf8((dir_ / "config.ini").string()));
        help_.FindIn(config, Utf8((dir_ / "docs").string()));
        Words names;
        for (const RawString& path : help_.Documents())
            names.push_back(fs::path(path.Str()).filename().string());
        return names;
    }

    RawHelpDocuments help_;
};

TEST_F(HelpTest, PatternsFindSortedRegularFiles)
{
    fs::create_directories(dir_ / "docs" / "ReadMe_folder.txt");
    EXPECT_EQ(
        Found({ "ReadMe_Quelvane.txt", "readme_extra.MD", "Guide.pdf", "notes.txt", "ReadMe_x.txt.bak" }, ""),
        (Words { "Guide.pdf", "ReadMe_Quelvane.txt", "readme_extra.MD" }));

    // "?" takes one whole UTF-8 character; blanks and empty pieces of the list are dropped.
    EXPECT_EQ(Found({ "a.html", "abc.txt", "abcd.txt", "\xE6\x97\xA5\xE6\x9C\xAC.txt", "x.htm", "b.HTML" },
                  "[Manual]\nManual= *.html , ???.txt,,??.TXT\nNoterra=html\n"),
        (Words { "a.html", "abc.txt", "b.HTML", "\xE6\x97\xA5\xE6\x9C\xAC.txt" }));
    EXPECT_TRUE(help_.UsesViewer("/d/x.HTML") && !help_.UsesViewer("/d/x.txt"));
}

TEST_F(HelpTest, AtMostThirtyDocumentsViewerForItsExtensionsShellForTheRest)
{
    FakePath();
    std::vector<std::string> files;
    for (int index = 0; index < 35; ++index)
        files.push_back("ReadMe_" + std::to_string(100 + index) + ".txt");
    Words names = Found(files, "");
    ASSERT_EQ(names.size(), 30u);
    EXPECT_EQ(names.back(), "ReadMe_129.txt");
    std::string text = (dir_ / "docs" / "ReadMe_A b.txt").string();
    std::string pdf = (dir_ / "docs" / "Guide.pdf").string();
    // Without a viewer anywhere, even a text document goes to the desktop's opener.
    ASSERT_TRUE(help_.Open(Utf8(text)));
    EXPECT_EQ(TakeRecord(dir_ / "opened").back(), text);
    WriteRecorder(dir_ / "docs" / "noterra", dir_ / "viewed");
    ASSERT_TRUE(help_.Open(Utf8(text)));
    EXPECT_EQ(TakeRecord(dir_ / "viewed").back(), text);
    ASSERT_TRUE(help_.Open(Utf8(pdf)));
    EXPECT_EQ(TakeRecord(dir_ / "opened").back(), pdf);
}

} // namespace
