#pragma once

// The search as the desktop program runs it: a background unit whose thread runs the engine's
// search over the shared parameters and results, polling the unit's stop request and posting its
// codes to the main window's sink. The window starts it after filling the parameters and reads the
// results under their locks when a code arrives.

#include <core/RawThreadUnit.h>
#include <engine/JobNotificationSink.h>
#include <engine/JobParams.h>
#include <engine/JobResultSet.h>
#include <engine/JobSearch.h>
#include <engine/JobStatusCentre.h>

#include <cstdint>

namespace AppLayer {

class GuiSearchJob : public RawLayer::RawThreadUnit {
public:
    // `line_limit` is the configuration's "MaxLineLength"; `status` is the process's centre
    // unless a test brings its own.
    GuiSearchJob(JobLayer::JobParams& params, JobLayer::JobResultSet& results,
        JobLayer::JobNotificationSink& sink, int32_t line_limit,
        JobLayer::JobStatusCentre& status = JobLayer::JobStatusCentre::Instance(), int32_t threads = 0);
    // Run uses the members, so the thread must be gone before they are.
    ~GuiSearchJob() override;

    void Run() override;

private:
    JobLayer::JobSearch search_;
};

} // namespace AppLayer
