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
#include <engine/JobBlockUnit.h>
#include <engine/JobHitMulti.h>
#include <engine/JobLinesFile.h>
#include <engine/JobMatcher.h>
#include <engine/JobParams.h>
#include <engine/JobPrefilter.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace JobLayer {

class JobStatusCentre;
class JobStatusUnit;

class JobFinder {
public:
    // Receives what the search finds; every operation has an empty default.
    class Handler {
    public:
        virtual ~Handler() = default;
        // Polled before each target, each folder entry and each block.
        virtual bool IsStopRequested() { return false; }
        // A block in which every expression matched. `file_line_end` is the line end of the
        // file's first line that has one (empty when none was seen yet).
        virtual void BlockFound(const JobFoundBlock& block, const RawString& file_line_end,
            const JobHitMulti& hits, int32_t line_count)
        {
            (void)block, (void)file_line_end, (void)hits, (void)line_count;
        }
        // Once per searched file, last; the encoding found for it (Utf8 when none).
        virtual void FileFinished(const RawString& path, RawEncoding encoding) { (void)path, (void)encoding; }
        // Before each target (called by the search job, not by the finder).
        virtual void TargetStarted(const RawString& target) { (void)target; }
        // On entering every folder; depth 0 is the target folder.
        virtual void FolderEntered(const RawString& folder, int32_t depth) { (void)folder, (void)depth; }
        // When a file passed the filters, before it is opened.
        virtual void FileStarted(const RawString& path) { (void)path; }
        // After every block, hit or not: the 0-based index of its first line.
        virtual void BlockDone(int64_t index) { (void)index; }
        // After the last block of a file whose reading ended in an error, with the id of the
        // status entry that describes it.
        virtual void FileFailed(const RawString& path, uint32_t status_id) { (void)path, (void)status_id; }
    };

    // `params` is read without its lock: the caller fills it before it builds the finder. The
    // filters, expressions and ignore-case flag are read here, once; the line count is read
    // for every file. `status` receives the entries for missing targets and read errors.
    // `line_limit` is the longest line accepted ("MaxLineLength"). `limits` bound the matching
    // of one block: its step budget, and a stop flag polled inside a long match.
    JobFinder(Handler& handler, const JobParams& params, JobStatusCentre& status, int32_t line_limit,
        const JobMatchLimits& limits = {});

    // Whether files that cannot hold a hit are passed over without being read block by block
    // (the default), or every file is read: the two give the same reports.
    enum class Prefilter : uint8_t { On, Off };
    void SetPrefilter(Prefilter prefilter) { prefilter_on_ = prefilter == Prefilter::On; }

    // The encoding of files whose content does not decide one (plain ASCII); NoSet, the
    // locale's codeset, unless set.
    void SetUndecidedEncoding(RawEncoding encoding) { undecided_encoding_ = encoding; }

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
    // Open errors that mean the entry is not there to be read, which pass without an entry.
    static bool IsPassedOver(int error);
    bool PassesFilters(std::string_view name, std::string_view path);
    void Walk(const RawString& folder);
    // Searches the file `name` of the folder `folder_fd`, known as `path`.
    void SearchFile(int folder_fd, const char* name, Following following, const RawString& path);
    bool PassedOver();
    void ReadBlocks(const RawString& path);
    void ReportFailure(const RawString& path, const JobStatusUnit& entry);
    void ReportUnreadable(int state, int error, const RawString& path);

    Handler& handler_;
    const JobParams& params_;
    JobStatusCentre& status_;
    int32_t line_limit_;
    RawEncoding undecided_encoding_ = RawEncoding::NoSet;
    std::vector<Filter> filters_;
    JobHitCollector collector_;
    JobPrefilter prefilter_;
    bool prefilter_on_ = true;
    JobLinesFile lines_; // one reader for every file, so its buffers are reused
    RawLayer::RawFolderWalk walk_;
    // The entry being looked at, reused from entry to entry.
    RawString entry_name_;
    RawString entry_path_;
    int64_t binary_files_ = 0;
    int64_t passed_over_files_ = 0;
};

} // namespace JobLayer
