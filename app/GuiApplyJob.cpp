#include <app/GuiApplyJob.h>

namespace AppLayer {

GuiApplyJob::GuiApplyJob(const JobLayer::JobParams& params, JobLayer::JobResultSet& results,
    JobLayer::JobNotificationSink& sink, int32_t line_limit, JobLayer::JobBackupList& store,
    JobLayer::JobStatusCentre& status)
    : apply_(params, results, store, status, sink, line_limit)
{
}

GuiApplyJob::~GuiApplyJob()
{
    // The run ignores the stop request; this only waits for it to end.
    StopAndWait();
}

void GuiApplyJob::Run()
{
    succeeded_.store(apply_.Run());
}

} // namespace AppLayer
