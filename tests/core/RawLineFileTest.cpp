#include <core/RawLineFile.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <tuple>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tests/TestSupport.h>
#include <unistd.h>

using namespace RawLayer;
using namespace std::string_literals;
using Enc = RawEncoding;
using End = RawLineEnd;
using Lines = std::vector<std::string>;

namespace {

constexpr size_t kBlock = 256 * 1024; // the reader's block size
const std::string kUtf8Mark = "\xEF\xBB\xBF";

struct ReadResult {
    Lines lines;
    std::vector<End> ends;
    std::string raw; // the mark, then every line's raw bytes and raw line end
    int status = -1;
    Enc encoding = Enc::NoSet;
    RawLineFileInfo::Origin origin = RawLineFileInfo::Origin::Given;
};

// With `whole` set, the file is first read whole with that bound, and `content` is what that gave.
ReadResult ReadAll(const std::string& path, int32_t limit, Enc given = Enc::NoSet, Enc undecided = Enc::NoSet,
    std::optional<int64_t> whole = std::nullopt, std::optional<std::string>* content = nullptr)
{
    ReadResult result;
    RawLineFile file;
    file.SetUndecidedEncoding(undecided);
    if (file.OpenRead(RawString(path, Enc::Utf8), limit, given) && file.HasMark())
        result.raw = RawLineFileInfo::MarkBytes(file.FileEncoding());
    if (whole) {
        std::optional<std::string_view> bytes = file.WholeContent(*whole);
        *content = bytes ? std::optional(std::string(*bytes)) : std::nullopt;
    }
    for (RawString line; file.ReadLine(line);) {
        result.lines.push_back(line.Str());
        result.ends.push_back(file.LineEnd());
        result.raw.append(file.RawLine()).append(file.RawLineEndBytes());
    }
    result.status = file.Status();
    result.encoding = file.FileEncoding();
    result.origin = file.EncodingOrigin();
    return result;
}

// UTF-8 text in UTF-16 with its mark.
std::string Widen(const std::string& text, Enc encoding)
{
    return std::string(RawLineFileInfo::MarkBytes(encoding)) + *RawConvertBytes(text, Enc::Utf8, encoding);
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class LineFileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder_.empty()); }

    // Reads `bytes` from a file, with `ascii` for a file of plain ASCII. A read that ends normally
    // must give the file back byte for byte.
    ReadResult Read(const std::string& bytes, int32_t limit = 1 << 20, Enc given = {}, Enc ascii = {}) const
    {
        std::ofstream(folder_ + "/file.txt", std::ios::binary) << bytes;
        ReadResult result = ReadAll(folder_ + "/file.txt", limit, given, ascii);
        EXPECT_EQ(result.status == RawLineFile::kStatusEndOfData ? result.raw : bytes, bytes);
        return result;
    }

    QuelvaneTest::TestFolder temp_;
    std::string folder_ = temp_.Path();
};

} // namespace

// --- Detection -------------------------------------------------------------------------------

TEST(LineFileDetection, ScanDecidesByTheFirstTellingByte)
{
    // E3 goes to the two-way test, which a Shift_JIS lead without its trail decides for UTF-8. A
    // zero at an odd offset means UTF-16LE, at an even one UTF-16BE; a whole file of one line
    // stays UTF-16, a full window without a 16-bit line end is binary, and a CR LF in byte form
    // confirms nothing. The last case decides only past the first buffer.
    const std::string filler(70000, 'a'); // longer than the look-ahead window
    const std::pair<std::string, Enc> cases[] = { { "", Enc::NoSet }, { "plain ASCII\r\n", Enc::NoSet },
        { "a\x82\xA0", Enc::Sjis }, { "\xE3\x81\x82", Enc::Utf8 }, { "\xF0\x9F\x98\x80", Enc::Utf8 },
        { "ok\xFE", Enc::Binary }, { "\x7F", Enc::Binary }, { "a\0\n\0"s, Enc::Utf16Le },
        { "\0a\0\n"s, Enc::Utf16Be }, { "\0a\0b"s, Enc::Utf16Be }, { "\0"s + filler, Enc::Binary },
        { "\0a\r\n"s + filler, Enc::Binary }, { "\0a\0\r"s + filler, Enc::Utf16Be },
        { std::string(kBlock + 1000, 'a') + "\x82\xA0", Enc::Sjis } };
    for (const auto& [bytes, expected] : cases) {
        auto verdict = RawLineFileInfo::ScanContent(bytes);
        EXPECT_EQ(verdict.encoding, expected) << testing::PrintToString(bytes.substr(0, 8));
        EXPECT_EQ(verdict.decided, expected != Enc::NoSet);
    }
}

// Zero bytes in the first 64 KiB decide before any other byte: UTF-16 when they read as UTF-16
// text in the byte order most of them point to, else binary, however the file begins. The image
// header of the first case was taken for Shift_JIS by its first byte, and an archive's or a
// table of numbers' zero bytes for UTF-16.
TEST(LineFileDetection, ZeroBytesThatDoNotReadAsUtf16MakeAFileBinary)
{
    const std::string png = "\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR needle\0\x01\x02 needle\n"s;
    const std::string latin(40000, 'a');
    auto le = [](const std::string& text) { return *RawConvertBytes(text, Enc::Utf8, Enc::Utf16Le); };
    auto be = [](const std::string& text) { return *RawConvertBytes(text, Enc::Utf8, Enc::Utf16Be); };
    const std::pair<std::string, Enc> cases[] = {
        { png, Enc::Binary },
        { "\x1F\x8B\x08\0\0\0\0\0\0\x03\xCB\x48\xCD"s, Enc::Binary }, // gzip
        { "\x01\0\x02\0\x03\0\x04\0"s, Enc::Binary },                 // zeros steady, but controls
        { "a\0b\0\0\0c\0"s, Enc::Binary },                            // U+0000
        { "a\0\0b"s, Enc::Binary },                                   // as many even as odd
        { "\xE3\x81\x82 text\0"s, Enc::Binary },                      // UTF-8, then a zero
        { le("一行目\r\n二行目\r\n"), Enc::Utf16Le },                 // zero bytes in low bytes too
        { be("Ünïcödé\n€ and 😀\n"), Enc::Utf16Be },                   // a surrogate pair
        { le(latin), Enc::Utf16Le },                                  // one line longer than the window
        { le("abcdef").substr(1), Enc::Binary },                      // a whole file of no whole units
        { le("x\x01y\n"), Enc::Binary },
    };
    for (const auto& [bytes, expected] : cases) {
        auto verdict = RawLineFileInfo::ScanContent(bytes);
        EXPECT_TRUE(verdict.decided);
        EXPECT_EQ(verdict.encoding, expected) << testing::PrintToString(bytes.substr(0, 16));
    }
}

TEST(LineFileDetection, TwoWayTest)
{
    // In order: no points either way; valid UTF-8 that is two half-width katakana in Shift_JIS; a
    // stray continuation byte and a missing one fail UTF-8; 80 after a lead is a trail but alone
    // fails Shift_JIS; a byte failing both; a five-byte form counts against UTF-8 unless katakana
    // outweigh it; a sequence cut at the end fails UTF-8 (and a Shift_JIS lead without its trail
    // fails Shift_JIS) only when the bytes are the whole text, not a window of it.
    const std::tuple<std::string, bool, Enc> cases[]
        = { { "", false, Enc::Sjis }, { "\xC3\xA9", false, Enc::Utf8 }, { "\x82\xA0", false, Enc::Sjis },
              { "\xE0\x40", false, Enc::Sjis }, { "\xE3\x80\x80", false, Enc::Utf8 },
              { "\xE3\x20", false, Enc::Sjis }, { "\xE3\x81\x81\xF8\x81\x81\x81\x81", false, Enc::Sjis },
              { "\xC3\xA9\xE3\x81\x81\xF8\x81\x81\x81\x81", false, Enc::Utf8 },
              { "\xC3\xA9\xE3\x81", false, Enc::Sjis }, { "\xC3\xA9\xE3\x81", true, Enc::Utf8 },
              { "\xE3\x81\x81", false, Enc::Utf8 }, { "\xE3\x81\x81", true, Enc::Sjis } };
    for (const auto& [bytes, cut_allowed, expected] : cases)
        EXPECT_EQ(RawLineFileInfo::SjisOrUtf8(bytes, cut_allowed), expected)
            << testing::PrintToString(bytes) << " cut " << cut_allowed;
}

TEST_F(LineFileTest, EncodingComesFromTheCallerTheMarkOrTheContent)
{
    // A mark counts only for the encoding in use: given another encoding, its bytes are text.
    // UTF-7's mark is only ever written. EF BB is too short for a mark and no text of code page 932.
    using Origin = RawLineFileInfo::Origin;
    const std::tuple<std::string, Enc, Enc, Origin, Lines> cases[] = {
        { kUtf8Mark + "abc", Enc::NoSet, Enc::Utf8, Origin::Mark, { "abc" } },
        { "\xFE\xFF\0a"s, Enc::NoSet, Enc::Utf16Be, Origin::Mark, { "a" } },
        { "\xFF\xFE" + "a\0"s, Enc::NoSet, Enc::Utf16Le, Origin::Mark, { "a" } },
        { "\xFF\xFE", Enc::NoSet, Enc::Utf16Le, Origin::Mark, {} },
        { "\xEF\xBB", Enc::NoSet, Enc::Sjis, Origin::Content, {} },
        { "+/v8-a", Enc::NoSet, Enc::NoSet, Origin::Undecided, { "+/v8-a" } },
        { "ab\xFF\ncd\0e\r\n"s, Enc::NoSet, Enc::Binary, Origin::Content, { "ab\xFF", "cd\0e"s } },
        { kUtf8Mark + "abc", Enc::Utf8, Enc::Utf8, Origin::Given, { "abc" } },
        { kUtf8Mark + "abc", Enc::Binary, Enc::Binary, Origin::Given, { kUtf8Mark + "abc" } },
        // A UTF-8 mark does not make zero bytes text; a UTF-16 mark confirms them.
        { kUtf8Mark + "a\0b"s, Enc::NoSet, Enc::Binary, Origin::Content, { kUtf8Mark + "a\0b"s } },
        { "\xFF\xFE" + "\x01\0\x02\0"s, Enc::NoSet, Enc::Utf16Le, Origin::Mark, { "\x01\x02" } },
    };
    for (const auto& [bytes, given, expected, origin, lines] : cases) {
        auto result = Read(bytes, 100, given);
        EXPECT_EQ(result.encoding, expected) << testing::PrintToString(bytes);
        EXPECT_EQ(result.origin, origin);
        EXPECT_EQ(result.lines, lines);
    }
    EXPECT_EQ(Read("plain\r\n", 100, Enc::NoSet, Enc::Utf8).encoding, Enc::Utf8);
}

// --- Lines -----------------------------------------------------------------------------------

TEST_F(LineFileTest, LineEndsInByteAnd16BitForms)
{
    // Read one byte off, the units of "ਊ一ਊ" would hold a unit 000A.
    const std::tuple<std::string, Lines, std::vector<End>> cases[]
        = { { "a\nb\r\nc\rd", { "a", "b", "c", "d" }, { End::Lf, End::CrLf, End::Cr, End::None } },
              { "a\r", { "a" }, { End::Cr } },
              { "a\r\r\n\n", { "a", "", "" }, { End::Cr, End::CrLf, End::Lf } }, { "", {}, {} },
              { "ਊ一ਊ\n", { "ਊ一ਊ" }, { End::Lf } } };
    for (const auto& [text, lines, ends] : cases)
        for (const std::string& bytes : { text, Widen(text, Enc::Utf16Le), Widen(text, Enc::Utf16Be) }) {
            auto result = Read(bytes);
            EXPECT_EQ(result.status, RawLineFile::kStatusEndOfData);
            EXPECT_EQ(result.lines, lines) << testing::PrintToString(bytes);
            EXPECT_EQ(result.ends, ends);
        }
}

TEST_F(LineFileTest, EveryBlockBoundary)
{
    // The feature starts `offset` bytes into the file (the mark included), after a short first
    // line and filler, so the long line starts inside the first block and must be carried into
    // the next.
    const std::tuple<size_t, std::string, Enc, std::vector<End>> cases[] = {
        { kBlock - 1, "\nnext", Enc::NoSet, { End::Lf, End::Lf, End::None } },
        { kBlock, "\nnext", Enc::NoSet, { End::Lf, End::Lf, End::None } },
        { kBlock - 1, "\r\nnext", Enc::NoSet, { End::Lf, End::CrLf, End::None } },
        { kBlock - 1, "\rnext", Enc::NoSet, { End::Lf, End::Cr, End::None } },
        { kBlock - 1, "\r", Enc::NoSet, { End::Lf, End::Cr } },
        { kBlock - 2, "日\n", Enc::NoSet, { End::Lf, End::Lf } },
        { kBlock - 2, "\r\0\n\0n\0"s, Enc::Utf16Le, { End::Lf, End::CrLf, End::None } },
        { kBlock, "\0\n\0n"s, Enc::Utf16Be, { End::Lf, End::Lf, End::None } },
    };
    for (const auto& [offset, feature, wide, ends] : cases) {
        SCOPED_TRACE(std::to_string(offset) + " " + testing::PrintToString(feature));
        std::string start = "ab\n" + std::string(wide == Enc::NoSet ? offset - 3 : (offset - 2) / 2 - 3, 'x');
        auto result = Read((wide == Enc::NoSet ? start : Widen(start, wide)) + feature);
        EXPECT_EQ(result.status, RawLineFile::kStatusEndOfData);
        EXPECT_EQ(result.ends, ends);
    }
}

// Reading the file whole first, into a buffer grown to hold it, or stopping short of a bound,
// changes nothing the lines show, a line overflow included.
TEST_F(LineFileTest, WholeContentLeavesTheLinesAsTheyWere)
{
    std::string long_line = "ab\n" + std::string(kBlock + 10, 'x') + "\r\nend\r";
    const std::tuple<std::string, int32_t, size_t> cases[] = {
        { long_line, 1 << 20, 0 },
        { long_line, 1000, 0 }, // the long line overflows
        { kUtf8Mark + std::string(3 * kBlock, 'y') + "\n\n", 1 << 20, 3 },
        { Widen("a\r\n" + std::string(kBlock, 'z'), Enc::Utf16Le), 1 << 20, 2 },
        { "", 10, 0 },
    };
    for (const auto& [bytes, limit, mark] : cases) {
        SCOPED_TRACE(std::to_string(bytes.size()) + " " + std::to_string(limit));
        std::string path = folder_ + "/whole.txt";
        std::ofstream(path, std::ios::binary) << bytes;
        ReadResult plain = ReadAll(path, limit);
        for (int64_t bound : { int64_t { 1 } << 30, int64_t { 100 } }) {
            std::optional<std::string> content;
            ReadResult whole = ReadAll(path, limit, Enc::NoSet, Enc::NoSet, bound, &content);
            EXPECT_EQ(std::tie(whole.lines, whole.ends, whole.status, whole.raw),
                std::tie(plain.lines, plain.ends, plain.status, plain.raw));
            if (bytes.size() <= static_cast<size_t>(bound))
                EXPECT_EQ(content, bytes.substr(mark));
            else
                EXPECT_EQ(content, std::nullopt);
        }
    }
}

TEST_F(LineFileTest, ReadsCutInsideUnitsAndPairsGiveTheSameLines)
{
    // A pipe hands data over in whatever pieces the writer made: odd sizes split 16-bit units
    // and CR LF pairs across reads.
    std::string text;
    for (int i = 0; i < 40000; ++i)
        text += std::string(size_t(i % 23), char('a' + i % 26)) + (i % 3 ? "\r\n" : "\r");
    std::string bytes = Widen(text, Enc::Utf16Le);
    auto expected = Read(bytes);
    std::string fifo = folder_ + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] {
        int fd = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        for (size_t at = 0; at < bytes.size(); at += 4097)
            ASSERT_GT(write(fd, bytes.data() + at, std::min<size_t>(4097, bytes.size() - at)), 0);
        close(fd);
    });
    auto result = ReadAll(fifo, 1 << 20, Enc::Utf16Le);
    writer.join();
    EXPECT_EQ(result.status, RawLineFile::kStatusEndOfData);
    EXPECT_EQ(result.lines, expected.lines);
    EXPECT_EQ(result.raw, bytes);
}

TEST_F(LineFileTest, LineLimitAndFailuresEndReadingButKeepEarlierLines)
{
    EXPECT_EQ(Read("12345\r\nabc", 5).lines, (Lines { "12345", "abc" }));
    auto over = Read("12345\n123456\nz", 5);
    EXPECT_EQ(over.status, RawLineFile::kLineOverflow);
    EXPECT_EQ(over.lines, Lines { "12345" });
    EXPECT_EQ(Read(Widen("12345", Enc::Utf16Le), 5).status, RawLineFile::kStatusEndOfData);
    EXPECT_EQ(Read(Widen("123456", Enc::Utf16Le), 5).status, RawLineFile::kLineOverflow);
    EXPECT_EQ(Read(std::string(kBlock + 9, 'x') + "\r\n", kBlock + 9).status, RawLineFile::kStatusEndOfData);
    EXPECT_EQ(Read(std::string(kBlock + 10, 'x'), kBlock + 9).status, RawLineFile::kLineOverflow);

    auto result = Read(kUtf8Mark + "ok\n\xC3(\nnever\n");
    EXPECT_EQ(result.status, RawLineFile::kCodeConversionError);
    EXPECT_EQ(result.lines, Lines { "ok" });
    EXPECT_EQ(result.raw, kUtf8Mark + "ok\n");
    EXPECT_EQ(Read("ok\n\x82\n", 100, Enc::Sjis).status, RawLineFile::kCodeConversionError);
    EXPECT_EQ(ReadAll(folder_ + "/missing", 100).status, RawLineFile::kReadOpenError);
    EXPECT_EQ(ReadAll(folder_, 100).status, RawLineFile::kReadError); // a folder opens but cannot be read
    // Only failures have a text for the user.
    EXPECT_EQ(RawLineFile::StatusText(RawLineFile::kStatusEndOfData), "");
    EXPECT_EQ(RawLineFile::StatusText(result.status), "Code conversion error");
    EXPECT_EQ(RawLineFile::StatusText(RawLineFile::kLineOverflow + 1), "Unknown error");
}

// --- Writing ---------------------------------------------------------------------------------

TEST_F(LineFileTest, WritesEachEncodingWithItsMarkAndLineEndAndKeepsTheFirstFailure)
{
    const std::tuple<Enc, bool, std::string> cases[] = { { Enc::Utf8, true, "\xEF\xBB\xBF\xE6\x97\xA5\r\na" },
        { Enc::Utf8, false, "\xE6\x97\xA5\r\na" }, { Enc::Utf16Le, true, "\xFF\xFE\xE5\x65\r\0\n\0a\0"s },
        { Enc::Utf16Be, false, "\x65\xE5\0\r\0\n\0a"s }, { Enc::Sjis, false, "\x93\xFA\r\na" },
        { Enc::Utf7, true, "+/v8-+ZeU-\r\na" } };
    const std::string path = folder_ + "/out.txt";
    for (const auto& [encoding, mark, expected] : cases) {
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        RawLineFile file;
        ASSERT_TRUE(file.AttachWrite(fd, encoding, mark));
        EXPECT_TRUE(file.WriteText("日") && file.WriteLineEnd() && file.WriteText("a") && file.Close());
        close(fd);
        EXPECT_EQ(Slurp(path), expected) << RawEncodingName(encoding);
    }

    // Once a failure happened, nothing more is written and Close reports it.
    int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    RawLineFile file;
    ASSERT_TRUE(file.AttachWrite(fd, Enc::Sjis, false));
    const std::string big(200000, 'z'); // larger than the write buffer
    EXPECT_TRUE(file.WriteRaw(big));
    EXPECT_FALSE(file.WriteText("😀")); // no form in code page 932: nothing is written
    EXPECT_EQ(file.Status(), RawLineFile::kCodeConversionError);
    EXPECT_FALSE(file.WriteRaw("more")); // the first failure stays
    EXPECT_FALSE(file.Close());
    close(fd);
    EXPECT_EQ(Slurp(path), big);

    int read_only = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_TRUE(file.AttachWrite(read_only, Enc::Utf8, true));
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(file.Status(), RawLineFile::kWriteError);
    close(read_only);
    EXPECT_FALSE(file.AttachWrite(-1, Enc::Utf8, false));
    EXPECT_EQ(file.Status(), RawLineFile::kWriteOpenError);
}
