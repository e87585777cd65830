#pragma once

// The search of one file already opened (or that failed to open): detects its encoding, passes
// it over when it cannot hold a hit (JobPrefilter), else reads it block by block, matches every
// block against the expressions and reports each hit and each block done to a handler. A
// failure is not reported here but handed back, so that whoever keeps the status entries adds
// it in the order the search gives. One file search serves file after file of one thread; its
// buffers are reused.

#include <core/RawEncoding.h>
#include <core/RawString.h>
#include <engine/JobFindHandler.h>
#include <engine/JobLinesFile.h>
#include <engine/JobMatcher.h>
#include <engine/JobParams.h>
#include <engine/JobPrefilter.h>
#include <engine/JobStatusUnit.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace JobLayer {

class JobFileSearch {
public:
    // What a file's search came to.
    struct Outcome {
        RawEncoding encoding = RawEncoding::Utf8; // for FileFinished
        bool binary = false;                      // detected as binary and not read
        bool passed_over = false;                 // no hit possible: not read block by block
        std::optional<JobStatusUnit> failure;     // the error entry that ended the file
    };

    // What every file search of one search shares. `params` is read without its lock (the
    // caller fills it before the search starts); the expressions and ignore-case flag are read
    // once, here; the line count at each file.
    struct Settings {
        const JobParams* params = nullptr;
        int32_t line_limit = 0; // the longest line accepted ("MaxLineLength")
        RawEncoding undecided_encoding = RawEncoding::NoSet;
        bool prefilter_on = true;
    };

    // `settings` is read at every file and must outlive the file search; `limits` bound the
    // matching of one block.
    JobFileSearch(const Settings& settings, const JobMatchLimits& limits);

    // Searches the file open on `fd` (taken over and closed), known as `path`; `fd` below 0 means
    // the open failed with `open_error`. Stops after the current block when the handler asks.
    Outcome Search(int fd, int open_error, const RawString& path, JobFindHandler& handler);

    // Open errors that mean the entry is not there to be read, which pass without an entry.
    static bool IsPassedOver(int error);

private:
    bool PassedOver(JobFindHandler& handler);
    JobPrefilter::FileKind Kind() const;
    int32_t Limit() const;
    bool ReadCandidates(const RawString& path, JobFindHandler& handler, Outcome& outcome);
    // Passes over `lines`, the whole lines from the reader's position on, when none can show
    // anything but progress; false (nothing done) otherwise.
    bool SkipLines(std::string_view lines, JobLineScan::Unit unit, JobFindHandler& handler);
    void ReadBlocks(const RawString& path, JobFindHandler& handler, Outcome& outcome);
    // Reads, matches and reports the next block; false when the file ends there (its end, a
    // failure, a stop).
    bool ReadNextBlock(const RawString& path, JobFindHandler& handler, Outcome& outcome);
    void ReportEnd(const RawString& path, Outcome& outcome);

    const Settings& settings_;
    JobHitCollector collector_;
    JobPrefilter prefilter_;
    JobLinesFile lines_; // one reader for every file, so its buffers are reused
    JobHitMulti hits_;   // replaced on each result; a block without one costs no allocation
    // The file's whole content while it is read from it, and its offset in the file.
    std::optional<std::string_view> content_;
    int64_t content_start_ = 0;
};

} // namespace JobLayer
