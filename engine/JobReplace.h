#pragma once

// The work of one replace preview, free of any window or thread: announces the start, runs a
// JobReplacer over the shared results until the search is over, and announces the end, turning
// the replacer's reports into notification codes. The desktop program runs it on a background
// unit (GuiReplaceJob); tests and the console front end run it on their own thread.
//
// Locks: see JobReplacer. Nothing here waits for the thread that receives the notifications,
// and no lock is held while a code is posted.

#include <engine/JobNotificationSink.h>
#include <engine/JobParams.h>
#include <engine/JobReplacer.h>
#include <engine/JobResultSet.h>

#include <cstdint>
#include <functional>

namespace JobLayer {

class JobReplace : public JobReplacer::Handler {
public:
    using Check = std::function<bool()>;

    // Every reference must outlive the preview.
    JobReplace(JobParams& params, JobResultSet& results, JobNotificationSink& sink);

    // The thread body. `stop` is polled before each pass and after each block and ends the
    // pass; the preview then still waits, 50 ms at a time, until the search is over.
    // `search_running` says whether a search that will still set FIN is running (see
    // JobReplacer::Run); when it says no and FIN is not set, FIN will never come, and the
    // preview ends after one more pass instead of waiting for ever.
    void Run(const Check& stop, const Check& search_running);

    // --- JobReplacer::Handler --------------------------------------------------------------------
    bool IsCancelled() override;
    void BlockReplaced(int32_t index) override;

private:
    JobParams& params_;
    JobResultSet& results_;
    JobNotificationSink& sink_;
    const Check* stop_ = nullptr; // set while Run runs
};

} // namespace JobLayer
