#include <string>
#include <utility>

#include <cli/CliShownName.h>
#include <gtest/gtest.h>
#include <tests/cli/CliFixture.h>

namespace {

using CliNamesTest = QuelvaneCliTest::CliFixture;
using QuelvaneCliTest::CliOutcome;

std::string Escaped(std::string_view bytes)
{
    std::string shown;
    QuelvaneCli::CliShownName::AppendEscaped(shown, bytes);
    return shown;
}

// Every byte that could act on a terminal or break a line is escaped, and the backslash too, so
// that the shown form reads back; printable text in any script passes unchanged.
TEST(CliShownName, EscapesWhatCouldActOnATerminal)
{
    const std::pair<std::string_view, std::string_view> cases[] = {
        { "plain/a.txt", "plain/a.txt" },
        { "a\nb", "a\\nb" },
        { "a\rb\tc", "a\\rb\\tc" },
        { "\x1b[31mred", "\\x1b[31mred" },
        { "del\x7f", "del\\x7f" },
        { "back\\slash", "back\\\\slash" },
        { "\xc3\xa9t\xc3\xa9/\xe6\x97\xa5\xe6\x9c\xac.txt",
            "\xc3\xa9t\xc3\xa9/\xe6\x97\xa5\xe6\x9c\xac.txt" },
        { "\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80" },
        { "csi\xc2\x9b"
          "2J",
            "csi\\u009b2J" },               // U+009B, a one-character escape sequence
        { "nbsp\xc2\xa0", "nbsp\xc2\xa0" }, // the first character after the C1 range
        { "latin1 \xe9t\xe9", "latin1 \\xe9t\\xe9" },
        { "cut \xe6\x97", "cut \\xe6\\x97" },
        { "overlong \xc0\xaf", "overlong \\xc0\\xaf" },
        { "surrogate \xed\xa0\x80", "surrogate \\xed\\xa0\\x80" },
    };
    for (const auto& [bytes, shown] : cases)
        EXPECT_EQ(Escaped(bytes), shown) << testing::PrintToString(std::string(bytes));
}

// A file whose name holds a line feed, a carriage return and an escape sequence: each block
// line stays one line with the name escaped, the status entries naming it too; with --null the
// name comes as its own bytes, ended by a zero byte.
TEST_F(CliNamesTest, NamesWithControlCharactersNeverBreakTheOutput)
{
    Write("t/plain.txt", "no\n");
    const std::string name = "t/a\nb\rc\x1b[2Jd.txt";
    const std::string raw = Write(name, "x needle\nneedle y\n");
    const std::string shown = Path("t/") + "a\\nb\\rc\\x1b[2Jd.txt";

    CliOutcome escaped = Run({ "-e", "needle", Path("t") });
    EXPECT_EQ(escaped.status, 0);
    EXPECT_EQ(escaped.out, shown + "(1):x needle\n" + shown + "(2):needle y\n");

    CliOutcome ended = Run({ "--null", "-e", "needle", Path("t") });
    EXPECT_EQ(ended.status, 0);
    EXPECT_EQ(ended.out, raw + '\0' + "(1):x needle\n" + raw + '\0' + "(2):needle y\n");

    // The kept results of a preview are printed by the same rule.
    CliOutcome preview = Run({ "--preview", "-e", "needle", "-r", "pin", raw });
    EXPECT_EQ(preview.out, shown + "(1):x needle\n=> x pin\n" + shown + "(2):needle y\n=> pin y\n");

    // An entry names the file escaped, with or without --null.
    const std::string config = Write("config.ini", "[ViewParameter]\r\nMaxLineLength=4\r\n");
    for (const char* form : { "--quiet", "--null" }) {
        CliOutcome entry = Run({ form, "--config=" + config, "-e", "needle", raw });
        EXPECT_EQ(entry.status, 2) << form;
        EXPECT_NE(entry.err.find("Line overflow [line=1] (" + shown + ")\n"), std::string::npos)
            << form << ": " << entry.err;
        EXPECT_EQ(entry.err.find('\x1b'), std::string::npos) << form;
    }
}

} // namespace
