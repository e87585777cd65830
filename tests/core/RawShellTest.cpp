#include <core/RawHelpDocuments.h>
#include <core/RawProfile.h>
#include <core/RawShell.h>
#include <core/RawToolTable.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

using namespace RawLayer;

namespace {

namespace fs = std::filesystem;

RawString Utf8(const std::string& text)
{
    return RawString(text, RawEncoding::Utf8);
}

// A file path that a shell would take apart in every possible way.
const std::string kNastyName = "my file \"quoted\" 'single'; $(touch pwned) `touch pwned` $HOME %n.txt";

// A temp folder with a recording tool: a shell script that writes its working folder and then
// each argument, every one followed by a zero byte, into a record file (renamed into place, so a
// reader never sees half of it).
class ShellTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "quelvane-shell-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = fs::canonical(pattern);
        const char* path = std::getenv("PATH");
        saved_path_ = path != nullptr ? path : "";
        recorder_ = WriteRecorder(dir_ / "record.sh", dir_ / "record");
    }
    void TearDown() override
    {
        setenv("PATH", saved_path_.c_str(), 1);
        fs::remove_all(dir_);
    }

    static fs::path WriteRecorder(const fs::path& script, const fs::path& record)
    {
        std::ofstream out(script);
        out << "#!/bin/sh\n"
            << "{ pwd -P | tr -d '\\n'; printf '\\0'; for a in \"$@\"; do printf '%s\\0' \"$a\"; done; } > '"
            << record.string() << ".part'\n"
            << "mv '" << record.string() << ".part' '" << record.string() << "'\n";
        out.close();
        fs::permissions(script, fs::perms::owner_all);
        return script;
    }

    // Puts a recording `xdg-open` first on PATH; it writes to `record`.
    void FakeOpener(const fs::path& record)
    {
        fs::create_directory(dir_ / "bin");
        WriteRecorder(dir_ / "bin" / "xdg-open", record);
        setenv("PATH", ((dir_ / "bin").string() + ":" + saved_path_).c_str(), 1);
    }

    // The working folder followed by the arguments, once the record file is there; empty when
    // it does not appear within a generous time.
    static std::vector<std::string> WaitForRecord(const fs::path& record)
    {
        for (int round = 0; round < 1000 && !fs::exists(record); ++round)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(record, std::ios::binary);
        std::vector<std::string> fields;
        std::string field;
        while (std::getline(in, field, '\0'))
            fields.push_back(field);
        return fields;
    }

    std::vector<std::string> RunRecorder(const RawString& parameter)
    {
        RawShell shell;
        shell.SetCommand(Utf8(recorder_.string()));
        shell.SetPlaceholders(Utf8((dir_ / kNastyName).string()), 42);
        if (!shell.Execute(parameter, ""))
            return { "(not started)" };
        std::vector<std::string> fields = WaitForRecord(dir_ / "record");
        fields.erase(fields.begin());
        return fields;
    }

    fs::path dir_;
    fs::path recorder_;
    std::string saved_path_;
};

using Words = std::vector<std::string>;

TEST(RawShellWords, SplitLikeACommandLine)
{
    struct Case {
        const char* text;
        Words words;
    } cases[] = {
        { "", {} },
        { "  \t ", {} },
        { "a b", { "a", "b" } },
        { " \"a b\"  c\t", { "a b", "c" } },
        { "ab\"c d\"e", { "abc de" } }, // quotes switch grouping on and off inside a word
        { "\"\"", { "" } },             // an empty quoted word is kept
        { "a \"\" b", { "a", "", "b" } },
        { "\"unclosed rest", { "unclosed rest" } },
        { "x\r\ny", { "x", "y" } },
        { "'single quotes' stay", { "'single", "quotes'", "stay" } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(RawShell::SplitWords(c.text), c.words) << c.text;
}

TEST(RawShellWords, ExpandsSetVariablesOnly)
{
    setenv("QV_TEST", "value", 1);
    setenv("QV_EMPTY", "", 1);
    unsetenv("QV_UNSET");
    unsetenv("QV_TESTy");
    struct Case {
        const char* text;
        const char* expanded;
    } cases[] = {
        { "$QV_TEST/x", "value/x" },
        { "${QV_TEST}y", "valuey" },
        { "$QV_TESTy", "$QV_TESTy" },
        { "$QV_UNSET and ${QV_UNSET}", "$QV_UNSET and ${QV_UNSET}" },
        { "$QV_EMPTY.", "." },
        { "$", "$" },
        { "a$", "a$" },
        { "${QV_TEST", "${QV_TEST" },
        { "${}", "${}" },
        { "$1$QV_TEST", "$1value" },
        { "%QV_TEST%", "%QV_TEST%" },
        { "$$QV_TEST", "$value" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(RawShell::ExpandVariables(c.text), c.expanded) << c.text;
}

TEST(RawShellStates, ShowStatusIsComparedExactly)
{
    struct Case {
        const char* text;
        int32_t state;
    } cases[] = {
        { "Normal", 1 },
        { "Maximize", 3 },
        { "Minimize", 6 },
        { "Hide", 0 },
        { "maximize", 1 },
        { "Maximize ", 1 },
        { "", 1 },
        { "3", 1 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(RawShell::ShowStateFromText(Utf8(c.text)), c.state) << c.text;
}

TEST(RawShellStates, LoadToolTakesPresentKeysOnly)
{
    RawShell shell;
    EXPECT_EQ(shell.ShowState(), 1);
    shell.SetDirectory("/kept");
    shell.SetShowState(3);
    RawParameterList section;
    section.Add("command", "/usr/bin/editor");
    section.Add("Parameter", "+%n %s");
    shell.LoadTool(section);
    EXPECT_EQ(shell.Command().Str(), "/usr/bin/editor");
    EXPECT_EQ(shell.Parameter().Str(), "+%n %s");
    EXPECT_EQ(shell.Directory().Str(), "/kept");
    EXPECT_EQ(shell.ShowState(), 1); // an absent "ShowStatus" means normal

    section.Add("ShowStatus", "Hide");
    section.Add("Directory", "");
    shell.LoadTool(section);
    EXPECT_EQ(shell.ShowState(), 0);
    EXPECT_TRUE(shell.Directory().IsEmpty());
}

TEST_F(ShellTest, FilePathArrivesAsOneArgumentAndRunsNothing)
{
    std::string file = (dir_ / kNastyName).string();
    EXPECT_EQ(RunRecorder("-l %n \"%s\" --flag"), (Words { "-l", "42", file, "--flag" }));
    EXPECT_FALSE(fs::exists(dir_ / "pwned"));
    EXPECT_FALSE(fs::exists(fs::current_path() / "pwned"));
}

TEST_F(ShellTest, PlaceholdersAreFoundInTheTemplateOnly)
{
    std::string file = (dir_ / kNastyName).string();
    // The file path holds "%n" and "$HOME": neither is touched; only the first of each
    // placeholder is filled, and inside a word as well as alone.
    EXPECT_EQ(RunRecorder("%s:%n %n %s"), (Words { file + ":42", "%n", "%s" }));
}

TEST_F(ShellTest, VariablesExpandInCommandAndParameterButNotInTheFile)
{
    setenv("QV_TOOLS", dir_.c_str(), 1);
    setenv("QV_ARG", "expanded value", 1);
    RawShell shell;
    shell.SetCommand("\"${QV_TOOLS}/record.sh\"");
    shell.SetPlaceholders("/x/$QV_ARG/${QV_ARG}", 7);
    ASSERT_TRUE(shell.Execute("--opt=$QV_ARG %s", ""));
    std::vector<std::string> fields = WaitForRecord(dir_ / "record");
    EXPECT_EQ(
        fields, (Words { fs::current_path().string(), "--opt=expanded value", "/x/$QV_ARG/${QV_ARG}" }));
}

TEST_F(ShellTest, RunsInTheDirectory)
{
    fs::create_directory(dir_ / "work dir");
    setenv("QV_WORK", "work dir", 1);
    RawShell shell;
    shell.SetCommand(Utf8(recorder_.string()));
    shell.SetDirectory(Utf8(dir_.string() + "/$QV_WORK"));
    ASSERT_TRUE(shell.Execute("a", "open"));
    EXPECT_EQ(WaitForRecord(dir_ / "record"), (Words { (dir_ / "work dir").string(), "a" }));
}

TEST_F(ShellTest, FindsACommandOnPath)
{
    FakeOpener(dir_ / "opened");
    fs::copy_file(recorder_, dir_ / "bin" / "quelvane-recorder");
    RawShell shell;
    shell.SetCommand("quelvane-recorder");
    ASSERT_TRUE(shell.Execute("x", ""));
    EXPECT_EQ(WaitForRecord(dir_ / "record"), (Words { fs::current_path().string(), "x" }));
}

TEST_F(ShellTest, FailuresAreReported)
{
    fs::path plain = dir_ / "not-executable";
    std::ofstream(plain) << "#!/bin/sh\n";
    struct Case {
        std::string command;
        std::string directory;
        const char* verb;
    } cases[] = {
        { (dir_ / "missing-tool").string(), "", "" },
        { "quelvane-no-such-program", "", "" },
        { plain.string(), "", "" },
        { recorder_.string(), (dir_ / "no-such-folder").string(), "" },
        { recorder_.string(), "", "print" },
        { "$QV_NEVER_SET_VARIABLE", "", "" },
    };
    for (const Case& c : cases) {
        RawShell shell;
        shell.SetCommand(Utf8(c.command));
        shell.SetDirectory(Utf8(c.directory));
        EXPECT_FALSE(shell.Execute("a", Utf8(c.verb))) << c.command << " in " << c.directory;
        EXPECT_EQ(shell.Process(), 0);
    }
    EXPECT_FALSE(fs::exists(dir_ / "record"));
}

TEST_F(ShellTest, EmptyCommandOpensTheParameterAsADocument)
{
    FakeOpener(dir_ / "opened");
    std::string file = (dir_ / kNastyName).string();
    RawShell shell;
    shell.SetPlaceholders(Utf8(file), 3);
    ASSERT_TRUE(shell.Execute("\"%s\"", ""));
    EXPECT_EQ(WaitForRecord(dir_ / "opened"), (Words { fs::current_path().string(), file }));

    fs::remove(dir_ / "opened");
    RawShell plain;
    ASSERT_TRUE(plain.Execute("/docs/My  Manual.pdf", ""));
    EXPECT_EQ(WaitForRecord(dir_ / "opened"), (Words { fs::current_path().string(), "/docs/My Manual.pdf" }));

    RawShell nothing;
    EXPECT_FALSE(nothing.Execute("  ", ""));
}

TEST_F(ShellTest, OpenWithShellHandsThePathOnExactly)
{
    FakeOpener(dir_ / "opened");
    std::string folder = (dir_ / "a folder; $(touch pwned)").string();
    ASSERT_TRUE(RawShell::OpenWithShell(Utf8(folder)));
    EXPECT_EQ(WaitForRecord(dir_ / "opened"), (Words { fs::current_path().string(), folder }));
    EXPECT_FALSE(fs::exists(dir_ / "pwned"));

    setenv("PATH", (dir_ / "empty").c_str(), 1);
    EXPECT_FALSE(RawShell::OpenWithShell("/tmp"));
}

TEST_F(ShellTest, ChildIsReapedAndTheHandleClosed)
{
    RawShell shell;
    shell.SetCommand(Utf8(recorder_.string()));
    ASSERT_TRUE(shell.Execute("", ""));
    pid_t pid = shell.Process();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(shell.ProcessId(), pid);
    ASSERT_FALSE(WaitForRecord(dir_ / "record").empty());

    // A zombie still answers kill(); only a reaped child is gone. Nobody in this test waits
    // for it, so the launcher's reaper must have.
    bool gone = false;
    for (int round = 0; round < 1000 && !gone; ++round) {
        gone = kill(pid, 0) != 0 && errno == ESRCH;
        if (!gone)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(gone);
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    shell.ClosedProcess();
    EXPECT_EQ(shell.Process(), 0);
    EXPECT_EQ(shell.ProcessId(), pid);
}

RawParameterList ToolTable(bool with_default)
{
    RawParameterList table;
    table.Add("txt", "Editor");
    table.Add("md", "");
    table.Add("log", "NoSuchSection");
    if (with_default)
        table.Add("Default", "Fallback");
    return table;
}

TEST(RawToolTableLookup, ExtensionThenDefault)
{
    struct Case {
        const char* path;
        const char* with_default;
        const char* without_default;
    } cases[] = {
        { "/a/b.TXT", "Editor", "Editor" },      // extensions ignore ASCII case
        { "/a/b.md", "Fallback", "" },           // an empty value counts as none
        { "/a/README", "Fallback", "" },         // no extension
        { "/a.txt/README", "Fallback", "" },     // a dot in a folder name is no extension
        { "/a/archive.tar.gz", "Fallback", "" }, // only the last extension counts
        { "/a/b.log", "NoSuchSection", "NoSuchSection" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RawToolTable::SectionFor(ToolTable(true), Utf8(c.path)).Str(), c.with_default) << c.path;
        EXPECT_EQ(RawToolTable::SectionFor(ToolTable(false), Utf8(c.path)).Str(), c.without_default)
            << c.path;
    }
}

TEST_F(ShellTest, OpenFileRunsTheToolOfTheExtension)
{
    fs::path config_path = dir_ / "config.ini";
    std::ofstream(config_path) << "[Editor]\r\nCommand=" << recorder_.string()
                               << "\r\nParameter=+%n \"%s\"\r\nShowStatus=Maximize\r\n";
    RawProfile config(Utf8(config_path.string()));
    std::string file = (dir_ / (kNastyName + ".txt")).string();
    ASSERT_TRUE(RawToolTable::OpenFile(ToolTable(false), config, Utf8(file), 12));
    EXPECT_EQ(WaitForRecord(dir_ / "record"), (Words { fs::current_path().string(), "+12", file }));
}

TEST_F(ShellTest, OpenFileWithoutToolUsesTheShell)
{
    FakeOpener(dir_ / "opened");
    RawProfile config(Utf8((dir_ / "missing.ini").string()));
    std::string file = (dir_ / "notes $HOME.md").string();
    ASSERT_TRUE(RawToolTable::OpenFile(ToolTable(false), config, Utf8(file), 5));
    EXPECT_EQ(WaitForRecord(dir_ / "opened"), (Words { fs::current_path().string(), file }));

    // A named tool section that is missing leaves nothing to start.
    EXPECT_FALSE(RawToolTable::OpenFile(ToolTable(false), config, "/a/b.log", 1));
}

// A folder of help documents beside a configuration file.
class HelpTest : public ShellTest {
protected:
    void Touch(const std::string& name)
    {
        fs::create_directories(dir_ / "docs");
        std::ofstream(dir_ / "docs" / name) << "help\n";
    }

    std::vector<std::string> Found(const std::string& manual_section)
    {
        fs::create_directories(dir_ / "docs");
        std::ofstream(dir_ / "config.ini") << manual_section;
        RawProfile config(Utf8((dir_ / "config.ini").string()));
        help_.FindIn(config, Utf8((dir_ / "docs").string()));
        std::vector<std::string> names;
        for (const RawString& path : help_.Documents())
            names.push_back(fs::path(path.Str()).filename().string());
        return names;
    }

    RawHelpDocuments help_;
};

TEST_F(HelpTest, DefaultPatternsFindSortedFiles)
{
    fs::create_directories(dir_ / "docs" / "ReadMe_folder.txt");
    for (const char* name :
        { "ReadMe_Quelvane.txt", "readme_extra.MD", "Guide.pdf", "notes.txt", "ReadMe_x.txt.bak" })
        Touch(name);
    EXPECT_EQ(Found(""), (Words { "Guide.pdf", "ReadMe_Quelvane.txt", "readme_extra.MD" }));
    EXPECT_EQ(help_.DefaultTopic().Str(), (dir_ / "docs" / "ReadMe_Quelvane.txt").string());
    std::vector<std::string> extensions;
    for (const RawString& extension : help_.ViewerExtensions())
        extensions.push_back(extension.Str());
    EXPECT_EQ(extensions, (Words { "txt", "md" }));
    EXPECT_EQ(help_.Documents().Front().Str(), (dir_ / "docs" / "Guide.pdf").string());
}

TEST_F(HelpTest, ManualSectionPatternsAndWildcards)
{
    for (const char* name :
        { "a.html", "abc.txt", "abcd.txt", "\xE6\x97\xA5\xE6\x9C\xAC.txt", "x.htm", "b.HTML" })
        Touch(name);
    EXPECT_EQ(Found("[Manual]\nManual= *.html , ???.txt,,??.TXT\nNoterra=html\n"),
        (Words { "a.html", "abc.txt", "b.HTML", "\xE6\x97\xA5\xE6\x9C\xAC.txt" }));
    EXPECT_TRUE(help_.UsesViewer("/d/x.HTML"));
    EXPECT_FALSE(help_.UsesViewer("/d/x.txt"));
    EXPECT_FALSE(help_.UsesViewer("/d/html"));
}

TEST_F(HelpTest, AtMostThirtyDocuments)
{
    for (int index = 0; index < 35; ++index)
        Touch("ReadMe_" + std::to_string(100 + index) + ".txt");
    std::vector<std::string> names = Found("");
    ASSERT_EQ(names.size(), 30u);
    EXPECT_EQ(names.front(), "ReadMe_100.txt");
    EXPECT_EQ(names.back(), "ReadMe_129.txt");
}

TEST_F(HelpTest, ViewerForItsExtensionsShellForTheRest)
{
    FakeOpener(dir_ / "opened");
    Found("");
    std::string text = (dir_ / "docs" / "ReadMe_A b.txt").string();
    std::string pdf = (dir_ / "docs" / "Guide.pdf").string();

    // Without a viewer anywhere, even a text document goes to the desktop's opener.
    ASSERT_TRUE(help_.Open(Utf8(text)));
    EXPECT_EQ(WaitForRecord(dir_ / "opened").back(), text);
    fs::remove(dir_ / "opened");

    WriteRecorder(dir_ / "docs" / "noterra", dir_ / "viewed");
    ASSERT_TRUE(help_.Open(Utf8(text)));
    EXPECT_EQ(WaitForRecord(dir_ / "viewed").back(), text);
    ASSERT_TRUE(help_.Open(Utf8(pdf)));
    EXPECT_EQ(WaitForRecord(dir_ / "opened").back(), pdf);
}

} // namespace
