#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <tests/cli/CliFixture.h>

namespace {

using CliTest = QuelvaneCliTest::CliFixture;
using QuelvaneCliTest::CliOutcome;
using Arguments = std::vector<std::string>;

// Exact standard output, standard error and exit status of searches: one "Simple" line per
// block (a block of two lines shows its first), entries on standard error, an error entry wins
// over a block found, and -c and -q change what is printed.
TEST_F(CliTest, SearchesPrintTheirBlocksAndEntries)
{
    const std::string a = Write("t/a.txt", "alpha\r\nbeta x\r\ngamma\r\ndelta x");
    const std::string two = Write("two.txt", "a\nx one\ny two\nb\n");
    const std::string one = Write("f/a/one.txt", "foo\nfoo bar\nbar\n");
    const std::string bar = Write("f/b/two.txt", "bar foo\n");
    const std::string c = Write("m/m.c", "Main\n");
    Write("m/m.txt", "main\n");
    const std::string big = Write("long.txt", "x\n" + std::string(50, 'x') + "\n");
    const std::string config = Write("config.ini", "[ViewParameter]\r\nMaxLineLength=20\r\n");
    const std::string gone = Path("gone");
    const std::string start = "Search started...\n";
    const std::string finish = "Search finished.\n";
    const std::tuple<Arguments, int, std::string, std::string> cases[] = {
        { { "-e", "x", Path("t") }, 0, a + "(2):beta x\n" + a + "(4):delta x\n", start + finish },
        { { "-e", "x*%Ny", two }, 0, two + "(2):x one\n", start + finish },
        // Every expression must match in a block; the two folders come from one field.
        { { "--search-field=foo;bar", "--target-field=" + Path("f/a") + ";;" + Path("f/b") }, 0,
            one + "(2):foo bar\n" + bar + "(1):bar foo\n", start + finish },
        { { "-f", "*.c", "-e", "main", "~/m" }, 1, "", start + finish },
        { { "-i", "-f", "*.c", "-e", "main", "~/m" }, 0, c + "(1):Main\n", start + finish },
        { { "-e", "x", Path("t"), gone }, 2, a + "(2):beta x\n" + a + "(4):delta x\n",
            start + "No such path (" + gone + ")\n" + finish },
        { { "--config=" + config, "-e", "x", big }, 2, big + "(1):x\n",
            start + "Line overflow [line=2] (" + big + ")\n" + finish },
        { { "-c", "-e", "x", Path("t"), two }, 0, "3\n", start + finish },
        { { "--count", "-e", "z", Path("t") }, 1, "0\n", start + finish },
        { { "-q", "-e", "x", Path("t") }, 0, "", "" },
        { { "-q", "-c", "-e", "x", Path("t"), gone }, 2, "", "No such path (" + gone + ")\n" },
    };
    for (const auto& [arguments, status, out, err] : cases) {
        CliOutcome outcome = Run(arguments);
        EXPECT_EQ(outcome.status, status) << testing::PrintToString(arguments);
        EXPECT_EQ(outcome.out, out) << testing::PrintToString(arguments);
        EXPECT_EQ(outcome.err, err) << testing::PrintToString(arguments);
    }
}

// Wrong arguments end with status 2 before any search and say why on standard error; help and
// version end with 0.
TEST_F(CliTest, ArgumentsThatAreNoSearchEndBeforeIt)
{
    const std::string file = Write("a.txt", "needle\n");
    const std::string usage = "Usage: quelvane-cli [OPTION]... [TARGET]...";
    const std::tuple<Arguments, int, std::string, std::string> cases[] = {
        { { "--no-such-option", "-e", "needle", file }, 2, "", usage },
        { { "-x", "-e", "needle", Path("missing") }, 2, "", usage },
        { { "-e" }, 2, "", usage },
        { { file }, 2, "", usage },           // no expression
        { { "-e", "needle" }, 2, "", usage }, // no target
        { { "--config", Path("none.ini"), "-e", "needle", file }, 2, "", "configuration file" },
        { { "--list-backups", "-e", "needle" }, 2, "", "--list-backups takes no search options" },
        { { "--restore=x", "--apply" }, 2, "", "--restore takes no search options" },
        { { "--restore=" }, 2, "", "--restore needs the folder name" },
        { { "--list-backups", "--restore=x" }, 2, "", "cannot be combined" },
        { { "--help" }, 0, usage, "" },
        { { "--version" }, 0, "quelvane-cli ", "" },
    };
    for (const auto& [arguments, status, out_part, err_part] : cases) {
        CliOutcome outcome = Run(arguments);
        EXPECT_EQ(outcome.status, status) << testing::PrintToString(arguments);
        EXPECT_NE(outcome.out.find(out_part), std::string::npos) << outcome.out;
        EXPECT_TRUE(status == 0 || outcome.out.empty()) << outcome.out;
        EXPECT_NE(outcome.err.find(err_part), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.err.find("Search started"), std::string::npos) << outcome.err;
    }
}

} // namespace
