#pragma once

// The base of the end-to-end tests of quelvane-cli: a fresh temp folder per test, which is also
// the home folder the program sees (so no profile of the user's is read), helpers to write and
// read files in it, and runs of the built program with its output caught.

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/types.h>

namespace QuelvaneCliTest {

// What one run of the program left behind.
struct CliOutcome {
    int status = -1; // the exit status; -1 when the program did not end normally
    std::string out;
    std::string err;
};

class CliFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The folder in which the test's temp folder is made.
    virtual std::filesystem::path TempBase() const { return std::filesystem::temp_directory_path(); }

    // Writes `content` to `name` under the temp folder (folders made as needed); the full path.
    std::string Write(const std::string& name, const std::string& content);
    std::string Path(const std::string& name) const { return root_ / name; }
    static std::string ReadAll(const std::filesystem::path& path);

    // Starts the program with `arguments`, standard output and error going to the files `out`
    // and `err`; the child's pid, or -1.
    pid_t Spawn(const std::vector<std::string>& arguments, const std::string& out, const std::string& err);
    // Runs the program to its end.
    CliOutcome Run(const std::vector<std::string>& arguments);

    std::filesystem::path root_;
};

} // namespace QuelvaneCliTest
