#include <engine/JobStatusList.h>

namespace JobLayer {

uint32_t JobOldStatusList::NewIdFor(uint32_t old_id) const
{
    for (const JobOldStatusUnit& unit : *this) {
        if (unit.old_id == old_id)
            return unit.new_id;
    }
    return 0;
}

void JobOldStatusList::Record(uint32_t old_id, uint32_t new_id)
{
    for (JobOldStatusUnit& unit : *this) {
        if (unit.old_id == old_id) {
            unit.new_id = new_id;
            return;
        }
    }
    Emplace(JobOldStatusUnit { old_id, new_id });
}

} // namespace JobLayer
