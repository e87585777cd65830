// In-place editing of a list row: the row scrolled into view, the editor over it, the text
// handed back on commit only.

#include <toolkit/WinEditBoxDialog.h>
#include <toolkit/WinListBoxEditActivator.h>
#include <toolkit/WinListBoxR.h>

#include <functional>
#include <string>
#include <vector>

#include "ControlTestSupport.h"

namespace QuelvaneTest {
namespace {

// Records where the editor stood each time it was shown.
class DrivenEditor : public DrivenDialog<WinEditBoxDialog, DrivenEditor> {
public:
    HostRect window_seen {};
    int shown = 0;

protected:
    void Seen() override
    {
        ++shown;
        window_seen = Host::WindowRect(Window());
    }
};

class TextServer : public WinListBoxEditActivator::Server {
public:
    std::u16string ItemText(int32_t row) override
    {
        asked.push_back(row);
        return texts[static_cast<size_t>(row)];
    }
    void SetItemText(int32_t row, const std::u16string& text) override
    {
        texts[static_cast<size_t>(row)] = text;
        taken.push_back(row);
    }
    std::vector<std::u16string> texts;
    std::vector<int32_t> asked;
    std::vector<int32_t> taken;
};

class ListEditTest : public ControlTest {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 40; ++i)
            server.texts.push_back(u"row " + std::u16string(1, char16_t(u'A' + i)));
        for (std::u16string& text : server.texts)
            list.Items().push_back(&text);
        list.SetStandardRowHeight(20);
        list.Refresh();
        dialog.Add(list, { 10, 10, 310, 210 });
        ASSERT_TRUE(dialog.Open());
    }
    HostRect ScreenRowRect(int32_t row) const
    {
        const HostRect rect = list.RowRect(row);
        const HostPoint at = Host::ClientToScreen(list.Window(), { rect.left, rect.top });
        const int32_t width = Host::ClientRect(list.Window()).Width();
        return { at.x, at.y, at.x + width, at.y + rect.Height() };
    }

    RecordingDialog dialog;
    WinListBoxR<std::u16string> list;
    TextServer server;
    DrivenEditor editor;
};

TEST_F(ListEditTest, EditsARowOutOfViewInItsPlaceAndCommitsTheText)
{
    WinListBoxEditActivator activator(list, server, editor);
    editor.drive = [](DrivenEditor&) {
        Host::InjectKey(HostKey::kEnd);
        Host::InjectText("!");
        Host::InjectKey(HostKey::kReturn);
    };
    EXPECT_EQ(activator.Edit(30), WinEditBoxDialogEx::kCommitted);
    EXPECT_EQ(server.asked, std::vector<int32_t> { 30 });
    EXPECT_EQ(server.taken, std::vector<int32_t> { 30 });
    EXPECT_EQ(server.texts[30], u"row _!");
    // Scrolled into view first, and the editor stood over the row, as wide as the client area.
    const HostRect row = list.RowRect(30);
    EXPECT_GE(row.top, 0);
    EXPECT_LE(row.bottom, Host::ClientRect(list.Window()).bottom);
    EXPECT_EQ(editor.window_seen, ScreenRowRect(30));
}

TEST_F(ListEditTest, ACancelledEditOrAMissingRowChangesNothing)
{
    WinListBoxEditActivator activator(list, server, editor);
    editor.drive = [](DrivenEditor&) {
        Host::InjectText("gone");
        Host::InjectKey(HostKey::kEscape);
    };
    EXPECT_EQ(activator.Edit(2), WinEditBoxDialogEx::kCancelled);
    EXPECT_EQ(server.texts[2], u"row C");
    EXPECT_TRUE(server.taken.empty());

    EXPECT_EQ(activator.Edit(40), WinEditBoxDialogEx::kCancelled);
    EXPECT_EQ(activator.Edit(-1), WinEditBoxDialogEx::kCancelled);
    EXPECT_EQ(editor.shown, 1); // the editor never opened for them
    EXPECT_EQ(server.asked, std::vector<int32_t> { 2 });
}

} // namespace
} // namespace QuelvaneTest
