#include <core/RawLineFile.h>
#include <core/RawProfile.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <tests/TestSupport.h>

using namespace RawLayer;
using namespace std::string_literals;

namespace {

using QuelvaneTest::Texts;
using QuelvaneTest::Utf8;

namespace fs = std::filesystem;

using Entries = std::vector<std::pair<std::string, std::string>>;
using Names = std::set<std::string>;

Entries EntriesOf(const RawParameterList& list)
{
    Entries entries;
    for (const RawParameterUnit& unit : list)
        entries.emplace_back(unit.key.Str(), unit.value.Str());
    return entries;
}

RawParameterList ListOf(const Entries& entries)
{
    RawParameterList list;
    for (const auto& [key, value] : entries)
        list.Add(Utf8(key), Utf8(value));
    return list;
}

// UTF-8 text in another encoding, with its mark in front when asked.
std::string Encode(const std::string& text, RawEncoding encoding, bool mark = false)
{
    std::optional<std::string> bytes = RawConvertBytes(text, RawEncoding::Utf8, encoding);
    EXPECT_TRUE(bytes.has_value());
    return (mark ? std::string(RawLineFileInfo::MarkBytes(encoding)) : std::string()) + bytes.value_or("");
}

class RawProfileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(temp_.Path().empty()); }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
    RawProfile ProfileOf(const std::string& name) const { return RawProfile(Utf8(PathOf(name))); }
    void WriteFile(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(PathOf(name), std::ios::binary) << bytes;
    }
    std::string ReadFile(const std::string& name) const
    {
        std::ifstream in(PathOf(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // What is in the folder: a write must leave no temporary file behind.
    Names NamesInFolder() const
    {
        Names names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.insert(entry.path().filename().string());
        return names;
    }
    // The entries of one section, read through a fresh profile that must end with `status`.
    Entries Section(const std::string& file, const std::string& section,
        int32_t line_limit = RawProfile::kLineLimit, int status = 0) const
    {
        RawProfile profile = ProfileOf(file);
        profile.SetLineLimit(line_limit);
        RawParameterList list;
        bool found = profile.ReadSection(Utf8(section), list);
        EXPECT_EQ(found, list.Count() > 0);
        EXPECT_EQ(profile.Status(), status) << file << " [" << section << "]";
        return EntriesOf(list);
    }

    QuelvaneTest::TestFolder temp_;
    fs::path dir_ = temp_.Path();
};

// --- Reading ---------------------------------------------------------------------------------

TEST_F(RawProfileTest, ReadsSectionsByTheFileSyntax)
{
    WriteFile("syntax.ini",
        "before=header\n"
        "[common]\nblank = around\ntwo=equal=signs\nno equal sign\n\n// a comment=ignored\n"
        "/ not a comment\ndup=first\nDup=second\n"
        "[two]]brackets] after\nx=1\n"
        "[unclosed\ny=2\n"
        "[\nz=3\n"
        "[Common]\nlater=ignored\n");
    EXPECT_EQ(Section("syntax.ini", "Common"),
        (Entries { { "blank ", " around" }, { "two", "equal=signs" }, { "no equal sign", "" },
            { "/ not a comment", "" }, { "dup", "first" }, { "Dup", "second" } }));
    EXPECT_EQ(Section("syntax.ini", "two]]brackets"), (Entries { { "x", "1" } }));
    EXPECT_EQ(Section("syntax.ini", "two"), Entries {});
    EXPECT_EQ(Section("syntax.ini", "UNCLOSED"), (Entries { { "y", "2" } }));
    EXPECT_EQ(Section("syntax.ini", ""), (Entries { { "z", "3" } }));

    EXPECT_EQ(ProfileOf("syntax.ini").GetText("COMMON", "DUP", "none").Str(), "first");
    EXPECT_EQ(ProfileOf("syntax.ini").GetText("missing", "dup", "none").Str(), "none");

    // A zero character ends an entry, and another starts after it.
    WriteFile("zero.ini", Encode("[S]\r\na=1\0b=2\0\0c\r\n"s, RawEncoding::Utf16Le, true));
    EXPECT_EQ(Section("zero.ini", "S"), (Entries { { "a", "1" }, { "b", "2" }, { "c", "" } }));
}

TEST_F(RawProfileTest, IncompleteOrUnusableInputReadsAsWhatItHolds)
{
    WriteFile("empty.ini", "[Empty]\n// only a comment\n\n[Full]\na=1\n");
    WriteFile("binary.ini", "[S]\na=\xFF\x7F\n");
    WriteFile("long.ini", "[S]\nshort=1\n" + std::string(40, 'x') + "\nafter=2\n");
    RawProfile profile = ProfileOf("empty.ini");
    RawParameterList list;
    list.Add("stale");
    EXPECT_FALSE(profile.ReadSection("Empty", list));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(Section("binary.ini", "S"), Entries {});
    EXPECT_EQ(Section("missing.ini", "Full"), Entries {}); // no failure, and nothing created
    EXPECT_EQ(Section("long.ini", "S", 20, RawLineFile::kLineOverflow), (Entries { { "short", "1" } }));
    EXPECT_EQ(NamesInFolder(), (Names { "binary.ini", "empty.ini", "long.ini" }));
}

// --- Writing ---------------------------------------------------------------------------------

TEST_F(RawProfileTest, EveryEncodingReadsAlikeAndIsKeptByARewrite)
{
    const std::string before = "[Other]\r\nkey=値\r\n[Lang]\r\nname=日本語\r\nplain=ascii\r\n";
    const std::string after = "[Other]\r\nkey=値\r\n[Lang]\r\nname=日本\r\n";
    const std::pair<RawEncoding, bool> cases[] = { { RawEncoding::Utf8, false }, { RawEncoding::Utf8, true },
        { RawEncoding::Sjis, false }, { RawEncoding::Utf16Le, true }, { RawEncoding::Utf16Be, true },
        { RawEncoding::Utf16Le, false } };
    for (const auto& [encoding, mark] : cases) {
        SCOPED_TRACE(std::string(RawEncodingName(encoding)) + (mark ? " with mark" : ""));
        WriteFile("lang.ini", Encode(before, encoding, mark));
        EXPECT_EQ(Section("lang.ini", "lang"), (Entries { { "name", "日本語" }, { "plain", "ascii" } }));
        EXPECT_TRUE(ProfileOf("lang.ini").WriteSection("Lang", ListOf({ { "name", "日本" } })));
        EXPECT_EQ(ReadFile("lang.ini"), Encode(after, encoding, mark));
    }
}

TEST_F(RawProfileTest, NewFileIsUtf8WithAMarkOnlyWhereTheScanWouldMisreadIt)
{
    ASSERT_TRUE(ProfileOf("plain.ini").WriteSection("Common", ListOf({ { "Name", "値" }, { "Empty", "" } })));
    EXPECT_EQ(ReadFile("plain.ini"), "[Common]\r\nName=値\r\nEmpty=\r\n");
    // "ぁぁ" is valid in both encodings and scans as Shift_JIS: without a mark it would come back
    // as other characters.
    ASSERT_TRUE(ProfileOf("fresh.ini").WriteSection("S", ListOf({ { "k", "ぁぁ" } })));
    EXPECT_EQ(ReadFile("fresh.ini"), "\xEF\xBB\xBF[S]\r\nk=ぁぁ\r\n");
    EXPECT_EQ(ProfileOf("fresh.ini").GetText("S", "k", "").Str(), "ぁぁ");
    EXPECT_EQ(NamesInFolder(), (Names { "fresh.ini", "plain.ini" }));
}

TEST_F(RawProfileTest, WritingReplacesOnlyTheFirstSectionOfThatNameOrAppendsIt)
{
    WriteFile("file.ini",
        "// preamble\nloose=line\n"
        "[First] trailing text\na = 1\n\n// kept comment\n"
        "[target]\r\nold=value\ngone=too\n"
        "[Unclosed\nKey=1\nkey=2\n"
        "[TARGET]\nsecond=copy");
    RawProfile profile = ProfileOf("file.ini");
    ASSERT_TRUE(profile.WriteSection("Target", ListOf({ { "new", "x=y" }, { "new", "dup" } })));
    ASSERT_TRUE(profile.SetText("unclosed", "KEY", "changed"));
    ASSERT_TRUE(profile.SetText("Unclosed", "added", "3"));
    ASSERT_TRUE(profile.SetText("New", "n", "4"));
    ASSERT_TRUE(profile.WriteSection("Empty", RawParameterList()));
    EXPECT_EQ(ReadFile("file.ini"),
        "// preamble\r\nloose=line\r\n"
        "[First]\r\na = 1\r\n\r\n// kept comment\r\n"
        "[target]\r\nnew=x=y\r\nnew=dup\r\n"
        "[Unclosed]\r\nKey=changed\r\nkey=2\r\nadded=3\r\n"
        "[TARGET]\r\nsecond=copy\r\n"
        "[New]\r\nn=4\r\n[Empty]\r\n");
}

TEST_F(RawProfileTest, CopiedLinesKeepTheirBytes)
{
    // 87 90 is a second Shift_JIS code of U+2252; converting it back gives 81 E0. A copied line
    // must keep the bytes it had.
    WriteFile("sjis.ini", "[Keep]\nmark=\x87\x90\n[\x87\x90]\nx=1\n[Change]\nold=1\n");
    ASSERT_TRUE(ProfileOf("sjis.ini").WriteSection("Change", ListOf({ { "new", "2" } })));
    EXPECT_EQ(ReadFile("sjis.ini"), "[Keep]\r\nmark=\x87\x90\r\n[\x87\x90]\r\nx=1\r\n[Change]\r\nnew=2\r\n");
}

TEST_F(RawProfileTest, FailedWritesLeaveTheFileUntouched)
{
    const std::string long_line = "[S]\na=1\n" + std::string(50, 'x') + "\n";
    const int kConversion = RawLineFile::kCodeConversionError;
    const int kWrite = RawLineFile::kWriteError;
    const std::vector<std::tuple<std::string, std::string, std::string, Entries, int>> cases = {
        { "no form in Shift_JIS", "[S]\n\x82\xA0=1\n", "S", { { "k", "😀" } }, kConversion },
        { "binary file", "[S]\na=\xFF\n", "S", { { "k", "v" } }, kConversion },
        // The only Shift_JIS evidence stands after a header's "]", which a rewrite drops; what is
        // left would be found to be UTF-8, and "\xC3\xA9" would read as "é" instead of two katakana.
        { "detection drift", "[A]\x82\xA0\n[B]\nk=\xC3\xA9\n", "C", { { "c", "1" } }, kConversion },
        { "line too long", long_line, "T", { { "k", "v" } }, RawLineFile::kLineOverflow },
        { "entry too long", "[S]\n", "S", { { "k", std::string(40, 'v') } }, kWrite },
        { "equal sign in key", "[S]\n", "S", { { "a=b", "v" } }, kWrite },
        { "key reads as header", "[S]\n", "S", { { "[x", "v" } }, kWrite },
        { "key reads as comment", "[S]\n", "S", { { "//x", "v" } }, kWrite },
        { "line break in value", "[S]\n", "S", { { "k", "a\nb" } }, kWrite },
        { "carriage return in key", "[S]\n", "S", { { "k\r", "v" } }, kWrite },
        { "zero in value", "[S]\n", "S", { { "k", "a\0b"s } }, kWrite },
        { "line break in name", "[S]\n", "S\nT", { { "k", "v" } }, kWrite },
    };
    for (const auto& [what, bytes, section, entries, status] : cases) {
        SCOPED_TRACE(what);
        WriteFile("file.ini", bytes);
        RawProfile profile = ProfileOf("file.ini");
        profile.SetLineLimit(30);
        EXPECT_FALSE(profile.WriteSection(Utf8(section), ListOf(entries)));
        EXPECT_EQ(profile.Status(), status);
        EXPECT_EQ(ReadFile("file.ini"), bytes);
        EXPECT_EQ(NamesInFolder(), Names { "file.ini" });
    }

    // An old file that cannot be read, and a folder that cannot take the new one.
    fs::create_directories(dir_ / "folder.ini");
    RawProfile folder = ProfileOf("folder.ini");
    EXPECT_FALSE(folder.WriteSection("S", ListOf({ { "k", "v" } })));
    EXPECT_EQ(folder.Status(), RawLineFile::kReadError);
    RawProfile nowhere = ProfileOf("missing/file.ini");
    EXPECT_FALSE(nowhere.WriteSection("S", ListOf({ { "k", "v" } })));
    EXPECT_EQ(nowhere.Status(), RawLineFile::kWriteOpenError);
    EXPECT_EQ(NamesInFolder(), (Names { "file.ini", "folder.ini" }));
}

// --- Vectors of another INI reader, read by this syntax ----------------------------------------

TEST_F(RawProfileTest, ReadsEachInihVectorByThisSyntax)
{
    // Blanks belong to names, keys and values; ";" and "#" start no comment; continuation lines
    // are entries of their own; a header without "]" still names a section.
    // Read where they lie: reading never writes.
    const fs::path inih = fs::path(QUELVANE_CORPUS_DIR) / "inih";
    const struct {
        std::string file, section;
        Entries expected;
        int32_t line_limit = RawProfile::kLineLimit;
        int status = 0;
    } cases[] = {
        { "normal.ini", "section1",
            { { "one", "This is a test  ; name=value comment" }, { "two ", " 1234" }, { "; x", "y" } } },
        { "normal.ini", " section 2 ", { { "happy  ", "  4" }, { "sad ", "" } } },
        { "normal.ini", "section 2", {} },
        { "normal.ini", "empty", { { "; do nothing", "" } } },
        { "bom.ini", "BOM_SECTION",
            { { "bom_name", "bom_value" }, { "key\xE2\x80\x9C ", " value\xE2\x80\x9C" } } },
        { "multi_line.ini", "section2", { { "multi ", " a" }, { "        b", "" }, { "        c", "" } } },
        { "bad_section.ini", "section1", { { "name1", "value1" } } },
        { "bad_section.ini", "section3   ; comment ", { { "name2", "value2" } } },
        { "long_line.ini", "width = 20", { { "_123456789", "123456789" } }, 20 },
        { "long_line.ini", "no trailing \\n", {}, 20, RawLineFile::kLineOverflow },
        { "long_line.ini", "no trailing \\n",
            { { "# trigger a false", "" }, { "# positive in the", "" }, { "# incomplete line", "" },
                { "# detection", "" }, { "_123456782", "12345678" } } },
    };
    for (const auto& test : cases)
        EXPECT_EQ(
            Section((inih / test.file).string(), test.section, test.line_limit, test.status), test.expected)
            << test.file << " [" << test.section << "]";
}

TEST_F(RawProfileTest, EveryInihVectorTakesANewSection)
{
    const Entries added { { "key", "value" }, { "other", "a=b" } };
    // Copied as content: the corpus files are read-only, and so would be copies of them.
    for (const auto& entry : fs::directory_iterator(fs::path(QUELVANE_CORPUS_DIR) / "inih"))
        if (entry.path().extension() == ".ini")
            WriteFile(entry.path().filename().string(), ReadFile(entry.path().string()));
    for (const std::string& name : NamesInFolder()) {
        EXPECT_TRUE(ProfileOf(name).WriteSection("Quelvane", ListOf(added))) << name;
        EXPECT_EQ(Section(name, "QUELVANE"), added) << name;
    }
}

} // namespace
