// The window menu: opened by Alt+Space from any window of a top-level, the application's items
// first, then the window commands, which the default handling carries out.

#include <toolkit/host/HostSystemMenu.h>

#include "HostWindowFixture.h"

namespace HostTest {
namespace {

class HostSystemMenuTest : public HostWindowTest {
protected:
    void SetUp() override
    {
        HostWindowTest::SetUp();
        top = MakeTop();
        child = MakeChild(top, { 10, 10, 100, 40 }, 7);
        Host::SetFocus(child);
        Host::DrainMessages();
        proc.log.clear();
    }

    // Alt+Space, then the keys that drive the menu.
    void OpenAndPress(std::initializer_list<uint32_t> keys)
    {
        Host::InjectKey(HostKey::kSpace, HostMod::kAlt);
        for (uint32_t key : keys)
            Host::InjectKey(key);
        Host::DrainMessages();
    }

    std::vector<HostWParam> SysCommands() const
    {
        std::vector<HostWParam> commands;
        for (const Received& r : proc.Of(HostMsg::kSysCommand))
            if (r.window == top)
                commands.push_back(r.wparam);
        return commands;
    }

    HostHandle top = 0;
    HostHandle child = 0;
};

TEST_F(HostSystemMenuTest, TheApplicationsItemsComeFirstAndReachTheWindow)
{
    HostMenu* items = HostSystemMenu::Items(top);
    ASSERT_NE(items, nullptr);
    items->AppendItem(0x10, "&Font...");
    items->AppendItem(0x20, "&About");
    // The menu opens with nothing highlighted: the first Down reaches the first item.
    OpenAndPress({ HostKey::kDown, HostKey::kDown, HostKey::kReturn });
    EXPECT_EQ(SysCommands(), (std::vector<HostWParam> { HostSystemMenu::kKeyMenu, 0x20 }));
    EXPECT_TRUE(Host::IsWindow(top));
    EXPECT_EQ(HostSystemMenu::Items(child), nullptr); // children have no window menu
}

TEST_F(HostSystemMenuTest, WindowCommandsAreCarriedOut)
{
    // Without items of the application: Minimize, Maximize, Close.
    OpenAndPress({ HostKey::kDown, HostKey::kDown, HostKey::kReturn });
    EXPECT_EQ(Host::SizeState(top), 2);
    // Now the second item reads Restore.
    OpenAndPress({ HostKey::kDown, HostKey::kDown, HostKey::kReturn });
    EXPECT_EQ(Host::SizeState(top), 0);
    EXPECT_EQ(SysCommands(),
        (std::vector<HostWParam> { HostSystemMenu::kKeyMenu, HostSystemMenu::kMaximize,
            HostSystemMenu::kKeyMenu, HostSystemMenu::kRestore }));
    OpenAndPress({ HostKey::kDown, HostKey::kReturn });
    EXPECT_EQ(Host::SizeState(top), 1);
    Host::ShowWindow(top, HostShow::kRestore);
    OpenAndPress({ HostKey::kUp, HostKey::kReturn }); // Up from nothing reaches the last item: Close
    EXPECT_FALSE(Host::IsWindow(top));
}

TEST_F(HostSystemMenuTest, MovingTheHighlightAloneChoosesNothing)
{
    // While the menu is open a timer looks at what arrived so far, then leaves with Escape.
    std::vector<HostWParam> while_open;
    proc.answer = [&](HostHandle window, uint32_t message, HostWParam, HostLParam) -> HostResult {
        if (message != HostMsg::kTimer)
            return kHostNotHandled;
        Host::KillTimer(window, 1);
        while_open = SysCommands();
        Host::InjectKey(HostKey::kEscape);
        return 0;
    };
    Host::InjectKey(HostKey::kSpace, HostMod::kAlt);
    Host::InjectKey(HostKey::kDown);
    Host::InjectKey(HostKey::kDown); // Close, with Maximize greyed or not
    Host::InjectKey(HostKey::kDown);
    Host::SetTimer(top, 1, 50);
    Host::DrainMessages();
    EXPECT_EQ(while_open, (std::vector<HostWParam> { HostSystemMenu::kKeyMenu }));
    EXPECT_EQ(SysCommands(), (std::vector<HostWParam> { HostSystemMenu::kKeyMenu }));
    EXPECT_TRUE(Host::IsWindow(top));
}

TEST_F(HostSystemMenuTest, AWindowThatHandlesCloseItselfMayRefuse)
{
    proc.answer = [](HostHandle, uint32_t message, HostWParam, HostLParam) -> HostResult {
        return message == HostMsg::kClose ? 0 : kHostNotHandled;
    };
    OpenAndPress({ HostKey::kUp, HostKey::kReturn });
    EXPECT_TRUE(Host::IsWindow(top));
    EXPECT_EQ(proc.Count(top, HostMsg::kClose), 1u);
}

TEST_F(HostSystemMenuTest, EscapeChoosesNothingAndAFixedSizeWindowCannotMaximize)
{
    OpenAndPress({ HostKey::kEscape });
    EXPECT_EQ(SysCommands(), (std::vector<HostWParam> { HostSystemMenu::kKeyMenu }));
    HostHandle fixed
        = MakeTop({ 50, 50, 200, 150 }, HostStyle::kCaption | HostStyle::kSysMenu | HostStyle::kVisible);
    Host::SetFocus(fixed);
    Host::DrainMessages();
    // Minimize and Maximize are greyed: Down goes straight to Close.
    Host::InjectKey(HostKey::kSpace, HostMod::kAlt);
    Host::InjectKey(HostKey::kDown);
    Host::InjectKey(HostKey::kReturn);
    Host::DrainMessages();
    EXPECT_FALSE(Host::IsWindow(fixed));
}

} // namespace
} // namespace HostTest
