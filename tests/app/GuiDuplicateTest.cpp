// The duplicate's state file and second process: private unique files in the temporary folder,
// a real child started with "-d PATH" as one argument each, and removal on the receiving side
// only of our own state files.

#include <app/GuiDuplicate.h>
#include <engine/JobResultFile.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "../TestSupport.h"
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace QuelvaneTest {
namespace {

using AppLayer::GuiDuplicate;
using JobLayer::JobBlockUnit;
using JobLayer::JobResultFile;
namespace fs = std::filesystem;

// Waits (bounded) until `done` holds; the child runs on its own time.
template <class Done> bool WaitFor(Done done)
{
    for (int i = 0; i < 1000 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

// Each test has its own temporary folder, with blanks, "$" and quotes in its name so that a
// path handed on through a shell or a word splitter would arrive broken.
class GuiDuplicateTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(root_.Path().empty());
        temp_ = root_.Path() + "/t m $HOME \"q\"";
        ASSERT_TRUE(fs::create_directory(temp_));
        const char* old = std::getenv("TMPDIR");
        had_tmpdir_ = old != nullptr;
        old_tmpdir_ = old != nullptr ? old : "";
        setenv("TMPDIR", temp_.c_str(), 1);
        status_.SetAccepting(true);
        params_.targets.Add(Utf8("/data/src"));
        params_.expressions.Add(Utf8("needle"));
        params_.replacements.Add(Utf8("pin\tx"));
        params_.checker = 4;
        auto* block = new JobBlockUnit();
        block->file_path = Utf8("/data/src/a.txt");
        block->base_path = Utf8("/data/src");
        block->original = Utf8("a needle here");
        block->line_number = 9;
        block->line_end = block->file_line_end = Utf8("\n");
        block->StoreFlags(JobBlockUnit::kChk);
        block->UpdateDisplayTexts();
        results_.blocks.Append(block);
        results_.SetFilesSearched(3);
    }
    void TearDown() override
    {
        if (had_tmpdir_)
            setenv("TMPDIR", old_tmpdir_.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(temp_))
            names.push_back(entry.path().filename().string());
        return names;
    }
    // A stand-in for the program: writes its arguments, one a line, to "args" beside it.
    std::string StandIn() const
    {
        const std::string path = root_.Path() + "/stand-in";
        std::ofstream(path) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.part\" && mv \"$0.part\" \""
                            << root_.Path() << "/args\"\n";
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }
    std::string LastStatus() const { return status_.Entries().back().display.Str(); }

    TestFolder root_;
    std::string temp_;
    bool had_tmpdir_ = false;
    std::string old_tmpdir_;
    JobLayer::JobStatusCentre status_;
    JobLayer::JobParams params_;
    JobLayer::JobResultSet results_;
};

TEST_F(GuiDuplicateTest, StartWritesTheStateAndRunsTheProgramWithDashD)
{
    GuiDuplicate duplicate(status_);
    duplicate.SetProgram(Utf8(StandIn()));
    ASSERT_TRUE(duplicate.Start(params_, results_)) << LastStatus();
    const std::string state = duplicate.StateFile().Str();
    const pid_t child = duplicate.Process();
    EXPECT_GT(child, 0);

    const std::string args = root_.Path() + "/args";
    ASSERT_TRUE(WaitFor([&] { return fs::exists(args); }));
    EXPECT_EQ(ReadFile(args), "-d\n" + state + "\n");
    // The child is reaped by the program itself: no zombie waits for us.
    EXPECT_TRUE(WaitFor([&] { return waitpid(child, nullptr, WNOHANG) < 0 && errno == ECHILD; }));

    struct stat info { };
    ASSERT_EQ(stat(state.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    JobLayer::JobParams loaded;
    JobLayer::JobResultSet loaded_results;
    const JobResultFile::LoadResult load = JobResultFile::Load(Utf8(state), loaded, loaded_results, status_);
    ASSERT_TRUE(load.success);
    EXPECT_TRUE(load.results);
    EXPECT_EQ(Texts(loaded.targets), std::vector<std::string> { "/data/src" });
    EXPECT_EQ(Texts(loaded.replacements), std::vector<std::string> { "pin\tx" });
    EXPECT_EQ(loaded.checker, 4u);
    EXPECT_EQ(loaded_results.FilesSearched(), 3);
    ASSERT_EQ(loaded_results.blocks.Count(), 1);
    EXPECT_EQ(loaded_results.blocks.Front().original.Str(), "a needle here");
    EXPECT_EQ(loaded_results.blocks.Front().line_number, 9);

    // A second duplicate gets a file of its own.
    GuiDuplicate again(status_);
    again.SetProgram(Utf8(StandIn()));
    ASSERT_TRUE(again.Start(params_, results_));
    EXPECT_NE(again.StateFile().Str(), state);
    EXPECT_TRUE(fs::exists(state));
}

TEST_F(GuiDuplicateTest, FailuresBecomeStatusEntriesAndLeaveNoStateFile)
{
    GuiDuplicate duplicate(status_);
    duplicate.SetProgram(Utf8(root_.Path() + "/no-such-program"));
    EXPECT_FALSE(duplicate.Start(params_, results_));
    EXPECT_EQ(status_.Entries().back().text.Str(), "Start error");
    EXPECT_TRUE(duplicate.StateFile().IsEmpty());
    EXPECT_TRUE(Names().empty());

    setenv("TMPDIR", (temp_ + "/missing").c_str(), 1);
    duplicate.SetProgram(Utf8(StandIn()));
    EXPECT_FALSE(duplicate.Start(params_, results_));
    EXPECT_EQ(status_.Entries().back().text.Str(), "Write open error");
    EXPECT_THAT(LastStatus(), testing::HasSubstr(temp_ + "/missing/Quelvane_DupTemp"));
    EXPECT_FALSE(fs::exists(root_.Path() + "/args"));
}

TEST_F(GuiDuplicateTest, TheReceiverRemovesOnlyOurOwnStateFilesAfterLoading)
{
    ASSERT_TRUE(fs::create_directory(temp_ + "/sub"));
    const std::string user_file = root_.Path() + "/mine.txt";
    ASSERT_TRUE(JobResultFile::Save(Utf8(user_file), JobResultFile::Type::Param, params_, results_, status_));
    fs::create_symlink(user_file, temp_ + "/Quelvane_DupTemp.link.txt");
    struct Case {
        const char* what;
        std::string path;
        bool removed;
    };
    const Case cases[] = {
        { "our state file", GuiDuplicate::CreateStateFile(status_).Str(), true },
        { "a name without the prefix", temp_ + "/saved.txt", false },
        { "the prefix in another folder", temp_ + "/sub/Quelvane_DupTemp.txt", false },
        { "a user's file elsewhere", user_file, false },
        { "a link under our name", temp_ + "/Quelvane_DupTemp.link.txt", false },
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.what);
        if (!fs::is_symlink(item.path)) {
            ASSERT_TRUE(
                JobResultFile::Save(Utf8(item.path), JobResultFile::Type::Param, params_, results_, status_));
        }
        JobLayer::JobParams loaded;
        JobLayer::JobResultSet loaded_results;
        EXPECT_TRUE(GuiDuplicate::TakeStateFile(Utf8(item.path), loaded, loaded_results, status_).success);
        EXPECT_EQ(Texts(loaded.expressions), std::vector<std::string> { "needle" });
        EXPECT_EQ(fs::symlink_status(item.path).type() != fs::file_type::not_found, !item.removed);
    }
    EXPECT_TRUE(fs::exists(user_file));
    // A relative path never names a state file, whatever the current folder is.
    EXPECT_FALSE(GuiDuplicate::RemoveStateFile(Utf8("Quelvane_DupTemp.txt")));
}

} // namespace
} // namespace QuelvaneTest
