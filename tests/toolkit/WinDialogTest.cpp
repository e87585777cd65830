// Dialogs on real headless windows: children and identifiers, focus moves, Tab and Escape,
// closing, the modal run and the owner it blocks, layout on resize, natural sizes, hooks and
// the context-menu path.

#include <toolkit/WinDialog.h>
#include <toolkit/WinPlaneBox.h>
#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/testing/HostTesting.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace WinLayer {
namespace {

constexpr uint32_t kMsgTest = HostMsg::kApp + 0x100;

class Box : public WinPlaneBox {
public:
    explicit Box(const HostRect& rect) { SetRect(rect); }
    HostResult HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam) override
    {
        messages.push_back(message);
        return WinPlaneBox::HandleMessage(message, wparam, lparam);
    }
    HostResult OnContextCommand(uint32_t command, HostLParam) override
    {
        context_commands.push_back(command);
        return 0;
    }
    void OnDestroyed() override { ++destroyed; }
    bool Received(uint32_t message) const
    {
        return std::find(messages.begin(), messages.end(), message) != messages.end();
    }

    std::vector<uint32_t> messages;
    std::vector<uint32_t> context_commands;
    int destroyed = 0;
};

struct Notice {
    WinView* child;
    uint32_t code;
    friend bool operator==(const Notice&, const Notice&) = default;
};

class TestDialog : public WinDialog {
public:
    explicit TestDialog(int children)
    {
        SetRect({ 100, 100, 500, 400 });
        SetClassName(RawLayer::RawString("Class_TestDialog"));
        for (int i = 0; i < children; ++i)
            boxes.push_back(std::make_unique<Box>(HostRect { 10 + 60 * i, 10, 60 + 60 * i, 40 }));
    }
    void RegisterChildren() override
    {
        for (auto& box : boxes)
            AddChild(*box);
    }
    HostResult OnNotify(WinView* child, uint32_t code) override
    {
        notices.push_back({ child, code });
        if (ignore_cancel && code == kNotifyCancel)
            return 0;
        return WinDialog::OnNotify(child, code);
    }
    bool CanClose() override
    {
        ++close_asks;
        return allow_close;
    }
    void OnCreated() override
    {
        ++created;
        if (on_created)
            on_created();
    }
    HostResult HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam) override
    {
        if (message == HostMsg::kCreate && fail_creation)
            return -1;
        if (on_message)
            return on_message(message, wparam, lparam);
        return kHostNotHandled;
    }
    void OnSizeState(int previous, int current) override { size_states.push_back({ previous, current }); }

    std::vector<std::unique_ptr<Box>> boxes;
    std::vector<Notice> notices;
    std::vector<std::pair<int, int>> size_states;
    std::function<void()> on_created;
    std::function<HostResult(uint32_t, HostWParam, HostLParam)> on_message;
    bool ignore_cancel = false;
    bool allow_close = true;
    bool fail_creation = false;
    int close_asks = 0;
    int created = 0;
};

class WinDialogWindows : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Host::Start()) << Host::LastError(); }
    static void TearDownTestSuite() { Host::Stop(); }

    // Runs what is queued; a quit left by a main window's destruction is taken off the queue
    // so it cannot end the next test's loop. Returns whether there was one.
    static bool Drain()
    {
        Host::DrainMessages();
        HostMessage message;
        while (Host::PeekMessage(message)) {
            if (message.message == HostMsg::kQuit)
                return true;
            Host::TranslateMessage(message);
            Host::DispatchMessage(message);
        }
        return false;
    }
    static void Open(TestDialog& dialog)
    {
        ASSERT_TRUE(dialog.Create(nullptr));
        Drain();
    }
    static void Shut(TestDialog& dialog)
    {
        dialog.EndDialog(nullptr);
        Drain();
    }
};

TEST_F(WinDialogWindows, ChildrenGetIdentifiersFrom2500AndLeaveOnDestruction)
{
    TestDialog dialog(3);
    Open(dialog);
    ASSERT_TRUE(dialog.IsOpen());
    EXPECT_GE(dialog.Id(), WinViewList::kRootFirstId);
    EXPECT_LT(dialog.Id(), WinViewList::kDialogFirstId);
    EXPECT_EQ(WinDialog::Roots().FindByWindow(dialog.Window()), &dialog);
    for (int i = 0; i < 3; ++i) {
        Box& box = *dialog.boxes[static_cast<size_t>(i)];
        EXPECT_EQ(box.Id(), 2500 + i);
        EXPECT_EQ(box.OwnerDialog(), &dialog);
        EXPECT_EQ(Host::Parent(box.Window()), dialog.Window());
        EXPECT_EQ(Host::Id(box.Window()), box.Id());
        EXPECT_EQ(Host::WindowRect(box.Window()), box.Rect());
    }
    EXPECT_EQ(dialog.created, 1);
    EXPECT_EQ(dialog.boxes[2]->Flags() & WinView::kSkipFocus, 0u);
    EXPECT_EQ(dialog.size_states, (std::vector<std::pair<int, int>> { { 5, 0 } })) << "first size from 5";

    // A child whose window goes away leaves the list.
    Box& middle = *dialog.boxes[1];
    Host::DestroyWindow(middle.Window());
    EXPECT_EQ(middle.destroyed, 1);
    EXPECT_EQ(middle.Window(), 0u);
    EXPECT_EQ(middle.OwnerDialog(), nullptr);
    EXPECT_EQ(dialog.Views().Count(), 2);

    EXPECT_TRUE(dialog.EndDialog(nullptr));
    EXPECT_TRUE(Drain()) << "the main window's end ends the loop";
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_EQ(dialog.Window(), 0u);
    EXPECT_NE(dialog.State() & WinDialog::kClosed, 0u);
    EXPECT_EQ(WinDialog::Roots().FindByWindow(dialog.Window()), nullptr);
    EXPECT_FALSE(WinDialog::Roots().Contains(dialog));
    EXPECT_EQ(dialog.boxes[0]->destroyed, 1);
    EXPECT_EQ(dialog.Views().Count(), 0);

    // Shown again: the closed bit is cleared and the children get the same identifiers. A
    // view made without the toolkit's procedure is left out of focus moves and of routing.
    dialog.boxes[2]->SetSubclassed(false);
    Open(dialog);
    EXPECT_EQ(dialog.State() & WinDialog::kClosed, 0u);
    EXPECT_EQ(dialog.boxes[0]->Id(), 2500);
    EXPECT_EQ(dialog.boxes[2]->Id(), 2502);
    EXPECT_NE(dialog.boxes[2]->Flags() & WinView::kSkipFocus, 0u);
    dialog.boxes[2]->messages.clear();
    Host::SendMessage(dialog.boxes[2]->Window(), kMsgTest, 0, 0);
    EXPECT_TRUE(dialog.boxes[2]->messages.empty());
    Shut(dialog);
}

TEST_F(WinDialogWindows, FocusOrderSkipsDisabledAndFlaggedViewsAndWraps)
{
    TestDialog dialog(5);
    Open(dialog);
    auto& b = dialog.boxes;
    b[1]->Enable(false);
    b[3]->SetFlags(b[3]->Flags() | WinView::kSkipFocus);
    struct Case {
        size_t from;
        bool backward;
        size_t expected;
    };
    const Case cases[] = {
        { 0, false, 2 },
        { 2, false, 4 },
        { 4, false, 0 }, // wraps at the end
        { 0, true, 4 },  // wraps at the start
        { 4, true, 2 },
        { 2, true, 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(dialog.NextFocusView(b[c.from]->Id(), c.backward), b[c.expected].get())
            << c.from << (c.backward ? " backward" : " forward");
    EXPECT_EQ(dialog.NextFocusView(0, false), b[0].get()) << "from the dialog itself: the first view";
    EXPECT_EQ(dialog.NextFocusView(0, true), b[4].get());

    // Through the keyboard.
    b[0]->Focus();
    Host::InjectKey(HostKey::kTab);
    Drain();
    EXPECT_TRUE(b[2]->HasFocus());
    Host::InjectKey(HostKey::kTab);
    Host::InjectKey(HostKey::kTab);
    Drain();
    EXPECT_TRUE(b[0]->HasFocus()) << "Tab on the last view wraps to the first";
    Host::InjectKey(HostKey::kTab, HostMod::kShift);
    Drain();
    EXPECT_TRUE(b[4]->HasFocus()) << "Shift+Tab on the first view wraps to the last";

    // One focusable view keeps the focus.
    b[0]->Enable(false);
    b[4]->Enable(false);
    b[2]->Focus();
    EXPECT_EQ(dialog.NextFocusView(b[2]->Id(), false), nullptr);
    Host::InjectKey(HostKey::kTab);
    Drain();
    EXPECT_TRUE(b[2]->HasFocus());
    Shut(dialog);
}

TEST_F(WinDialogWindows, EscapeCancelsUnlessTheDialogIgnoresIt)
{
    for (bool ignore : { false, true }) {
        SCOPED_TRACE(ignore ? "OnNotify ignores the cancel" : "closed as a cancel");
        TestDialog dialog(2);
        dialog.ignore_cancel = ignore;
        Open(dialog);
        Box* focused = dialog.boxes[ignore ? 0 : 1].get();
        focused->Focus();
        Host::InjectKey(HostKey::kEscape);
        Drain();
        EXPECT_EQ(dialog.notices, (std::vector<Notice> { { focused, WinDialog::kNotifyCancel } }));
        EXPECT_EQ(dialog.IsOpen(), ignore);
        EXPECT_EQ(dialog.close_asks, ignore ? 0 : 1);
        if (ignore)
            Shut(dialog);
    }
}

TEST_F(WinDialogWindows, RefusedCloseKeepsTheDialogOpen)
{
    TestDialog dialog(1);
    dialog.allow_close = false;
    Open(dialog);
    Host::InjectClose(dialog.Window());
    Drain();
    dialog.Close();
    Drain();
    EXPECT_EQ(dialog.close_asks, 2);
    EXPECT_TRUE(dialog.IsOpen());
    dialog.allow_close = true;
    dialog.Close();
    EXPECT_TRUE(Drain());
    EXPECT_FALSE(dialog.IsOpen());
}

TEST_F(WinDialogWindows, ModalRunReturnsTheResultOfTheFirstEnding)
{
    TestDialog dialog(1);
    int first = 1;
    int second = 2;
    bool second_ending_refused = false;
    dialog.on_created = [&] { Host::PostMessage(dialog.Window(), kMsgTest, 0, 0); };
    dialog.on_message = [&](uint32_t message, HostWParam, HostLParam) -> HostResult {
        if (message != kMsgTest)
            return kHostNotHandled;
        EXPECT_TRUE(dialog.RunningModal());
        EXPECT_TRUE(dialog.EndDialog(&first));
        second_ending_refused = !dialog.EndDialog(&second);
        return 0;
    };
    EXPECT_EQ(dialog.ShowModal(nullptr), &first);
    EXPECT_TRUE(second_ending_refused);
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_FALSE(dialog.RunningModal());
    EXPECT_FALSE(Drain()) << "the run used up its own quit";
}

TEST_F(WinDialogWindows, EscapeEndsAModalRunUnlessIgnored)
{
    for (bool ignore : { false, true }) {
        TestDialog dialog(2);
        dialog.ignore_cancel = ignore;
        int timer_result = 0;
        dialog.on_created = [&] {
            dialog.boxes[0]->Focus();
            Host::InjectKey(HostKey::kEscape);
            Host::SetTimer(dialog.Window(), 1, 30);
        };
        dialog.on_message = [&](uint32_t message, HostWParam, HostLParam) -> HostResult {
            if (message == HostMsg::kTimer)
                dialog.EndDialog(&timer_result);
            return kHostNotHandled;
        };
        void* result = dialog.ShowModal(nullptr);
        EXPECT_EQ(dialog.notices.size(), 1u);
        EXPECT_EQ(result, ignore ? &timer_result : nullptr) << (ignore ? "ignored" : "cancelled");
    }
}

TEST_F(WinDialogWindows, FailedCreationReturnsAtOnce)
{
    TestDialog dialog(1);
    dialog.fail_creation = true;
    EXPECT_EQ(dialog.ShowModal(nullptr), nullptr);
    EXPECT_EQ(dialog.created, 0);
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_FALSE(WinDialog::Roots().Contains(dialog));
}

TEST_F(WinDialogWindows, QuitFromOutsideEndsTheRunAndIsHandedOn)
{
    TestDialog dialog(1);
    dialog.on_created = [] { Host::PostQuitMessage(7); };
    EXPECT_EQ(dialog.ShowModal(nullptr), nullptr);
    EXPECT_FALSE(dialog.IsOpen());
    HostMessage message;
    ASSERT_TRUE(Host::PeekMessage(message));
    EXPECT_EQ(message.message, HostMsg::kQuit);
    EXPECT_EQ(message.wparam, 7u);
}

TEST_F(WinDialogWindows, OwnerIsBlockedUnderAModalChild)
{
    TestDialog owner(2);
    Open(owner);
    Box& clicked = *owner.boxes[0];
    Box& caller = *owner.boxes[1];
    caller.Focus();

    TestDialog modal(1);
    int step = 0;
    int done = 0;
    bool blocked_while_open = false;
    bool modal_in_front_after_click = false;
    bool modal_in_front_after_raise = false;
    bool owner_heard_job = false;
    bool owner_painted = false;
    owner.on_message = [&](uint32_t message, HostWParam wparam, HostLParam lparam) -> HostResult {
        if (message == HostMsg::kPaint) {
            // A red corner, so the test can tell the owner's painting from the host's ground.
            const HostRect client = Host::ClientRect(owner.Window());
            Host::Decode(owner.Window(), message, wparam, lparam)
                .painter->FillRect({ client.right - 20, client.bottom - 20, client.right, client.bottom },
                    RawColour::FromRgb(255, 0, 0));
            return 0;
        }
        return message == kMsgTest ? 5 : kHostNotHandled;
    };
    modal.on_created = [&] {
        Host::InjectClick(clicked.Window(), { 5, 5 });
        Host::SetTimer(modal.Window(), 1, 30);
    };
    modal.on_message = [&](uint32_t message, HostWParam, HostLParam) -> HostResult {
        if (message != HostMsg::kTimer)
            return kHostNotHandled;
        if (step == 0) {
            blocked_while_open = owner.ModalChild() == modal.Window();
            modal_in_front_after_click = Host::ActiveWindow() == modal.Window();
            // A job's notification and a private message still reach the blocked owner.
            Host::PostMessage(owner.Window(), HostMsg::kCommand, HostMakeWParam(0, 0x1111), 0);
            owner_heard_job = Host::SendMessage(owner.Window(), kMsgTest, 0, 0) == 5;
            // Resized while it waits, the owner still paints its new area.
            HostRect wider = Host::WindowRect(owner.Window());
            wider.right += 100;
            Host::MoveWindow(owner.Window(), wider);
            Host::UpdateWindow(owner.Window());
            const HostRect client = Host::ClientRect(owner.Window());
            owner_painted = Host::PixelAt(owner.Window(), { client.right - 10, client.bottom - 10 })
                == RawColour::FromRgb(0xFF, 0, 0);
            // The owner raised over it: the modal child comes back to the front.
            Host::SetWindowPos(
                owner.Window(), kHostInsertTop, owner.Rect(), HostSwp::kNoMove | HostSwp::kNoSize);
        } else if (step == 1) {
            // Both windows cover the same screen rectangle: the upper one is hit.
            const HostHandle hit = Host::WindowFromPoint({ 300, 250 });
            modal_in_front_after_raise
                = Host::ForegroundWindow() == modal.Window() && Host::TopLevel(hit) == modal.Window();
            modal.EndDialog(&done);
        }
        ++step;
        return 0;
    };
    EXPECT_EQ(modal.ShowModal(&caller), &done);
    EXPECT_TRUE(blocked_while_open);
    EXPECT_TRUE(modal_in_front_after_click);
    EXPECT_TRUE(modal_in_front_after_raise);
    EXPECT_TRUE(owner_heard_job);
    EXPECT_TRUE(owner_painted);
    EXPECT_FALSE(clicked.Received(HostMsg::kLButtonDown)) << "the click on the owner's child was eaten";
    EXPECT_EQ(std::count(owner.notices.begin(), owner.notices.end(), Notice { nullptr, 0x1111 }), 1);
    EXPECT_EQ(owner.ModalChild(), 0u);
    EXPECT_TRUE(caller.HasFocus()) << "the calling view gets the focus back";
    EXPECT_EQ(Host::ActiveWindow(), owner.Window());

    // No longer blocked: the same click reaches the child.
    Host::InjectClick(clicked.Window(), { 5, 5 });
    Drain();
    EXPECT_TRUE(clicked.Received(HostMsg::kLButtonDown));
    Shut(owner);
}

TEST_F(WinDialogWindows, ResizeLaysOutAnchoredChildrenAndLimitsTracking)
{
    TestDialog dialog(0);
    auto stretch = std::make_unique<Box>(HostRect { 10, 50, 190, 80 });
    auto corner = std::make_unique<Box>(HostRect { 200, 200, 260, 230 });
    auto fixed = std::make_unique<Box>(HostRect { 10, 10, 120, 40 });
    stretch->SetAnchors(WinView::kLeftByLeft | WinView::kRightByRight, &dialog.ClientRecord());
    corner->SetAnchors(0x1212, &dialog.ClientRecord());
    dialog.boxes.push_back(std::move(stretch));
    dialog.boxes.push_back(std::move(corner));
    dialog.boxes.push_back(std::move(fixed));
    Open(dialog);
    const HostRect client = Host::ClientRect(dialog.Window());
    EXPECT_EQ(dialog.ClientRecord(), client);

    HostRect bigger = Host::WindowRect(dialog.Window());
    bigger.right += 40;
    bigger.bottom += 25;
    Host::MoveWindow(dialog.Window(), bigger);
    Drain();
    EXPECT_EQ(dialog.ClientRecord().Width(), client.Width() + 40);
    EXPECT_EQ(Host::WindowRect(dialog.boxes[0]->Window()), (HostRect { 10, 50, 230, 80 }));
    EXPECT_EQ(Host::WindowRect(dialog.boxes[1]->Window()), (HostRect { 240, 225, 300, 255 }));
    EXPECT_EQ(Host::WindowRect(dialog.boxes[2]->Window()), (HostRect { 10, 10, 120, 40 }));
    EXPECT_EQ(dialog.RestoreRect(), Host::WindowRect(dialog.Window()));

    HostMinMaxInfo info;
    Host::SendMessage(dialog.Window(), HostMsg::kGetMinMaxInfo, 0, reinterpret_cast<HostLParam>(&info));
    const HostRect work = Host::WorkArea();
    EXPECT_EQ(info.max_track, (HostSize { work.Width(), work.Height() }));
    // Across, only the fixed child counts (120); down, the stretching child is fixed too (80).
    const HostRect need = Host::AdjustWindowRect({ 0, 0, 120, 80 }, dialog.Style(), dialog.ExStyle());
    EXPECT_EQ(info.min_track, (HostSize { need.Width(), need.Height() })) << "the fixed children must fit";
    Shut(dialog);
}

TEST_F(WinDialogWindows, HooksAnswerBeforeTheViewsOwnHandler)
{
    class AnsweringHook : public WinViewHook {
    public:
        HostResult HookMessage(WinView&, uint32_t message, HostWParam, HostLParam) override
        {
            ++asked;
            return message == kMsgTest + 1 ? 77 : kHostNotHandled;
        }
        int asked = 0;
    };
    TestDialog dialog(1);
    dialog.on_message = [](uint32_t message, HostWParam, HostLParam) -> HostResult {
        return message == kMsgTest || message == kMsgTest + 1 ? 5 : kHostNotHandled;
    };
    AnsweringHook hook;
    dialog.Hooks().Add(hook);
    Open(dialog);
    EXPECT_EQ(Host::SendMessage(dialog.Window(), kMsgTest, 0, 0), 5)
        << "the hook passes: HandleMessage's answer stands";
    EXPECT_EQ(Host::SendMessage(dialog.Window(), kMsgTest + 1, 0, 0), 77) << "the hook's answer wins";
    EXPECT_GT(hook.asked, 2) << "the hook also saw creation";
    Shut(dialog);
    dialog.Hooks().Remove(hook);
}

TEST_F(WinDialogWindows, NaturalSizeGrowsWithTextAndLines)
{
    Box box({ 0, 0, 10, 10 });
    box.SetText("abc");
    const HostSize short_text = box.NaturalTextSize();
    box.SetText("abcdef abcdef");
    const HostSize long_text = box.NaturalTextSize();
    EXPECT_GT(short_text.cx, 0);
    EXPECT_GT(long_text.cx, short_text.cx);
    EXPECT_EQ(long_text.cy, short_text.cy);

    box.SetStyleWords(box.Style() | HostStyle::kMultiLine, 0);
    box.SetText("abc\r\nabc\r\nabc");
    const HostSize three_lines = box.NaturalTextSize();
    EXPECT_GE(three_lines.cy, 3 * short_text.cy - 2);
    box.SetText("a\tb");
    const HostSize tabbed = box.NaturalTextSize();
    box.SetText("ab");
    EXPECT_GT(tabbed.cx, box.NaturalTextSize().cx) << "the tab expands";

    box.SetText("abc");
    box.SetStyleWords(HostStyle::kChild, 0);
    box.SetMargins({ 3, 4, 5, 6 });
    EXPECT_EQ(box.Fit(), (HostSize { short_text.cx + 8, short_text.cy + 10 }));
    EXPECT_EQ(box.Natural(), short_text);
    box.SetStyleWords(HostStyle::kChild | HostStyle::kVScroll, 0);
    EXPECT_EQ(box.Fit().cx, short_text.cx + 8 + Host::Metric(HostMetric::VScrollWidth));
}

TEST_F(WinDialogWindows, ContextMenuCommandComesBackToOnContextCommand)
{
    TestDialog dialog(1);
    Open(dialog);
    Box& box = *dialog.boxes[0];
    HostMenu menu;
    menu.AppendItem(11, "&One");
    menu.AppendItem(12, "&Two");
    box.Focus();
    // The menu's own loop reads the key that chooses the second item.
    Host::InjectKey('T');
    box.ShowContextMenu(menu, { 5, 5 });
    EXPECT_TRUE(box.context_commands.empty()) << "posted: runs after the menu has closed";
    Drain();
    EXPECT_EQ(box.context_commands, (std::vector<uint32_t> { 12 }));
    Shut(dialog);
}

} // namespace
} // namespace WinLayer
