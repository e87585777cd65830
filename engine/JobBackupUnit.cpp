#include <engine/JobBackupUnit.h>

namespace JobLayer {

JobBackupUnit::JobBackupUnit(int32_t origin, const RawString& folder)
    : origin_(origin)
    , folder_(folder)
{
    items_.SetFolder(folder);
}

bool JobBackupUnit::Restore()
{
    bool all = true;
    for (JobBackupItemUnit& item : items_)
        all = item.Restore() && all;
    return all;
}

} // namespace JobLayer
