#include <core/RawPath.h>
#include <engine/JobBackupList.h>
#include <engine/JobBackupListSort.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace JobLayer;
using RawLayer::RawEncoding;
using RawLayer::RawPath;
using Kind = JobBackupItemUnit::Kind;

namespace {

RawString Text(const std::string& bytes)
{
    return RawString(bytes, RawEncoding::Utf8);
}

std::tm LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm time {};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    time.tm_isdst = -1;
    return time;
}

class JobBackupTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = std::filesystem::temp_directory_path() / "quelvane_backup_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    std::string Path(const std::string& name) const { return root_ + "/" + name; }
    RawString RawPathOf(const std::string& name) const { return Text(Path(name)); }

    void Write(const std::string& name, const std::string& content, time_t mtime = 0)
    {
        std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
        std::ofstream(Path(name), std::ios::binary) << content;
        if (mtime != 0)
            SetTime(name, mtime);
    }
    void SetTime(const std::string& name, time_t mtime)
    {
        const timespec times[2] = { { mtime, 0 }, { mtime, 0 } };
        ASSERT_EQ(utimensat(AT_FDCWD, Path(name).c_str(), times, 0), 0);
    }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(Path(name), std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }
    struct stat Stat(const std::string& name) const
    {
        struct stat info { };
        EXPECT_EQ(lstat(Path(name).c_str(), &info), 0) << name;
        return info;
    }
    uint64_t Ticks(const std::string& name) const { return RawPath::TicksFromTimespec(Stat(name).st_mtim); }

    std::string root_;
};

// --- Names ---------------------------------------------------------------------------------

TEST_F(JobBackupTest, BackupNamesExtendThePreviousCandidate)
{
    const std::tuple<std::vector<std::string>, std::string, std::string> cases[] = {
        { {}, "/x/a.txt", "a.txt" },
        { { "a.txt" }, "/y/a.txt", "a01.txt" },
        { { "a.txt", "a01.txt" }, "/z/a.txt", "a0102.txt" },
        { { "a.txt", "a01.txt", "a0102.txt" }, "/w/a.txt", "a010203.txt" },
        { { "Makefile" }, "/m/Makefile", "Makefile01" },
        // The set's own record is never taken by a copy.
        { {}, "/p/Backup.ini", "Backup01.ini" },
    };
    for (const auto& [taken, source, expected] : cases) {
        std::filesystem::remove_all(Path("set"));
        std::filesystem::create_directory(Path("set"));
        for (const std::string& name : taken)
            Write("set/" + name, "x");
        EXPECT_EQ(JobBackupList::BackupNameFor(Text(source), RawPathOf("set")).Str(), expected) << source;
    }
    EXPECT_EQ(JobBackupList::BackupNameFor(Text("/x/a.txt"), RawString()).Str(), "a.txt");
}

TEST(JobBackupSetName, ReadsTheSetFormOnly)
{
    const std::tuple<std::string, bool, int, int> cases[] = {
        { "20240305_140709", true, 5, 9 },
        { "20240305_140709_2", true, 5, 9 },
        { "20240305_140709_17", true, 5, 9 },
        { "20240305-140709", false, 0, 0 },
        { "2024030_1140709", false, 0, 0 },
        { "20240305_14070", false, 0, 0 },
        { "20240305_140709_", false, 0, 0 },
        { "20240305_140709x", false, 0, 0 },
        { "20240305_140709_2a", false, 0, 0 },
        { "notes", false, 0, 0 },
    };
    for (const auto& [name, valid, day, second] : cases) {
        JobBackupLoader::SetName parsed;
        EXPECT_EQ(JobBackupLoader::ParseSetName(name, parsed), valid) << name;
        if (valid) {
            EXPECT_EQ(std::tie(parsed.year, parsed.month, parsed.day, parsed.second),
                std::make_tuple(2024, 3, day, second))
                << name;
        }
    }
}

TEST(JobBackupSort, FoldsLettersAndPutsPrefixesFirst)
{
    const std::tuple<std::string, std::string, int> cases[] = {
        { "/b/20240305_140709", "/b/20240305_140710", -1 }, { "/b/x", "/B/X", 0 }, { "/b/a", "/b/B", -1 },
        { "/b/20240305_140709", "/b/20240305_140709_2", -1 },
        { "/b/_", "/b/a", 1 }, // "_" lies after "A".."Z", before "a"
    };
    for (const auto& [a, b, sign] : cases) {
        EXPECT_EQ(JobBackupListSort::ComparePaths(Text(a), Text(b)), sign) << a << " " << b;
        EXPECT_EQ(JobBackupListSort::ComparePaths(Text(b), Text(a)), -sign) << a << " " << b;
    }
}

// --- Sets and "Backup.ini" ------------------------------------------------------------------

TEST_F(JobBackupTest, RunsOfOneSecondGetTheirOwnFolders)
{
    JobBackupList store;
    (void)store.StartLoader(RawPathOf("store/deep"), 30);
    store.WaitReady();
    std::tm time = LocalTime(2024, 3, 5, 14, 7, 9);
    std::vector<std::string> folders;
    for (int run = 0; run < 3; ++run) {
        JobBackupUnit& set = store.CreateSet({}, time);
        EXPECT_EQ(set.Origin(), JobBackupUnit::kOriginApply);
        folders.push_back(set.Folder().Str());
    }
    EXPECT_EQ(folders,
        (std::vector<std::string> { Path("store/deep/20240305_140709"), Path("store/deep/20240305_140709_2"),
            Path("store/deep/20240305_140709_3") }));
    EXPECT_EQ(Stat("store").st_mode & 0777, 0700u);
    EXPECT_EQ(Stat("store/deep/20240305_140709_2").st_mode & 0777, 0700u);

    JobBackupList off;
    JobBackupUnit& set = off.CreateSet({}, time);
    EXPECT_EQ(set.Origin(), JobBackupUnit::kOriginNoBackup);
    EXPECT_TRUE(set.GetFolder().IsEmpty());
    EXPECT_EQ(set.Items().AddItem().GetState(), JobBackupItemUnit::kStateNoCopy);
}

TEST_F(JobBackupTest, SaveAppendsPerItemAndRewritesAtTheEnd)
{
    std::filesystem::create_directory(Path("set"));
    JobBackupItemList items;
    items.SetFolder(RawPathOf("set"));
    items.Comment().Add("Search", Text("a\nb"));
    items.Comment().Add("Time", Text("2024/03/05 14:07:09"));
    const std::string head = "[Comment]\r\nSearch=a%Nb\r\nTime=2024/03/05 14:07:09\r\n";
    auto section
        = [](int index, const std::string& source, const std::string& destin, const std::string& low) {
              return "[Action_" + std::to_string(index) + "]\r\nInfoType=Save\r\nSource=" + source
                  + "\r\nDestin=" + destin + "\r\nTimeH=0\r\nTimeL=" + low + "\r\n";
          };
    std::string expected = head;
    for (int index = 0; index < 3; ++index) {
        JobBackupItemUnit& item = items.AddItem();
        item.SetSource(Text("/d/f" + std::to_string(index)));
        item.SetBackupName(Text("f" + std::to_string(index)));
        ASSERT_TRUE(items.Save());
        expected += section(index, "/d/f" + std::to_string(index), "f" + std::to_string(index), "0");
        EXPECT_EQ(Read("set/Backup.ini"), expected);
        // Times stored once a file is replaced reach the file with the save that adds no item.
        item.SetTime(7 + index);
    }
    ASSERT_TRUE(items.Save());
    EXPECT_EQ(Read("set/Backup.ini"),
        head + section(0, "/d/f0", "f0", "7") + section(1, "/d/f1", "f1", "8")
            + section(2, "/d/f2", "f2", "9"));

    // A name that cannot stay on its line is left out; the files after it keep their records.
    items.AddItem().SetSource(Text("/d/bad\nname"));
    items.AddItem().SetSource(Text("/d/after"));
    EXPECT_FALSE(items.Save());
    EXPECT_FALSE(items.Save());
    JobBackupItemList loaded;
    loaded.SetFolder(RawPathOf("set"));
    ASSERT_TRUE(loaded.Load());
    ASSERT_EQ(loaded.Count(), 4);
    EXPECT_EQ(loaded.At(2)->Time(), 9u);
    EXPECT_EQ(loaded.At(3)->Source().Str(), "/d/after");
    EXPECT_EQ(loaded.Comment().GetText("Search", "").Str(), "a%Nb");
}

TEST_F(JobBackupTest, LoadReadsActionsInTurnAndSurvivesATornTail)
{
    const std::string comment = "[Comment]\r\nSearch=x\r\n";
    const std::string action0
        = "[Action_0]\r\nInfoType=Odd\r\nSource=/d/a\r\nDestin=a\r\nTimeH=1\r\nTimeL=2\r\n";
    const std::string action1 = "[action_1]\r\nInfoType=New\r\nSource=/d/b\r\nDestin=\r\n";
    const std::tuple<std::string, std::vector<std::string>> cases[] = {
        { comment + action0 + action1, { "/d/a", "/d/b" } },
        // A missing section ends the list even when later ones are there.
        { comment + action0 + "[Action_2]\r\nSource=/d/c\r\nDestin=c\r\n", { "/d/a" } },
        // Torn appends: a last line without its line end is dropped, and so is a section
        // left without "Source" or "Destin".
        { comment + action0 + "[Action_1]\r\nInfoType=Save\r\nSour", { "/d/a" } },
        { comment + action0 + "[Action_1]\r\nInfoType=Save\r\nSource=/d/b\r\nDestin=b", { "/d/a" } },
        { comment + action0 + "[Acti", { "/d/a" } },
        // A copy is only ever looked for inside the set folder.
        { comment + action0 + "[Action_1]\r\nSource=/d/b\r\nDestin=../b\r\n", { "/d/a" } },
        { "\xEF\xBB\xBF" + comment + action0, { "/d/a" } },
        { "", {} },
    };
    for (const auto& [content, sources] : cases) {
        Write("set/Backup.ini", content);
        JobBackupItemList items;
        items.SetFolder(RawPathOf("set"));
        EXPECT_TRUE(items.Load());
        std::vector<std::string> read;
        for (const JobBackupItemUnit& item : items)
            read.push_back(item.Source().Str());
        EXPECT_EQ(read, sources) << content;
        if (!sources.empty()) {
            EXPECT_EQ(items.Comment().GetText("Search", "").Str(), "x");
            EXPECT_EQ(items.Front().ItemKind(), Kind::Save); // unknown "InfoType"
            EXPECT_EQ(items.Front().Time(), (uint64_t { 1 } << 32) | 2);
            EXPECT_EQ(items.Front().BackupPath().Str(), Path("set/a"));
        }
    }
    JobBackupItemList missing;
    missing.SetFolder(RawPathOf("none"));
    EXPECT_FALSE(missing.Load());
}

// Whatever prefix of the record a crash leaves, what reads back are whole items as saved.
TEST_F(JobBackupTest, EveryCutOfTheRecordReadsBackAsWholeItems)
{
    std::filesystem::create_directory(Path("set"));
    JobBackupItemList items;
    items.SetFolder(RawPathOf("set"));
    for (const char* name : { "first.txt", "second.txt", "third.txt" }) {
        JobBackupItemUnit& item = items.AddItem();
        item.SetSource(Text(std::string("/d/") + name));
        item.SetBackupName(Text(name));
        ASSERT_TRUE(items.Save());
    }
    const std::string full = Read("set/Backup.ini");
    for (std::size_t cut = 0; cut <= full.size(); ++cut) {
        Write("set/Backup.ini", full.substr(0, cut));
        JobBackupItemList loaded;
        loaded.SetFolder(RawPathOf("set"));
        ASSERT_TRUE(loaded.Load());
        auto saved = items.begin();
        for (const JobBackupItemUnit& item : loaded) {
            EXPECT_EQ(item.Source().Str(), saved->Source().Str()) << cut;
            EXPECT_EQ(item.BackupName().Str(), saved->BackupName().Str()) << cut;
            ++saved;
        }
        if (cut == full.size()) {
            EXPECT_EQ(loaded.Count(), 3);
        }
    }
}

// --- States and restore ---------------------------------------------------------------------

TEST_F(JobBackupTest, FileRowStatesFollowApplyRestoreAndLaterEdits)
{
    Write("src/a.txt", "old", 1'000'000);
    std::filesystem::create_directory(Path("set"));
    JobBackupItemList items;
    items.SetFolder(RawPathOf("set"));
    JobBackupItemUnit& item = items.AddItem();
    item.SetSource(RawPathOf("src/a.txt"));
    item.SetBackupName(Text("a.txt"));
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateNoCopy);
    EXPECT_EQ(item.GetInfo().GetText("Name", "").Str(), "(for Save) a.txt");

    ASSERT_TRUE(JobBackupList::CopyToBackup(RawPathOf("src/a.txt"), item.BackupPath()));
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateOriginal);
    Write("src/a.txt", "new", 2'000'000); // as the apply leaves it
    item.SetTime(Ticks("src/a.txt"));
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateApplied);
    ASSERT_TRUE(item.Restore());
    EXPECT_EQ(Read("src/a.txt"), "old");
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateOriginal);
    Write("src/a.txt", "edited", 3'000'000);
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateChangedLater);

    item.SetKind(Kind::Delete);
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateChangedLater);
    std::filesystem::remove(Path("src/a.txt"));
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateApplied);
    ASSERT_TRUE(item.Restore());
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateOriginal);

    item.SetKind(Kind::New);
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateChangedLater);
    item.SetTime(Ticks("src/a.txt"));
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateApplied);
    ASSERT_TRUE(item.Restore());
    EXPECT_FALSE(std::filesystem::exists(Path("src/a.txt")));
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateOriginal);
    EXPECT_FALSE(item.Restore());
}

TEST_F(JobBackupTest, RestoreWritesThroughALinkWithTheCopysModeAndTime)
{
    Write("copy", "saved", 1'234'567);
    ASSERT_EQ(chmod(Path("copy").c_str(), 0640), 0);
    Write("target", "current");
    ASSERT_EQ(chmod(Path("target").c_str(), 0600), 0);
    ASSERT_EQ(symlink("target", Path("link").c_str()), 0);

    JobBackupItemUnit item;
    item.SetFolder(Text(root_));
    item.SetBackupName(Text("copy"));
    item.SetSource(RawPathOf("link"));
    ASSERT_TRUE(item.Restore());
    EXPECT_TRUE(S_ISLNK(Stat("link").st_mode));
    EXPECT_EQ(Read("target"), "saved");
    EXPECT_EQ(Stat("target").st_mode & 07777, 0640u);
    EXPECT_EQ(Stat("target").st_mtim.tv_sec, 1'234'567);
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateOriginal);
}

TEST_F(JobBackupTest, CopyToBackupKeepsModeAndTimeAndNeverOverwrites)
{
    Write("file", "content", 1'111'111);
    ASSERT_EQ(chmod(Path("file").c_str(), 0604), 0);
    ASSERT_TRUE(JobBackupList::CopyToBackup(RawPathOf("file"), RawPathOf("copy")));
    EXPECT_EQ(Read("copy"), "content");
    EXPECT_EQ(Stat("copy").st_mode & 07777, 0604u);
    EXPECT_EQ(Stat("copy").st_mtim.tv_sec, 1'111'111);

    Write("other", "keep");
    EXPECT_FALSE(JobBackupList::CopyToBackup(RawPathOf("file"), RawPathOf("other")));
    EXPECT_EQ(Read("other"), "keep");
    EXPECT_FALSE(JobBackupList::CopyToBackup(RawPathOf("missing"), RawPathOf("none")));
    EXPECT_FALSE(std::filesystem::exists(Path("none")));
}

TEST_F(JobBackupTest, SetRestoresEveryItemAndReportsAnyFailure)
{
    std::filesystem::create_directory(Path("set"));
    JobBackupUnit set(JobBackupUnit::kOriginApply, RawPathOf("set"));
    for (const std::string name : { "a", "missing", "b" }) {
        JobBackupItemUnit& item = set.Items().AddItem();
        item.SetSource(RawPathOf(name));
        item.SetBackupName(Text(name));
        if (name != "missing")
            Write("set/" + name, "saved " + name);
    }
    EXPECT_FALSE(set.Restore());
    EXPECT_EQ(Read("a"), "saved a");
    EXPECT_EQ(Read("b"), "saved b");
    EXPECT_EQ(set.GetLink(), &set.Items());
}

// --- The loader -----------------------------------------------------------------------------

class JobBackupLoaderTest : public JobBackupTest {
protected:
    void MakeSet(const std::string& name, const std::string& source)
    {
        Write("store/" + name + "/Backup.ini",
            "[Comment]\r\nTime=t\r\n[Action_0]\r\nSource=" + source + "\r\nDestin=x\r\n");
    }
    std::vector<std::string> Listed(JobBackupList& store)
    {
        std::vector<std::string> names;
        for (JobBackupUnit* set : store.Sets()) {
            EXPECT_EQ(set->Origin(), JobBackupUnit::kOriginDisk);
            names.push_back(set->Folder().Str().substr(Path("store/").size()));
        }
        return names;
    }
    // 2024-03-31, noon local time.
    static std::time_t Now()
    {
        std::tm time = LocalTime(2024, 3, 31, 12, 0, 0);
        return std::mktime(&time);
    }
};

TEST_F(JobBackupLoaderTest, ExpiresSetsByDateAndLeavesOtherEntriesAlone)
{
    for (const char* name : { "20240302_000001", "20240301_235959", "20240302_000001_2", "20240215_000000" })
        MakeSet(name, "/d/a");
    Write("store/notes/keep.txt", "mine");
    Write("store/20240101_000000", "a file of set form");
    Write("store/20240101_000000x/keep.txt", "mine");
    ASSERT_EQ(symlink(Path("store/notes").c_str(), Path("store/20240102_000000").c_str()), 0);

    JobBackupList store;
    store.Loader().SetNow(Now());
    ASSERT_TRUE(store.StartLoader(RawPathOf("store"), 30));
    store.WaitReady();
    store.Loader().Wait();
    EXPECT_EQ(Listed(store), (std::vector<std::string> { "20240302_000001", "20240302_000001_2" }));
    EXPECT_EQ(store.Sets().front()->Items().Front().Source().Str(), "/d/a");
    EXPECT_EQ(store.Sets().front()->GetInfo().GetText("Time", "").Str(), "t");
    EXPECT_TRUE(store.Loader().DeleteList().IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(Path("store/20240301_235959")));
    EXPECT_FALSE(std::filesystem::exists(Path("store/20240215_000000")));
    for (const char* kept : { "store/notes/keep.txt", "store/20240101_000000",
             "store/20240101_000000x/keep.txt", "store/20240102_000000" })
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(Path(kept)))) << kept;
}

TEST_F(JobBackupLoaderTest, NoDaysExpiresTodayButNeitherTomorrowNorThisRun)
{
    MakeSet("20240331_235959", "/d/a");
    MakeSet("20240401_000000", "/d/b");
    JobBackupList store;
    store.Loader().SetNow(Now());
    ASSERT_TRUE(store.StartLoader(RawPathOf("store"), 0));
    // A run made while the loader reads is listed once and never taken for an expired set.
    JobBackupUnit& run = store.CreateSet({}, LocalTime(2024, 3, 31, 11, 0, 0));
    store.WaitReady();
    store.Loader().Wait();
    EXPECT_TRUE(std::filesystem::exists(run.Folder().Str()));
    EXPECT_FALSE(std::filesystem::exists(Path("store/20240331_235959")));
    std::vector<std::string> folders;
    for (JobBackupUnit* set : store.Sets())
        folders.push_back(set->Folder().Str());
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(folders, (std::vector<std::string> { run.Folder().Str(), Path("store/20240401_000000") }));
}

TEST_F(JobBackupLoaderTest, DeletingAnExpiredSetRemovesLinksNotTheirTargets)
{
    MakeSet("20200101_000000", "/d/a");
    Write("outside/precious.txt", "keep me");
    Write("store/20200101_000000/sub/deeper/file", "x");
    ASSERT_EQ(symlink(Path("outside").c_str(), Path("store/20200101_000000/folder_link").c_str()), 0);
    ASSERT_EQ(
        symlink(Path("outside/precious.txt").c_str(), Path("store/20200101_000000/sub/file_link").c_str()),
        0);
    JobBackupList store;
    store.Loader().SetNow(Now());
    ASSERT_TRUE(store.StartLoader(RawPathOf("store"), 30));
    store.Loader().Wait();
    EXPECT_FALSE(std::filesystem::exists(Path("store/20200101_000000")));
    EXPECT_EQ(Read("outside/precious.txt"), "keep me");
}

TEST_F(JobBackupLoaderTest, WaitReadyBlocksUntilTheStoreIsRead)
{
    // The loader blocks reading a record that is a pipe until the test writes into it.
    std::filesystem::create_directories(Path("store/20240330_000000"));
    ASSERT_EQ(mkfifo(Path("store/20240330_000000/Backup.ini").c_str(), 0600), 0);
    JobBackupList store;
    store.Loader().SetNow(Now());
    std::atomic<bool> ready { false };
    ASSERT_TRUE(store.StartLoader(RawPathOf("store"), 30));
    std::thread waiter([&] {
        store.WaitReady();
        ready = true;
    });
    EXPECT_FALSE(ready);
    EXPECT_FALSE(store.IsLoaded());
    {
        std::ofstream pipe(Path("store/20240330_000000/Backup.ini"), std::ios::binary);
        pipe << "[Action_0]\r\nSource=/d/a\r\nDestin=a\r\n";
    }
    waiter.join();
    EXPECT_TRUE(ready);
    ASSERT_EQ(store.Sets().size(), 1u);
    EXPECT_EQ(store.Sets().front()->Items().Count(), 1);

    JobBackupList never_started;
    never_started.WaitReady(); // returns: there is no loader to wait for
}

} // namespace
