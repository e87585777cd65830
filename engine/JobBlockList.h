#pragma once

// The result blocks of the current search in the order they were found. The list owns its
// blocks. Its lock guards the list structure; it is taken after the result set's lock and before
// a block's own lock.

#include <core/RawListR.h>
#include <engine/JobBlockUnit.h>

#include <mutex>

namespace JobLayer {

class JobBlockListAllocator : public RawListAllocator<JobBlockUnit> { };

class JobBlockList : public RawListR<JobBlockListAllocator, JobBlockUnit> {
public:
    JobBlockList() = default;
    // A second handle would share the blocks but not the lock.
    JobBlockList(const JobBlockList&) = delete;
    JobBlockList& operator=(const JobBlockList&) = delete;

    // Clears ACT on every block; takes the list lock, then each block's lock in turn.
    void ClearMarks();

    mutable std::mutex lock;
};

} // namespace JobLayer
