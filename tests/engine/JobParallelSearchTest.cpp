#include <engine/JobResultFile.h>
#include <engine/JobSearch.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <tests/TestSupport.h>

using namespace JobLayer;
using QuelvaneTest::Utf8;
namespace fs = std::filesystem;

namespace {

// What one search left behind: its saved "Detail" file (status ids renumbered by first use, as
// ids count through the whole process), its status entries and its notification codes.
struct Outcome {
    std::string detail;
    std::vector<std::string> entries;
    std::vector<uint32_t> codes;
};

// Each test builds one tree and searches it with one thread and with several.
class ParallelSearchTest : public testing::Test, public JobNotificationSink {
protected:
    static constexpr int32_t kLineLimit = 4096;

    void SetUp() override { ASSERT_FALSE(root_.empty()); }

    void Post(uint32_t code) override
    {
        std::lock_guard guard(lock_);
        codes_.push_back(code);
        if (code == JobNotificationSink::kBlockAdded && ++blocks_added_ == stop_after_blocks_)
            stop_.store(true);
    }

    void Write(const std::string& relative, const std::string& bytes)
    {
        fs::path path = root_ + "/" + relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    // Files of very different sizes: many small ones in several folders, two with so many hits
    // that their reports go out in parts, one too large to be read whole, a binary file, a line
    // too long, Shift_JIS and UTF-16 text, and links.
    void MakeTree()
    {
        std::mt19937 random(7);
        const char* words[] = { "needle", "hay", "stack", "Needle", "nedle", "日本", "x" };
        for (int file = 0; file < 240; ++file) {
            std::string text;
            int lines = static_cast<int>(random() % 40);
            for (int line = 0; line < lines; ++line) {
                for (int word = 0; word < 6; ++word)
                    text += std::string(words[random() % 7]) + (word < 5 ? " " : "\n");
            }
            Write("d" + std::to_string(file % 6) + "/s" + std::to_string(file % 3) + "/f"
                    + std::to_string(file) + ".txt",
                text);
        }
        std::string many;
        for (int line = 0; line < 4000; ++line)
            many += "a needle in line " + std::to_string(line) + std::string(250, '.') + " and the hay\n";
        Write("d1/many.txt", many);
        Write("d4/many2.txt", many);
        std::string large(17 * 1024 * 1024, 'h');
        for (size_t at = 4000; at < large.size(); at += 4000)
            large[at] = '\n';
        large.replace(large.size() / 2, 6, "needle");
        Write("d2/large.txt", large);
        Write("d3/binary.bin", std::string("needle\0\0\0\1\2needle", 17));
        Write("d0/long.txt", "needle\n" + std::string(kLineLimit + 10, 'n') + "\nneedle\n");
        Write("d5/sjis.txt", "\x93\xfa\x96\x7b\x8c\xea needle\r\n\x83\x5c\x83\x74\x83\x67 hay\r\n");
        Write("d5/utf16.txt",
            std::string("\xff\xfe"
                        "n\0e\0e\0d\0l\0e\0\n\0\xe5\x65\x2c\x67\n\0",
                22));
        fs::create_symlink(root_ + "/d1/many.txt", root_ + "/d0/link.txt");
        fs::create_symlink(root_ + "/nowhere", root_ + "/d0/dangling.txt");
    }

    Outcome Search(int32_t threads, const std::vector<std::string>& expressions, bool ignore_case)
    {
        JobParams params;
        params.targets.Add(Utf8(root_));
        params.filters.Add("*");
        for (const std::string& expression : expressions)
            params.expressions.Add(Utf8(expression));
        params.ignore_case = ignore_case;
        JobResultSet results;
        JobStatusCentre centre;
        centre.SetAccepting(true);
        codes_.clear();
        blocks_added_ = 0;
        stop_.store(false);
        JobSearch(params, results, centre, *this, kLineLimit, threads).Run([this] { return stop_.load(); });
        Outcome outcome;
        outcome.codes = codes_;
        std::string saved = root_ + ".detail";
        EXPECT_TRUE(JobResultFile::Save(Utf8(saved), JobResultFile::Type::Detail, params, results, centre));
        outcome.detail = RenumberIds(QuelvaneTest::ReadFile(saved));
        fs::remove(saved);
        uint32_t last_id = 0;
        for (const JobStatusUnit& entry : centre.Entries()) {
            outcome.entries.push_back(entry.display.Str());
            EXPECT_GT(entry.id, last_id) << "ids count in the order the entries were added";
            last_id = entry.id;
        }
        return outcome;
    }

    static std::string RenumberIds(std::string detail)
    {
        constexpr std::string_view kKey = "StatusId=";
        std::map<std::string, std::string> numbers { { "0", "0" } };
        for (size_t at = detail.find(kKey); at != std::string::npos; at = detail.find(kKey, at)) {
            at += kKey.size();
            size_t end = detail.find('\r', at);
            std::string id = detail.substr(at, end - at);
            auto [number, added] = numbers.try_emplace(id, std::to_string(numbers.size()));
            detail.replace(at, end - at, number->second);
        }
        return detail;
    }

    QuelvaneTest::TestFolder folder_;
    std::string root_ = folder_.Path();
    std::mutex lock_;
    std::vector<uint32_t> codes_;
    int blocks_added_ = 0;
    int stop_after_blocks_ = -1;
    std::atomic<bool> stop_ { false };
};

TEST_F(ParallelSearchTest, GivesWhatOneThreadGives)
{
    MakeTree();
    struct Case {
        std::vector<std::string> expressions;
        bool ignore_case;
    };
    const Case cases[] = {
        { { "needle" }, false },
        { { "NEEDLE" }, true },
        { { "@ne+dle", "hay" }, false },
        { { "needle%N*hay" }, false },
        { { "日本" }, false },
        { { "hay", "!needle" }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expressions.front());
        Outcome one = Search(1, c.expressions, c.ignore_case);
        Outcome four = Search(4, c.expressions, c.ignore_case);
        EXPECT_EQ(one.detail, four.detail);
        EXPECT_EQ(one.entries, four.entries);
        EXPECT_EQ(one.codes, four.codes);
        EXPECT_NE(one.detail.find("[Found_1]"), std::string::npos);
    }
    Outcome needle = Search(3, { "needle" }, false);
    EXPECT_NE(needle.detail.find("sjis.txt"), std::string::npos);
    EXPECT_NE(needle.detail.find("utf16.txt"), std::string::npos);
    EXPECT_NE(needle.detail.find("large.txt"), std::string::npos);
    EXPECT_NE(std::find_if(needle.entries.begin(), needle.entries.end(),
                  [](const std::string& e) { return e.find("Line overflow [line=2]") == 0; }),
        needle.entries.end());
}

// The "Found_n" sections of a "Detail" file, which come last.
std::string Blocks(const std::string& detail)
{
    size_t at = detail.find("[Found_");
    return at == std::string::npos ? std::string() : detail.substr(at);
}

int ThreadsOfProcess()
{
    return static_cast<int>(
        std::distance(fs::directory_iterator("/proc/self/task"), fs::directory_iterator()));
}

// Stopped after a few blocks: the finish code comes last, the blocks are the first ones a
// one-thread search finds, in its order, and no worker is left.
TEST_F(ParallelSearchTest, StopsWithAPrefixOfTheResults)
{
    MakeTree();
    Outcome whole = Search(1, { "needle" }, false);
    // The sanitizers may start a thread of their own with the first search that has workers, so
    // the count is taken after the first stopped search.
    int threads_after_first = -1;
    for (int after : { 1, 50, 3000 }) {
        SCOPED_TRACE(after);
        stop_after_blocks_ = after;
        Outcome stopped = Search(4, { "needle" }, false);
        if (threads_after_first < 0)
            threads_after_first = ThreadsOfProcess();
        EXPECT_EQ(ThreadsOfProcess(), threads_after_first);
        ASSERT_FALSE(stopped.codes.empty());
        EXPECT_EQ(stopped.codes.back(), JobNotificationSink::kSearchFinished);
        EXPECT_EQ(
            std::count(stopped.codes.begin(), stopped.codes.end(), JobNotificationSink::kSearchFinished), 1);
        std::string blocks = Blocks(stopped.detail);
        EXPECT_FALSE(blocks.empty());
        EXPECT_EQ(Blocks(whole.detail).compare(0, blocks.size(), blocks), 0)
            << "not the first blocks in order";
        EXPECT_LT(stopped.detail.size(), whole.detail.size());
    }
}

} // namespace
