#include <core/RawLineFile.h>
#include <core/RawProfile.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

using namespace RawLayer;
using namespace std::string_literals;

namespace {

namespace fs = std::filesystem;

using Entries = std::vector<std::pair<std::string, std::string>>;

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
        list.Add(RawString(key, RawEncoding::Utf8), RawString(value, RawEncoding::Utf8));
    return list;
}

RawString Utf8(const std::string& text)
{
    return RawString(text, RawEncoding::Utf8);
}

// UTF-8 text in another encoding, with its mark in front when asked.
std::string Encode(const std::string& text, RawEncoding encoding, bool mark = false)
{
    std::optional<std::string> bytes = RawConvertBytes(text, RawEncoding::Utf8, encoding);
    EXPECT_TRUE(bytes.has_value());
    std::string prefix = mark ? std::string(RawLineFileInfo::MarkBytes(encoding)) : std::string();
    return prefix + bytes.value_or("");
}

class RawProfileTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "quelvane-profile-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

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
    std::set<std::string> Names() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.insert(entry.path().filename().string());
        return names;
    }
    // The entries of one section, read through a fresh profile.
    Entries Section(
        const std::string& file, const std::string& section, int32_t line_limit = RawProfile::kLineLimit)
    {
        RawProfile profile = ProfileOf(file);
        profile.SetLineLimit(line_limit);
        RawParameterList list;
        bool found = profile.ReadSection(Utf8(section), list);
        EXPECT_EQ(found, list.Count() > 0);
        return EntriesOf(list);
    }

    fs::path dir_;
};

// --- Reading ---------------------------------------------------------------------------------

TEST_F(RawProfileTest, ReadsSectionsByTheFileSyntax)
{
    WriteFile("syntax.ini",
        "before=header\n"
        "[common]\n"
        "blank = around\n"
        "two=equal=signs\n"
        "no equal sign\n"
        "\n"
        "// a comment=ignored\n"
        "/ not a comment\n"
        "dup=first\n"
        "Dup=second\n"
        "[two]]brackets] after\n"
        "x=1\n"
        "[unclosed\n"
        "y=2\n"
        "[\n"
        "z=3\n"
        "[Common]\n"
        "later=ignored\n");
    EXPECT_EQ(Section("syntax.ini", "Common"),
        (Entries { { "blank ", " around" }, { "two", "equal=signs" }, { "no equal sign", "" },
            { "/ not a comment", "" }, { "dup", "first" }, { "Dup", "second" } }));
    EXPECT_EQ(Section("syntax.ini", "two]]brackets"), (Entries { { "x", "1" } }));
    EXPECT_EQ(Section("syntax.ini", "two"), Entries {});
    EXPECT_EQ(Section("syntax.ini", "UNCLOSED"), (Entries { { "y", "2" } }));
    EXPECT_EQ(Section("syntax.ini", ""), (Entries { { "z", "3" } }));

    RawProfile profile = ProfileOf("syntax.ini");
    EXPECT_EQ(profile.GetText("COMMON", "DUP", "none").Str(), "first");
    EXPECT_EQ(profile.GetText("Common", "missing", "none").Str(), "none");
    EXPECT_EQ(profile.GetText("missing", "dup", "none").Str(), "none");
}

TEST_F(RawProfileTest, EmptyOrMissingSectionsAndFilesReadAsNothing)
{
    WriteFile("empty.ini", "[Empty]\n// only a comment\n\n[Full]\na=1\n");
    RawProfile profile = ProfileOf("empty.ini");
    RawParameterList list;
    list.Add("stale");
    EXPECT_FALSE(profile.ReadSection("Empty", list));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(profile.ReadSection("Nowhere", list));

    RawProfile missing = ProfileOf("missing.ini");
    EXPECT_FALSE(missing.ReadSection("Full", list));
    EXPECT_EQ(missing.Status(), 0);
    EXPECT_EQ(missing.Encoding(), RawEncoding::NoSet);
    EXPECT_EQ(Names(), (std::set<std::string> { "empty.ini" }));
}

TEST_F(RawProfileTest, LineOverflowKeepsTheEntriesReadBeforeIt)
{
    WriteFile("long.ini", "[S]\nshort=1\n" + std::string(40, 'x') + "\nafter=2\n");
    RawProfile profile = ProfileOf("long.ini");
    profile.SetLineLimit(20);
    RawParameterList list;
    EXPECT_TRUE(profile.ReadSection("S", list));
    EXPECT_EQ(EntriesOf(list), (Entries { { "short", "1" } }));
    EXPECT_EQ(profile.Status(), RawLineFile::kLineOverflow);
}

TEST_F(RawProfileTest, ReadsEveryEncodingAlike)
{
    const std::string text = "[Lang]\r\nname=\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\r\nplain=ascii\r\n";
    const Entries expected { { "name", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E" }, { "plain", "ascii" } };
    struct Case {
        RawEncoding encoding;
        bool mark;
    };
    for (Case test : { Case { RawEncoding::Utf8, false }, Case { RawEncoding::Utf8, true },
             Case { RawEncoding::Sjis, false }, Case { RawEncoding::Utf16Le, true },
             Case { RawEncoding::Utf16Be, true }, Case { RawEncoding::Utf16Le, false } }) {
        WriteFile("lang.ini", Encode(text, test.encoding, test.mark));
        RawProfile profile = ProfileOf("lang.ini");
        RawParameterList list;
        EXPECT_TRUE(profile.ReadSection("lang", list));
        EXPECT_EQ(EntriesOf(list), expected) << RawEncodingName(test.encoding);
        EXPECT_EQ(profile.Encoding(), test.encoding);
        EXPECT_EQ(profile.Mark(), test.mark);
    }
}

TEST_F(RawProfileTest, ZeroCharactersCutAnEntryLine)
{
    WriteFile("zero.ini", Encode("[S]\r\na=1\0b=2\0\0c\r\n"s, RawEncoding::Utf16Le, true));
    EXPECT_EQ(Section("zero.ini", "S"), (Entries { { "a", "1" }, { "b", "2" }, { "c", "" } }));
}

TEST_F(RawProfileTest, BinaryFileReadsAsNothing)
{
    WriteFile("binary.ini", "[S]\na=\xFF\x7F\n");
    EXPECT_EQ(Section("binary.ini", "S"), Entries {});
}

// --- Writing ---------------------------------------------------------------------------------

TEST_F(RawProfileTest, WritingIntoAMissingFileCreatesUtf8WithoutMark)
{
    RawProfile profile = ProfileOf("new.ini");
    ASSERT_TRUE(profile.WriteSection("Common", ListOf({ { "Name", "\xE5\x80\xA4" }, { "Empty", "" } })));
    EXPECT_EQ(ReadFile("new.ini"), "[Common]\r\nName=\xE5\x80\xA4\r\nEmpty=\r\n");
    EXPECT_EQ(profile.Encoding(), RawEncoding::Utf8);
    EXPECT_FALSE(profile.Mark());
    EXPECT_EQ(Names(), (std::set<std::string> { "new.ini" }));
}

TEST_F(RawProfileTest, WritingReplacesOnlyTheFirstSectionOfThatName)
{
    WriteFile("file.ini",
        "// preamble\n"
        "loose=line\n"
        "[First] trailing text\n"
        "a = 1\n"
        "\n"
        "// kept comment\n"
        "[target]\r\n"
        "old=value\n"
        "gone=too\n"
        "[Unclosed\n"
        "b=2\n"
        "[TARGET]\n"
        "second=copy\n"
        "[Last]\n"
        "c=3");
    RawProfile profile = ProfileOf("file.ini");
    ASSERT_TRUE(profile.WriteSection("Target", ListOf({ { "new", "x=y" }, { "new", "dup" } })));
    EXPECT_EQ(ReadFile("file.ini"),
        "// preamble\r\n"
        "loose=line\r\n"
        "[First]\r\n"
        "a = 1\r\n"
        "\r\n"
        "// kept comment\r\n"
        "[target]\r\n"
        "new=x=y\r\n"
        "new=dup\r\n"
        "[Unclosed]\r\n"
        "b=2\r\n"
        "[TARGET]\r\n"
        "second=copy\r\n"
        "[Last]\r\n"
        "c=3\r\n");
    EXPECT_EQ(Section("file.ini", "target"), (Entries { { "new", "x=y" }, { "new", "dup" } }));
}

TEST_F(RawProfileTest, MissingSectionIsAppended)
{
    WriteFile("file.ini", "[A]\na=1");
    RawProfile profile = ProfileOf("file.ini");
    ASSERT_TRUE(profile.WriteSection("B", ListOf({ { "b", "2" } })));
    ASSERT_TRUE(profile.WriteSection("Empty", RawParameterList()));
    EXPECT_EQ(ReadFile("file.ini"), "[A]\r\na=1\r\n[B]\r\nb=2\r\n[Empty]\r\n");
}

TEST_F(RawProfileTest, RewriteKeepsEncodingAndMark)
{
    const std::string before = "[Other]\r\nkey=\xE5\x80\xA4\r\n[Lang]\r\nold=1\r\n";
    const std::string after = "[Other]\r\nkey=\xE5\x80\xA4\r\n[Lang]\r\nname=\xE6\x97\xA5\xE6\x9C\xAC\r\n";
    struct Case {
        RawEncoding encoding;
        bool mark;
    };
    for (Case test : { Case { RawEncoding::Utf16Le, true }, Case { RawEncoding::Utf16Be, true },
             Case { RawEncoding::Utf8, true }, Case { RawEncoding::Sjis, false } }) {
        WriteFile("lang.ini", Encode(before, test.encoding, test.mark));
        RawProfile profile = ProfileOf("lang.ini");
        EXPECT_TRUE(profile.WriteSection("Lang", ListOf({ { "name", "\xE6\x97\xA5\xE6\x9C\xAC" } })));
        EXPECT_EQ(ReadFile("lang.ini"), Encode(after, test.encoding, test.mark))
            << RawEncodingName(test.encoding);
    }
}

TEST_F(RawProfileTest, CopiedLinesKeepTheirBytes)
{
    // 87 90 is a second Shift_JIS code of U+2252; converting it back gives 81 E0. A copied line
    // must keep the bytes it had.
    WriteFile("sjis.ini", "[Keep]\nmark=\x87\x90\n[\x87\x90]\nx=1\n[Change]\nold=1\n");
    RawProfile profile = ProfileOf("sjis.ini");
    ASSERT_TRUE(profile.WriteSection("Change", ListOf({ { "new", "2" } })));
    EXPECT_EQ(ReadFile("sjis.ini"), "[Keep]\r\nmark=\x87\x90\r\n[\x87\x90]\r\nx=1\r\n[Change]\r\nnew=2\r\n");
    EXPECT_EQ(profile.Encoding(), RawEncoding::Sjis);
}

TEST_F(RawProfileTest, SetTextChangesTheFirstKeyOrAppendsIt)
{
    WriteFile("file.ini", "[S]\nKey=1\nkey=2\n[T]\nt=0\n");
    RawProfile profile = ProfileOf("file.ini");
    ASSERT_TRUE(profile.SetText("s", "KEY", "changed"));
    ASSERT_TRUE(profile.SetText("S", "added", "3"));
    ASSERT_TRUE(profile.SetText("New", "n", "4"));
    EXPECT_EQ(
        ReadFile("file.ini"), "[S]\r\nKey=changed\r\nkey=2\r\nadded=3\r\n[T]\r\nt=0\r\n[New]\r\nn=4\r\n");
}

TEST_F(RawProfileTest, FailedWritesLeaveTheFileUntouched)
{
    const std::string sjis = "[S]\n\x82\xA0=1\n";
    const std::string long_line = "[S]\na=1\n" + std::string(50, 'x') + "\n";
    struct Case {
        std::string what;
        std::string bytes;
        std::string section;
        Entries entries;
        int status;
    };
    const Case cases[] = {
        { "no form in Shift_JIS", sjis, "S", { { "k", "\xF0\x9F\x98\x80" } },
            RawLineFile::kCodeConversionError },
        { "binary file", "[S]\na=\xFF\n", "S", { { "k", "v" } }, RawLineFile::kCodeConversionError },
        { "line too long", long_line, "T", { { "k", "v" } }, RawLineFile::kLineOverflow },
        { "entry too long", "[S]\n", "S", { { "k", std::string(40, 'v') } }, RawLineFile::kWriteError },
        { "equal sign in key", "[S]\n", "S", { { "a=b", "v" } }, RawLineFile::kWriteError },
        { "key reads as header", "[S]\n", "S", { { "[x", "v" } }, RawLineFile::kWriteError },
        { "key reads as comment", "[S]\n", "S", { { "//x", "v" } }, RawLineFile::kWriteError },
        { "line break in value", "[S]\n", "S", { { "k", "a\nb" } }, RawLineFile::kWriteError },
        { "carriage return in key", "[S]\n", "S", { { "k\r", "v" } }, RawLineFile::kWriteError },
        { "zero in value", "[S]\n", "S", { { "k", "a\0b"s } }, RawLineFile::kWriteError },
        { "line break in name", "[S]\n", "S\nT", { { "k", "v" } }, RawLineFile::kWriteError },
    };
    for (const Case& test : cases) {
        WriteFile("file.ini", test.bytes);
        RawProfile profile = ProfileOf("file.ini");
        profile.SetLineLimit(30);
        EXPECT_FALSE(profile.WriteSection(Utf8(test.section), ListOf(test.entries))) << test.what;
        EXPECT_EQ(profile.Status(), test.status) << test.what;
        EXPECT_EQ(ReadFile("file.ini"), test.bytes) << test.what;
        EXPECT_EQ(Names(), (std::set<std::string> { "file.ini" })) << test.what;
    }
}

TEST_F(RawProfileTest, RewriteThatWouldChangeTheDetectedEncodingFails)
{
    // The only Shift_JIS evidence stands after a header's "]", which a rewrite drops; what is left
    // would be found to be UTF-8 and "\xC3\xA9" would read as "é" instead of two katakana.
    const std::string sjis = "[A]\x82\xA0\n[B]\nk=\xC3\xA9\n";
    WriteFile("drift.ini", sjis);
    RawProfile drift = ProfileOf("drift.ini");
    EXPECT_FALSE(drift.WriteSection("C", ListOf({ { "c", "1" } })));
    EXPECT_EQ(drift.Status(), RawLineFile::kCodeConversionError);
    EXPECT_EQ(ReadFile("drift.ini"), sjis);
}

TEST_F(RawProfileTest, Utf8ThatWouldScanAsShiftJisGetsAMark)
{
    // "ぁぁ" is valid in both encodings and scans as Shift_JIS: written without a mark it would
    // come back as other characters, so the new file is written with the UTF-8 mark.
    RawProfile fresh = ProfileOf("fresh.ini");
    ASSERT_TRUE(fresh.WriteSection("S", ListOf({ { "k", "\xE3\x81\x81\xE3\x81\x81" } })));
    EXPECT_EQ(ReadFile("fresh.ini"), "\xEF\xBB\xBF[S]\r\nk=\xE3\x81\x81\xE3\x81\x81\r\n");
    RawProfile again = ProfileOf("fresh.ini");
    EXPECT_EQ(again.GetText("S", "k", "").Str(), "\xE3\x81\x81\xE3\x81\x81");
    EXPECT_TRUE(again.Mark());

    // Plain UTF-8 that scans as UTF-8 keeps going without one.
    RawProfile plain = ProfileOf("plain.ini");
    ASSERT_TRUE(plain.WriteSection("S", ListOf({ { "k", "日本" } })));
    EXPECT_EQ(ReadFile("plain.ini"), "[S]\r\nk=日本\r\n");
}

TEST_F(RawProfileTest, UnreadableOldFileFailsTheWrite)
{
    fs::create_directories(dir_ / "folder.ini");
    RawProfile folder = ProfileOf("folder.ini");
    EXPECT_FALSE(folder.WriteSection("S", ListOf({ { "k", "v" } })));
    EXPECT_TRUE(fs::is_empty(dir_ / "folder.ini"));

    RawProfile nowhere = ProfileOf("missing/file.ini");
    EXPECT_FALSE(nowhere.WriteSection("S", ListOf({ { "k", "v" } })));
    EXPECT_EQ(nowhere.Status(), RawLineFile::kWriteOpenError);
    EXPECT_EQ(Names(), (std::set<std::string> { "folder.ini" }));
}

// --- Vectors of another INI reader, read by this syntax ----------------------------------------

class RawProfileCorpusTest : public RawProfileTest {
protected:
    void CopyCorpus(const std::string& name)
    {
        fs::copy_file(fs::path(QUELVANE_CORPUS_DIR) / "inih" / name, dir_ / name);
    }
};

TEST_F(RawProfileCorpusTest, NormalKeepsBlanksAndSemicolons)
{
    CopyCorpus("normal.ini");
    EXPECT_EQ(Section("normal.ini", "section1"),
        (Entries { { "one", "This is a test  ; name=value comment" }, { "two ", " 1234" }, { "; x", "y" } }));
    EXPECT_EQ(Section("normal.ini", " section 2 "), (Entries { { "happy  ", "  4" }, { "sad ", "" } }));
    EXPECT_EQ(Section("normal.ini", "section 2"), Entries {});
    EXPECT_EQ(Section("normal.ini", "empty"), (Entries { { "; do nothing", "" } }));
    Entries comments = Section("normal.ini", "comment_test");
    ASSERT_EQ(comments.size(), 8u);
    EXPECT_EQ(
        comments[2], (std::pair<std::string, std::string>("test;3 ", " 345 ; key should be \"test;3\"")));
    EXPECT_EQ(comments[5],
        (std::pair<std::string, std::string>(
            " # test6 ", " 678 ; entire line commented, except in MULTILINE mode")));
    EXPECT_EQ(comments[7],
        (std::pair<std::string, std::string>("test8 ", "; not a comment, needs whitespace before ';'")));
}

TEST_F(RawProfileCorpusTest, BomIsAMarkAndNotPartOfTheHeader)
{
    CopyCorpus("bom.ini");
    RawProfile profile = ProfileOf("bom.ini");
    RawParameterList list;
    EXPECT_TRUE(profile.ReadSection("BOM_SECTION", list));
    EXPECT_EQ(EntriesOf(list),
        (Entries { { "bom_name", "bom_value" }, { "key\xE2\x80\x9C ", " value\xE2\x80\x9C" } }));
    EXPECT_EQ(profile.Encoding(), RawEncoding::Utf8);
    EXPECT_TRUE(profile.Mark());
}

TEST_F(RawProfileCorpusTest, FirstOfDuplicateSectionsWins)
{
    CopyCorpus("duplicate_sections.ini");
    EXPECT_EQ(Section("duplicate_sections.ini", "section1"),
        (Entries { { "single1 ", " abc" }, { "single2 ", " xyz" } }));
}

TEST_F(RawProfileCorpusTest, LongLinesOverflowASmallLimit)
{
    CopyCorpus("long_line.ini");
    EXPECT_EQ(Section("long_line.ini", "width = 20", 20), (Entries { { "_123456789", "123456789" } }));
    RawProfile profile = ProfileOf("long_line.ini");
    profile.SetLineLimit(20);
    RawParameterList list;
    EXPECT_FALSE(profile.ReadSection("no trailing \\n", list));
    EXPECT_EQ(profile.Status(), RawLineFile::kLineOverflow);
    EXPECT_EQ(Section("long_line.ini", "no trailing \\n"),
        (Entries { { "# trigger a false", "" }, { "# positive in the", "" }, { "# incomplete line", "" },
            { "# detection", "" }, { "_123456782", "12345678" } }));
}

TEST_F(RawProfileCorpusTest, ContinuationLinesAreEntriesOfTheirOwn)
{
    CopyCorpus("multi_line.ini");
    EXPECT_EQ(Section("multi_line.ini", "section2"),
        (Entries { { "multi ", " a" }, { "        b", "" }, { "        c", "" } }));
    EXPECT_EQ(
        Section("multi_line.ini", "section3")[0], (std::pair<std::string, std::string>("single: ghi", "")));
}

TEST_F(RawProfileCorpusTest, BadSectionHeadersStillNameSections)
{
    CopyCorpus("bad_section.ini");
    EXPECT_EQ(Section("bad_section.ini", "section3   ; comment "), (Entries { { "name2", "value2" } }));
    EXPECT_EQ(Section("bad_section.ini", "section2"), Entries {});
}

TEST_F(RawProfileCorpusTest, EveryVectorReadsAndTakesANewSection)
{
    const Entries added { { "key", "value" }, { "other", "a=b" } };
    for (const auto& entry : fs::directory_iterator(fs::path(QUELVANE_CORPUS_DIR) / "inih")) {
        if (entry.path().extension() != ".ini")
            continue;
        std::string name = entry.path().filename().string();
        CopyCorpus(name);
        for (const char* section : { "section1", "Common", "" })
            Section(name, section);
        RawProfile profile = ProfileOf(name);
        EXPECT_TRUE(profile.WriteSection("Quelvane", ListOf(added))) << name;
        EXPECT_EQ(Section(name, "QUELVANE"), added) << name;
    }
}

} // namespace
