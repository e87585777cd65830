#include <core/RawThreadDump.h>
#include <core/RawThreadUnit.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace RawLayer;

namespace {

// The page the fault test writes to; mapped by the parent so the child has it at the same place.
void* protected_page = nullptr;

void WriteToProtectedPage()
{
    *static_cast<volatile char*>(protected_page) = 1;
}

// Grows the stack until it overflows; the limit only keeps the compiler from calling it endless.
volatile int recursion_limit = 1 << 30;
int Recurse(int depth)
{
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    if (depth == recursion_limit)
        return frame[0];
    return Recurse(depth + 1) + frame[0];
}
void OverflowTheStack()
{
    Recurse(0);
}

class ThrowingUnit : public RawThreadUnit {
public:
    ~ThrowingUnit() override { StopAndWait(); }
    void Run() override { throw std::runtime_error("worker failed"); }
};
void ThrowOnAWorkerThread()
{
    ThrowingUnit unit;
    (void)unit.Start();
    unit.Wait();
}

class RawThreadDumpCrash : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quelvane-dump-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        temp_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(temp_); }

    // Runs `crash` in a child process that installs the dump handler with TMPDIR set to the
    // test's folder, and returns the child's wait status. The child makes no core file.
    int RunChild(void (*crash)()) const
    {
        pid_t child = fork();
        if (child == 0) {
            rlimit no_core { 0, 0 };
            setrlimit(RLIMIT_CORE, &no_core);
            setenv("TMPDIR", temp_.c_str(), 1);
            RawThreadDump dump;
            (void)dump.Install();
            crash();
            _exit(99);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return status;
    }
    std::vector<std::filesystem::path> DumpFiles() const
    {
        std::vector<std::filesystem::path> files;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(temp_ + "/Dump", error))
            files.push_back(entry.path());
        return files;
    }
    // The content of the only dump file; fails the test when there is not exactly one.
    std::string OnlyDump() const
    {
        std::vector<std::filesystem::path> files = DumpFiles();
        EXPECT_EQ(files.size(), 1U);
        if (files.size() != 1)
            return std::string();
        std::ifstream in(files[0]);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }

    std::string temp_;
};

bool KilledBy(int status, int signal)
{
    return WIFSIGNALED(status) && WTERMSIG(status) == signal;
}

} // namespace

TEST_F(RawThreadDumpCrash, AFaultWritesADumpAndTheProcessStillDiesOfIt)
{
    protected_page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(protected_page, MAP_FAILED);
    int status = RunChild(WriteToProtectedPage);
    EXPECT_TRUE(KilledBy(status, SIGSEGV)) << status;
    std::string dump = OnlyDump();
    EXPECT_NE(dump.find("Quelvane crash dump\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("Signal: 11 SIGSEGV\n"), std::string::npos) << dump;
    char address[32];
    std::snprintf(
        address, sizeof address, "Address: 0x%016lx\n", reinterpret_cast<unsigned long>(protected_page));
    EXPECT_NE(dump.find(address), std::string::npos) << dump;
    std::size_t backtrace = dump.find("Backtrace:\n");
    ASSERT_NE(backtrace, std::string::npos);
    EXPECT_NE(dump.find("[0x", backtrace), std::string::npos) << dump; // at least one frame
    munmap(protected_page, 4096);
}

TEST_F(RawThreadDumpCrash, TheDumpIsPrivateAndNamedByTheLocalTime)
{
    time_t before = time(nullptr);
    int status = RunChild([] { raise(SIGBUS); });
    time_t after = time(nullptr);
    EXPECT_TRUE(KilledBy(status, SIGBUS)) << status;
    struct stat folder { };
    ASSERT_EQ(stat((temp_ + "/Dump").c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 07777, 0700U);
    std::vector<std::filesystem::path> files = DumpFiles();
    ASSERT_EQ(files.size(), 1U);
    struct stat file { };
    ASSERT_EQ(stat(files[0].c_str(), &file), 0);
    EXPECT_EQ(file.st_mode & 07777, 0600U);
    std::string name = files[0].filename().string();
    bool named_by_a_second_of_the_crash = false;
    for (time_t second = before; second <= after; ++second) {
        tm local {};
        localtime_r(&second, &local);
        char expected[64];
        std::strftime(expected, sizeof expected, "Quelvane_%Y%m%d_%H%M%S.dmp", &local);
        named_by_a_second_of_the_crash = named_by_a_second_of_the_crash || name == expected;
    }
    EXPECT_TRUE(named_by_a_second_of_the_crash) << name;
}

TEST_F(RawThreadDumpCrash, EachKindOfCrashIsReportedAndStillEndsTheProcess)
{
    const struct {
        void (*crash)();
        int signal;
        const char* signal_line;
        const char* reason_line;
    } cases[] = {
        { [] { raise(SIGFPE); }, SIGFPE, "Signal: 8 SIGFPE\n",
            "Reason: signal sent by the program or another process\n" },
        { [] { raise(SIGILL); }, SIGILL, "Signal: 4 SIGILL\n", "" },
        { [] { std::abort(); }, SIGABRT, "Signal: 6 SIGABRT\n", "" },
        { OverflowTheStack, SIGSEGV, "Signal: 11 SIGSEGV\n", "Reason: fault\n" },
        // An exception escaping a worker's Run ends in terminate; its abort writes no second dump.
        { ThrowOnAWorkerThread, SIGABRT, "Signal: 6 SIGABRT\n", "uncaught exception: worker failed\n" },
        { [] { std::terminate(); }, SIGABRT, "Signal: 6 SIGABRT\n", "without an active exception\n" },
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(std::string(test.signal_line) + test.reason_line);
        std::filesystem::remove_all(temp_ + "/Dump");
        int status = RunChild(test.crash);
        EXPECT_TRUE(KilledBy(status, test.signal)) << status;
        std::string dump = OnlyDump();
        EXPECT_NE(dump.find(test.signal_line), std::string::npos) << dump;
        EXPECT_NE(dump.find(test.reason_line), std::string::npos) << dump;
    }
}

TEST_F(RawThreadDumpCrash, AFolderThatIsNotTheUsersOwnIsNotUsed)
{
    std::string elsewhere = temp_ + "/elsewhere";
    ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
    const struct {
        const char* what;
        bool as_link;
    } cases[] = { { "a link to a folder", true }, { "a folder of another user", false } };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        std::filesystem::remove_all(temp_ + "/Dump");
        if (test.as_link) {
            ASSERT_EQ(symlink(elsewhere.c_str(), (temp_ + "/Dump").c_str()), 0);
        } else {
            if (geteuid() != 0)
                GTEST_SKIP() << "only root can make a folder another user owns";
            ASSERT_EQ(mkdir((temp_ + "/Dump").c_str(), 0777), 0);
            ASSERT_EQ(chown((temp_ + "/Dump").c_str(), 4242, 4242), 0);
        }
        int status = RunChild([] { raise(SIGFPE); });
        EXPECT_TRUE(KilledBy(status, SIGFPE)) << status;
        EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
        EXPECT_TRUE(
            std::filesystem::is_symlink(temp_ + "/Dump") || std::filesystem::is_empty(temp_ + "/Dump"));
    }
}

TEST(RawThreadDumpStamp, FormatsCivilDateAndTime)
{
    const struct {
        int64_t seconds;
        const char* stamp;
    } cases[] = {
        { 0, "19700101_000000" },
        { -1, "19691231_235959" },
        { 951786061, "20000229_010101" },
        { 1709251199, "20240229_235959" },
        { 253402300799, "99991231_235959" },
        { -11644473600, "16010101_000000" },
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.stamp);
        char stamp[RawThreadDump::kStampLength];
        RawThreadDump::FormatStamp(stamp, test.seconds);
        EXPECT_EQ(std::string(stamp, sizeof stamp), test.stamp);
    }
}
