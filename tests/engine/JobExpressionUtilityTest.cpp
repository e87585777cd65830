#include <engine/JobExpressionUtility.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <tests/TestSupport.h>

using namespace JobLayer;
using RawLayer::RawEncoding;
using Field = JobExpressionUtility::Field;

namespace {

using QuelvaneTest::Texts;
using QuelvaneTest::Utf8;

std::vector<std::string> Split(const std::string& text, Field field)
{
    std::vector<std::string> pieces;
    for (const RawString& piece : JobExpressionUtility::SplitList(Utf8(text), field))
        pieces.push_back(piece.Str());
    return pieces;
}

int32_t LineCount(const std::vector<std::string>& expressions)
{
    RawStringList list;
    for (const std::string& expression : expressions)
        list.Add(Utf8(expression));
    return JobExpressionUtility::BlockLineCount(list);
}

struct CaptureSituation : JobExpressionUtility::Situation {
    RawString LineBreak() const override { return RawString("\n"); }
    RawString Capture(int index) const override { return Utf8("<" + std::to_string(index) + ">"); }
};

} // namespace

TEST(JobExpressionSplit, EmptyPiecesPerField)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(Split("a;b", Field::Search), (V { "a", "b" }));
    EXPECT_EQ(Split("a%db", Field::Search), (V { "a%db" }));
    EXPECT_EQ(Split(";a", Field::Search), (V { "a" }));
    EXPECT_EQ(Split("a;", Field::Search), (V { "a", "" }));
    EXPECT_EQ(Split("a;;b", Field::Search), (V { "a", "", "b" }));
    EXPECT_EQ(Split("", Field::Search), (V {}));
    EXPECT_EQ(Split(";;x;", Field::Folder), (V { "x" }));
    EXPECT_EQ(Split("*.c;;*.h", Field::Filter), (V { "*.c", "*.h" }));
    EXPECT_EQ(Split(";a;", Field::Replace), (V { "", "a", "" }));
    EXPECT_EQ(Split("", Field::Replace), (V { "" }));
    EXPECT_EQ(Split("日本;語", Field::Search), (V { "日本", "語" }));
}

TEST(JobExpressionLineCount, CountsLineBreakEscapes)
{
    EXPECT_EQ(LineCount({ "a%Nb", "x%r%ny%nz" }), 3);
    EXPECT_EQ(LineCount({ "$a%Nb" }), 2);
    EXPECT_EQ(LineCount({}), 1);
    EXPECT_EQ(LineCount({ "%n%r" }), 3);
    EXPECT_EQ(LineCount({ "%r%t%n" }), 3); // a %r followed by another escape does not pair
    EXPECT_EQ(LineCount({ "%%N" }), 1);    // "%%" is a percent sign, then a plain "N"
    EXPECT_EQ(LineCount({ "abc%" }), 1);
}

TEST(JobExpressionEscape, SingleLineFormAndBack)
{
    RawString text = Utf8("a;b\tc\r\nd%");
    RawString escaped = JobExpressionUtility::Escape(text);
    EXPECT_EQ(escaped.Str(), "a%db%tc%Nd%e");
    EXPECT_EQ(JobExpressionUtility::Unescape(escaped).Str(), "a;b\tc\r\nd%");
    EXPECT_EQ(JobExpressionUtility::Escape(Utf8("x\ry\nz\x01")).Str(), "x%Ny%Nz");
    EXPECT_EQ(JobExpressionUtility::EscapeKeepPercent(Utf8("50%;")).Str(), "50%%d");
    EXPECT_EQ(JobExpressionUtility::Escape(Utf8("漢字")).Str(), "漢字");
}

// The ordinary paste into a bar keeps "%" and ";" and folds every line break to one "%N".
TEST(JobExpressionEscape, LineBreaksForPaste)
{
    const struct {
        const char* text;
        const char* escaped;
    } cases[] = {
        { "one\r\ntwo\nthree", "one%Ntwo%Nthree" },
        { "a\r\r\nb", "a%N%Nb" }, // a lone CR, then a CR LF
        { "a\n\rb", "a%N%Nb" },   // LF then CR are two breaks
        { "a;b%", "a;b%" },
        { "%N;%e", "%N;%e" }, // escapes already typed are not escaped again
        { "tab\there", "tab%there" },
        { "bell\x07\x1b[0m\x7f", "bell[0m\x7f" }, // control characters below 32 go
        { "漢字\r\n𠮷", "漢字%N𠮷" },
        { "\r", "%N" },
        { "", "" },
    };
    for (const auto& each : cases)
        EXPECT_EQ(JobExpressionUtility::EscapeLineBreaks(Utf8(each.text)).Str(), each.escaped) << each.text;
}

TEST(JobExpressionUnescape, EscapesRangesAndTrailingPercent)
{
    EXPECT_EQ(JobExpressionUtility::Unescape(Utf8("%q%Q%7%s%%")).Str(), "qQ7 %");
    EXPECT_EQ(JobExpressionUtility::Unescape(Utf8("ab%")).Str(), "ab");
    EXPECT_EQ(JobExpressionUtility::Unescape(Utf8("xx%tyy"), 2, 4).Str(), "\t");
    EXPECT_EQ(JobExpressionUtility::Unescape(Utf8("%N%n%r")).Str(), "\r\n\n\r");
    EXPECT_EQ(JobExpressionUtility::Unescape(Utf8("%日")).Str(), "日");
}

TEST(JobExpressionExpand, PrefixesCapturesAndLineBreaks)
{
    JobExpressionUtility::Situation base;
    EXPECT_EQ(JobExpressionUtility::Expand(Utf8("$x%ty"), base).Str(), "x%ty");
    EXPECT_EQ(JobExpressionUtility::Expand(Utf8("!$x%ty"), base).Str(), "x%ty");
    EXPECT_EQ(JobExpressionUtility::Expand(Utf8("@x%ty"), base).Str(), "@x\ty");
    EXPECT_EQ(JobExpressionUtility::Expand(Utf8("!@a"), base).Str(), "!@a");
    EXPECT_EQ(JobExpressionUtility::Expand(Utf8("a%1b"), base).Str(), "a1b");
    EXPECT_EQ(JobExpressionUtility::Expand(Utf8("a%Nb%q"), base).Str(), "a\r\nb\"");
    CaptureSituation captures;
    EXPECT_EQ(JobExpressionUtility::Expand(Utf8("%0-%9%N%e"), captures).Str(), "<0>-<9>\n%");
    EXPECT_EQ(JobExpressionUtility::Expand(Utf8(""), base).Str(), "");
}
