#include <app/GuiSearchJob.h>

namespace AppLayer {

GuiSearchJob::GuiSearchJob(JobLayer::JobParams& params, JobLayer::JobResultSet& results,
    JobLayer::JobNotificationSink& sink, int32_t line_limit, JobLayer::JobStatusCentre& status,
    int32_t threads)
    : search_(params, results, status, sink, line_limit, threads)
{
}

GuiSearchJob::~GuiSearchJob()
{
    StopAndWait();
}

void GuiSearchJob::Run()
{
    search_.Run([this] { return IsStopRequested(); });
}

} // namespace AppLayer
