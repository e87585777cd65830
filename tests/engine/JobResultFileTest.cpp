#include <engine/JobResultFile.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <tests/TestSupport.h>

using namespace JobLayer;
using RawLayer::RawEncoding;

namespace {

using QuelvaneTest::Texts;
using QuelvaneTest::Utf8;

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

RawStringList List(const Strings& items)
{
    RawStringList list;
    for (const std::string& item : items)
        list.Add(Utf8(item));
    return list;
}

// A block at line 7 with one hit (0, 3) of the first expression in its text.
JobBlockUnit& AddBlock(JobResultSet& results, const std::string& path, const std::string& original)
{
    auto* block = new JobBlockUnit();
    block->file_path = Utf8(path);
    block->base_path = Utf8("/data");
    block->original = Utf8(original);
    block->line_number = 7;
    block->line_count = 1;
    block->line_end = block->file_line_end = Utf8("\r\n");
    block->hit_record = JobHitMulti::FromText(Utf8("((([0,3]())))"));
    block->StoreFlags(JobBlockUnit::kChk);
    block->UpdateDisplayTexts();
    return *results.blocks.Append(block);
}

// Each test saves to and loads from "saved.txt" in a fresh temp folder.
class JobResultFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(temp_.Path().empty());
        folder_ = temp_.Path();
        path_ = folder_ + "/saved.txt";
        status_.SetAccepting(true);
    }

    bool Save(JobResultFile::Type type, const std::string& path = {})
    {
        return JobResultFile::Save(Utf8(path.empty() ? path_ : path), type, params_, results_, status_);
    }
    JobResultFile::LoadResult Load()
    {
        return JobResultFile::Load(Utf8(path_), loaded_params_, loaded_, status_);
    }
    std::string Bytes(const std::string& path = {}) const
    {
        std::ifstream in(path.empty() ? path_ : path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void WriteBytes(const std::string& bytes) const { std::ofstream(path_, std::ios::binary) << bytes; }
    Strings FolderEntries() const
    {
        Strings names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        return names;
    }
    std::string LastStatus() const { return status_.Entries().back().display.Str(); }

    QuelvaneTest::TestFolder temp_;
    std::string folder_;
    std::string path_;
    JobStatusCentre status_;
    JobParams params_;
    JobResultSet results_;
    JobParams loaded_params_;
    JobResultSet loaded_;
};

TEST_F(JobResultFileTest, ParamFileHoldsFiveKeysAndLoadingItClearsTheResults)
{
    params_.targets = List({ "/src", "/doc" });
    params_.filters = List({ "*.c" });
    params_.expressions = List({ "a", "", "b" });
    params_.replacements = List({ "x\ty%", "" });
    params_.ignore_case = params_.preview = true;
    ASSERT_TRUE(Save(JobResultFile::Type::Param));
    EXPECT_EQ(Bytes(),
        "[Params]\r\nTargetPath=/src;/doc\r\nFileFilter=*.c\r\nSearch=a;;b\r\nReplace=x%ty%e;\r\n"
        "IgnoreCase=True\r\n");

    AddBlock(loaded_, "/old.txt", "old");
    loaded_.SetFlags(JobResultSet::kStt | JobResultSet::kFin);
    loaded_params_.expressions = List({ "stale" });
    JobResultFile::LoadResult result = Load();
    EXPECT_TRUE(result.success && !result.results);
    EXPECT_EQ(loaded_.blocks.Count(), 0);
    EXPECT_EQ(loaded_.Flags(), 0);
    EXPECT_EQ(Texts(loaded_params_.targets), (Strings { "/src", "/doc" }));
    EXPECT_EQ(Texts(loaded_params_.expressions), (Strings { "a", "", "b" }));
    EXPECT_EQ(Texts(loaded_params_.replacements), (Strings { "x\ty%", "" }));
    EXPECT_TRUE(loaded_params_.ignore_case);
    EXPECT_FALSE(loaded_params_.preview); // not saved in a "Param" file
}

TEST_F(JobResultFileTest, DetailFileKeepsEveryField)
{
    params_.expressions = List({ "\"q\"", "a;b\"" });
    params_.preview = true;
    params_.checker = 4294967295u;
    params_.line_count = 2;
    results_.SetFlags(JobResultSet::kStt | JobResultSet::kFin);
    results_.StartTarget(Utf8("/data"));
    results_.SetFilesSearched(12);
    const std::string original = "abc\tdef\r\n100% ;\xC3\xA9\"";
    JobBlockUnit& block = AddBlock(results_, "/data/sub/a b.txt", original);
    block.StoreFlags(JobBlockUnit::kChk | JobBlockUnit::kRep);
    block.replaced = Utf8("\"R\"\n");
    block.line_count = 2;
    block.SetFileTime(0x80000001u, 0xFFFFFFF0u);
    block.file_encoding = RawEncoding::Utf16Le;
    block.byte_order_mark = 1;
    block.file_line_end = Utf8("\n");
    AddBlock(results_, "/data/b.txt", "xyz").StoreFlags(0);
    ASSERT_TRUE(Save(JobResultFile::Type::Detail));

    std::string bytes = Bytes();
    EXPECT_TRUE(bytes.starts_with(
        "[Params]\r\nTargetPath=\r\nFileFilter=\r\nSearch=%\"q\";a%db\"\r\nReplace=\r\n"
        "IgnoreCase=False\r\nIsPreview=True\r\nChecker=4294967295\r\nLineCount=2\r\n"
        "[Data]\r\nFlags=STT+FIN\r\nBasePath=/data\r\nFileCount=12\r\n"
        "[Found_0]\r\nFlags=CHK+REP\r\nFilePath=/data/sub/a b.txt\r\nBasePath=/data\r\n"
        "FileTimeHigh=4294967280\r\nFileTimeLow=2147483649\r\nLineNumber=7\r\nLineCount=2\r\n"
        "Original=abc%tdef%r%n100%e ;\xC3\xA9\"\r\nReplaced=\"R\"%n\r\nEOL=%r%n\r\nFileEol=%n\r\n"
        "FileSet=UTF16LE\r\nBomSet=SJIS\r\nHitRecord=((([0,3]())))\r\nHitReplaced=()\r\n"
        "StatusId=0\r\nStatus=\r\n[Found_1]\r\nFlags=\r\n"));

    JobResultFile::LoadResult result = Load();
    ASSERT_TRUE(result.success && result.results);
    ASSERT_EQ(loaded_.blocks.Count(), 2);
    EXPECT_EQ(loaded_.blocks.Front().original.Str(), original);
    EXPECT_EQ(loaded_.blocks.Front().display_name.Str(), "data/sub/a b.txt");
    // With the file's lines checked above, the same file saved from what was loaded proves that
    // every other field came back as it was.
    ASSERT_TRUE(JobResultFile::Save(
        Utf8(folder_ + "/again.txt"), JobResultFile::Type::Detail, loaded_params_, loaded_, status_));
    EXPECT_EQ(Bytes(folder_ + "/again.txt"), bytes);
}

TEST_F(JobResultFileTest, TextThatLooksLikeShiftJisIsSavedWithTheMark)
{
    // Without the mark the reader would take these bytes for Shift_JIS and load other text.
    for (const std::string text : { "\xE3\x81\x81\xE3\x81\x81", "a\x7F" }) {
        params_.expressions = List({ text });
        ASSERT_TRUE(Save(JobResultFile::Type::Param));
        EXPECT_TRUE(Bytes().starts_with("\xEF\xBB\xBF"));
        ASSERT_TRUE(Load().success);
        EXPECT_EQ(Texts(loaded_params_.expressions), Strings { text });
    }
}

TEST_F(JobResultFileTest, LoadsAFileInAnotherEncodingWithOddKeys)
{
    // UTF-16LE with its mark; unknown names, malformed or oversized hits, missing keys.
    std::string text = "// saved\r\n[params]\r\nSearch=\"x;;y\"\r\n[Data]\r\n[Other]\r\n[Found_9]\r\n"
                       "Flags=CHK+BAD+AFL\r\nFileSet=LATIN1\r\nOriginal=ab\r\nHitRecord=((([0,3]())))\r\n"
                       "HitReplaced=((x))\r\n[Found_1]\r\nFileSet=SJIS\r\n";
    std::string wide = "\xFF\xFE";
    for (char c : text)
        wide += std::string { c, '\0' };
    WriteBytes(wide);
    ASSERT_TRUE(Load().results);
    EXPECT_EQ(Texts(loaded_params_.expressions), (Strings { "x", "", "y" }));
    ASSERT_EQ(loaded_.blocks.Count(), 2);
    const JobBlockUnit& first = loaded_.blocks.Front();
    EXPECT_EQ(first.Flags(), JobBlockUnit::kChk | JobBlockUnit::kAfl);
    EXPECT_EQ(first.file_encoding, RawEncoding::Binary);
    EXPECT_TRUE(first.hit_record.IsEmpty()); // (0, 3) does not lie within "ab"
    EXPECT_TRUE(first.hit_replaced.IsEmpty());
    EXPECT_EQ(loaded_.blocks.Back().file_encoding, RawEncoding::Sjis);
}

TEST_F(JobResultFileTest, RejectedFilesChangeNothing)
{
    const std::pair<std::string, std::string> cases[] = {
        { "[Data]\r\nFlags=STT\r\n[Params]\r\nSearch=x\r\n", "Bad format file." },
        { "Search=x\r\n", "Bad format file." },
        // A line that cannot be decoded ends the read: no half-loaded result.
        { "\xEF\xBB\xBF[Params]\r\nSearch=x\r\n[Data]\r\n[Found_0]\r\nOriginal=\xFF\r\n",
            "Code conversion error" },
    };
    AddBlock(loaded_, "/keep.txt", "keep");
    loaded_params_.expressions = List({ "keep" });
    for (const auto& [bytes, message] : cases) {
        WriteBytes(bytes);
        EXPECT_FALSE(Load().success);
        EXPECT_EQ(LastStatus(), message + " (" + path_ + ")");
        EXPECT_EQ(loaded_.blocks.Count(), 1);
        EXPECT_EQ(Texts(loaded_params_.expressions), Strings { "keep" });
    }
    path_ = folder_ + "/missing.txt";
    EXPECT_FALSE(Load().success);
    EXPECT_EQ(LastStatus(), "Read open error (" + path_ + ")");
}

// Blocks that shared a status entry share the new one; a saved status text is split into its
// message and path where it ends with one in parentheses.
TEST_F(JobResultFileTest, StatusIdsAreRenumberedAndShared)
{
    WriteBytes("[Params]\r\n[Data]\r\n"
               "[Found_0]\r\nStatusId=7\r\nStatus=Line overflow [line=3] (/a (1)/b.txt)\r\n"
               "[Found_1]\r\nStatusId=7\r\nStatus=Line overflow [line=3] (/a (1)/b.txt)\r\n"
               "[Found_2]\r\nStatusId=9\r\nStatus=Read error (x\r\n"
               "[Found_3]\r\nStatusId=0\r\nStatus=\r\n");
    ASSERT_TRUE(Load().results);
    std::vector<JobStatusUnit> added = status_.Entries();
    ASSERT_EQ(added.size(), 4u);
    EXPECT_EQ(added[0].display.Str(), "Old data loading...");
    EXPECT_EQ(added[1].text.Str(), "Line overflow [line=3]");
    EXPECT_EQ(added[1].path.Str(), "/a (1)/b.txt");
    EXPECT_EQ(added[1].kind, JobStatusUnit::kError);
    EXPECT_EQ(added[2].text.Str(), "Read error (x");
    EXPECT_TRUE(added[2].path.IsEmpty());
    EXPECT_EQ(added[3].display.Str(), "Old data loaded.");
    std::vector<uint32_t> ids;
    for (const JobBlockUnit& block : loaded_.blocks)
        ids.push_back(block.status_id);
    EXPECT_EQ(ids, (std::vector<uint32_t> { added[1].id, added[1].id, added[2].id, 0 }));
    EXPECT_EQ(status_.NewIdFor(7), 0u); // the map is emptied after the load

    // Saved again, a block names its entry's display text.
    results_.blocks.Append(new JobBlockUnit(loaded_.blocks.Front()));
    ASSERT_TRUE(Save(JobResultFile::Type::Detail));
    EXPECT_NE(Bytes().find("Status=Line overflow [line=3] (/a (1)/b.txt)\r\n"), std::string::npos);
}

TEST_F(JobResultFileTest, SimpleListsTheFirstLineOfEachBlock)
{
    AddBlock(results_, "/c/a.txt", "x\ny").line_count = 2;
    AddBlock(results_, "/c/\xC3\xA9.txt", "one line").line_number = 12;
    ASSERT_TRUE(Save(JobResultFile::Type::Simple));
    EXPECT_EQ(Bytes(), "/c/a.txt(7):x\r\n/c/\xC3\xA9.txt(12):one line\r\n");
}

TEST_F(JobResultFileTest, FailedSavesLeaveNoFile)
{
    EXPECT_FALSE(Save(JobResultFile::Type::Param, folder_ + "/no/such/folder/saved.txt"));
    EXPECT_EQ(LastStatus(), "Write open error (" + folder_ + "/no/such/folder/saved.txt)");
    EXPECT_EQ(FolderEntries(), Strings {});

    // An existing file is replaced whole, or not at all.
    WriteBytes("old content");
    AddBlock(results_, "/a.txt", std::string("nul\0here", 8));
    EXPECT_FALSE(Save(JobResultFile::Type::Detail));
    EXPECT_EQ(LastStatus(), "Code conversion error (" + path_ + ")");
    AddBlock(results_, "/a\nb.txt", "text"); // a path that would break its line
    results_.blocks.Remove(results_.blocks.begin());
    EXPECT_FALSE(Save(JobResultFile::Type::Detail));
    EXPECT_EQ(Bytes(), "old content");
    EXPECT_EQ(FolderEntries(), Strings { "saved.txt" });

    results_.blocks.Clear();
    ASSERT_TRUE(Save(JobResultFile::Type::Detail));
    EXPECT_TRUE(Bytes().starts_with("[Params]\r\n"));
    EXPECT_EQ(FolderEntries(), Strings { "saved.txt" });
}

} // namespace
