#pragma once

// A started host for each test, windows made with one call, and a window procedure that records
// every message it gets and can answer some of them.

#include <toolkit/host/HostEvent.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/testing/HostTesting.h>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

#include <gtest/gtest.h>

namespace HostTest {

using namespace WinLayer;

struct Received {
    HostHandle window = 0;
    uint32_t message = 0;
    HostWParam wparam = 0;
    HostLParam lparam = 0;
};

class RecordingProc : public HostWindowProc {
public:
    // Answers a message; kHostNotHandled leaves it to the default handling.
    std::function<HostResult(HostHandle, uint32_t, HostWParam, HostLParam)> answer;
    // Windows that fill their client area with a colour when painted.
    std::map<HostHandle, RawColour> fill;
    std::vector<Received> log;

    HostResult WindowProc(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam) override
    {
        log.push_back({ window, message, wparam, lparam });
        if (message == HostMsg::kPaint && fill.contains(window)) {
            Host::Decode(window, message, wparam, lparam)
                .painter->FillRect(Host::ClientRect(window), fill[window]);
            return 0;
        }
        if (answer)
            return answer(window, message, wparam, lparam);
        return kHostNotHandled;
    }

    // The messages of one kind (0: every kind) in order, with their windows.
    std::vector<Received> Of(uint32_t message) const
    {
        std::vector<Received> found;
        for (const Received& r : log)
            if (message == 0 || r.message == message)
                found.push_back(r);
        return found;
    }
    size_t Count(HostHandle window, uint32_t message) const
    {
        return std::count_if(log.begin(), log.end(),
            [&](const Received& r) { return r.window == window && r.message == message; });
    }
    // The order of chosen messages, as (window, message) pairs.
    std::vector<std::pair<HostHandle, uint32_t>> Sequence(std::initializer_list<uint32_t> kinds) const
    {
        std::vector<std::pair<HostHandle, uint32_t>> found;
        for (const Received& r : log)
            if (std::find(kinds.begin(), kinds.end(), r.message) != kinds.end())
                found.emplace_back(r.window, r.message);
        return found;
    }
};

class HostWindowTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Host::Start()) << Host::LastError(); }
    void TearDown() override
    {
        // Answers may hold the test body's locals, which are gone by now.
        proc.answer = nullptr;
        Host::Stop();
    }

    HostHandle MakeTop(HostRect rect = { 100, 100, 400, 300 },
        uint32_t style = HostStyle::kOverlappedWindow | HostStyle::kVisible, uint32_t ex_style = 0,
        HostHandle owner = 0)
    {
        HostCreateInfo info;
        info.class_name = "TestTop";
        info.style = style;
        info.ex_style = ex_style;
        info.rect = rect;
        info.parent = owner;
        info.proc = &proc;
        return Host::CreateWindow(info);
    }

    HostHandle MakeChild(HostHandle parent, HostRect rect, uint16_t id = 0,
        uint32_t style = HostStyle::kChild | HostStyle::kVisible, uint32_t ex_style = 0)
    {
        HostCreateInfo info;
        info.class_name = "TestChild";
        info.style = style | HostStyle::kChild;
        info.ex_style = ex_style;
        info.rect = rect;
        info.parent = parent;
        info.id = id;
        info.proc = &proc;
        return Host::CreateWindow(info);
    }

    RecordingProc proc;
};

} // namespace HostTest
