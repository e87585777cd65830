#pragma once

// What a search reports to whoever receives its results (the search job, the console printer,
// a test's recorder). Every operation has an empty default. The operations are called from one
// thread only, the thread that runs the search, in the order a walk of the tree gives, however
// many threads read the files.

#include <core/RawEncoding.h>
#include <core/RawString.h>
#include <engine/JobBlockUnit.h>
#include <engine/JobHitMulti.h>

#include <cstdint>

namespace JobLayer {

using RawLayer::RawEncoding;

class JobFindHandler {
public:
    virtual ~JobFindHandler() = default;
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
    // The blocks from `first` to `first + count - 1`, passed over without being read; by
    // default BlockDone for each, stop polled before each.
    virtual void BlocksDone(int64_t first, int64_t count)
    {
        for (int64_t index = first; index < first + count && !IsStopRequested(); ++index)
            BlockDone(index);
    }
    // After the last block of a file whose reading ended in an error, with the id of the
    // status entry that describes it.
    virtual void FileFailed(const RawString& path, uint32_t status_id) { (void)path, (void)status_id; }
};

} // namespace JobLayer
