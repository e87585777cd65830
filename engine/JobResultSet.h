#pragma once

// The results of the current search, shared by the window thread and the search, replace and
// apply jobs: the found blocks, what is being searched, and the counters shown while it runs.
//
// Lock order: the result set's `lock`, then `blocks.lock`, then a block's own lock. Every member
// function takes the locks it needs itself, so none may be called while holding `lock` or
// `blocks.lock`. Code that walks the blocks (the result list, the replace and apply jobs, result
// files) takes `lock` and then `blocks.lock` directly.

#include <core/RawString.h>
#include <engine/JobBlockList.h>
#include <engine/JobBlockUnit.h>
#include <engine/JobHitMulti.h>

#include <cstdint>
#include <mutex>

namespace JobLayer {

class JobResultSet {
public:
    enum Flag : uint16_t {
        kStt = 1, // a search has been started
        kFin = 2, // the search has finished
    };

    JobResultSet() = default;
    JobResultSet(const JobResultSet&) = delete;
    JobResultSet& operator=(const JobResultSet&) = delete;

    uint16_t Flags() const;
    bool HasFlag(uint16_t flags) const;
    void SetFlags(uint16_t flags);
    void ClearFlags(uint16_t flags);

    // Back to the state before any search: no flags, no blocks, empty texts, counters 0. Rows
    // of the result list that point at blocks must be gone before.
    void Reset();

    // The target being searched (the base path of the blocks found under it) and the target or
    // folder shown as being searched.
    RawString CurrentTarget() const;
    RawString CurrentFolder() const;
    // Current target and current folder both become `target`.
    void StartTarget(const RawString& target);
    void SetCurrentFolder(const RawString& folder);

    int32_t FilesSearched() const;
    void AddFileSearched();
    // Sets the count at once (a result file read back).
    void SetFilesSearched(int32_t count);
    uint8_t BlockTick() const;
    // Counts one processed block; true when the tick wraps to 0 (every 256 blocks).
    bool AdvanceBlockTick();
    // Counts `count` processed blocks; how often the tick wrapped to 0 meanwhile.
    int64_t AdvanceBlockTicks(int64_t count);

    // --- Steps of the search that change blocks (result set lock, then list lock) ---------------
    // Appends a new block filled from `found` with the current target as its base path. Called
    // by the search thread, the one that changes the current target.
    JobBlockUnit& AddFoundBlock(const JobFoundBlock& found, const RawString& file_line_end_seen,
        const JobHitMulti& hits, int32_t block_line_count);
    // The reader finished `path`: the newest blocks of that file (walking back while the path
    // matches) take the encoding it detected.
    void SetFileEncoding(const RawString& path, RawEncoding encoding);
    // Reading `path` failed after blocks were found: those blocks lose CHK and get LNG, UPD and
    // `status_id`. Returns how many blocks were marked.
    int32_t MarkFileFailed(const RawString& path, uint32_t status_id);

    mutable std::mutex lock; // guards the flags, the texts and the counters
    JobBlockList blocks;     // with its own lock for the list structure

private:
    uint16_t flags_ = 0;
    RawString current_target_;
    RawString current_folder_;
    int32_t files_searched_ = 0;
    uint8_t block_tick_ = 0;
    // The file of the newest block and its display name, which the blocks after it of the same
    // file share; only the search thread uses them.
    RawString last_path_;
    RawString last_base_;
    RawString last_display_;
};

} // namespace JobLayer
