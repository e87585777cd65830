#pragma once

// The order of backup sets: by folder path, unit by unit with "a".."z" read as "A".."Z"; a
// path that is a prefix of the other sorts first. Set folder names are dates, so this is the
// order of the runs.

#include <core/RawListSort.h>
#include <core/RawString.h>
#include <engine/JobBackupUnit.h>

namespace JobLayer {

using RawLayer::RawListSortR;

class JobBackupListSort : public RawListSortR<JobBackupUnit> {
public:
    int CompareTyped(const JobBackupUnit& a, const JobBackupUnit& b) const override;
    static int ComparePaths(const RawString& a, const RawString& b);
};

} // namespace JobLayer
