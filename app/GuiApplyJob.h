#pragma once

// The apply as the desktop program runs it: a background unit whose thread runs the engine's
// apply over the shared parameters and results and posts its codes to the main window's sink.
// Once started it runs to its end; a stop request does not cut a run short, because every file
// it starts is either replaced whole or left as it was.

#include <core/RawThreadUnit.h>
#include <engine/JobApply.h>
#include <engine/JobBackupList.h>
#include <engine/JobNotificationSink.h>
#include <engine/JobParams.h>
#include <engine/JobResultSet.h>
#include <engine/JobStatusCentre.h>

#include <atomic>
#include <cstdint>

namespace AppLayer {

class GuiApplyJob : public RawLayer::RawThreadUnit {
public:
    // `line_limit` is the configuration's "MaxLineLength"; `store` and `status` are the process's
    // own unless a test brings its own.
    GuiApplyJob(const JobLayer::JobParams& params, JobLayer::JobResultSet& results,
        JobLayer::JobNotificationSink& sink, int32_t line_limit,
        JobLayer::JobBackupList& store = JobLayer::JobBackupList::Instance(),
        JobLayer::JobStatusCentre& status = JobLayer::JobStatusCentre::Instance());
    // Run uses the members, so the thread must be gone before they are.
    ~GuiApplyJob() override;

    void Run() override;

    // The files the run has begun writing (any thread).
    int32_t FilesBegun() const { return apply_.FilesBegun(); }

    // Whether the last run ended without a failed file.
    bool Succeeded() const { return succeeded_.load(); }

private:
    JobLayer::JobApply apply_;
    std::atomic<bool> succeeded_ { false };
};

} // namespace AppLayer
