#pragma once

// The search of one target, a folder or a file: walks the folder tree, decides by the file
// filters which files to search, reads each file block by block, matches every block against
// the expressions and reports each result, each file's outcome and its progress to a Handler.
// It knows nothing of windows or threads; one finder serves all targets of one search.
//
// What it searches: regular files and symbolic links to them. It does not descend into links
// to folders (no cycles, no escaping the target), and skips dangling links, devices, pipes and
// sockets without opening them (opening a pipe would wait for a writer, a device may act on
// being opened). A file detected as Binary is skipped and counted (BinaryFilesSkipped): it gets
// FileStarted and FileFinished (with Binary) and nothing else, as a search tool that skips
// binary files by default does; its "lines" are arbitrary runs of bytes whose hits would mean
// little, and a rewrite would corrupt it.
//
// The walk goes by descriptors (RawFolderWalk), and each file is opened relative to its
// folder's descriptor, so a tree of any depth is searched whole, however long its paths grow.
// A folder or file that cannot be opened because it may not be read or vanished meanwhile is
// passed over silently; any other reason (no descriptors left, a failing disk) gives an error
// entry "Read open error" (or "Read error" for a listing that broke off) with its path.
//
// Errors: a line too long is reported as "Line overflow [line=N]" with N the 1-based number of
// the line that overflowed (for blocks of several lines, that line, not the first line of the
// block that would have held it). A block whose matching runs out of its step budget ends the
// file with "Expression too complex [line=N]" (N the block's first line) and FileFailed; the
// search goes on with the next file.
//
// Files that cannot hold a hit are passed over after one look at their bytes (JobPrefilter),
// without being split into blocks: they get the same reports as when they are read (their
// blocks done included), and a file the reader would report anything else for is read.

#include <core/RawEncoding.h>
#include <core/RawFolderWalk.h>
#include <core/RawString.h>
#include <engine/JobFileSearch.h>
#include <engine/JobFindHandler.h>
#include <engine/JobMatcher.h>
#include <engine/JobParams.h>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace JobLayer {

class JobSearchPool;
class JobStatusCentre;

class JobFinder {
public:
    using Handler = JobFindHandler;

    // `params` is read without its lock: the caller fills it before it builds the finder. The
    // filters, expressions and ignore-case flag are read here, once; the line count is read
    // for every file. `status` receives the entries for missing targets and read errors.
    // `line_limit` is the longest line accepted ("MaxLineLength"). `limits` bound the matching
    // of one block: its step budget, and a stop flag polled inside a long match. With `threads`
    // above 1 the files of a folder target are read and matched on that many worker threads
    // (JobSearchPool); the reports are the same, in the same order, as with one.
    JobFinder(Handler& handler, const JobParams& params, JobStatusCentre& status, int32_t line_limit,
        const JobMatchLimits& limits = {}, int32_t threads = 1);
    ~JobFinder();
    JobFinder(const JobFinder&) = delete;
    JobFinder& operator=(const JobFinder&) = delete;

    // Whether files that cannot hold a hit are passed over without being read block by block
    // (the default), or every file is read: the two give the same reports.
    enum class Prefilter : uint8_t { On, Off };
    void SetPrefilter(Prefilter prefilter) { settings_.prefilter_on = prefilter == Prefilter::On; }

    // The encoding of files whose content does not decide one (plain ASCII); NoSet, the
    // locale's codeset, unless set.
    void SetUndecidedEncoding(RawEncoding encoding) { settings_.undecided_encoding = encoding; }

    // Searches `target` completely, reporting through the handler.
    void Search(const RawString& target);

    // Whether `path` (with its file name `name`) passes the file filters. Not const: the
    // matchers keep the state of their last call.
    bool PassesFilters(const RawString& path, const RawString& name);

    // The files of the searches so far that were detected as binary and not read.
    int64_t BinaryFilesSkipped() const { return binary_files_; }
    // The files of the searches so far that were passed over without being read block by block.
    int64_t FilesPassedOver() const { return passed_over_files_; }

private:
    // One file filter, read into matchers once. A name filter has one matcher for the whole
    // name; a path filter has one per segment, the last segment first.
    struct Filter {
        bool is_path = false;
        std::vector<JobMatcher> segments;
    };

    // Whether a file that is a symbolic link is opened through it.
    enum class Following : uint8_t { None, Links };

    static Filter MakeFilter(const RawString& filter, const JobMatchLimits& limits);
    static bool MatchesPath(Filter& filter, const RawString& path);
    bool PassesFilters(std::string_view name, std::string_view path);
    bool IsStopRequested();
    void Walk(const RawString& folder);
    // Searches the file `name` of the folder `folder_fd`, known as `path`.
    void SearchFile(int folder_fd, const char* name, Following following, const RawString& path);
    // Reports the end of a file's search: its failure, its count, FileFinished.
    void FileEnded(const RawString& path, JobFileSearch::Outcome& outcome);
    void ReportUnreadable(int state, int error, const RawString& path);

    Handler& handler_;
    JobStatusCentre& status_;
    JobMatchLimits limits_;
    int32_t threads_;
    JobFileSearch::Settings settings_;
    std::vector<Filter> filters_;
    JobFileSearch file_search_;           // for one thread, and for a file named as a target
    std::unique_ptr<JobSearchPool> pool_; // while a folder is walked with several threads
    RawLayer::RawFolderWalk walk_;
    // The entry being looked at, reused from entry to entry.
    RawString entry_name_;
    RawString entry_path_;
    int64_t binary_files_ = 0;
    int64_t passed_over_files_ = 0;
};

} // namespace JobLayer
