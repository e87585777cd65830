#pragma once

// Where engine code reports progress: the main window's queue, a console printer, a test's
// recorder. Post may be called from any thread and must not block on the receiver.

#include <cstdint>

namespace JobLayer {

class JobNotificationSink {
public:
    // The codes the jobs post.
    enum Code : uint32_t {
        kSearchStarted = 0x1111,
        kSearchFinished = 0x1112,
        kReplaceStarted = 0x1113,
        kReplaceFinished = 0x1114,
        kBlockReplaced = 0x1115,
        kApplyStarted = 0x1116,
        kApplyFinished = 0x1117,
        kBlockAdded = 0x1118,
        kFileFinished = 0x1119,
        kFolderChanged = 0x111A,
        kFileCountChanged = 0x111B,
        kBlocksProcessed = 0x111C,
        kBlocksFailed = 0x111D,
        kStatusAdded = 0x111E,
    };

    virtual ~JobNotificationSink() = default;
    virtual void Post(uint32_t code) = 0;
};

} // namespace JobLayer
