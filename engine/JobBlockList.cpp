#include <engine/JobBlockList.h>

namespace JobLayer {

void JobBlockList::ClearMarks()
{
    std::lock_guard guard(lock);
    for (JobBlockUnit& block : *this)
        block.ClearFlags(JobBlockUnit::kAct);
}

} // namespace JobLayer
