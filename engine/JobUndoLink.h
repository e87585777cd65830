#pragma once

// The list behind one level of the undo dialog: the backup sets, or the files of one set. The
// dialog knows the store only through this and JobUndoUnit.

#include <vector>

namespace JobLayer {

class JobUndoUnit;

class JobUndoLink {
public:
    virtual ~JobUndoLink() = default;

    // True for the files of one set, false for the list of sets.
    virtual bool IsFileLevel() const = 0;
    // Returns once the list is complete (the list of sets waits for the loader; the files of a
    // set are always complete).
    virtual void WaitReady() = 0;
    // The rows of the level in list order (sets oldest first, files in their order).
    virtual std::vector<JobUndoUnit*> Units() = 0;
};

} // namespace JobLayer
