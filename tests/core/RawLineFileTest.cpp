#include <core/RawLineFile.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace RawLayer;
using namespace std::string_literals;
using Enc = RawEncoding;
using End = RawLineEnd;

namespace {

constexpr size_t kBlock = 256 * 1024; // the reader's block size
const std::string kUtf8Mark = "\xEF\xBB\xBF";

struct ReadResult {
    std::vector<std::string> lines;
    std::vector<End> ends;
    std::string raw; // the mark, then every line's raw bytes and raw line end
    int status = -1;
    Enc encoding = Enc::NoSet;
    RawLineFileInfo::Origin origin = RawLineFileInfo::Origin::Given;
};

ReadResult ReadAll(
    const std::string& path, int32_t limit = 1 << 20, Enc given = Enc::NoSet, Enc undecided = Enc::NoSet)
{
    ReadResult result;
    RawLineFile file;
    file.SetUndecidedEncoding(undecided);
    if (file.OpenRead(RawString(path, Enc::Utf8), limit, given)) {
        if (file.HasMark())
            result.raw = RawLineFileInfo::MarkBytes(file.FileEncoding());
        RawString line;
        while (file.ReadLine(line)) {
            result.lines.push_back(line.Str());
            result.ends.push_back(file.LineEnd());
            result.raw += file.RawLine();
            result.raw += file.RawLineEndBytes();
        }
    }
    result.status = file.Status();
    result.encoding = file.FileEncoding();
    result.origin = file.EncodingOrigin();
    return result;
}

std::string In(Enc encoding, const std::string& utf8)
{
    return *RawConvertBytes(utf8, Enc::Utf8, encoding);
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class LineFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = std::filesystem::temp_directory_path() / "quelvane-linefile-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string Write(const std::string& bytes, const std::string& name = "file.txt")
    {
        std::string path = folder_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // Reads `bytes` from a file; a read that ends normally gives the file back byte for byte.
    ReadResult Read(const std::string& bytes, int32_t limit = 1 << 20, Enc given = Enc::NoSet)
    {
        ReadResult result = ReadAll(Write(bytes), limit, given);
        if (result.status == RawLineFile::kStatusEndOfData) {
            EXPECT_EQ(result.raw, bytes);
        }
        return result;
    }

    std::string folder_;
};

} // namespace

// --- Detection -------------------------------------------------------------------------------

TEST(LineFileDetection, ScanDecidesByTheFirstTellingByte)
{
    const std::string filler(70000, 'a'); // longer than the look-ahead window
    const struct {
        std::string bytes;
        Enc expected;
        bool decided;
    } cases[] = {
        { "", Enc::NoSet, false }, { "plain ASCII\r\n", Enc::NoSet, false }, { "a\x82\xA0", Enc::Sjis, true },
        { "\xE3\x81\x82", Enc::Utf8, true }, // the two-way test: a Shift_JIS lead without a trail
        { "\xF0\x9F\x98\x80", Enc::Utf8, true }, { "ok\xFF", Enc::Binary, true },
        { "\x7F", Enc::Binary, true }, { "\xFE", Enc::Binary, true },
        { "a\0\n\0"s, Enc::Utf16Le, true },         // zero at an odd offset
        { "\0a\0\n"s, Enc::Utf16Be, true },         // zero at an even offset
        { "\0a\0b"s, Enc::Utf16Be, true },          // a whole file of one line
        { "\0"s + filler, Enc::Binary, true },      // a full window without a 16-bit line end
        { "\0a\r\n"s + filler, Enc::Binary, true }, // a byte-form CR LF confirms nothing
        { "\0a\0\r"s + filler, Enc::Utf16Be, true },
        { std::string(kBlock + 1000, 'a') + "\x82\xA0", Enc::Sjis, true }, // past the first buffer
    };
    for (const auto& c : cases) {
        auto verdict = RawLineFileInfo::ScanContent(c.bytes);
        EXPECT_EQ(verdict.encoding, c.expected) << testing::PrintToString(c.bytes.substr(0, 8));
        EXPECT_EQ(verdict.decided, c.decided);
    }
}

TEST(LineFileDetection, TwoWayTest)
{
    const struct {
        std::string bytes;
        bool cut_allowed;
        Enc expected;
    } cases[] = {
        { "", false, Enc::Sjis }, { "abc", false, Enc::Sjis }, // no points either way
        { "\xC3\xA9", false, Enc::Utf8 },     // valid UTF-8, two half-width katakana for Shift_JIS
        { "\x82\xA0", false, Enc::Sjis },     // a stray continuation byte fails UTF-8
        { "\xE0\x40", false, Enc::Sjis },     // a missing continuation byte
        { "\xE3\x80\x80", false, Enc::Utf8 }, // 80 after a lead is a trail; 80 alone fails Shift_JIS
        { "\xE3\x20", false, Enc::Sjis },     // fails both at once
        { "\xE3\x81\x81\xF8\x81\x81\x81\x81", false, Enc::Sjis },         // a five-byte form counts against
        { "\xC3\xA9\xE3\x81\x81\xF8\x81\x81\x81\x81", false, Enc::Utf8 }, // outweighed by katakana
        { "\xC3\xA9\xE3\x81", false, Enc::Sjis }, // cut at the end of the data fails UTF-8
        { "\xC3\xA9\xE3\x81", true, Enc::Utf8 },  // cut at the end of a window does not
        { "\xE3\x81\x81", false, Enc::Utf8 },     // a Shift_JIS lead left without its trail
        { "\xE3\x81\x81", true, Enc::Sjis },      // ...is not held against it in a window
    };
    for (const auto& c : cases)
        EXPECT_EQ(RawLineFileInfo::SjisOrUtf8(c.bytes, c.cut_allowed), c.expected)
            << testing::PrintToString(c.bytes) << " cut " << c.cut_allowed;
}

TEST_F(LineFileTest, MarksAreRecognisedOnlyForTheEncodingInUse)
{
    using Origin = RawLineFileInfo::Origin;
    const struct {
        std::string bytes;
        Enc given, expected;
        Origin origin;
        std::vector<std::string> lines;
    } cases[] = {
        { kUtf8Mark + "abc", Enc::NoSet, Enc::Utf8, Origin::Mark, { "abc" } },
        { "\xFE\xFF\0a"s, Enc::NoSet, Enc::Utf16Be, Origin::Mark, { "a" } },
        { "\xFF\xFE" + "a\0"s, Enc::NoSet, Enc::Utf16Le, Origin::Mark, { "a" } },
        { "\xFF\xFE", Enc::NoSet, Enc::Utf16Le, Origin::Mark, {} },
        { "\xEF\xBB", Enc::NoSet, Enc::Sjis, Origin::Content, { "\xEF\xBB" } }, // too short
        { "+/v8-a", Enc::NoSet, Enc::NoSet, Origin::Undecided, { "+/v8-a" } },  // only written
        { kUtf8Mark + "abc", Enc::Utf8, Enc::Utf8, Origin::Given, { "abc" } },
        { kUtf8Mark + "abc", Enc::Binary, Enc::Binary, Origin::Given, { kUtf8Mark + "abc" } },
        { kUtf8Mark + "a", Enc::Mac, Enc::Mac, Origin::Given, { "Ôªøa" } }, // text, not a mark
    };
    for (const auto& c : cases) {
        auto result = Read(c.bytes, 100, c.given);
        EXPECT_EQ(result.encoding, c.expected) << testing::PrintToString(c.bytes);
        EXPECT_EQ(result.origin, c.origin);
        if (c.expected != Enc::Sjis) { // EF BB is no character of code page 932
            EXPECT_EQ(result.lines, c.lines);
        }
    }
}

TEST_F(LineFileTest, UndecidedFilesTakeTheUndecidedEncoding)
{
    std::string path = Write("plain\r\n");
    EXPECT_EQ(ReadAll(path).encoding, Enc::NoSet);
    auto result = ReadAll(path, 100, Enc::NoSet, Enc::Utf8);
    EXPECT_EQ(result.encoding, Enc::Utf8);
    EXPECT_EQ(result.lines, std::vector<std::string> { "plain" });
}

// --- Lines -----------------------------------------------------------------------------------

namespace {

std::string Widen(const std::string& ascii, Enc encoding)
{
    std::string wide = encoding == Enc::Utf16Le ? "\xFF\xFE" : "\xFE\xFF";
    for (char c : ascii)
        wide += encoding == Enc::Utf16Le ? std::string { c, '\0' } : std::string { '\0', c };
    return wide;
}

} // namespace

TEST_F(LineFileTest, LineEndsInByteAnd16BitForms)
{
    const struct {
        std::string text;
        std::vector<std::string> lines;
        std::vector<End> ends;
    } cases[] = {
        { "a\nb\r\nc\rd", { "a", "b", "c", "d" }, { End::Lf, End::CrLf, End::Cr, End::None } },
        { "a\r", { "a" }, { End::Cr } },
        { "a\r\r\n\n", { "a", "", "" }, { End::Cr, End::CrLf, End::Lf } },
        { "\n\r", { "", "" }, { End::Lf, End::Cr } },
        { "", {}, {} },
    };
    for (const auto& c : cases) {
        for (const std::string& bytes :
            { c.text, Widen(c.text, Enc::Utf16Le), Widen(c.text, Enc::Utf16Be) }) {
            auto result = Read(bytes);
            EXPECT_EQ(result.status, RawLineFile::kStatusEndOfData);
            EXPECT_EQ(result.lines, c.lines) << testing::PrintToString(bytes);
            EXPECT_EQ(result.ends, c.ends);
        }
    }
    // Read one byte off, these units would hold a unit 000A.
    EXPECT_EQ(Read("\xFF\xFE" + In(Enc::Utf16Le, "ਊ一ਊ\n")).lines, std::vector<std::string> { "ਊ一ਊ" });
    EXPECT_EQ(Read("\xFE\xFF" + In(Enc::Utf16Be, "ਊ一ਊ\n")).lines, std::vector<std::string> { "ਊ一ਊ" });
}

TEST_F(LineFileTest, SameTextInEveryEncodingReadsAlike)
{
    // 上 is 0A 4E in UTF-16LE: a byte 0A inside a unit is no line end.
    const std::string text = "上の日本語テキスト\r\nｶﾀｶﾅ\n\nabc";
    const std::vector<std::string> lines { "上の日本語テキスト", "ｶﾀｶﾅ", "", "abc" };
    const struct {
        std::string bytes;
        Enc expected;
    } cases[] = {
        { In(Enc::Utf8, text), Enc::Utf8 },
        { "\xEF\xBB\xBF" + In(Enc::Utf8, text), Enc::Utf8 },
        { "\xFF\xFE" + In(Enc::Utf16Le, text), Enc::Utf16Le },
        { "\xFE\xFF" + In(Enc::Utf16Be, text), Enc::Utf16Be },
        { In(Enc::Sjis, text), Enc::Sjis },
    };
    for (const auto& c : cases) {
        auto result = Read(c.bytes);
        EXPECT_EQ(result.encoding, c.expected);
        EXPECT_EQ(result.lines, lines) << RawEncodingName(c.expected);
        EXPECT_EQ(result.ends, (std::vector<End> { End::CrLf, End::Lf, End::Lf, End::None }));
    }
}

TEST_F(LineFileTest, EveryBlockBoundary)
{
    // The feature starts `offset` bytes into the file, after a short first line and filler, so
    // the long line starts inside the first block and must be carried into the next.
    auto build = [](size_t offset, const std::string& feature, Enc wide) {
        size_t unit = wide == Enc::NoSet ? 1 : 2;
        size_t lead = wide == Enc::NoSet ? 0 : 2; // the mark
        std::string ascii = "ab\n" + std::string((offset - lead) / unit - 3, 'x');
        return (wide == Enc::NoSet ? ascii : Widen(ascii, wide)) + feature;
    };
    const struct {
        size_t offset;
        std::string feature;
        Enc wide;
        std::vector<End> ends;
    } cases[] = {
        { kBlock - 1, "\nnext", Enc::NoSet, { End::Lf, End::Lf, End::None } },
        { kBlock, "\nnext", Enc::NoSet, { End::Lf, End::Lf, End::None } },
        { kBlock - 1, "\r\nnext", Enc::NoSet, { End::Lf, End::CrLf, End::None } },
        { kBlock - 1, "\rnext", Enc::NoSet, { End::Lf, End::Cr, End::None } },
        { kBlock - 1, "\r", Enc::NoSet, { End::Lf, End::Cr } },
        { kBlock - 2, "日\n", Enc::NoSet, { End::Lf, End::Lf } },
        { kBlock - 2, "\r\0\n\0n\0"s, Enc::Utf16Le, { End::Lf, End::CrLf, End::None } },
        { kBlock - 2, "\0\r\0\n\0n"s, Enc::Utf16Be, { End::Lf, End::CrLf, End::None } },
        { kBlock, "\0\n\0n"s, Enc::Utf16Be, { End::Lf, End::Lf, End::None } },
    };
    for (const auto& c : cases) {
        std::string bytes = build(c.offset, c.feature, c.wide);
        auto result = Read(bytes);
        EXPECT_EQ(result.status, RawLineFile::kStatusEndOfData)
            << c.offset << " " << testing::PrintToString(c.feature);
        EXPECT_EQ(result.ends, c.ends) << c.offset << " " << testing::PrintToString(c.feature);
    }
}

TEST_F(LineFileTest, ReadsCutInsideUnitsAndPairsGiveTheSameLines)
{
    // A pipe hands data over in whatever pieces the writer made: odd sizes split 16-bit units
    // and CR LF pairs across reads.
    std::string text;
    for (int i = 0; i < 40000; ++i)
        text += std::string(static_cast<size_t>(i % 23), static_cast<char>('a' + i % 26))
            + (i % 3 ? "\r\n" : "\r");
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

TEST_F(LineFileTest, LineLimitCountsCodeUnits)
{
    EXPECT_EQ(Read("12345\r\nabc", 5).lines, (std::vector<std::string> { "12345", "abc" }));
    auto over = Read("12345\n123456\nz", 5);
    EXPECT_EQ(over.status, RawLineFile::kLineOverflow);
    EXPECT_EQ(over.lines, std::vector<std::string> { "12345" });
    EXPECT_EQ(Read(Widen("12345", Enc::Utf16Le), 5).status, RawLineFile::kStatusEndOfData);
    EXPECT_EQ(Read(Widen("123456", Enc::Utf16Le), 5).status, RawLineFile::kLineOverflow);
    EXPECT_EQ(Read(std::string(kBlock + 9, 'x') + "\r\n", kBlock + 9).status, RawLineFile::kStatusEndOfData);
    EXPECT_EQ(Read(std::string(kBlock + 10, 'x'), kBlock + 9).status, RawLineFile::kLineOverflow);
}

TEST_F(LineFileTest, ConversionFailureKeepsEarlierLines)
{
    auto result = Read(kUtf8Mark + "ok\n\xC3(\nnever\n");
    EXPECT_EQ(result.status, RawLineFile::kCodeConversionError);
    EXPECT_EQ(result.lines, std::vector<std::string> { "ok" });
    EXPECT_EQ(result.raw, kUtf8Mark + "ok\n");
    EXPECT_EQ(Read("ok\n\x82\n", 100, Enc::Sjis).status, RawLineFile::kCodeConversionError);
}

TEST_F(LineFileTest, BinaryLinesComeAsTheirBytes)
{
    auto result = Read("ab\xFF\ncd\0e\r\n"s);
    EXPECT_EQ(result.encoding, Enc::Binary);
    EXPECT_EQ(result.lines, (std::vector<std::string> { "ab\xFF", "cd\0e"s }));
}

TEST_F(LineFileTest, OpenFailures)
{
    EXPECT_EQ(ReadAll(folder_ + "/missing").status, RawLineFile::kReadOpenError);
    EXPECT_EQ(ReadAll(folder_).status, RawLineFile::kReadError); // a folder opens but cannot be read
}

// --- Writing ---------------------------------------------------------------------------------

TEST_F(LineFileTest, WritesEachEncodingWithItsMarkAndLineEnd)
{
    const struct {
        Enc encoding;
        bool mark;
        std::string expected;
    } cases[] = {
        { Enc::Utf8, true, "\xEF\xBB\xBF\xE6\x97\xA5\r\na" },
        { Enc::Utf8, false, "\xE6\x97\xA5\r\na" },
        { Enc::Utf16Le, true, "\xFF\xFE\xE5\x65\r\0\n\0a\0"s },
        { Enc::Utf16Le, false, "\xE5\x65\r\0\n\0a\0"s },
        { Enc::Utf16Be, true, "\xFE\xFF\x65\xE5\0\r\0\n\0a"s },
        { Enc::Utf16Be, false, "\x65\xE5\0\r\0\n\0a"s },
        { Enc::Sjis, false, "\x93\xFA\r\na" },
        { Enc::Utf7, true, "+/v8-+ZeU-\r\na" },
        { Enc::Utf7, false, "+ZeU-\r\na" },
    };
    for (const auto& c : cases) {
        std::string path = folder_ + "/out.txt";
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        RawLineFile file;
        ASSERT_TRUE(file.AttachWrite(fd, c.encoding, c.mark));
        EXPECT_TRUE(file.WriteText("日"));
        EXPECT_TRUE(file.WriteLineEnd());
        EXPECT_TRUE(file.WriteText("a"));
        EXPECT_TRUE(file.Close());
        EXPECT_EQ(file.Status(), RawLineFile::kStatusClosed);
        close(fd);
        EXPECT_EQ(Slurp(path), c.expected) << RawEncodingName(c.encoding);
    }
}

TEST_F(LineFileTest, WriteFailures)
{
    std::string path = folder_ + "/out.txt";
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
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

TEST(LineFileStatus, Texts)
{
    const char* texts[]
        = { "", "", "", "", "Read open error", "Write open error", "Read error", "Write error", "Seek error",
              "Delete error", "Move error", "Code conversion error", "Line overflow", "Unknown error" };
    for (int status = 0; status < 14; ++status)
        EXPECT_EQ(RawLineFile::StatusText(status), texts[status]);
    EXPECT_EQ(RawLineFile::StatusText(-1), "Unknown error");
}
