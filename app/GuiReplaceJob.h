#pragma once

// The replace preview as the desktop program runs it: a background unit whose thread runs the
// engine's preview over the shared parameters and results, polling the unit's stop request and
// posting its codes to the main window's sink. It runs beside the search job and watches it to
// know whether FIN may still come.

#include <core/RawThreadUnit.h>
#include <engine/JobNotificationSink.h>
#include <engine/JobParams.h>
#include <engine/JobReplace.h>
#include <engine/JobResultSet.h>

namespace AppLayer {

class GuiReplaceJob : public RawLayer::RawThreadUnit {
public:
    // `search` is the unit that runs the search filling `results`. The window must start it
    // before this one: a preview that finds no search running takes it for finished.
    GuiReplaceJob(JobLayer::JobParams& params, JobLayer::JobResultSet& results,
        JobLayer::JobNotificationSink& sink, const RawLayer::RawThreadUnit& search);
    // Run uses the members, so the thread must be gone before they are.
    ~GuiReplaceJob() override;

    void Run() override;

private:
    const RawLayer::RawThreadUnit& search_;
    JobLayer::JobReplace replace_;
};

} // namespace AppLayer
