// A job thread reaches a dialog only by looking it up and posting to it, while the user-interface
// thread creates, blocks and destroys windows. Also built under ThreadSanitizer.

#include <toolkit/WinDialog.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/testing/HostTesting.h>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

namespace WinLayer {
namespace {

constexpr uint32_t kMsgJobDone = HostMsg::kApp + 0x200;
constexpr uint16_t kNotifyJob = 0x1111;

class JobDialog : public WinDialog {
public:
    JobDialog() { SetRect({ 100, 100, 400, 300 }); }
    HostResult OnNotify(WinView* child, uint32_t code) override
    {
        if (code == kNotifyJob)
            ++job_notices;
        return WinDialog::OnNotify(child, code);
    }
    HostResult HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam) override
    {
        if (message == kMsgJobDone) {
            EndDialog(this);
            return 0;
        }
        if (message == HostMsg::kTimer) {
            EndDialog(nullptr);
            return 0;
        }
        return WinDialog::HandleMessage(message, wparam, lparam);
    }
    void OnCreated() override
    {
        if (on_created)
            on_created();
    }

    std::function<void()> on_created;
    int job_notices = 0;
};

TEST(WinJobThread, AJobFindsTheBlockedOwnerAndPostsToItAndToItsModalChild)
{
    ASSERT_TRUE(Host::Start()) << Host::LastError();
    {
        JobDialog owner;
        JobDialog modal;
        std::atomic<bool> give_up = false;
        std::atomic<HostHandle> seen_owner = 0;
        std::atomic<HostHandle> seen_modal = 0;
        // The job starts before any window exists and walks the root dialogs as a job would:
        // their windows and modal state, read while the user-interface thread makes them.
        std::thread job([&] {
            while (seen_modal == 0 && !give_up) {
                for (WinView* view : WinDialog::Roots().Snapshot()) {
                    const HostHandle window = view->Window();
                    const HostHandle child = view->ModalChild();
                    if (window != 0 && child != 0) {
                        seen_owner = window;
                        seen_modal = child;
                    }
                }
                std::this_thread::yield();
            }
            if (seen_modal == 0)
                return;
            Host::PostMessage(seen_owner, HostMsg::kCommand, HostMakeWParam(0, kNotifyJob), 0);
            Host::PostMessage(seen_modal, kMsgJobDone, 0, 0);
        });
        ASSERT_TRUE(owner.Create(nullptr));
        // A safety net: if the job never sees the modal child, the dialog ends after 5 s.
        modal.on_created = [&] { Host::SetTimer(modal.Window(), 1, 5000); };
        void* result = modal.ShowModal(&owner);
        give_up = true;
        job.join();
        EXPECT_EQ(result, &modal) << "the job's message ended the modal run";
        EXPECT_EQ(seen_owner.load(), owner.Window());
        Host::DrainMessages();
        EXPECT_EQ(owner.job_notices, 1) << "the blocked owner still hears its jobs";
        EXPECT_EQ(owner.ModalChild(), 0u);
        owner.EndDialog(nullptr);
        Host::DrainMessages();
    }
    Host::Stop();
}

} // namespace
} // namespace WinLayer
