#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// What one run of the program left behind.
struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Each test runs the built program on a tree in a fresh temp folder, which is also the home
// folder the program sees, so no profile of the user's is read.
class CliTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = std::filesystem::temp_directory_path() / "quelvane-cli-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    std::string Write(const std::string& name, const std::string& content)
    {
        std::filesystem::path path = root_ / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::string Path(const std::string& name) const { return root_ / name; }

    Outcome Run(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> words = { QUELVANE_CLI };
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);

        std::vector<std::string> variables
            = { "HOME=" + root_.string(), "XDG_CONFIG_HOME=" + Path(".config") };
        for (char** variable = environ; *variable != nullptr; ++variable) {
            std::string_view text = *variable;
            if (!text.starts_with("HOME=") && !text.starts_with("XDG_CONFIG_HOME="))
                variables.emplace_back(text);
        }
        std::vector<char*> envp;
        for (std::string& variable : variables)
            envp.push_back(variable.data());
        envp.push_back(nullptr);

        std::string out_path = Path(".out");
        std::string err_path = Path(".err");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = 0;
        int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        Outcome outcome;
        int wait_status = 0;
        if (spawned != 0 || waitpid(pid, &wait_status, 0) != pid || !WIFEXITED(wait_status))
            return outcome;
        outcome.status = WEXITSTATUS(wait_status);
        outcome.out = ReadAll(out_path);
        outcome.err = ReadAll(err_path);
        std::filesystem::remove(out_path);
        std::filesystem::remove(err_path);
        return outcome;
    }

    std::filesystem::path root_;
};

constexpr const char* kStartAndFinish = "Search started...\nSearch finished.\n";

TEST_F(CliTest, PrintsOneSimpleLinePerBlock)
{
    std::string file = Write("t/a.txt", "alpha\r\nbeta x\r\ngamma\r\ndelta x");
    Outcome outcome = Run({ "-e", "x", Path("t") });
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, file + "(2):beta x\n" + file + "(4):delta x\n");
    EXPECT_EQ(outcome.err, kStartAndFinish);
}

TEST_F(CliTest, TwoLineBlockShowsItsFirstLine)
{
    std::string file = Write("t/a.txt", "a\nx one\ny two\nb\n");
    Outcome outcome = Run({ "-e", "x*%Ny", file });
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, file + "(2):x one\n");
}

TEST_F(CliTest, ExitStatusTellsFoundNotFoundAndTrouble)
{
    std::string file = Write("a.txt", "needle\n");
    struct Case {
        std::vector<std::string> arguments;
        int status;
    };
    const Case cases[] = {
        { { "-e", "needle", file }, 0 },
        { { "-e", "pin", file }, 1 },
        { { "-e", "needle", file, Path("missing") }, 2 }, // an error entry wins over a block found
        { { "--no-such-option", "-e", "needle", file }, 2 },
        { { "-e" }, 2 },
        { { file }, 2 },           // no expression
        { { "-e", "needle" }, 2 }, // no target
        { { "--config", Path("none.ini"), "-e", "needle", file }, 2 },
        { { "--help" }, 0 },
        { { "--version" }, 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Run(c.arguments).status, c.status) << testing::PrintToString(c.arguments);
}

TEST_F(CliTest, ErrorsGoToStandardError)
{
    std::string missing = Path("missing");
    Outcome outcome = Run({ "-e", "x", missing });
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "Search started...\nNo such path (" + missing + ")\nSearch finished.\n");

    outcome = Run({ "-x", "-e", "x", missing });
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("Usage: quelvane-cli [OPTION]... [TARGET]..."), std::string::npos);
    EXPECT_EQ(outcome.err.find("No such path"), std::string::npos);
}

TEST_F(CliTest, CountAndQuietChangeWhatIsPrinted)
{
    Write("t/a.txt", "x\nx\ny\n");
    Write("t/b.txt", "x\n");
    Outcome count = Run({ "-c", "-e", "x", Path("t") });
    EXPECT_EQ(count.status, 0);
    EXPECT_EQ(count.out, "3\n");

    Outcome none = Run({ "--count", "-e", "z", Path("t") });
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "0\n");

    Outcome quiet = Run({ "-q", "-e", "x", Path("t") });
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "");

    Outcome quiet_error = Run({ "-q", "-c", "-e", "x", Path("t"), Path("gone") });
    EXPECT_EQ(quiet_error.status, 2);
    EXPECT_EQ(quiet_error.out, "");
    EXPECT_EQ(quiet_error.err, "No such path (" + Path("gone") + ")\n");
}

TEST_F(CliTest, FieldsAreSplitByTheirBarsRules)
{
    std::string a = Write("a/one.txt", "foo\nfoo bar\nbar\n");
    std::string b = Write("b/two.txt", "bar foo\n");
    // Every expression must match in a block; the two folders come from one field.
    Outcome outcome = Run({ "--search-field=foo;bar", "--target-field=" + Path("a") + ";;" + Path("b") });
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, a + "(2):foo bar\n" + b + "(1):bar foo\n");
}

TEST_F(CliTest, FiltersIgnoreCaseAndHomeFolder)
{
    Write("t/m.c", "Main\n");
    Write("t/m.txt", "main\n");
    Outcome filtered = Run({ "-f", "*.c", "-e", "main", "~/t" });
    EXPECT_EQ(filtered.status, 1);
    Outcome folded = Run({ "-i", "-f", "*.c", "-e", "main", "~/t" });
    EXPECT_EQ(folded.out, Path("t/m.c") + "(1):Main\n");
}

TEST_F(CliTest, ConfigurationSetsTheLineLimit)
{
    std::string file = Write("long.txt", "x\n" + std::string(50, 'x') + "\n");
    std::string config = Write("config.ini", "[ViewParameter]\r\nMaxLineLength=20\r\n");
    Outcome outcome = Run({ "--config=" + config, "-e", "x", file });
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, file + "(1):x\n");
    EXPECT_NE(outcome.err.find("Line overflow [line=2] (" + file + ")"), std::string::npos);
}

} // namespace
