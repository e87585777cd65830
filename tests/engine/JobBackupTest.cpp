#include <core/RawPath.h>
#include <core/RawRecordFile.h>
#include <engine/JobBackupList.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tests/TestSupport.h>
#include <unistd.h>

using namespace JobLayer;
using RawLayer::RawEncoding;
using Kind = JobBackupItemUnit::Kind;

namespace {

using QuelvaneTest::Texts;
using QuelvaneTest::Utf8;

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

std::tm LocalTime(int year, int month, int day, int hour)
{
    std::tm time {};
    time.tm_year = year - 1900, time.tm_mon = month - 1, time.tm_mday = day, time.tm_hour = hour;
    time.tm_isdst = -1;
    return time;
}

// Each test works in a fresh temp folder, with "set" as the folder of the record `items_`.
class JobBackupTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(root_.empty());
        fs::create_directory(Path("set"));
        items_.SetFolder(Utf8(Path("set")));
    }

    std::string Path(const std::string& name) const { return root_ + "/" + name; }
    void Write(const std::string& name, const std::string& content, time_t mtime = 0)
    {
        fs::create_directories(fs::path(Path(name)).parent_path());
        std::ofstream(Path(name), std::ios::binary) << content;
        const timespec times[2] = { { mtime, 0 }, { mtime, 0 } };
        ASSERT_TRUE(mtime == 0 || utimensat(AT_FDCWD, Path(name).c_str(), times, 0) == 0);
    }
    std::string Read(const std::string& name) const { return QuelvaneTest::ReadFile(Path(name)); }
    struct stat Stat(const std::string& name) const
    {
        struct stat info { };
        EXPECT_EQ(lstat(Path(name).c_str(), &info), 0) << name;
        return info;
    }
    // A new item of `list` (by default the record in "set").
    JobBackupItemUnit& Add(
        const std::string& source, const std::string& backup_name, JobBackupItemList* list = nullptr)
    {
        JobBackupItemUnit& item = (list ? *list : items_).AddItem();
        item.SetSource(Utf8(source));
        item.SetBackupName(Utf8(backup_name));
        return item;
    }
    // The items of the record in "set" as it reads back, each as 'SOURCE>BACKUP-NAME'.
    Strings Loaded(JobBackupItemList& loaded)
    {
        loaded.SetFolder(Utf8(Path("set")));
        EXPECT_TRUE(loaded.Load());
        Strings items;
        for (const JobBackupItemUnit& item : loaded)
            items.push_back(item.Source().Str() + ">" + item.BackupName().Str());
        return items;
    }

    void MakeSet(const std::string& name)
    {
        Write("store/" + name + "/Backup.ini",
            "[Comment]\r\nTime=t\r\n[Action_0]\r\nSource=/d/a\r\nDestin=x\r\n");
    }
    // Starts the loader on "store" as on 2024-03-31 at noon, and by default waits until the sets
    // are listed.
    void Start(JobBackupList& store, int32_t days, bool wait = true)
    {
        std::tm now = LocalTime(2024, 3, 31, 12);
        store.Loader().SetNow(std::mktime(&now));
        ASSERT_TRUE(store.StartLoader(Utf8(Path("store")), days));
        if (wait)
            store.WaitReady();
    }
    Strings Listed(JobBackupList& store)
    {
        Strings names;
        for (JobBackupUnit* set : store.Sets())
            names.push_back(set->Folder().Str().substr(Path("store/").size()));
        return names;
    }

    QuelvaneTest::TestFolder folder_;
    const std::string& root_ = folder_.Path();
    JobBackupItemList items_;
};

// --- Names and sets -------------------------------------------------------------------------

TEST_F(JobBackupTest, BackupNamesExtendThePreviousCandidate)
{
    const std::tuple<Strings, std::string, std::string> cases[] = {
        { {}, "/x/a.txt", "a.txt" },
        { { "a.txt" }, "/y/a.txt", "a01.txt" },
        { { "a.txt", "a01.txt" }, "/z/a.txt", "a0102.txt" },
        { { "Makefile" }, "/m/Makefile", "Makefile01" },
        // The set's own record is never taken by a copy.
        { {}, "/p/Backup.ini", "Backup01.ini" },
    };
    for (const auto& [taken, source, expected] : cases) {
        fs::remove_all(Path("names"));
        fs::create_directory(Path("names"));
        for (const std::string& name : taken)
            Write("names/" + name, "x");
        EXPECT_EQ(JobBackupList::BackupNameFor(Utf8(source), Utf8(Path("names"))).Str(), expected) << source;
    }
    EXPECT_EQ(JobBackupList::BackupNameFor(Utf8("/x/a.txt"), RawString()).Str(), "a.txt");
}

// Regression: extending the name by two digits per clash passed the file system's limit on a
// name after about a hundred files of one name, and every later backup copy failed.
TEST_F(JobBackupTest, ManyFilesOfOneNameAllGetShortUniqueBackupNames)
{
    fs::remove_all(Path("names"));
    fs::create_directory(Path("names"));
    std::set<std::string> names;
    for (int i = 0; i < 300; ++i) {
        std::string name = JobBackupList::BackupNameFor(Utf8("/t/CMakeLists.txt"), Utf8(Path("names"))).Str();
        ASSERT_LE(name.size(), 40u) << i;
        ASSERT_TRUE(names.insert(name).second) << name;
        Write("names/" + name, "x");
    }
    EXPECT_TRUE(names.count("CMakeLists010203040506070809.txt"));
    EXPECT_TRUE(names.count("CMakeLists_1.txt"));
    EXPECT_TRUE(names.count("CMakeLists_290.txt"));
}

TEST_F(JobBackupTest, RunsOfOneSecondGetTheirOwnFolders)
{
    JobBackupList store;
    ASSERT_TRUE(store.StartLoader(Utf8(Path("store/deep")), 30));
    store.WaitReady();
    Strings folders;
    for (int run = 0; run < 3; ++run)
        folders.push_back(store.CreateSet({}, LocalTime(2024, 3, 5, 14)).Folder().Str());
    EXPECT_EQ(folders,
        (Strings { Path("store/deep/20240305_140000"), Path("store/deep/20240305_140000_2"),
            Path("store/deep/20240305_140000_3") }));
    EXPECT_EQ(Stat("store").st_mode & 0777, 0700u);
    EXPECT_EQ(Stat("store/deep/20240305_140000_2").st_mode & 0777, 0700u);
}

// --- "Backup.ini" ---------------------------------------------------------------------------

TEST_F(JobBackupTest, SaveAppendsPerItemAndRewritesAtTheEnd)
{
    items_.Comment().Add("Search", Utf8("a\nb"));
    const std::string head = "[Comment]\r\nSearch=a%Nb\r\n";
    auto section = [](int index, const std::string& low) {
        std::string n = std::to_string(index);
        return "[Action_" + n + "]\r\nInfoType=Save\r\nSource=/d/f" + n + "\r\nDestin=f" + n
            + "\r\nTimeH=0\r\nTimeL=" + low + "\r\n";
    };
    std::string expected = head;
    for (int index = 0; index < 3; ++index) {
        JobBackupItemUnit& item = Add("/d/f" + std::to_string(index), "f" + std::to_string(index));
        ASSERT_TRUE(items_.Save());
        expected += section(index, "0");
        EXPECT_EQ(Read("set/Backup.ini"), expected);
        // Times stored once a file is replaced reach the file with the save that adds no item.
        item.SetTime(7 + index);
    }
    ASSERT_TRUE(items_.Save());
    EXPECT_EQ(Read("set/Backup.ini"), head + section(0, "7") + section(1, "8") + section(2, "9"));

    // A name that cannot stay on its line is left out; the files after it keep their records.
    Add("/d/bad\nname", "bad");
    Add("/d/after", "after");
    EXPECT_FALSE(items_.Save()); // appending
    EXPECT_FALSE(items_.Save()); // rewriting
    JobBackupItemList loaded;
    EXPECT_EQ(Loaded(loaded), (Strings { "/d/f0>f0", "/d/f1>f1", "/d/f2>f2", "/d/after>after" }));
    EXPECT_EQ(loaded.At(2)->Time(), 9u);
}

TEST_F(JobBackupTest, LoadReadsActionsInTurn)
{
    const std::string comment = "[Comment]\r\nSearch=x\r\n";
    const std::string action0
        = "[Action_0]\r\nInfoType=Odd\r\nSource=/d/a\r\nDestin=a\r\nTimeH=1\r\nTimeL=2\r\n";
    const std::tuple<std::string, Strings> cases[] = {
        { comment + action0 + "[action_1]\r\nInfoType=New\r\nSource=/d/b\r\nDestin=\r\n",
            { "/d/a>a", "/d/b>" } },
        // A missing section ends the list even when later ones are there.
        { comment + action0 + "[Action_2]\r\nSource=/d/c\r\nDestin=c\r\n", { "/d/a>a" } },
        // A copy is only ever looked for inside the set folder.
        { comment + action0 + "[Action_1]\r\nSource=/d/b\r\nDestin=../b\r\n", { "/d/a>a" } },
        { "\xEF\xBB\xBF" + comment + action0, { "/d/a>a" } },
        { "", {} },
    };
    for (const auto& [content, sources] : cases) {
        Write("set/Backup.ini", content);
        JobBackupItemList loaded;
        EXPECT_EQ(Loaded(loaded), sources) << content;
        if (!sources.empty()) {
            EXPECT_EQ(loaded.Comment().GetText("Search", "").Str(), "x");
            EXPECT_EQ(loaded.Front().ItemKind(), Kind::Save); // unknown "InfoType"
            EXPECT_EQ(loaded.Front().Time(), (uint64_t { 1 } << 32) | 2);
            EXPECT_EQ(loaded.Front().BackupPath().Str(), Path("set/a"));
        }
    }
    JobBackupItemList missing;
    missing.SetFolder(Utf8(Path("none")));
    EXPECT_FALSE(missing.Load());
}

// Whatever prefix of the record a crash leaves, what reads back are whole items as saved.
TEST_F(JobBackupTest, EveryCutOfTheRecordReadsBackAsWholeItems)
{
    for (const char* name : { "first.txt", "second.txt", "third.txt" }) {
        Add(std::string("/d/") + name, name);
        ASSERT_TRUE(items_.Save());
    }
    const Strings saved = { "/d/first.txt>first.txt", "/d/second.txt>second.txt", "/d/third.txt>third.txt" };
    const std::string full = Read("set/Backup.ini");
    Strings read;
    for (std::size_t cut = 0; cut <= full.size(); ++cut) {
        Write("set/Backup.ini", full.substr(0, cut));
        JobBackupItemList loaded;
        read = Loaded(loaded);
        ASSERT_LE(read.size(), 3u);
        EXPECT_EQ(read, Strings(saved.begin(), saved.begin() + std::ssize(read))) << cut;
    }
    EXPECT_EQ(read, saved); // the last cut is the whole file
}

// --- States and restore ---------------------------------------------------------------------

TEST_F(JobBackupTest, FileRowStatesFollowApplyRestoreAndLaterEdits)
{
    Write("src/a.txt", "old", 1'000'000);
    JobBackupItemUnit& item = Add(Path("src/a.txt"), "a.txt");
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateNoCopy);
    EXPECT_EQ(item.GetInfo().GetText("Name", "").Str(), "(for Save) a.txt");
    ASSERT_TRUE(JobBackupList::CopyToBackup(item.Source(), item.BackupPath()));
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateOriginal);
    Write("src/a.txt", "new", 2'000'000); // as the apply leaves it
    item.SetTime(RawLayer::RawPath::TicksFromTimespec(Stat("src/a.txt").st_mtim));
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateApplied);
    ASSERT_TRUE(item.Restore());
    EXPECT_EQ(Read("src/a.txt"), "old");
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateOriginal);
    Write("src/a.txt", "edited", 3'000'000);
    EXPECT_EQ(item.GetState(), JobBackupItemUnit::kStateChangedLater);
}

// The copy keeps the file's mode and time and never overwrites anything; a restore writes through
// a link with them, and a set restores every item whatever happens to the others.
TEST_F(JobBackupTest, CopyAndRestoreKeepModeAndTime)
{
    Write("target", "saved", 1'234'567);
    ASSERT_EQ(chmod(Path("target").c_str(), 0640), 0);
    ASSERT_TRUE(JobBackupList::CopyToBackup(Utf8(Path("target")), Utf8(Path("set/copy"))));
    EXPECT_EQ(Stat("set/copy").st_mode & 07777, 0640u);
    EXPECT_EQ(Stat("set/copy").st_mtim.tv_sec, 1'234'567);
    Write("other", "keep");
    EXPECT_FALSE(JobBackupList::CopyToBackup(Utf8(Path("target")), Utf8(Path("other"))));
    EXPECT_EQ(Read("other"), "keep");

    Write("target", "current");
    ASSERT_EQ(chmod(Path("target").c_str(), 0600), 0);
    ASSERT_EQ(symlink("target", Path("link").c_str()), 0);
    Write("set/b", "saved b");
    JobBackupUnit set(JobBackupUnit::kOriginApply, Utf8(Path("set")));
    for (const std::string name : { "link", "missing", "b" })
        Add(Path(name), name == "link" ? "copy" : name, &set.Items());
    EXPECT_FALSE(set.Restore());
    EXPECT_TRUE(S_ISLNK(Stat("link").st_mode));
    EXPECT_EQ(Read("target"), "saved");
    EXPECT_EQ(Stat("target").st_mode & 07777, 0640u);
    EXPECT_EQ(Stat("target").st_mtim.tv_sec, 1'234'567);
    EXPECT_EQ(Read("b"), "saved b");
}

// A file with one name becomes its own backup under a second name, synced and refusing a name
// that is taken; a file with other names gets a copy, since a change made through another name
// would reach the backup. Once the backup is separated it is a file of its own, whatever
// happens to the file.
TEST_F(JobBackupTest, ABackupIsASecondNameOnlyOfAFileWithNoOtherName)
{
    struct Case {
        const char* name;
        bool second_name; // the file has another name already
        bool linked;      // the backup is the file itself
    };
    for (const Case& c : { Case { "one", false, true }, Case { "two", true, false } }) {
        SCOPED_TRACE(c.name);
        Write(c.name, "saved", 1'234'567);
        ASSERT_EQ(chmod(Path(c.name).c_str(), 0640), 0);
        if (c.second_name) {
            ASSERT_EQ(link(Path(c.name).c_str(), Path(std::string(c.name) + ".other").c_str()), 0);
        }
        RawLayer::RawRecordFile file;
        ASSERT_TRUE(file.Open(Utf8(Path(c.name)), RawLayer::RawRecordFile::Links::Refuse));
        std::string reason;
        std::string backup = std::string("set/") + c.name;
        ASSERT_TRUE(JobBackupList::LinkToBackup(file.Fd().Get(), file.Info(), Utf8(Path(backup)), reason))
            << reason;
        EXPECT_EQ(Stat(backup).st_ino == Stat(c.name).st_ino, c.linked);
        EXPECT_EQ(Stat(backup).st_mode & 07777, 0640u);
        EXPECT_EQ(Stat(backup).st_mtim.tv_sec, 1'234'567);
        EXPECT_EQ(Read(backup), "saved");
        EXPECT_FALSE(JobBackupList::LinkToBackup(file.Fd().Get(), file.Info(), Utf8(Path(backup)), reason));
        EXPECT_FALSE(reason.empty());

        ASSERT_TRUE(JobBackupList::SeparateBackup(Utf8(Path(backup))));
        EXPECT_NE(Stat(backup).st_ino, Stat(c.name).st_ino);
        EXPECT_EQ(Stat(backup).st_nlink, 1u);
        std::ofstream(Path(c.name), std::ios::app) << " and changed";
        EXPECT_EQ(Read(backup), "saved");
        EXPECT_EQ(Stat(backup).st_mode & 07777, 0640u);
        EXPECT_EQ(Stat(backup).st_mtim.tv_sec, 1'234'567);
    }
}

// A "New" file is deleted only when it is the very file the apply made: same device and inode.
// A record without them, or a file put at the path since, is kept.
TEST_F(JobBackupTest, RestoreDeletesANewFileOnlyWhenItIsTheOneTheApplyMade)
{
    enum class Case { Same, NoIdentity, ReplacedByAnother, Missing };
    for (Case c : { Case::Same, Case::NoIdentity, Case::ReplacedByAnother, Case::Missing }) {
        SCOPED_TRACE(int(c));
        Write("made.txt", "made by the apply");
        struct stat made = Stat("made.txt");
        JobBackupItemUnit& item = Add(Path("made.txt"), "");
        item.SetKind(Kind::New);
        if (c != Case::NoIdentity)
            item.SetIdentity(made.st_dev, made.st_ino);
        if (c == Case::ReplacedByAnother) {
            Write("other.txt", "the user's work");
            ASSERT_EQ(rename(Path("other.txt").c_str(), Path("made.txt").c_str()), 0);
        }
        if (c == Case::Missing)
            fs::remove(Path("made.txt"));
        JobBackupItemUnit::RestoreOutcome outcome = item.RestoreFile(false);
        EXPECT_EQ(outcome.restored, c == Case::Same) << outcome.error;
        EXPECT_EQ(fs::exists(Path("made.txt")), c == Case::NoIdentity || c == Case::ReplacedByAnother);
        if (c == Case::ReplacedByAnother) {
            EXPECT_EQ(Read("made.txt"), "the user's work");
        }
        fs::remove(Path("made.txt"));
    }
}

// A copy that is not a plain file of the set folder (a pipe, which would block the restore for
// ever, or a link to a file elsewhere) is refused at once and the source stays as it is.
TEST_F(JobBackupTest, RestoreRefusesACopyThatIsNotAPlainFile)
{
    Write("source.txt", "applied");
    Write("elsewhere.txt", "not a copy");
    ASSERT_EQ(mkfifo(Path("set/pipe").c_str(), 0600), 0);
    ASSERT_EQ(symlink(Path("elsewhere.txt").c_str(), Path("set/link").c_str()), 0);
    for (const char* copy : { "pipe", "link" }) {
        JobBackupItemUnit& item = Add(Path("source.txt"), copy);
        JobBackupItemUnit::RestoreOutcome outcome = item.RestoreFile(false);
        EXPECT_FALSE(outcome.restored) << copy;
        EXPECT_EQ(outcome.error.rfind("backup copy: ", 0), 0u) << outcome.error;
        EXPECT_EQ(Read("source.txt"), "applied");
    }
}

// Records nobody but the user can have written are the only ones trusted: a record somebody
// else could have planted, or one whose copy lies outside its set, restores nothing. The last
// case, a record of the user's own, shows the same record does restore.
TEST_F(JobBackupTest, PlantedRecordsRestoreNothing)
{
    enum class Plant { SetOfAnotherUser, RecordOthersMayWrite, RecordIsALink, CopyOutsideTheSet, Own };
    std::vector<Plant> plants
        = { Plant::RecordOthersMayWrite, Plant::RecordIsALink, Plant::CopyOutsideTheSet, Plant::Own };
    if (geteuid() == 0) // only root can give a folder away
        plants.insert(plants.begin(), Plant::SetOfAnotherUser);
    for (Plant plant : plants) {
        SCOPED_TRACE(int(plant));
        fs::remove_all(Path("store"));
        Write("victim.txt", "the user's file");
        std::string set = "store/20240330_000000";
        std::string destin = plant == Plant::CopyOutsideTheSet ? "../copy" : "copy";
        std::string record
            = "[Comment]\r\n[Action_0]\r\nSource=" + Path("victim.txt") + "\r\nDestin=" + destin + "\r\n";
        Write(set + "/copy", "planted");
        Write("store/copy", "planted");
        Write(plant == Plant::RecordIsALink ? "elsewhere/Backup.ini" : set + "/Backup.ini", record);
        if (plant == Plant::RecordIsALink)
            fs::create_symlink(Path("elsewhere/Backup.ini"), Path(set + "/Backup.ini"));
        if (plant == Plant::RecordOthersMayWrite)
            fs::permissions(Path(set + "/Backup.ini"), fs::perms::others_write, fs::perm_options::add);
        if (plant == Plant::SetOfAnotherUser) {
            ASSERT_EQ(chown(Path(set).c_str(), 65534, 65534), 0);
        }
        JobBackupList store;
        Start(store, 30);
        for (JobBackupUnit* listed : store.Sets())
            (void)listed->Restore();
        EXPECT_EQ(Read("victim.txt"), plant == Plant::Own ? "planted" : "the user's file");
        EXPECT_EQ(store.Problems().empty(), plant == Plant::Own || plant == Plant::CopyOutsideTheSet);
    }
}

// --- The loader -----------------------------------------------------------------------------

// Sets older than the limit go, links in them without their targets; names not of the set form
// are the user's and stay.
TEST_F(JobBackupTest, ExpiresSetsByDateAndLeavesOtherEntriesAlone)
{
    for (const char* name : { "20240302_000001", "20240301_235959", "20240302_000001_2", "20240215_000000" })
        MakeSet(name);
    Write("outside/precious.txt", "keep me");
    ASSERT_EQ(symlink(Path("outside").c_str(), Path("store/20240215_000000/folder_link").c_str()), 0);
    Write("store/20240215_000000/sub/file", "x");
    ASSERT_EQ(
        symlink(Path("outside/precious.txt").c_str(), Path("store/20240215_000000/sub/link").c_str()), 0);
    const Strings kept = { "20240101_000000x/keep.txt", "20240101_000000_/keep.txt",
        "20240101-000000/keep.txt", "2024010_1000000/keep.txt", "20240101_00000/keep.txt",
        "20240101_000000_2a/keep.txt", "notes/keep.txt", "20240101_000000" };
    for (const std::string& name : kept)
        Write("store/" + name, "mine");
    ASSERT_EQ(symlink(Path("store/notes").c_str(), Path("store/20240102_000000").c_str()), 0);

    JobBackupList store;
    Start(store, 30);
    store.Loader().Wait();
    EXPECT_EQ(Listed(store), (Strings { "20240302_000001", "20240302_000001_2" }));
    EXPECT_EQ(store.Sets().front()->Origin(), JobBackupUnit::kOriginDisk);
    EXPECT_EQ(store.Sets().front()->Items().Front().Source().Str(), "/d/a");
    EXPECT_EQ(store.Sets().front()->GetInfo().GetText("Time", "").Str(), "t");
    EXPECT_TRUE(store.Loader().DeleteList().IsEmpty());
    EXPECT_FALSE(fs::exists(Path("store/20240301_235959")));
    EXPECT_FALSE(fs::exists(Path("store/20240215_000000")));
    EXPECT_EQ(Read("outside/precious.txt"), "keep me");
    for (const std::string& name : kept)
        EXPECT_EQ(Read("store/" + name), "mine") << name;
    EXPECT_TRUE(fs::is_symlink(Path("store/20240102_000000")));
}

TEST_F(JobBackupTest, NoDaysExpiresTodayButNeitherTomorrowNorThisRun)
{
    MakeSet("20240331_235959");
    MakeSet("20240401_000000");
    JobBackupList store;
    Start(store, 0, false);
    // A run made while the loader reads is listed once and never taken for an expired set.
    JobBackupUnit& run = store.CreateSet({}, LocalTime(2024, 3, 31, 11));
    store.WaitReady();
    store.Loader().Wait();
    EXPECT_TRUE(fs::exists(run.Folder().Str()));
    EXPECT_FALSE(fs::exists(Path("store/20240331_235959")));
    Strings listed = Listed(store);
    std::ranges::sort(listed);
    EXPECT_EQ(listed, (Strings { "20240331_110000", "20240401_000000" }));
}

TEST_F(JobBackupTest, RecordsThatAreNotPlainFilesAreRefusedWithoutWaiting)
{
    // A pipe would block the loader for ever and a link to an endless device would be read
    // without end; both are reported and the good set is still read.
    MakeSet("20240330_000000");
    fs::create_directories(Path("store/20240330_000001"));
    ASSERT_EQ(mkfifo(Path("store/20240330_000001/Backup.ini").c_str(), 0600), 0);
    fs::create_directories(Path("store/20240330_000002"));
    fs::create_symlink("/dev/zero", Path("store/20240330_000002/Backup.ini"));
    // A record past the bound is refused before it is read (a sparse file costs no space).
    Write("store/20240330_000003/Backup.ini", "");
    fs::resize_file(Path("store/20240330_000003/Backup.ini"), (64u << 20) + 1);
    JobBackupList store;
    Start(store, 30);
    ASSERT_TRUE(store.IsLoaded());
    int32_t items = 0;
    for (JobBackupUnit* set : store.Sets())
        items += set->Items().Count();
    EXPECT_EQ(items, 1);
    Strings problems = store.Problems();
    ASSERT_EQ(problems.size(), 3u);
    for (const std::string& problem : problems)
        EXPECT_EQ(problem.rfind("Backup record error (" + Path("store/20240330_00000"), 0), 0u) << problem;

    JobBackupList never_started;
    never_started.WaitReady(); // returns: there is no loader to wait for
}

TEST_F(JobBackupTest, AStoreOthersMayWriteIsNotTrusted)
{
    MakeSet("20240330_000000");
    MakeSet("20240330_000001");
    fs::permissions(Path("store/20240330_000001"), fs::perms::others_write, fs::perm_options::add);
    {
        JobBackupList store;
        Start(store, 30);
        EXPECT_EQ(Listed(store), Strings { "20240330_000000" });
        ASSERT_EQ(store.Problems().size(), 1u);
        EXPECT_EQ(store.Problems()[0].rfind("Backup set error (", 0), 0u);
    }
    fs::permissions(Path("store"), fs::perms::group_write, fs::perm_options::add);
    JobBackupList store;
    Start(store, 30);
    EXPECT_TRUE(Listed(store).empty());
    ASSERT_EQ(store.Problems().size(), 1u);
    EXPECT_EQ(store.Problems()[0].rfind("Backup folder error (", 0), 0u);
}

} // namespace
