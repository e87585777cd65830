// The search job as the desktop program runs it, on its own thread with a stop check:
//
//   bench_search_job [TREE]
//
// 1. Stop: searches TREE (default /usr) for a common word, asks it to stop after 100, 200 and
//    300 ms, and prints the time from the request to the finish notification (goal: 50 ms).
// 2. Memory: searches a made-up tree that gives 100,000 result blocks and prints what the result
//    set holds per block beyond the block's text (goal: 200 bytes), from the heap in use before
//    and after.

#include <engine/JobResultSet.h>
#include <engine/JobSearch.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchTiming.h"
#include <malloc.h>
#include <unistd.h>

using namespace JobLayer;
using BenchTiming::Clock;

namespace {

// Notes when the finish code comes.
class FinishSink : public JobNotificationSink {
public:
    void Post(uint32_t code) override
    {
        if (code == kSearchFinished)
            finished_at = Clock::now();
    }
    Clock::time_point finished_at;
};

void SetParams(JobParams& params, const std::string& target, const char* expression)
{
    params.targets.Add(RawString(target, RawEncoding::Utf8));
    params.filters.Add("*");
    params.expressions.Add(RawString(expression, RawEncoding::Utf8));
}

// Milliseconds from the stop request to the finish notification; negative when the search
// ended before the request.
double StopDelay(const std::string& tree, int delay_ms)
{
    JobParams params;
    SetParams(params, tree, "e");
    JobResultSet results;
    JobStatusCentre status;
    FinishSink sink;
    std::atomic<bool> stop { false };
    JobSearch search(params, results, status, sink, 16384);
    std::thread runner([&] { search.Run([&] { return stop.load(); }); });
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    Clock::time_point asked = Clock::now();
    stop.store(true);
    runner.join();
    return sink.finished_at < asked
        ? -1.0
        : std::chrono::duration<double, std::milli>(sink.finished_at - asked).count();
}

// The heap bytes in use in every arena: the resident size would also count what the search's
// threads left free in their arenas.
int64_t HeapBytes()
{
    return static_cast<int64_t>(mallinfo2().uordblks);
}

// 100 files of 1,000 lines, each line a hit.
std::string MakeTree()
{
    std::string root
        = std::filesystem::temp_directory_path() / ("quelvane-bench-blocks-" + std::to_string(getpid()));
    std::filesystem::create_directories(root);
    for (int file = 0; file < 100; ++file) {
        std::ofstream out(root + "/file" + std::to_string(file) + ".txt");
        for (int line = 0; line < 1000; ++line)
            out << "a needle in line " << line << " of file " << file << "\n";
    }
    return root;
}

void MeasureBlocks()
{
    std::string root = MakeTree();
    JobParams params;
    SetParams(params, root, "needle");
    JobStatusCentre status;
    FinishSink sink;
    auto results = std::make_unique<JobResultSet>();
    int64_t before = HeapBytes();
    JobSearch(params, *results, status, sink, 16384).Run([] { return false; });
    int64_t after = HeapBytes();
    int64_t blocks = 0, text = 0;
    {
        std::lock_guard guard(results->blocks.lock);
        for (const JobBlockUnit& block : results->blocks) {
            ++blocks;
            text += block.original.Length();
        }
    }
    std::printf("memory: %lld blocks, %lld bytes of text, %.0f bytes per block beyond the text (goal 200)\n",
        static_cast<long long>(blocks), static_cast<long long>(text),
        static_cast<double>(after - before - text) / static_cast<double>(blocks));
    std::filesystem::remove_all(root);
}

} // namespace

int main(int argc, char** argv)
{
    std::string tree = argc > 1 ? argv[1] : "/usr";
    std::printf("cores: %u\n", std::thread::hardware_concurrency());
    for (int delay : { 100, 200, 300 }) {
        std::vector<double> delays;
        for (int run = 0; run < 5; ++run)
            delays.push_back(StopDelay(tree, delay));
        std::printf(
            "stop after %d ms: finished %.1f ms after the request (median of 5; worst %.1f; goal 50)\n",
            delay, BenchTiming::Median(delays), *std::max_element(delays.begin(), delays.end()));
    }
    MeasureBlocks();
    return 0;
}
