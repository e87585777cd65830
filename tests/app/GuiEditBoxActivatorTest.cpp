// The in-place item editor's place over a real list, plain and wide, and an edit through its
// bar.

#include <app/GuiEditBoxActivator.h>
#include <toolkit/WinListBoxR.h>
#include <toolkit/host/HostSystem.h>

#include <functional>
#include <string>
#include <vector>

#include "../toolkit/ControlTestSupport.h"

namespace {

using namespace QuelvaneTest;
using AppLayer::GuiEditBoxActivator;

constexpr uint32_t kMsgDrive = HostMsg::kApp + 0x202;

class Server : public WinListBoxEditActivator::Server {
public:
    std::u16string ItemText(int32_t row) override { return texts[static_cast<size_t>(row)]; }
    void SetItemText(int32_t row, const std::u16string& text) override
    {
        texts[static_cast<size_t>(row)] = text;
    }
    std::vector<std::u16string> texts = std::vector<std::u16string>(30, u"item");
};

// Runs `drive` when its message arrives, which a modal run of the editor dispatches too.
class DrivingDialog : public RecordingDialog {
public:
    std::function<void()> drive;
    HostResult HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam) override
    {
        if (message != kMsgDrive)
            return RecordingDialog::HandleMessage(message, wparam, lparam);
        if (drive)
            drive();
        return 0;
    }
};

class GuiEditBoxActivatorTest : public ControlTest {
protected:
    void SetUp() override
    {
        for (std::u16string& text : server_.texts)
            list_.Items().push_back(&text);
        list_.SetStandardRowHeight(20);
        list_.Refresh();
        dialog_.Add(list_, { 10, 10, 310, 210 });
        ASSERT_TRUE(dialog_.Open());
        client_ = Host::ClientRect(list_.Window());
    }

    DrivingDialog dialog_;
    WinListBoxR<std::u16string> list_;
    Server server_;
    GuiEditBoxActivator activator_ { list_, server_ };
    HostRect client_ {};
};

TEST_F(GuiEditBoxActivatorTest, PlainModeTakesTheItemsTopAndBottomLessTheScroll)
{
    EXPECT_FALSE(activator_.Wide());
    EXPECT_EQ(activator_.ClientEditorRect(-1), client_);
    EXPECT_EQ(activator_.ClientEditorRect(30), client_) << "no such item";
    list_.ScrollTo(45, 0);
    EXPECT_EQ(activator_.ClientEditorRect(3), (HostRect { client_.left, 15, client_.right, 35 }));
    EXPECT_EQ(activator_.ClientEditorRect(1), (HostRect { client_.left, -25, client_.right, -5 }));
}

TEST_F(GuiEditBoxActivatorTest, WideModeCoversTheScrollBarAndIsAtLeastFiveRows)
{
    activator_.SetWide(true);
    const int32_t right = client_.right + Host::Metric(HostMetric::VScrollWidth);
    EXPECT_EQ(activator_.ClientEditorRect(0), (HostRect { client_.left, 0, right, 100 }));
    EXPECT_EQ(
        activator_.ClientEditorRect(-1), (HostRect { client_.left, client_.top, right, client_.bottom }));
    // A row cut by the bottom edge is first limited to the client area, then grown.
    list_.ScrollTo(0, 0);
    const int32_t cut_row = client_.bottom / 20;
    const int32_t cut_top = cut_row * 20;
    ASSERT_LT(cut_top, client_.bottom);
    EXPECT_EQ(
        activator_.ClientEditorRect(cut_row), (HostRect { client_.left, cut_top, right, cut_top + 100 }));
}

TEST_F(GuiEditBoxActivatorTest, EditsThroughTheBarAtTheRowsScreenPlace)
{
    EXPECT_EQ(activator_.Editor().ClassName().Str(), "Class_EditBarDialog");
    ASSERT_TRUE(Host::SetClipboardText("a;b%"));
    HostRect seen {};
    dialog_.drive = [&] {
        seen = Host::WindowRect(activator_.Editor().Window());
        activator_.Bar().RunCommand(AppLayer::GuiDropBar::kCommandPasteOneItem);
        Host::InjectKey(HostKey::kReturn);
    };
    Host::PostMessage(dialog_.Window(), kMsgDrive, 0, 0); // handled inside the editor's run
    EXPECT_EQ(activator_.Edit(4), WinEditBoxDialogEx::kCommitted);
    EXPECT_EQ(server_.texts[4], u"a%db%e") << "the old text was selected and replaced";
    const HostPoint at = Host::ClientToScreen(list_.Window(), { client_.left, 80 });
    EXPECT_EQ(seen, (HostRect { at.x, at.y, at.x + client_.Width(), at.y + 20 }));
}

} // namespace
