// The line file on the shared corpus of real files (see its README.md and MANIFEST.tsv).

#include <core/RawLineFile.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include <gtest/gtest.h>

using namespace RawLayer;
using Enc = RawEncoding;

namespace {

const std::string kCorpus = QUELVANE_CORPUS_DIR;

struct Entry {
    std::string file;
    std::string label; // the manifest's encoding column
};

std::vector<Entry> Manifest()
{
    std::vector<Entry> entries;
    std::ifstream in(kCorpus + "/MANIFEST.tsv");
    std::string row;
    std::getline(in, row); // the header
    while (std::getline(in, row)) {
        size_t tab = row.find('\t');
        entries.push_back({ row.substr(0, tab), row.substr(tab + 1, row.find('\t', tab + 1) - tab - 1) });
    }
    return entries;
}

struct Reading {
    std::vector<std::string> lines;
    std::string raw; // mark + raw lines + raw line ends
    int status = -1;
    Enc encoding = Enc::NoSet;
};

Reading Read(const std::string& file, Enc given = Enc::NoSet)
{
    Reading reading;
    RawLineFile line_file;
    if (line_file.OpenRead(RawString(kCorpus + "/" + file, Enc::Utf8), 1 << 20, given) && line_file.HasMark())
        reading.raw = RawLineFileInfo::MarkBytes(line_file.FileEncoding());
    for (RawString line; line_file.ReadLine(line);) {
        reading.lines.push_back(line.Str());
        reading.raw.append(line_file.RawLine()).append(line_file.RawLineEndBytes());
    }
    reading.status = line_file.Status();
    reading.encoding = line_file.FileEncoding();
    return reading;
}

} // namespace

TEST(LineFileCorpus, EveryFileReadsAndPassesThroughByteForByte)
{
    auto manifest = Manifest();
    ASSERT_GT(manifest.size(), 250u);
    for (const Entry& entry : manifest) {
        SCOPED_TRACE(entry.file);
        std::ifstream in(kCorpus + "/" + entry.file, std::ios::binary);
        const std::string bytes(std::istreambuf_iterator<char>(in), {});
        Reading reading = Read(entry.file);
        if (reading.status == RawLineFile::kCodeConversionError) {
            // Text in an encoding the scan cannot name (Latin-1 read as UTF-8, EUC-JP read as
            // Shift_JIS...) stops at the first line that does not convert. What was read up to
            // there is the file's start; read as Binary, nothing is converted and every byte
            // comes through.
            EXPECT_EQ(bytes.compare(0, reading.raw.size(), reading.raw), 0);
            reading = Read(entry.file, Enc::Binary);
        }
        EXPECT_EQ(reading.status, RawLineFile::kStatusEndOfData);
        EXPECT_TRUE(reading.raw == bytes);
    }
}

TEST(LineFileCorpus, DetectsEveryEncodingTheRulesCanName)
{
    // Manifest labels the detection can name: UTF-8 with or without a mark (its first non-ASCII
    // byte decides for UTF-8 directly or through the two-way test), UTF-16 with a mark or without
    // one (its zero bytes, looked at before any other byte, read as UTF-16 text), and Shift_JIS /
    // code page 932 (a first non-ASCII byte 80..C1, or the two-way test). Labels missing here
    // (EUC-JP, ISO-2022-JP, ASCII, the single-byte code pages, UTF-32...) name nothing the rules
    // can tell apart.
    const std::map<std::string, Enc> labels { { "UTF-8", Enc::Utf8 }, { "utf-8", Enc::Utf8 },
        { "UTF-8 (BOM)", Enc::Utf8 }, { "UTF-16LE (BOM)", Enc::Utf16Le }, { "utf-16le (BOM)", Enc::Utf16Le },
        { "UTF-16LE (no BOM)", Enc::Utf16Le }, { "utf-16le", Enc::Utf16Le },
        { "UTF-16BE (BOM)", Enc::Utf16Be }, { "UTF-16BE (BOM, surrogate pair)", Enc::Utf16Be },
        { "utf-16be (BOM)", Enc::Utf16Be }, { "UTF-16BE (no BOM)", Enc::Utf16Be },
        { "utf-16be", Enc::Utf16Be }, { "Shift_JIS", Enc::Sjis }, { "shift_jis", Enc::Sjis },
        { "CP932", Enc::Sjis }, { "CP932 (Shift_JIS)", Enc::Sjis }, { "IBM932 (CP932-like)", Enc::Sjis },
        { "IBM943 (CP932-like)", Enc::Sjis } };
    int checked = 0;
    for (const Entry& entry : Manifest()) {
        auto label = labels.find(entry.label);
        if (label == labels.end())
            continue;
        EXPECT_EQ(Read(entry.file).encoding, label->second) << entry.file;
        ++checked;
    }
    EXPECT_EQ(checked, 87);
}

// Binary is the verdict for files that hold a zero byte which is no UTF-16 text (tables of
// every byte value, UTF-32) or a byte 7F, FE or FF without a mark, and for no other: every
// UTF-16 file, with a mark or without, stays text, so no text file is passed over by the search.
TEST(LineFileCorpus, OnlyFilesThatAreNoTextReadAsBinary)
{
    const std::set<std::string> binary { "inquisitor/ja_sjis.txt", "inquisitor/ja_eucjp.txt",
        "uchardet/eo/iso-8859-3.txt", "uchardet/lt/iso-8859-4.txt", "uchardet/ko/utf-32.be",
        "glibc-iconv/alfabeta..UTF-32.BE", "redsalamander/utf32le-no-bom.txt" };
    int utf16 = 0;
    for (const Entry& entry : Manifest()) {
        Enc encoding = Read(entry.file).encoding;
        EXPECT_EQ(encoding == Enc::Binary, binary.count(entry.file) == 1) << entry.file;
        if (entry.label.starts_with("UTF-16") || entry.label.starts_with("utf-16")) {
            bool big_endian = entry.label.find("16BE") != std::string::npos
                || entry.label.find("16be") != std::string::npos;
            EXPECT_EQ(encoding, big_endian ? Enc::Utf16Be : Enc::Utf16Le) << entry.file;
            ++utf16;
        }
    }
    EXPECT_EQ(utf16, 18);
}

TEST(LineFileCorpus, KojikiReadsAlikeInEveryEncoding)
{
    Reading reference = Read("aozora/kojiki.sjis.txt");
    ASSERT_EQ(reference.encoding, Enc::Sjis);
    ASSERT_EQ(reference.lines.size(), 2038u);
    const std::pair<std::string, Enc> copies[]
        = { { "sjis-lf", Enc::NoSet }, { "sjis-cr", Enc::NoSet }, { "utf8-bom-crlf", Enc::NoSet },
              { "utf16be-bom-crlf", Enc::NoSet }, { "utf16le-nobom-crlf", Enc::NoSet },
              { "utf16be-nobom-crlf", Enc::NoSet }, { "utf7-crlf", Enc::Utf7 } };
    for (const auto& [form, given] : copies) {
        const std::string file = "derived/kojiki." + form + ".txt";
        Reading copy = Read(file, given);
        EXPECT_EQ(copy.status, RawLineFile::kStatusEndOfData) << file;
        EXPECT_TRUE(copy.lines == reference.lines) << file;
    }
}

TEST(LineFileCorpus, UpstreamUtf8CopyDiffersOnlyInTheMinusSign)
{
    // Upstream converted with JIS Shift_JIS, where 81 7C is U+2212; code page 932 reads it as
    // U+FF0D. Nothing else differs.
    Reading reference = Read("aozora/kojiki.sjis.txt");
    Reading upstream = Read("aozora/kojiki.utf8.txt");
    ASSERT_EQ(upstream.lines.size(), reference.lines.size());
    int replaced = 0;
    for (std::string& line : upstream.lines)
        for (size_t at; (at = line.find("\xE2\x88\x92")) != std::string::npos; ++replaced)
            line.replace(at, 3, "\xEF\xBC\x8D");
    EXPECT_EQ(replaced, 5);
    EXPECT_TRUE(upstream.lines == reference.lines);
}
