// Popup menus on the headless host: chosen by keys, mnemonics and clicks, greyed items passed
// over, sub-menus, leaving with Escape or a click outside, and their look.

#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostMenuLook.h>
#include <toolkit/host/detail/HostMenuTracker.h>
#include <toolkit/host/testing/HostTesting.h>

#include <algorithm>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace WinLayer;

constexpr uint32_t kStep = HostMsg::kApp + 1;

// The owner window: runs the test's steps when a posted kStep arrives during tracking.
class OwnerProc : public HostWindowProc {
public:
    std::function<void(HostWParam)> on_step;
    std::vector<uint32_t> seen;

    HostResult WindowProc(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam) override
    {
        seen.push_back(message);
        if (message == kStep && on_step)
            on_step(wparam);
        return Host::DefaultProc(window, message, wparam, lparam);
    }
};

class HostMenuTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Host::Start()) << Host::LastError(); }
    static void TearDownTestSuite() { Host::Stop(); }

    void SetUp() override
    {
        HostCreateInfo info;
        info.class_name = "MenuOwner";
        info.style = HostStyle::kOverlappedWindow;
        info.rect = { 50, 50, 450, 350 };
        info.proc = &owner_proc_;
        owner_ = Host::CreateWindow(info);
        ASSERT_NE(owner_, 0u);
        Host::ShowWindow(owner_, HostShow::kShow);
        Host::SetFocus(owner_);
        Host::DrainMessages();

        menu_.AppendItem(1, "&New\tCtrl+N");
        menu_.AppendItem(2, "&Open...");
        menu_.AppendSeparator();
        menu_.AppendItem(3, "&Greyed", HostMenu::kGrayed);
        HostMenu& recent = menu_.AppendSubMenu("&Recent");
        recent.AppendItem(11, "First");
        recent.AppendItem(12, "&Second");
        menu_.AppendItem(4, "E&xit", HostMenu::kChecked);
    }

    void TearDown() override
    {
        Host::DestroyWindow(owner_);
        Host::DrainMessages();
    }

    uint32_t TrackWithKeys(const std::vector<uint32_t>& keys)
    {
        for (uint32_t key : keys)
            Host::InjectKey(key);
        return menu_.Track(owner_, kAt);
    }

    // The screen centre of an item of an open level.
    static HostPoint ItemCentre(size_t depth, const HostMenu& menu, size_t item)
    {
        std::vector<HostRect> items;
        HostMenuLook::Measure(menu, items);
        const HostRect screen = Host::ScreenRect(HostMenuTracker::LevelWindow(depth));
        const HostRect& rect = items[item];
        return { screen.left + (rect.left + rect.right) / 2, screen.top + (rect.top + rect.bottom) / 2 };
    }

    // Clicks a screen point in whatever window lies there.
    static void ClickAt(HostPoint screen, int button = 1)
    {
        const HostHandle window = Host::WindowFromPoint(screen);
        Host::InjectClick(window, Host::ScreenToClient(window, screen), button);
    }

    static constexpr HostPoint kAt { 120, 100 };
    OwnerProc owner_proc_;
    HostHandle owner_ = 0;
    HostMenu menu_;
};

TEST_F(HostMenuTest, KeysChooseCommands)
{
    using namespace HostKey;
    struct Case {
        const char* name;
        std::vector<uint32_t> keys;
        uint32_t command;
    } cases[] = {
        { "first", { kDown, kReturn }, 1 },
        { "second", { kDown, kDown, kReturn }, 2 },
        { "space chooses", { kDown, kDown, kSpace }, 2 },
        { "greyed and separator passed over", { kDown, kDown, kDown, kDown, kReturn }, 4 },
        { "up wraps to the last", { kUp, kReturn }, 4 },
        { "down wraps to the first", { kUp, kDown, kReturn }, 1 },
        { "return opens the sub-menu", { kEnd, kUp, kReturn, kReturn }, 11 },
        { "right opens the sub-menu", { kUp, kUp, kRight, kDown, kReturn }, 12 },
        { "escape closes the sub-menu only", { kUp, kUp, kRight, kEscape, kDown, kReturn }, 4 },
        { "left closes the sub-menu", { kUp, kUp, kRight, kLeft, kUp, kReturn }, 2 },
        { "right on a command does nothing", { kHome, kRight, kReturn }, 1 },
        { "escape leaves", { kDown, kEscape }, 0 },
        { "return without a highlight", { kReturn, kEscape }, 0 },
        { "mnemonic chooses", { 'X' }, 4 },
        { "mnemonic of the first", { 'N' }, 1 },
        { "mnemonic opens the sub-menu", { 'R', 'S' }, 12 },
        { "greyed mnemonic does nothing", { 'G', kEscape }, 0 },
        { "unknown letter does nothing", { 'Q', kDown, kReturn }, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TrackWithKeys(c.keys), c.command);
        EXPECT_FALSE(HostMenu::Tracking());
        EXPECT_FALSE(Host::IsVisible(HostMenuTracker::LevelWindow(0)));
        EXPECT_FALSE(Host::IsVisible(HostMenuTracker::LevelWindow(1)));
    }
}

TEST_F(HostMenuTest, SharedMnemonicsCycle)
{
    HostMenu menu;
    menu.AppendItem(1, "&Alpha");
    menu.AppendItem(2, "&Another");
    menu.AppendItem(3, "&Beta");
    Host::InjectKey('A');
    Host::InjectKey('A');
    Host::InjectKey(HostKey::kReturn);
    EXPECT_EQ(menu.Track(owner_, kAt), 2u);
    // Characters from the input method find non-ASCII mnemonics.
    HostMenu japanese;
    japanese.AppendItem(7, "\xE9\x96\x8B\xE3\x81\x8F(&\xE3\x81\x82)");
    japanese.AppendItem(8, "\xE9\x96\x89\xE3\x81\x98\xE3\x82\x8B(&\xE3\x81\x84)");
    Host::InjectText("\xE3\x81\x84");
    EXPECT_EQ(japanese.Track(owner_, kAt), 8u);
}

TEST_F(HostMenuTest, ClicksChoose)
{
    struct Case {
        const char* name;
        size_t item;
        int button;
        uint32_t command;
    } cases[] = {
        { "left button", 1, 1, 2 },
        { "right button", 0, 3, 1 },
        { "checked item", 5, 1, 4 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool tracking = false;
        owner_proc_.on_step = [&](HostWParam) {
            tracking = HostMenu::Tracking();
            ClickAt(ItemCentre(0, menu_, c.item), c.button);
        };
        Host::PostMessage(owner_, kStep, 0, 0);
        EXPECT_EQ(menu_.Track(owner_, kAt), c.command);
        EXPECT_TRUE(tracking);
    }
}

TEST_F(HostMenuTest, ClicksThatChooseNothing)
{
    // A greyed item and a separator are not chosen; the menu stays until a click outside.
    bool open_before_outside = false;
    owner_proc_.on_step = [&](HostWParam step) {
        if (step == 0) {
            ClickAt(ItemCentre(0, menu_, 3));
            ClickAt(ItemCentre(0, menu_, 2));
            Host::PostMessage(owner_, kStep, 1, 0);
            return;
        }
        open_before_outside = Host::IsVisible(HostMenuTracker::LevelWindow(0));
        const HostRect menu = Host::ScreenRect(HostMenuTracker::LevelWindow(0));
        ClickAt({ menu.right + 40, menu.top + 5 });
    };
    Host::PostMessage(owner_, kStep, 0, 0);
    EXPECT_EQ(menu_.Track(owner_, kAt), 0u);
    EXPECT_TRUE(open_before_outside);
}

TEST_F(HostMenuTest, PointingOpensSubMenus)
{
    const HostMenu& recent = *menu_.Items()[4].sub_menu;
    int tries = 0;
    owner_proc_.on_step = [&](HostWParam step) {
        if (step == 0) {
            const HostPoint point = ItemCentre(0, menu_, 4);
            const HostHandle window = Host::WindowFromPoint(point);
            Host::InjectMouseMove(window, Host::ScreenToClient(window, point));
            Host::PostMessage(owner_, kStep, 1, 0);
            return;
        }
        if (!Host::IsVisible(HostMenuTracker::LevelWindow(1)) && ++tries < 100) {
            Host::PostMessage(owner_, kStep, 1, 0); // the move has not arrived yet
            return;
        }
        ClickAt(ItemCentre(1, recent, 1));
    };
    Host::PostMessage(owner_, kStep, 0, 0);
    EXPECT_EQ(menu_.Track(owner_, kAt), 12u);
    EXPECT_LT(tries, 100);
}

TEST_F(HostMenuTest, StaysInsideTheWorkArea)
{
    const HostRect work = Host::WorkArea();
    HostRect shown {};
    owner_proc_.on_step = [&](HostWParam) {
        shown = Host::ScreenRect(HostMenuTracker::LevelWindow(0));
        Host::InjectKey(HostKey::kEscape);
    };
    Host::PostMessage(owner_, kStep, 0, 0);
    EXPECT_EQ(menu_.Track(owner_, { work.right - 5, work.bottom - 5 }), 0u);
    EXPECT_FALSE(shown.Empty());
    EXPECT_LE(shown.right, work.right);
    EXPECT_LE(shown.bottom, work.bottom);
    EXPECT_GE(shown.left, work.left);
    EXPECT_GE(shown.top, work.top);
}

TEST_F(HostMenuTest, OtherMessagesGoOnAndQuitStays)
{
    // A message posted to the owner is dispatched while the menu is open.
    owner_proc_.on_step = [&](HostWParam) { Host::InjectKey(HostKey::kEscape); };
    Host::PostMessage(owner_, kStep, 0, 0);
    EXPECT_EQ(menu_.Track(owner_, kAt), 0u);
    EXPECT_NE(std::find(owner_proc_.seen.begin(), owner_proc_.seen.end(), kStep), owner_proc_.seen.end());
    // A quit ends the menu and is left for the caller's loop.
    Host::PostQuitMessage(5);
    EXPECT_EQ(menu_.Track(owner_, kAt), 0u);
    HostMessage message;
    EXPECT_FALSE(Host::GetMessage(message));
    EXPECT_EQ(message.message, HostMsg::kQuit);
    EXPECT_EQ(message.wparam, 5u);
    // Nested tracking and empty menus show nothing.
    EXPECT_EQ(HostMenu().Track(owner_, kAt), 0u);
}

TEST(HostMenuLookTest, ItemsShowTheirState)
{
    HostMenu menu;
    menu.AppendItem(1, "Plain\tF5");
    menu.AppendItem(2, "Greyed", HostMenu::kGrayed);
    menu.AppendSeparator();
    menu.AppendItem(3, "Checked", HostMenu::kChecked);
    std::vector<HostRect> items;
    const HostSize size = HostMenuLook::Measure(menu, items);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_LT(items[2].Height(), items[0].Height());
    HostBitmap bitmap { size.cx, size.cy, std::vector<uint32_t>(static_cast<size_t>(size.cx) * size.cy, 0) };
    {
        HostPainter painter(bitmap);
        HostMenuLook::Paint(painter, menu, items, size, 0);
    }
    // The darkest channel value in a part of the picture, and whether a colour appears there.
    const auto darkest = [&](const HostRect& r) {
        uint32_t low = 255;
        for (int32_t y = r.top; y < r.bottom; ++y)
            for (int32_t x = r.left; x < r.right; ++x)
                low = std::min({ low, bitmap.At(x, y) & 0xFF, (bitmap.At(x, y) >> 8) & 0xFF });
        return low;
    };
    const int32_t check = items[0].Height();
    const HostRect text_part { items[0].left + check, 0, items[0].right, 0 };
    const HostRect check_part { items[0].left, 0, items[0].left + check, 0 };
    const auto row = [&](const HostRect& part, size_t item) {
        return HostRect { part.left, items[item].top, part.right, items[item].bottom };
    };
    // The highlighted row is filled with the highlight colour; its text is light.
    EXPECT_EQ(bitmap.At(items[0].left + 2, items[0].top + 2), 0xFF0078D7u);
    EXPECT_GT(darkest(row(text_part, 0)), 0x00u);
    EXPECT_GE(darkest(row(text_part, 1)), 0x80u);  // grey text only
    EXPECT_LT(darkest(row(text_part, 3)), 0x40u);  // black text
    EXPECT_LT(darkest(row(check_part, 3)), 0x40u); // the check mark
    EXPECT_GT(darkest(row(check_part, 1)), 0xE0u); // no mark
    // The frame is inside the window's rectangle.
    EXPECT_NE(bitmap.At(0, 0), bitmap.At(items[0].left + 2, items[1].top + 2));
}

} // namespace
