// The whole-file prefilter: its pieces, its byte forms and its line scans against the reader, and
// whole searches with and without it over random files in every detected encoding, which must
// give the same reports (blocks, hits, encodings, failures and status entries).

#include <core/RawEncoding.h>
#include <core/RawLineFile.h>
#include <engine/JobExpressionUtility.h>
#include <engine/JobFinder.h>
#include <engine/JobLineScan.h>
#include <engine/JobPieceEncoder.h>
#include <engine/JobPrefilter.h>
#include <engine/JobRequiredText.h>
#include <engine/JobStatusCentre.h>

#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <tests/TestSupport.h>

using namespace JobLayer;
using RawLayer::RawEncoding;
using RawLayer::RawLineFile;

namespace {

RawString Utf8(const std::string& text)
{
    return RawString(text, RawEncoding::Utf8);
}

// "text" for an exact piece, "~text" for a folded one.
std::vector<std::string> PiecesOf(const std::string& expression, bool ignore_case)
{
    std::vector<std::string> shown;
    JobRequiredText required(Utf8(expression), ignore_case);
    for (const JobRequiredText::Piece& piece : required.Pieces())
        shown.push_back((piece.folded ? "~" : "") + piece.units);
    return shown;
}

TEST(RequiredTextTest, PiecesStandBetweenWildcardsClassesAndRepetitions)
{
    using Case = std::tuple<std::string, bool, std::vector<std::string>>;
    for (const auto& [expression, ignore_case, pieces] : {
             Case { "malloc*free", false, { "malloc", "free" } },
             Case { "malloc*free", true, { "~malloc", "~free" } },
             Case { "a?b%Nc", false, { "a", "b", "c" } },
             Case { "%s;%q%%", false, { " ;\"%" } },
             Case { "12%t3", true, { "12\t3" } },  // nothing to fold
             Case { "$A*b%N", true, { "A*b%N" } }, // the literal form never folds
             Case { "@[0-9]+x", false, { "x" } },
             Case { "@ab+c", false, { "ab", "bc" } },
             Case { "@ab*c.d", false, { "a", "c", "d" } },
             Case { "@x%", false, { "x" } },
             Case { "*", false, {} },
             Case { "", false, {} },
         })
        EXPECT_EQ(PiecesOf(expression, ignore_case), pieces) << expression;
    EXPECT_TRUE(JobRequiredText(Utf8("!abc"), false).IsNegated());
    EXPECT_FALSE(JobRequiredText(Utf8("a!bc"), false).IsNegated());
}

// The lead is what the matcher's search scans for; a block without it costs a scan, so the
// bound stays flat where a "*" makes the general one grow with the square of the length.
TEST(RequiredTextTest, LeadAndStepBound)
{
    JobRequiredText star(Utf8("malloc*free"), false);
    EXPECT_EQ(star.Lead(), "malloc");
    EXPECT_EQ(JobRequiredText(Utf8("malloc"), true).Lead(), ""); // "m" or "M"
    EXPECT_EQ(JobRequiredText(Utf8("#if"), true).Lead(), "#");
    EXPECT_LT(star.StepBound(100000, true), 10000);
    EXPECT_GT(star.StepBound(100000, false), 1e10);
    EXPECT_LT(star.StepBound(10000, false), star.StepBound(20000, false) / 3);
}

TEST(PieceEncoderTest, RunsInEachForm)
{
    using Form = JobPieceEncoder::Form;
    using Runs = std::vector<std::string>;
    // "ア" is 83 41 in code page 932: its trail byte is an "A".
    EXPECT_EQ(JobPieceEncoder::Encode("xア", Form::Sjis), Runs { "x\x83\x41" });
    EXPECT_EQ(JobPieceEncoder::Encode("aア", Form::Utf16Le), (Runs { std::string("a\0\xA2\x30", 4) }));
    EXPECT_EQ(JobPieceEncoder::Encode("aア", Form::Utf16Be), (Runs { std::string("\0a\x30\xA2", 4) }));
    EXPECT_EQ(JobPieceEncoder::Encode("\xE3\x81", Form::Same), Runs { "\xE3\x81" });
    EXPECT_TRUE(JobPieceEncoder::Encode("\xE3\x81", Form::Sjis).empty());
    // U+7E8A stands in code page 932 both as ED 40 (NEC's selection) and as FA 5C (IBM's).
    EXPECT_EQ(JobPieceEncoder::SjisForm(u'\u7E8A'), 0);
    EXPECT_EQ(JobPieceEncoder::Encode("ab\u7E8Acd", Form::Sjis), (Runs { "ab", "cd" }));
    EXPECT_EQ(JobPieceEncoder::SjisForm(u'\\'), 0x5C);
    EXPECT_EQ(JobPieceEncoder::SjisForm(u'\uFF71'), 0xB1); // half-width katakana A
}

// The scans must agree with the reader line for line: the count of lines it delivers, and
// whether it stops with "Line overflow", for texts of every kind of line end in both widths.
TEST(LineScanTest, AgreesWithTheReader)
{
    QuelvaneTest::TestFolder folder;
    std::string path = folder.Path() + "/lines";
    std::mt19937 random(7);
    const std::vector<std::string> parts = { "a", "bc", "\n", "\r", "\r\n", "defgh", "\n\n", "\r\r" };
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (int k = std::uniform_int_distribution(0, 40)(random); k > 0; --k)
            text += parts[random() % parts.size()];
        bool wide = round % 2 == 1;
        std::string bytes = text;
        if (wide)
            bytes = "\xFF\xFE" + *RawLayer::RawConvertBytes(text, RawEncoding::Utf8, RawEncoding::Utf16Le);
        std::ofstream(path, std::ios::binary) << bytes;
        int32_t limit = std::uniform_int_distribution(0, 6)(random);
        RawLineFile reader;
        ASSERT_TRUE(reader.OpenRead(Utf8(path), limit));
        int64_t lines = 0;
        RawString line;
        while (reader.ReadLine(line))
            ++lines;
        auto unit = wide ? JobLineScan::Unit::Utf16Le : JobLineScan::Unit::Byte;
        std::string_view content = std::string_view(bytes).substr(wide ? 2 : 0);
        bool overflow = reader.Status() == RawLineFile::kLineOverflow;
        EXPECT_EQ(JobLineScan::LinesWithin(content, unit, limit), !overflow) << round << " " << text;
        if (!overflow) {
            EXPECT_EQ(JobLineScan::CountLines(content, unit), lines) << round << " " << text;
        }
    }
}

// A file is passed over exactly when it misses a run, wherever the run stands and however often
// its bytes stand in the file without it (the search then gives up its anchor byte).
TEST(PrefilterTest, PassesOverExactlyTheFilesThatMissARun)
{
    using Case = std::tuple<std::string, std::string, bool>;
    std::string many(20000, 'y');
    for (const auto& [expression, content, passed_over] : {
             Case { "xyz", many, true }, Case { "xyz", many + "xyz", false },
             Case { "xyz", "xyz" + many, false }, Case { "xyz", many + "xy", true },
             Case { "yyyz", many + "z", false }, Case { "yyyz", many + "q", true },
             Case { "zyyy", many, true }, // the anchor "y" stands everywhere
             Case { "zyyy", many + "zyyy" + many, false }, Case { "zyyy", many + "zyy", true },
             Case { "$Ab", "ab\nAB\n", true }, Case { "Ab", "ab\nAB\n", false },  // folded
             Case { "x{", many + "X{", false }, Case { "x[", many + "X{", true }, // only letters fold
             Case { "xé", many + "Xé", false },
             Case { "xé", many + "XÉ", true }, // C3 A9 and C3 89: not a letter's case
             Case { "a*b", "a\n", true }, Case { "a*b", "b\na\n", false }, // both runs stand somewhere
         }) {
        JobPrefilter prefilter(
            JobExpressionUtility::SplitList(Utf8(expression), JobExpressionUtility::Field::Search), true,
            JobMatchLimits::kDefaultSteps);
        std::optional<int64_t> lines = prefilter.PassOver(content, { RawEncoding::Utf8 }, 1 << 20, 1);
        EXPECT_EQ(lines.has_value(), passed_over) << expression << " " << content.size();
    }
}

// --- Whole searches ------------------------------------------------------------------------------

// Writes down every report of a finder, with the hits and the status entries they point to.
class Recorder : public JobFinder::Handler {
public:
    explicit Recorder(JobStatusCentre& status)
        : status_(status)
    {
    }
    void BlockFound(const JobFoundBlock& block, const RawString& line_end, const JobHitMulti& hits,
        int32_t line_count) override
    {
        std::string shown = "found " + block.path.Str() + ":" + std::to_string(block.index) + " ["
            + block.text.Str() + "] end=" + block.line_end.Str() + " first=" + line_end.Str()
            + " lines=" + std::to_string(line_count);
        for (const JobHitSingle& single : hits)
            for (const JobHitUnit& hit : single) {
                shown += " " + std::to_string(hit.start) + "-" + std::to_string(hit.end);
                for (const JobHitRange& range : hit.ranges)
                    shown += "(" + std::to_string(range.start) + "," + std::to_string(range.end) + ")";
            }
        log.push_back(shown);
    }
    void FileFinished(const RawString& path, RawEncoding encoding) override
    {
        log.push_back("finished " + path.Str() + " " + std::string(RawLayer::RawEncodingName(encoding)));
    }
    void FileStarted(const RawString& path) override { log.push_back("started " + path.Str()); }
    void BlockDone(int64_t index) override { log.push_back("done " + std::to_string(index)); }
    void FileFailed(const RawString& path, uint32_t id) override
    {
        log.push_back(
            "failed " + path.Str() + " " + status_.Find(id).value_or(JobStatusUnit()).display.Str());
    }

    std::vector<std::string> log;

private:
    JobStatusCentre& status_;
};

// Random lines from a small alphabet, so that short expressions both hit and miss: ASCII in both
// cases, characters whose Shift_JIS trail byte is an ASCII letter or sign, one with two forms
// in code page 932, half-width katakana, and every kind of line end.
std::string RandomText(std::mt19937& random)
{
    static const std::vector<std::string> parts = { "a", "b", "c", "A", "B", "x", "1", "2", " ", "*", "%",
        "ab", "abc", "aB", "ア", "ツ", "ソ", "あ", "纊", "ｱ", "\n", "\n", "\r\n", "\r" };
    std::string text;
    for (int k = std::uniform_int_distribution(0, 40)(random); k > 0; --k)
        text += parts[random() % parts.size()];
    return text;
}

std::string RandomExpression(std::mt19937& random)
{
    static const std::vector<std::string> parts = { "a", "b", "c", "A", "x", "1", "ab", "bc", "aB", "ア",
        "ツ", "纊", "ｱ", "*", "?", "%N", "%s", "%e" };
    static const std::vector<std::string> pattern_parts
        = { "a", "b", "B", "x", "ア", ".", "[a-c]", "[^b]", "+", "*", "%N", "[0-9]+" };
    int form = std::uniform_int_distribution(0, 5)(random);
    const auto& pool = form == 4 ? pattern_parts : parts;
    std::string expression = form == 3 ? "$" : form == 4 ? "@" : "";
    for (int k = std::uniform_int_distribution(1, 4)(random); k > 0; --k)
        expression += pool[random() % pool.size()];
    return form == 5 && random() % 4 == 0 ? "!" + expression : expression;
}

// The file's bytes for `text` in one of the forms the reader detects, now and then with a
// broken sequence that the reader reports as a conversion error.
std::string Encoded(const std::string& text, int form, std::mt19937& random)
{
    std::string bytes;
    switch (form) {
    case 0: // UTF-8 by content (or plain ASCII)
        bytes = text;
        break;
    case 1: // UTF-8 by its mark
        bytes = "\xEF\xBB\xBF" + text;
        break;
    case 2: { // Shift_JIS by content: "あ" first decides it
        bytes = *RawLayer::RawConvertBytes("あ" + text, RawEncoding::Utf8, RawEncoding::Sjis);
        // "纊" is written FA 5C; ED 40 reads as the same character.
        for (size_t at = bytes.find("\xFA\x5C"); random() % 2 == 0 && at != std::string::npos;
             at = bytes.find("\xFA\x5C", at))
            bytes.replace(at, 2, "\xED\x40");
        break;
    }
    case 3:
        bytes = "\xFF\xFE" + *RawLayer::RawConvertBytes(text, RawEncoding::Utf8, RawEncoding::Utf16Le);
        break;
    default:
        bytes = "\xFE\xFF" + *RawLayer::RawConvertBytes(text, RawEncoding::Utf8, RawEncoding::Utf16Be);
        break;
    }
    if (random() % 8 == 0 && form <= 2)
        bytes += form == 2 ? "\x81\x0A" : "\xC3\x28";
    return bytes;
}

class PrefilterSearchTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(folder_.Path().empty());
        status_.SetAccepting(true);
    }

    // The reports of one search of the folder, and the status entries it added.
    std::vector<std::string> Search(JobFinder::Prefilter prefilter, int32_t line_limit, int64_t steps)
    {
        Recorder recorder(status_);
        int32_t first_entry = status_.Count();
        JobMatchLimits limits;
        limits.steps = steps;
        JobFinder finder(recorder, params_, status_, line_limit, limits);
        finder.SetPrefilter(prefilter);
        finder.Search(Utf8(folder_.Path()));
        passed_over_ += finder.FilesPassedOver();
        for (const JobStatusUnit& entry : status_.Entries(first_entry))
            recorder.log.push_back("entry " + entry.display.Str());
        return recorder.log;
    }

    QuelvaneTest::TestFolder folder_;
    JobStatusCentre status_;
    JobParams params_;
    int64_t passed_over_ = 0;
};

// Line limits small enough that some lines overflow, and step budgets small enough that some
// blocks run out, so that files that the reader reports must be read also when they miss.
TEST_F(PrefilterSearchTest, SameReportsWithAndWithoutPrefilter)
{
    std::mt19937 random(2024);
    std::map<std::string, int> kinds
        = { { "Line overflow", 0 }, { "Code conversion error", 0 }, { "Expression too complex", 0 } };
    params_.filters = JobExpressionUtility::SplitList(Utf8("*"), JobExpressionUtility::Field::Filter);
    for (int round = 0; round < 200; ++round) {
        for (int file = 0; file < 6; ++file) {
            std::string bytes = Encoded(RandomText(random), file % 5, random);
            std::ofstream(folder_.Path() + "/f" + std::to_string(file), std::ios::binary) << bytes;
        }
        std::string expressions = RandomExpression(random);
        if (random() % 3 == 0)
            expressions += ";" + RandomExpression(random);
        params_.expressions
            = JobExpressionUtility::SplitList(Utf8(expressions), JobExpressionUtility::Field::Search);
        params_.line_count = JobExpressionUtility::BlockLineCount(params_.expressions);
        params_.ignore_case = random() % 2 == 0;
        int32_t line_limit = random() % 3 == 0 ? 12 : 1000;
        int64_t steps = std::vector<int64_t> { 10, 60, JobMatchLimits::kDefaultSteps }[random() % 3];
        std::vector<std::string> reports = Search(JobFinder::Prefilter::Off, line_limit, steps);
        EXPECT_EQ(Search(JobFinder::Prefilter::On, line_limit, steps), reports)
            << "round " << round << " expressions " << expressions << " ignore case " << params_.ignore_case;
        for (const std::string& report : reports)
            for (auto& [kind, count] : kinds)
                count += report.starts_with("entry " + kind) ? 1 : 0;
    }
    // The comparison means something only if files were passed over, and files were reported
    // for every reason that must keep a file from being passed over.
    EXPECT_GT(passed_over_, 200);
    for (const auto& [kind, count] : kinds)
        EXPECT_GT(count, 10) << kind;
}

} // namespace
