#pragma once

// The lists of the status centre: every status entry of the process, and the map from the status
// ids stored in a loaded result file to the ids of the entries made again for them, so that
// blocks that shared an entry when saved share one after loading.

#include <core/RawListR.h>
#include <engine/JobStatusUnit.h>

#include <cstdint>
#include <mutex>

namespace JobLayer {

using RawLayer::RawListAllocator;
using RawLayer::RawListR;

class JobStatusListAllocator : public RawListAllocator<JobStatusUnit> { };

// Entries in the order they were added; never removed. Its lock guards the list structure.
class JobStatusList : public RawListR<JobStatusListAllocator, JobStatusUnit> {
public:
    JobStatusList() = default;
    // A second handle would share the entries but not the lock.
    JobStatusList(const JobStatusList&) = delete;
    JobStatusList& operator=(const JobStatusList&) = delete;

    mutable std::mutex lock;
};

struct JobOldStatusUnit {
    uint32_t old_id = 0;
    uint32_t new_id = 0;
};

class JobOldStatusListAllocator : public RawListAllocator<JobOldStatusUnit> { };

// Guarded by the status centre's second lock.
class JobOldStatusList : public RawListR<JobOldStatusListAllocator, JobOldStatusUnit> {
public:
    // The new id recorded for `old_id`; 0 when there is none.
    uint32_t NewIdFor(uint32_t old_id) const;
    // Records (or replaces) the new id of `old_id`.
    void Record(uint32_t old_id, uint32_t new_id);
};

} // namespace JobLayer
