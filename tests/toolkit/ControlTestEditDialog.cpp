// The popup editor of in-place editing: commit and cancel, a second ending ignored, its place
// and its reuse.

#include <toolkit/WinEditBoxDialog.h>

#include "ControlTestSupport.h"

namespace QuelvaneTest {
namespace {

// Records the editor's place and looks once it is up.
class DrivenEditDialog : public DrivenDialog<WinEditBoxDialog, DrivenEditDialog> {
public:
    HostRect window_seen {};
    HostRect box_seen {};
    uint32_t ex_style_seen = 0;

protected:
    void Seen() override
    {
        window_seen = Host::WindowRect(Window());
        box_seen = Host::WindowRect(Box().Window());
        ex_style_seen = Host::ExStyle(Window());
    }
};

void Type(const std::string& text, std::initializer_list<uint32_t> keys)
{
    Host::InjectText(text);
    for (uint32_t key : keys)
        Host::InjectKey(key);
}

TEST_F(ControlTest, EnterCommitsAndEscapeCancelsWithTheTextAsTyped)
{
    DrivenEditDialog dialog;
    dialog.drive = [](DrivenEditDialog&) { Type("新しい", { HostKey::kReturn }); };
    const HostRect place { 120, 140, 420, 164 };
    EXPECT_EQ(dialog.Edit(nullptr, place, u"old"), WinEditBoxDialogEx::kCommitted);
    EXPECT_EQ(dialog.EditedText(), u"新しい"); // the old text was selected on show
    EXPECT_FALSE(dialog.IsOpen());
    // Borderless and on top: the window is the rectangle, and the box fills it.
    EXPECT_EQ(dialog.window_seen, place);
    EXPECT_EQ(dialog.box_seen, (HostRect { 0, 0, place.Width(), place.Height() }));
    EXPECT_NE(dialog.ex_style_seen & HostExStyle::kTopmost, 0U);

    // Later shows move it and start from the new text.
    const HostRect moved { 60, 300, 260, 330 };
    dialog.drive = [](DrivenEditDialog&) {
        Type("", { HostKey::kEnd, HostKey::kRight });
        Type("!", { HostKey::kEscape });
    };
    EXPECT_EQ(dialog.Edit(nullptr, moved, u"second"), WinEditBoxDialogEx::kCancelled);
    EXPECT_EQ(dialog.EditedText(), u"second!");
    EXPECT_EQ(dialog.window_seen, moved);
}

TEST_F(ControlTest, ASecondEndingIsIgnored)
{
    DrivenEditDialog dialog;
    dialog.drive = [](DrivenEditDialog&) { Type("x", { HostKey::kReturn, HostKey::kEscape }); };
    EXPECT_EQ(dialog.Edit(nullptr, { 100, 100, 300, 124 }, u""), WinEditBoxDialogEx::kCommitted);
    EXPECT_EQ(dialog.EditedText(), u"x");

    dialog.drive = [](DrivenEditDialog& self) {
        self.Box().RunCommand(WinEditBox::kCommandCancel); // the menu's "Cancel edit."
        Host::InjectKey(HostKey::kReturn);
    };
    EXPECT_EQ(dialog.Edit(nullptr, { 100, 100, 300, 124 }, u"kept"), WinEditBoxDialogEx::kCancelled);
    EXPECT_EQ(dialog.EditedText(), u"kept");
}

TEST_F(ControlTest, AMultiLineEditorTakesEnterAsALineBreak)
{
    DrivenEditDialog dialog;
    dialog.Box().SetEditFlags(dialog.Box().EditFlags() | WinEditBoxInfo::kMultiLine);
    dialog.drive = [](DrivenEditDialog&) {
        Type("a", { HostKey::kReturn });
        Host::InjectText("b");
        Host::InjectKey(HostKey::kReturn, HostMod::kControl);
    };
    EXPECT_EQ(dialog.Edit(nullptr, { 100, 100, 300, 180 }, u""), WinEditBoxDialogEx::kCommitted);
    EXPECT_EQ(dialog.EditedText(), u"a\r\nb");
}

} // namespace
} // namespace QuelvaneTest
