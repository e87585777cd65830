#pragma once

// The files an apply run prepares together. Their backups are all synced and recorded before
// any of them is replaced, and each folder is synced once after the last rename, so a batch
// pays for the syncs of many files at once.
//
// The files of a batch are prepared at the same time, in any order. A file joins a batch only
// when nothing it does can depend on another file of it, so that preparing them together gives
// what preparing them one after the other gives:
//   - no two are one file (same device and inode): the second name is passed over when the
//     first was replaced, and rewritten again when it failed;
//   - no two look up a common name in the set folder, neither for their copies nor for the
//     copies' temporary files: which name a copy gets depends on the copies made before it;
//   - while the run removes stale temporary files, a file that could be taken for one (its name
//     ends in ".tmp") or a link (whose target's name is unknown here) is prepared alone.
// A file turned away starts the next batch.
//
// Size: at most kMaxFiles files and about kMaxBytes bytes of them. Each batch costs the same
// three or four folder and record syncs whatever its size, and the more syncs of files are in
// flight at once the fewer flushes of the disk's cache serve them: a hundred files or so make
// the batch's own syncs a small share. A batch keeps two descriptors per file open from its
// preparing to its syncs, well below the usual limit of 1024, and a stop waits for the batch
// being written: the bytes bound keeps a batch of large files from holding it back for long.

#include <core/RawString.h>
#include <engine/JobApplyFile.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace JobLayer {

class JobApplyBatch {
public:
    static constexpr int32_t kMaxFiles = 128;
    static constexpr int64_t kMaxBytes = int64_t { 32 } << 20;

    // `set_folder` is empty when the run makes no copies; `stale_cleanup` whether it removes
    // stale temporary files beside the files it rewrites.
    JobApplyBatch(const RawString& set_folder, bool stale_cleanup);

    // Names the copy of `file` and takes the file, unless it may not join (see above); then it
    // stays with the caller for the next batch. An empty batch takes every file.
    [[nodiscard]] bool Take(std::unique_ptr<JobApplyFile>& file);
    bool IsFull() const;
    bool IsEmpty() const { return files_.empty(); }
    const std::vector<std::unique_ptr<JobApplyFile>>& Files() const { return files_; }
    void Clear();

private:
    RawString set_folder_;
    bool stale_cleanup_;
    std::vector<std::unique_ptr<JobApplyFile>> files_;
    std::set<std::pair<dev_t, ino_t>> identities_;
    std::set<std::string, std::less<>> names_; // the copies' names and their temporary names
    int64_t bytes_ = 0;
    bool alone_ = false; // the batch holds a file prepared alone
};

} // namespace JobLayer
