// The main window's edit bars on real windows: the two pastes through the bar's encoder, files
// dropped on the bar and on its drop button, change marking, the extended menu, and the busy
// indicator's block.

#include <app/GuiDropAppend.h>
#include <app/GuiDropBar.h>
#include <app/GuiProgressBar.h>
#include <toolkit/WinDropButton.h>
#include <toolkit/host/HostMenu.h>

#include <string>
#include <vector>

#include "../toolkit/ControlTestSupport.h"

namespace {

using namespace QuelvaneTest;
using AppLayer::GuiDropAppend;
using AppLayer::GuiDropBar;
using AppLayer::GuiProgressBar;

// A bar whose menu can be read without opening it.
class MenuBar : public GuiDropBar {
public:
    std::vector<uint32_t> Commands()
    {
        HostMenu menu;
        BuildContextMenu(menu);
        std::vector<uint32_t> commands;
        for (const HostMenu::Item& item : menu.Items())
            commands.push_back(item.separator ? 0 : item.command);
        return commands;
    }
};

std::string Utf8Of(const std::u16string& units)
{
    RawLayer::RawString text;
    EXPECT_TRUE(text.Acquire(RawLayer::RawString(std::u16string_view(units)), RawLayer::RawEncoding::Utf8));
    return text.Str();
}

class GuiDropBarTest : public ControlTest {
protected:
    void SetUp() override
    {
        dialog_.Add(bar_, { 10, 10, 400, 34 });
        dialog_.Add(button_, { 410, 10, 450, 34 });
        dialog_.Add(busy_, { 10, 50, 410, 74 });
        button_.SetExecution(&append_);
        ASSERT_TRUE(dialog_.Open());
    }
    std::string BarText() const { return Utf8Of(bar_.Text16()); }
    void Type(const std::string& text)
    {
        bar_.Focus();
        Host::InjectText(text);
        Host::DrainMessages();
    }
    void Paste(const std::string& clipboard, uint32_t command)
    {
        ASSERT_TRUE(Host::SetClipboardText(clipboard));
        bar_.SelectAll();
        bar_.RunCommand(command);
        Host::DrainMessages();
    }

    RecordingDialog dialog_;
    MenuBar bar_;
    WinDropButton button_;
    GuiDropAppend append_ { bar_ };
    GuiProgressBar busy_;
};

TEST_F(GuiDropBarTest, PastesLinesAsOneLineAndOneItemEscaped)
{
    Paste("one\r\ntwo\nthree", WinEditBox::kCommandPaste);
    EXPECT_EQ(BarText(), "one%Ntwo%Nthree");
    Paste("a;b%", GuiDropBar::kCommandPasteOneItem);
    EXPECT_EQ(BarText(), "a%db%e");
    Paste("a;b%", WinEditBox::kCommandPaste);
    EXPECT_EQ(BarText(), "a;b%");
    // The one-item mode lasts one paste: Ctrl+V afterwards is an ordinary paste again.
    ASSERT_TRUE(Host::SetClipboardText("漢字\t;x"));
    bar_.Focus();
    bar_.SelectAll();
    Key('V', HostMod::kControl);
    EXPECT_EQ(BarText(), "漢字%t;x");
}

TEST_F(GuiDropBarTest, MenuHasPasteOneItemRightAfterPaste)
{
    const std::vector<uint32_t> commands = bar_.Commands();
    std::vector<uint32_t> pastes;
    for (size_t i = 0; i < commands.size(); ++i)
        if (commands[i] == WinEditBox::kCommandPaste && i + 1 < commands.size())
            pastes.push_back(commands[i + 1]);
    EXPECT_EQ(pastes, std::vector<uint32_t> { GuiDropBar::kCommandPasteOneItem });
}

TEST_F(GuiDropBarTest, DropsReplaceTheBarOrAppendThroughTheButton)
{
    Type("old");
    Host::InjectDrop(bar_.Window(), { 20, 10 }, { "/tmp/a b", "/tmp/漢字" });
    Host::DrainMessages();
    EXPECT_EQ(BarText(), "/tmp/a b;/tmp/漢字");
    const auto all = static_cast<int32_t>(bar_.Text16().size());
    EXPECT_EQ(std::min(bar_.Anchor(), bar_.Caret()), 0);
    EXPECT_EQ(std::max(bar_.Anchor(), bar_.Caret()), all);

    bar_.SelectAll();
    bar_.ReplaceSelection(u"one");
    Host::InjectDrop(button_.Window(), { 5, 5 }, { "/x", "/y" });
    Host::DrainMessages();
    EXPECT_EQ(BarText(), "one;/x;/y");
    EXPECT_EQ(std::min(bar_.Anchor(), bar_.Caret()), 3);
    EXPECT_EQ(std::max(bar_.Anchor(), bar_.Caret()), 9);
    // One undo takes the whole addition back.
    bar_.Undo();
    EXPECT_EQ(BarText(), "one");

    bar_.SelectAll();
    bar_.ReplaceSelection(u"");
    Host::InjectDrop(button_.Window(), { 5, 5 }, { "/x", "/y" });
    Host::DrainMessages();
    EXPECT_EQ(BarText(), "/x;/y");
}

TEST_F(GuiDropBarTest, NamesThatAreNotUtf8AreRefusedWithoutChange)
{
    Type("keep");
    Host::InjectDrop(bar_.Window(), { 20, 10 }, { "/tmp/ok", std::string("/tmp/\xff\xfe") });
    Host::InjectDrop(button_.Window(), { 5, 5 }, { std::string("/tmp/\xc3") });
    Host::DrainMessages();
    EXPECT_EQ(BarText(), "keep");
}

TEST_F(GuiDropBarTest, ChangeMarkingFollowsTheCommittedText)
{
    const RawColour normal = bar_.NormalBackground();
    Type("abc");
    EXPECT_EQ(bar_.Background(), normal); // marking is off
    bar_.SetChangeMarking(true);
    bar_.Commit();
    EXPECT_EQ(bar_.Background(), normal);
    Type("d");
    EXPECT_EQ(bar_.Background(), GuiDropBar::kChangedBackground);
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(bar_.Window(), { 2, 2 }), GuiDropBar::kChangedBackground);
    bar_.Undo();
    EXPECT_EQ(BarText(), "abc");
    EXPECT_EQ(bar_.Background(), normal);

    Type("e");
    bar_.Enable(false);
    bar_.Recolour();
    EXPECT_EQ(bar_.Background(), WinDialog::kDialogFace);
    bar_.Enable(true);
    bar_.Recolour();
    EXPECT_EQ(bar_.Background(), GuiDropBar::kChangedBackground);
    bar_.SetChangeMarking(false);
    EXPECT_EQ(bar_.Background(), normal);
}

TEST_F(GuiDropBarTest, BusyBlockMovesAndWrapsThenHides)
{
    busy_.Start();
    const int32_t client = Host::ClientRect(busy_.Window()).Width();
    const int32_t width = busy_.BlockWidth();
    EXPECT_EQ(width, client / 10);
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(busy_.Window(), { 1, 12 }), GuiProgressBar::kBlockColour);
    EXPECT_NE(Host::PixelAt(busy_.Window(), { width + 2, 12 }), GuiProgressBar::kBlockColour);

    busy_.Advance(100);
    Host::DrainMessages();
    EXPECT_EQ(busy_.BlockOffset(), 100);
    EXPECT_NE(Host::PixelAt(busy_.Window(), { 1, 12 }), GuiProgressBar::kBlockColour);
    EXPECT_EQ(Host::PixelAt(busy_.Window(), { 101, 12 }), GuiProgressBar::kBlockColour);
    busy_.Advance(client - width); // wraps within the width the block leaves free
    EXPECT_EQ(busy_.BlockOffset(), 100);

    busy_.Stop();
    busy_.Advance(10);
    Host::DrainMessages();
    EXPECT_FALSE(busy_.Running());
    EXPECT_NE(Host::PixelAt(busy_.Window(), { 41, 12 }), GuiProgressBar::kBlockColour);
}

} // namespace
