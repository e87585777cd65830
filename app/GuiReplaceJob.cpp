#include <app/GuiReplaceJob.h>

namespace AppLayer {

GuiReplaceJob::GuiReplaceJob(JobLayer::JobParams& params, JobLayer::JobResultSet& results,
    JobLayer::JobNotificationSink& sink, const RawLayer::RawThreadUnit& search)
    : search_(search)
    , replace_(params, results, sink)
{
}

GuiReplaceJob::~GuiReplaceJob()
{
    StopAndWait();
}

void GuiReplaceJob::Run()
{
    replace_.Run([this] { return IsStopRequested(); }, [this] { return search_.IsRunning(); });
}

} // namespace AppLayer
