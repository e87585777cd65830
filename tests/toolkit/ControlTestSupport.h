#pragma once

// A dialog for control tests: it shows its children on the headless host and records every
// notification that reaches its OnNotify (child id and code).

#include <toolkit/WinDialog.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/testing/HostTesting.h>

#include <cstdint>
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

    std::vector<Report> reports;

private:
    std::vector<WinView*> children_;
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
