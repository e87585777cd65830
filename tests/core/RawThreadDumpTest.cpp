#include <core/RawThreadDump.h>
#include <core/RawThreadUnit.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tests/TestSupport.h>
#include <unistd.h>

using namespace RawLayer;

namespace {

namespace fs = std::filesystem;

// The page the fault case writes to; mapped by the parent so the child has it at the same place.
void* protected_page = nullptr;

// Grows the stack until it overflows; the limit only keeps the compiler from calling it endless.
volatile int recursion_limit = 1 << 30;
int Recurse(int depth)
{
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    return depth == recursion_limit ? frame[0] : Recurse(depth + 1) + frame[0];
}

class ThrowingUnit : public RawThreadUnit {
public:
    ~ThrowingUnit() override { StopAndWait(); }
    void Run() override { throw std::runtime_error("worker failed"); }
};

class RawThreadDumpCrash : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(temp_.empty()); }

    // Runs `crash` in a child process that installs the dump handler with TMPDIR set to the
    // test's folder, and tells whether the child ended by `signal`. The child makes no core file.
    bool ChildDiesOf(void (*crash)(), int signal) const
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
        return WIFSIGNALED(status) && WTERMSIG(status) == signal;
    }

    QuelvaneTest::TestFolder folder_;
    const std::string& temp_ = folder_.Path();
};

TEST_F(RawThreadDumpCrash, EachKindOfCrashWritesAPrivateDumpAndStillEndsTheProcess)
{
    protected_page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(protected_page, MAP_FAILED);
    char address[32];
    std::snprintf(
        address, sizeof address, "Address: 0x%016lx\n", reinterpret_cast<unsigned long>(protected_page));
    // An exception escaping a worker's Run ends in terminate, whose abort writes no second dump.
    // The overflow needs the signal stack each guarded thread gets.
    const struct {
        void (*crash)();
        int signal;
        std::string lines;
    } cases[] = {
        { [] { *static_cast<volatile char*>(protected_page) = 1; }, SIGSEGV,
            std::string("Signal: 11 SIGSEGV\nReason: fault\n") + address },
        { [] { (void)Recurse(0); }, SIGSEGV, "Signal: 11 SIGSEGV\n" },
        { [] { (void)ThrowingUnit().Start(); }, SIGABRT, // the unit waits for its worker as it goes
            "Signal: 6 SIGABRT\nReason: std::terminate called for an uncaught exception: worker failed\n" },
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.lines);
        fs::remove_all(temp_ + "/Dump");
        time_t before = time(nullptr);
        EXPECT_TRUE(ChildDiesOf(test.crash, test.signal));
        time_t after = time(nullptr);
        std::vector<fs::path> files(fs::directory_iterator(temp_ + "/Dump"), {});
        ASSERT_EQ(files.size(), 1U);
        EXPECT_EQ(fs::status(temp_ + "/Dump").permissions(), fs::perms::owner_all);
        EXPECT_EQ(fs::status(files[0]).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        std::stringstream content;
        content << std::ifstream(files[0]).rdbuf();
        std::string dump = content.str();
        EXPECT_EQ(dump.find("Quelvane crash dump\n"), 0U) << dump;
        EXPECT_NE(dump.find(test.lines), std::string::npos) << dump;
        EXPECT_NE(dump.find("[0x", dump.find("Backtrace:\n")), std::string::npos) << dump; // a frame
        // Named by the local time of a second the crash may have happened in.
        std::string name = files[0].filename().string();
        bool named_by_the_crash_time = false;
        for (time_t second = before; second <= after; ++second) {
            tm local {};
            localtime_r(&second, &local);
            char expected[64];
            std::strftime(expected, sizeof expected, "Quelvane_%Y%m%d_%H%M%S.dmp", &local);
            named_by_the_crash_time = named_by_the_crash_time || name == expected;
        }
        EXPECT_TRUE(named_by_the_crash_time) << name;
    }
    munmap(protected_page, 4096);
}

TEST_F(RawThreadDumpCrash, AFolderThatIsNotTheUsersOwnIsNotUsed)
{
    std::string elsewhere = temp_ + "/elsewhere";
    std::string dump_folder = temp_ + "/Dump";
    fs::create_directory(elsewhere);
    for (bool as_link : { true, false }) {
        fs::remove_all(dump_folder);
        if (as_link) {
            fs::create_directory_symlink(elsewhere, dump_folder);
        } else {
            if (geteuid() != 0)
                GTEST_SKIP() << "only root can make a folder another user owns";
            fs::create_directory(dump_folder);
            ASSERT_EQ(chown(dump_folder.c_str(), 4242, 4242), 0);
        }
        EXPECT_TRUE(ChildDiesOf([] { raise(SIGFPE); }, SIGFPE)) << as_link;
        EXPECT_TRUE(fs::is_empty(elsewhere));
        EXPECT_TRUE(fs::is_symlink(dump_folder) || fs::is_empty(dump_folder)) << as_link;
    }
}

TEST(RawThreadDumpStamp, FormatsCivilDateAndTime)
{
    const std::pair<int64_t, const char*> cases[] = { { 0, "19700101_000000" }, { -1, "19691231_235959" },
        { 951786061, "20000229_010101" }, { 1709251199, "20240229_235959" },
        { 253402300799, "99991231_235959" }, { -11644473600, "16010101_000000" } };
    for (const auto& [seconds, expected] : cases) {
        char stamp[RawThreadDump::kStampLength];
        RawThreadDump::FormatStamp(stamp, seconds);
        EXPECT_EQ(std::string(stamp, sizeof stamp), expected);
    }
}

} // namespace
