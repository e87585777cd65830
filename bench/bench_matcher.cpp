// Matching speed of JobHitCollector on blocks of real text, and of MatchWhole on file names.
//
//   bench_matcher [FOLDER]
//
// Reads up to 64 MB of the text files under FOLDER (default /usr/include), cuts them into blocks
// of one line (two lines for the line-break expression), and prints for each expression the
// MB/s over all blocks and the number of blocks with a result. Then tests every file name
// against "*.c" and "*.h" and prints names per second.

#include <engine/JobMatcher.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace JobLayer;

namespace {

constexpr size_t kMostBytes = 64u << 20;

struct Corpus {
    std::vector<RawString> lines;
    std::vector<RawString> pairs; // each line joined to the next by its line break
    std::vector<RawString> names;
    size_t bytes = 0;
};

Corpus ReadCorpus(const std::filesystem::path& folder)
{
    Corpus corpus;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (error || !it->is_regular_file(error))
            continue;
        corpus.names.emplace_back(it->path().filename().string(), RawLayer::RawEncoding::Utf8);
        if (corpus.bytes >= kMostBytes)
            continue;
        std::ifstream file(it->path(), std::ios::binary);
        std::string line;
        std::string previous;
        while (std::getline(file, line)) {
            corpus.bytes += line.size() + 1;
            corpus.lines.emplace_back(line, RawLayer::RawEncoding::Utf8);
            corpus.pairs.emplace_back(previous + "\n" + line, RawLayer::RawEncoding::Utf8);
            previous = line;
        }
    }
    return corpus;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Time(const char* label, const char* expression, bool ignore_case, const std::vector<RawString>& blocks,
    size_t bytes)
{
    RawLayer::RawStringList expressions;
    expressions.Add(RawString(expression, RawLayer::RawEncoding::Utf8));
    JobHitCollector collector(expressions, ignore_case);
    auto start = std::chrono::steady_clock::now();
    size_t results = 0;
    JobHitMulti hits;
    for (const RawString& block : blocks)
        results += collector.Collect(block, hits) ? 1 : 0;
    double seconds = Seconds(start);
    std::printf(
        "%-22s %-16s %8.1f MB/s %9zu blocks with hits\n", label, expression, bytes / seconds / 1e6, results);
}

} // namespace

int main(int argc, char** argv)
{
    Corpus corpus = ReadCorpus(argc > 1 ? argv[1] : "/usr/include");
    std::printf("%zu lines, %.1f MB\n", corpus.lines.size(), corpus.bytes / 1e6);
    Time("rare literal", "xyzzy_plugh", false, corpus.lines, corpus.bytes);
    Time("common literal", "define", false, corpus.lines, corpus.bytes);
    Time("ignore case", "DEFINE", true, corpus.lines, corpus.bytes);
    Time("literal form", "$struct", false, corpus.lines, corpus.bytes);
    Time("wildcard in a line", "struct*{", false, corpus.lines, corpus.bytes);
    Time("class repetition", "@[0-9]+x", false, corpus.lines, corpus.bytes);
    Time("line break", "{%N}", false, corpus.pairs, corpus.bytes * 2);
    Time("negation", "!e", false, corpus.lines, corpus.bytes);

    JobMatcher c_files(RawString("*.c"));
    JobMatcher h_files(RawString("*.h"));
    auto start = std::chrono::steady_clock::now();
    size_t passed = 0;
    constexpr int kRounds = 20;
    for (int round = 0; round < kRounds; ++round)
        for (const RawString& name : corpus.names)
            passed += c_files.MatchWhole(name) || h_files.MatchWhole(name) ? 1 : 0;
    double seconds = Seconds(start);
    std::printf("%-22s %-16s %8.1f M names/s %6zu of %zu pass\n", "file filter", "*.c;*.h",
        kRounds * corpus.names.size() / seconds / 1e6, passed / kRounds, corpus.names.size());
    return 0;
}
