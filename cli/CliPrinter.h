#pragma once

// Receives the reports of a search and prints them as they come: each block as one "Simple"
// line on standard output, each status entry's display text on standard error. It keeps no
// blocks, so memory does not grow with the number of results. When a run keeps its results
// (preview, apply, saves), the printer is only the jobs' notification sink, printing the status
// entries as the jobs report progress, and prints the kept blocks at once with PrintBlocks.

#include <core/RawString.h>
#include <engine/JobFinder.h>
#include <engine/JobNotificationSink.h>
#include <engine/JobResultSet.h>
#include <engine/JobStatusCentre.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

#include <cli/CliOptions.h>

namespace QuelvaneCli {

class CliPrinter : public JobLayer::JobFinder::Handler, public JobLayer::JobNotificationSink {
public:
    // Prints blocks to `out` and the entries of `status` to `err`, names in the form `names`.
    CliPrinter(JobLayer::JobStatusCentre& status, CliOptions::Output output, CliOptions::Names names,
        std::FILE* out, std::FILE* err);

    // The line of a block in a "Simple" listing, without a line end: path "(" line number "):"
    // and the text, or only its first line when the block has more than one. The path is shown
    // escaped (CliShownName), or as its own bytes followed by a zero byte for NullEnded.
    static void AppendSimpleLine(std::string& line, const RawString& path, int64_t line_number,
        const RawString& text, int32_t line_count, CliOptions::Names names);
    // The lines of a replaced text, each led by "=> " and ended by "\n"; an empty text is one
    // empty line.
    static void AppendReplacedLines(std::string& lines, const RawString& replaced);

    // --- JobFinder::Handler ----------------------------------------------------------------------
    void BlockFound(const JobLayer::JobFoundBlock& block, const RawString& file_line_end,
        const JobLayer::JobHitMulti& hits, int32_t line_count) override;
    void FileFinished(const RawString& path, RawLayer::RawEncoding encoding) override;
    void TargetStarted(const RawString& target) override;

    // --- JobNotificationSink: the status centre's and the jobs' ------------------------------------
    // A new entry is only noted here (the centre posts under its own lock, where the entries
    // must not be read); any other code is a job's progress, posted with no lock held, and
    // prints the entries added meanwhile.
    void Post(uint32_t code) override;

    // Prints every block of `results` in list order, each previewed block followed by its
    // replaced text when `show_replaced` is set (a block that overlaps an earlier one of its
    // file is not replaced and shows none), and counts them.
    void PrintBlocks(JobLayer::JobResultSet& results, bool show_replaced);

    // Prints the entries added since the last call.
    void PrintNewEntries() { PrintEntries(true); }
    // The same for entries that do not count as errors of this run (those a loaded result file
    // brings back).
    void PrintEarlierEntries() { PrintEntries(false); }
    // After the search: the last entries, the count when only that is wanted, and the flush.
    void Finish();

    int64_t BlockCount() const { return block_count_; }
    bool HadError() const { return had_error_; }

private:
    void PrintEntries(bool count_errors);

    JobLayer::JobStatusCentre& status_;
    CliOptions::Output output_;
    CliOptions::Names names_;
    std::FILE* out_;
    std::FILE* err_;
    std::string line_; // reused for every block and entry
    int64_t block_count_ = 0;
    int32_t entries_printed_ = 0;
    bool had_error_ = false;
    // Set by the centre (under its own lock, where the entries must not be read), read between
    // files and targets.
    std::atomic<bool> entries_waiting_ { false };
};

} // namespace QuelvaneCli
