#pragma once

// A dialog for control tests: it shows its children on the headless host and records every
// notification that reaches its OnNotify (child id and code).

#include <toolkit/WinDialog.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/testing/HostTesting.h>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace QuelvaneTest {

using namespace WinLayer;

class RecordingDialog : public WinDialog {
public:
    struct Report {
        uint16_t id = 0;
        uint32_t code = 0;
        friend bool operator==(const Report&, const Report&) = default;
    };

    // Children in focus order, each at its rectangle.
    void Add(WinView& view, const HostRect& rect)
    {
        view.SetRect(rect);
        children_.push_back(&view);
    }
    bool Open()
    {
        SetRect({ 40, 40, 640, 440 });
        if (!Create(nullptr))
            return false;
        Host::DrainMessages();
        return true;
    }

    void RegisterChildren() override
    {
        for (WinView* view : children_)
            AddChild(*view);
    }
    HostResult OnNotify(WinView* child, uint32_t code) override
    {
        reports.push_back({ child != nullptr ? child->Id() : uint16_t { 0 }, code });
        // Cancel is recorded only: the tests decide when the dialog goes.
        return 0;
    }
    // The codes of the reports, in order.
    std::vector<uint32_t> Codes() const
    {
        std::vector<uint32_t> codes;
        for (const Report& report : reports)
            codes.push_back(report.code);
        return codes;
    }

    std::vector<Report> reports;

private:
    std::vector<WinView*> children_;
};

// A dialog that runs `drive` from a posted message once its window is up: by then its modal run
// has started, and the input `drive` injects goes through that run's loop. Before `drive`,
// Seen() lets a test record what the window looks like. `Self` is the test's own class.
template <class Dialog, class Self> class DrivenDialog : public Dialog {
public:
    static constexpr uint32_t kMsgDrive = HostMsg::kApp + 0x200;

    using Dialog::Dialog;
    std::function<void(Self&)> drive;

    void OnCreated() override
    {
        Dialog::OnCreated();
        Host::PostMessage(this->Window(), kMsgDrive, 0, 0);
    }
    HostResult HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam) override
    {
        if (message != kMsgDrive)
            return Dialog::HandleMessage(message, wparam, lparam);
        Seen();
        if (drive)
            drive(static_cast<Self&>(*this));
        Driven();
        return 0;
    }

protected:
    virtual void Seen() { }
    // After `drive` (a test may end the dialog here).
    virtual void Driven() { }
};

// Starts the headless host once for the whole test program.
class ControlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Host::Start()) << Host::LastError(); }
    void TearDown() override { Host::DrainMessages(); }

    static void Click(WinView& view, HostPoint at = { 6, 6 }, int clicks = 1)
    {
        Host::InjectClick(view.Window(), at, 1, clicks);
        Host::DrainMessages();
    }
    static void Key(uint32_t key, uint32_t modifiers = 0)
    {
        Host::InjectKey(key, modifiers);
        Host::DrainMessages();
    }
};

} // namespace QuelvaneTest
