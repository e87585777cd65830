#include <engine/JobReplace.h>

namespace JobLayer {

JobReplace::JobReplace(JobParams& params, JobResultSet& results, JobNotificationSink& sink)
    : params_(params)
    , results_(results)
    , sink_(sink)
{
}

void JobReplace::Run(const Check& stop, const Check& search_running)
{
    stop_ = &stop;
    sink_.Post(JobNotificationSink::kReplaceStarted);
    JobReplacer replacer(*this, params_);
    replacer.Run(results_, search_running);
    sink_.Post(JobNotificationSink::kReplaceFinished);
    stop_ = nullptr;
}

bool JobReplace::IsCancelled()
{
    return stop_ != nullptr && *stop_ && (*stop_)();
}

void JobReplace::BlockReplaced(int32_t index)
{
    (void)index;
    sink_.Post(JobNotificationSink::kBlockReplaced);
}

} // namespace JobLayer
