// The list editor on real windows of the headless host: a bar's line split into rows and joined
// back, the move walk, the clipboard commands, in-place editing plain and decoded, dropped
// paths, the menu's greyed items, keys, Finish and Cancel, Japanese items and a very long list.
// QUELVANE_SPLIT_SHOT=FOLDER saves list-editor.png and list-editor-ja.png there.

#include <app/GuiSplitDialog.h>
#include <core/RawLanguageTable.h>
#include <toolkit/host/HostMenu.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "../TestSupport.h"
#include "../toolkit/ControlTestSupport.h"

namespace {

using namespace QuelvaneTest;
using AppLayer::GuiSplitBox;
using AppLayer::GuiSplitBoxCommand;
using AppLayer::GuiSplitDialog;
using RawLayer::RawString;

constexpr uint32_t kMsgWhenEditing = HostMsg::kApp + 0x210;

std::vector<RawString> Items(const std::vector<std::string>& texts)
{
    std::vector<RawString> items;
    for (const std::string& text : texts)
        items.push_back(Utf8(text));
    return items;
}

std::vector<std::string> Texts(const std::vector<RawString>& items)
{
    std::vector<std::string> texts;
    for (const RawString& item : items)
        texts.push_back(item.Str());
    return texts;
}

// Runs `drive` inside the modal run; a dialog still open afterwards is cancelled.
class DrivenSplit : public DrivenDialog<GuiSplitDialog, DrivenSplit> {
public:
    using DrivenDialog::DrivenDialog;

    std::vector<std::string> Rows() const { return Texts(ItemTexts()); }
    void Select(const std::vector<int32_t>& rows)
    {
        Box().Focus();
        Box().SetCursor(rows.front());
        for (size_t at = 1; at < rows.size(); ++at)
            Box().ToggleSelection(rows[at]);
        Host::DrainMessages();
    }
    static void Key(uint32_t key, uint32_t modifiers = 0)
    {
        Host::InjectKey(key, modifiers);
        Host::DrainMessages();
    }
    void Press(WinButton& button)
    {
        Host::InjectClick(button.Window(), { 5, 5 });
        Host::DrainMessages();
    }
    // Starts an edit with `start` and runs `edit` once the editor is up (the edit is modal).
    void Editing(const std::function<void()>& start, std::function<void()> edit)
    {
        while_editing_ = std::move(edit);
        tries_ = 0;
        Host::PostMessage(Window(), kMsgWhenEditing, 0, 0);
        start();
        Host::DrainMessages();
    }
    bool edited_multi_line = false;

protected:
    void Driven() override
    {
        if (IsOpen())
            OnNotify(&CancelButton(), kCodeCancel);
    }
    HostResult HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam) override
    {
        if (message != kMsgWhenEditing)
            return DrivenDialog::HandleMessage(message, wparam, lparam);
        WinEditBoxDialogEx& editor = Command().Activator().Editor();
        if (!editor.IsOpen()) {
            if (++tries_ < 1000)
                Host::PostMessage(Window(), kMsgWhenEditing, 0, 0);
            return 0;
        }
        edited_multi_line = (editor.Box().EditFlags() & WinEditBoxInfo::kMultiLine) != 0;
        if (while_editing_)
            while_editing_();
        return 0;
    }

private:
    std::function<void()> while_editing_;
    int tries_ = 0;
};

class GuiSplitDialogTest : public ControlTest {
protected:
    void SetUp() override
    {
        owner_.Add(bar_, { 10, 10, 400, 34 });
        ASSERT_TRUE(owner_.Open());
    }

    // Opens a dialog over the owner with `items`, runs `drive` and gives the dialog back.
    void Run(DrivenSplit& dialog, const std::function<void(DrivenSplit&)>& drive)
    {
        dialog.PlaceBelow(Host::WindowRect(bar_.Window()), Host::WindowRect(owner_.Window()));
        dialog.drive = drive;
        dialog.Run(&owner_);
    }

    RecordingDialog owner_;
    WinButton bar_;
};

TEST(GuiSplitItems, SplitKeepsEveryPieceAndJoinDropsEmptyOnes)
{
    struct Case {
        std::string bar;
        std::vector<std::string> items;
        std::string joined;
    } const cases[] = {
        { "", { "" }, "" },
        { "a;;b", { "a", "", "b" }, "a;b" },
        { "a;", { "a", "" }, "a" },
        { ";;", { "", "", "" }, "" },
        { "x%dy;%N", { "x%dy", "%N" }, "x%dy;%N" },
        { "検索;置換", { "検索", "置換" }, "検索;置換" },
    };
    for (const Case& each : cases) {
        const std::vector<RawString> items = GuiSplitDialog::SplitItems(Utf8(each.bar));
        EXPECT_EQ(Texts(items), each.items) << each.bar;
        EXPECT_EQ(GuiSplitDialog::JoinItems(items).Str(), each.joined) << each.bar;
    }
}

// The keys the dialog tests below do not press themselves.
TEST(GuiSplitItems, OtherKeysMapToTheirCommandsOrToTheList)
{
    struct Case {
        uint32_t key;
        uint32_t modifiers;
        uint32_t command;
    } const cases[] = {
        { HostKey::kInsert, HostMod::kControl, GuiSplitBoxCommand::kAppendAfter },
        { 'U', 0, 0 }, // letters act only with Ctrl
        { 'C', HostMod::kControl | HostMod::kAlt, 0 },
        { HostKey::kDown, HostMod::kControl, 0 },
    };
    for (const Case& each : cases)
        EXPECT_EQ(GuiSplitBox::KeyCommand(each.key, each.modifiers), each.command) << each.key;
}

TEST_F(GuiSplitDialogTest, OpensWithTheListFocusedBelowTheBar)
{
    DrivenSplit dialog(Items({ "a", "b" }), GuiSplitDialog::kModeTexts);
    HostRect placed {};
    bool focused = false;
    Run(dialog, [&](DrivenSplit& self) {
        placed = Host::WindowRect(self.Window());
        focused = self.Box().HasFocus();
        EXPECT_EQ(self.ClassName().Str(), "Quelvane_Split");
        EXPECT_EQ(self.Box().Cursor(), 0);
    });
    const HostRect bar = Host::WindowRect(bar_.Window());
    EXPECT_TRUE(focused);
    EXPECT_EQ(placed.left, bar.left);
    EXPECT_EQ(placed.top, bar.bottom);
    EXPECT_GE(placed.Height(), Host::WindowRect(owner_.Window()).Height() / 2);
    EXPECT_FALSE(dialog.Finished());
}

TEST_F(GuiSplitDialogTest, MovesWalkPastUnselectedRowsOnly)
{
    struct Case {
        std::vector<int32_t> selected; // the first is the cursor
        uint32_t modifiers_key;        // 'U' up, 'O' down
        std::vector<std::string> rows;
        int32_t cursor;
    } const cases[] = {
        { { 0, 2 }, 'U', { "1", "3", "2", "4", "5" }, 0 },
        { { 2, 0 }, 'U', { "1", "3", "2", "4", "5" }, 1 },
        { { 3, 4 }, 'O', { "1", "2", "3", "4", "5" }, 3 },
        { { 1, 2 }, 'U', { "2", "3", "1", "4", "5" }, 0 },
        { { 0, 1 }, 'U', { "1", "2", "3", "4", "5" }, 0 },
        { { 1, 3 }, 'O', { "1", "3", "2", "5", "4" }, 2 },
    };
    for (const Case& each : cases) {
        DrivenSplit dialog(Items({ "1", "2", "3", "4", "5" }), GuiSplitDialog::kModeTexts);
        Run(dialog, [&](DrivenSplit& self) {
            self.Select(each.selected);
            self.Key(each.modifiers_key, HostMod::kControl);
            EXPECT_EQ(self.Rows(), each.rows) << each.selected[0] << " " << each.modifiers_key;
            EXPECT_EQ(self.Box().Cursor(), each.cursor) << each.selected[0] << " " << each.modifiers_key;
            EXPECT_EQ(self.Box().SelectedCount(), static_cast<int32_t>(each.selected.size()));
        });
    }
}

TEST_F(GuiSplitDialogTest, MoveButtonsMoveTheSelectionAsAWhole)
{
    DrivenSplit dialog(Items({ "1", "2", "3", "4" }), GuiSplitDialog::kModeTexts);
    Run(dialog, [&](DrivenSplit& self) {
        self.Select({ 2, 3 });
        self.Press(self.MoveUpButton());
        EXPECT_EQ(self.Rows(), (std::vector<std::string> { "1", "3", "4", "2" }));
        self.Press(self.MoveUpButton());
        EXPECT_EQ(self.Rows(), (std::vector<std::string> { "3", "4", "1", "2" }));
        self.Press(self.MoveDownButton());
        EXPECT_EQ(self.Rows(), (std::vector<std::string> { "1", "3", "4", "2" }));
        EXPECT_TRUE(self.Box().IsSelected(1) && self.Box().IsSelected(2));
    });
}

TEST_F(GuiSplitDialogTest, CopyPutsALineBreakAfterEachOfSeveralItemsOnly)
{
    DrivenSplit dialog(Items({ "a%Nb", "c;d", "e" }), GuiSplitDialog::kModeTexts);
    Run(dialog, [&](DrivenSplit& self) {
        self.Select({ 1 });
        self.Key('C', HostMod::kControl);
        EXPECT_EQ(Host::ClipboardText(), "c;d");
        self.Select({ 2, 0 });
        self.Key('C', HostMod::kControl);
        EXPECT_EQ(Host::ClipboardText(), "a%Nb\r\ne\r\n");
    });
}

TEST_F(GuiSplitDialogTest, ClipboardInsertsOneEscapedItemOrSeveral)
{
    struct Case {
        std::string clipboard;
        uint32_t key;
        std::vector<std::string> rows;
    } const cases[] = {
        { "x;y", 'V', { "a", "x%dy", "b" } },
        { "x;y", 'N', { "a", "x", "y", "b" } },
        { "p%\r\nq", 'V', { "a", "p%e%Nq", "b" } },
        { "p%\r\nq;\tr", 'N', { "a", "p%%Nq", "%tr", "b" } },
        { "", 'V', { "a", "b" } },
        { "", 'N', { "a", "b" } },
    };
    for (const Case& each : cases) {
        ASSERT_TRUE(Host::SetClipboardText(each.clipboard));
        DrivenSplit dialog(Items({ "a", "b" }), GuiSplitDialog::kModeTexts);
        Run(dialog, [&](DrivenSplit& self) {
            self.Select({ 1 });
            self.Key(each.key, HostMod::kControl);
            EXPECT_EQ(self.Rows(), each.rows) << each.clipboard;
        });
    }
}

TEST_F(GuiSplitDialogTest, DeleteRemovesTheSelectionAndNeverEmptiesTheList)
{
    DrivenSplit dialog(Items({ "1", "2", "3", "4", "5" }), GuiSplitDialog::kModeTexts);
    Run(dialog, [&](DrivenSplit& self) {
        self.Select({ 1, 3 });
        self.Key(HostKey::kDelete);
        EXPECT_EQ(self.Rows(), (std::vector<std::string> { "1", "3", "5" }));
        EXPECT_EQ(self.Box().Cursor(), 1);
        self.Select({ 2 });
        self.Key('X', HostMod::kControl);
        EXPECT_EQ(self.Rows(), (std::vector<std::string> { "1", "3" }));
        EXPECT_EQ(self.Box().Cursor(), 1) << "the last row, where the removed one was";
        self.Select({ 0, 1 });
        self.Key(HostKey::kDelete);
        EXPECT_EQ(self.Rows(), (std::vector<std::string> { "" }));
    });
}

TEST_F(GuiSplitDialogTest, MenuGreysWhatNeedsACursorOrASelection)
{
    DrivenSplit dialog(Items({ "a", "b" }), GuiSplitDialog::kModeTexts);
    Run(dialog, [&](DrivenSplit& self) {
        const auto greyed = [&] {
            HostMenu menu;
            self.Command().BuildMenu(menu);
            std::string marks;
            for (const HostMenu::Item& item : menu.Items())
                marks += item.separator ? '|' : (item.flags & HostMenu::kGrayed) != 0 ? 'g' : 'e';
            return marks;
        };
        EXPECT_EQ(greyed(), "ee|eeee|eee|e");
        self.Box().ClearSelection();
        EXPECT_EQ(greyed(), "gg|eeeg|gee|e") << "the cursor stays without a selection";
        self.Box().SetCursor(WinListBox::kNoCursor);
        EXPECT_EQ(greyed(), "gg|gggg|ggg|g");
        HostMenu menu;
        self.Command().BuildMenu(menu);
        EXPECT_EQ(menu.Items()[0].text, "Move up selected items.\t[Ctrl+U]");
        EXPECT_EQ(menu.Items().back().text, "Open cursor item's path.");
        self.Key(HostKey::kDelete); // disabled: nothing happens
        EXPECT_EQ(self.Rows(), (std::vector<std::string> { "a", "b" }));
    });
}

TEST_F(GuiSplitDialogTest, InPlaceEditsCommitEscapedIntoTheItem)
{
    DrivenSplit dialog(Items({ "a", "b%N" }), GuiSplitDialog::kModeTexts);
    Run(dialog, [&](DrivenSplit& self) {
        // Insert: a new item before the cursor item, edited at once.
        self.Select({ 1 });
        self.Editing([] { Host::InjectKey(HostKey::kInsert); },
            [] {
                Host::InjectText("n;1");
                Host::InjectKey(HostKey::kReturn);
            });
        EXPECT_EQ(self.Rows(), (std::vector<std::string> { "a", "n%d1", "b%N" }));
        EXPECT_FALSE(self.edited_multi_line);
        // Shift+Insert on the last item appends; Escape cancels, leaving the new empty item.
        self.Select({ 2 });
        self.Editing([] { Host::InjectKey(HostKey::kInsert, HostMod::kShift); },
            [] { Host::InjectKey(HostKey::kEscape); });
        EXPECT_EQ(self.Rows(), (std::vector<std::string> { "a", "n%d1", "b%N", "" }));
        EXPECT_EQ(self.Box().Cursor(), 3);
        // A click on the one selected row edits it; the stored text is what the editor shows.
        self.Select({ 2 });
        self.Editing(
            [&] {
                Host::InjectClick(self.Box().Window(), { 5, self.Box().RowRect(2).top + 3 });
            },
            [] {
                Host::InjectKey(HostKey::kEnd);
                Host::InjectText("%");
                Host::InjectKey(HostKey::kReturn);
            });
        EXPECT_EQ(self.Rows()[2], "b%N%") << "a percent sign stays as typed";
        // Enter (the list's accept) edits the cursor item too.
        self.Select({ 0 });
        self.Editing([] { Host::InjectKey(HostKey::kReturn); },
            [] {
                Host::InjectText("z");
                Host::InjectKey(HostKey::kReturn);
            });
        EXPECT_EQ(self.Rows()[0], "z");
    });
}

TEST_F(GuiSplitDialogTest, DecodeShowsLinesAndEditsInAMultiLineEditor)
{
    DrivenSplit dialog(Items({ "a%Nb", "c" }), GuiSplitDialog::kModeTexts);
    Run(dialog, [&](DrivenSplit& self) {
        const int32_t plain_height = self.Box().Heights().Height(0);
        self.Press(self.DecodeButton());
        EXPECT_TRUE(self.Box().Decode());
        const std::string shown = self.Box().ShownText(0).Str();
        EXPECT_EQ(shown.find('a'), 0U);
        EXPECT_NE(shown.find('\n'), std::string::npos) << "two lines";
        EXPECT_EQ(self.Box().Heights().Height(0), 2 * plain_height - 2);
        self.Select({ 0 });
        self.Editing([] { Host::InjectKey('M', HostMod::kControl); },
            [] {
                Host::InjectText("x");
                Host::InjectKey(HostKey::kReturn);
                Host::InjectText("y;%z");
                Host::InjectKey(HostKey::kReturn, HostMod::kControl);
            });
        EXPECT_TRUE(self.edited_multi_line);
        EXPECT_EQ(self.Rows()[0], "x%Ny%d%z");
        self.Press(self.DecodeButton());
        EXPECT_FALSE(self.Box().Decode());
        EXPECT_EQ(self.Box().Heights().Height(0), plain_height);
    });
}

TEST_F(GuiSplitDialogTest, PasteInTheEditorEncodesOnlyInTheOneLineEditor)
{
    DrivenSplit dialog(Items({ "a" }), GuiSplitDialog::kModeTexts);
    Run(dialog, [&](DrivenSplit& self) {
        // What the editor holds after a paste into it; the edit is then cancelled.
        const auto pasted = [&] {
            std::u16string text;
            self.Select({ 0 });
            self.Editing([] { Host::InjectKey('M', HostMod::kControl); },
                [&] {
                    Host::InjectKey('V', HostMod::kControl);
                    Host::DrainMessages();
                    text = self.Command().Activator().Bar().Text16();
                    Host::InjectKey(HostKey::kEscape);
                });
            return text;
        };
        ASSERT_TRUE(Host::SetClipboardText("p\r\nq;r"));
        EXPECT_EQ(pasted(), u"p%Nq;r");
        self.Press(self.DecodeButton());
        const std::u16string multi_line = pasted();
        EXPECT_EQ(multi_line.find(u"%N"), std::u16string::npos) << "the multi-line editor pastes as it is";
        EXPECT_NE(multi_line.find(u"q;r"), std::u16string::npos);
        self.Press(self.DecodeButton());
        EXPECT_EQ(pasted(), u"p%Nq;r") << "the bar's own hook is back";
        EXPECT_EQ(self.Rows()[0], "a") << "both edits were cancelled";
    });
}

TEST_F(GuiSplitDialogTest, DropsInsertPathsOnlyIntoAPathList)
{
    const std::vector<std::string> paths { "/tmp/one", "/tmp/二" };
    DrivenSplit texts(Items({ "a", "b" }), GuiSplitDialog::kModeTexts);
    Run(texts, [&](DrivenSplit& self) {
        Host::InjectDrop(self.Box().Window(), { 5, 3 }, paths);
        Host::DrainMessages();
        EXPECT_EQ(self.Rows(), (std::vector<std::string> { "a", "b" }));
    });
    DrivenSplit folders(Items({ "a", "b" }), GuiSplitDialog::kModePaths);
    Run(folders, [&](DrivenSplit& self) {
        self.Select({ 1 });
        Host::InjectDrop(self.Box().Window(), { 5, self.Box().RowRect(1).top + 2 }, paths);
        Host::DrainMessages();
        EXPECT_EQ(self.Rows(), (std::vector<std::string> { "a", "/tmp/one", "/tmp/二", "b" }));
        EXPECT_EQ(self.Box().Cursor(), 3) << "the cursor stays on its item";
        Host::InjectDrop(self.Box().Window(), { 5, self.Box().RowRect(3).bottom + 20 }, { "/z" });
        Host::DrainMessages();
        EXPECT_EQ(self.Rows().back(), "/z");
    });
}

TEST_F(GuiSplitDialogTest, OpenPathOpensOnlyWhatExists)
{
    const std::string folder = ::testing::TempDir();
    DrivenSplit dialog(Items({ folder, folder + "/no such file" }), GuiSplitDialog::kModePaths);
    std::vector<std::string> opened;
    dialog.Command().SetOpener([&](const RawString& path, bool is_folder) {
        opened.push_back((is_folder ? "d:" : "f:") + path.Str());
    });
    Run(dialog, [&](DrivenSplit& self) {
        self.Command().Run(GuiSplitBoxCommand::kOpenPath);
        self.Select({ 1 });
        self.Command().Run(GuiSplitBoxCommand::kOpenPath);
    });
    EXPECT_EQ(opened, (std::vector<std::string> { "d:" + folder }));
}

TEST_F(GuiSplitDialogTest, FinishAndCancelDecideTheResultOnce)
{
    DrivenSplit finished(Items({ "a", "", "b" }), GuiSplitDialog::kModeTexts);
    Run(finished, [](DrivenSplit& self) {
        self.Press(self.FinishButton());
        self.OnNotify(&self.CancelButton(), GuiSplitDialog::kCodeCancel); // after closing: ignored
    });
    EXPECT_TRUE(finished.Finished());
    EXPECT_EQ(GuiSplitDialog::JoinItems(finished.ItemTexts()).Str(), "a;b");

    DrivenSplit cancelled(Items({ "a" }), GuiSplitDialog::kModeTexts);
    Run(cancelled, [](DrivenSplit& self) {
        self.Key(HostKey::kEscape);
        self.OnNotify(&self.FinishButton(), GuiSplitDialog::kCodeFinish);
    });
    EXPECT_FALSE(cancelled.Finished());
}

TEST_F(GuiSplitDialogTest, KeyboardAloneWithJapaneseItems)
{
    DrivenSplit dialog(Items({ "検索", "置換", "フォルダ" }), GuiSplitDialog::kModeTexts);
    Run(dialog, [&](DrivenSplit& self) {
        self.Key(HostKey::kDown);
        self.Key('U', HostMod::kControl);
        EXPECT_EQ(self.Rows(), (std::vector<std::string> { "置換", "検索", "フォルダ" }));
        self.Key(HostKey::kEnd);
        self.Editing([] { Host::InjectKey('M', HostMod::kControl); },
            [] {
                Host::InjectKey(HostKey::kEnd);
                Host::InjectText("２");
                Host::InjectKey(HostKey::kReturn);
            });
        for (int tab = 0; tab < 4; ++tab)
            self.Key(HostKey::kTab);
        EXPECT_TRUE(self.FinishButton().HasFocus());
        self.Key(HostKey::kReturn);
    });
    EXPECT_TRUE(dialog.Finished());
    EXPECT_EQ(GuiSplitDialog::JoinItems(dialog.ItemTexts()).Str(), "置換;検索;フォルダ２");
}

TEST_F(GuiSplitDialogTest, AMillionItemsOpenAndMove)
{
    std::string bar;
    for (int item = 0; item < 1000000; ++item)
        bar += "item" + std::to_string(item) + ";";
    bar.pop_back();
    DrivenSplit dialog(GuiSplitDialog::SplitItems(Utf8(bar)), GuiSplitDialog::kModeTexts);
    Run(dialog, [&](DrivenSplit& self) {
        EXPECT_EQ(self.Box().RowCount(), 1000000);
        self.Key(HostKey::kEnd);
        self.Key('U', HostMod::kControl);
        EXPECT_EQ(self.Box().Cursor(), 999998);
        self.Press(self.FinishButton());
    });
    const std::vector<RawString> items = dialog.ItemTexts();
    ASSERT_EQ(items.size(), 1000000U);
    EXPECT_EQ(items[999998].Str(), "item999999");
    EXPECT_EQ(items[999999].Str(), "item999998");
}

// Pictures for the documentation, in English and in Japanese.
TEST_F(GuiSplitDialogTest, Pictures)
{
    const char* folder = std::getenv("QUELVANE_SPLIT_SHOT");
    const char* language_file = std::getenv("QUELVANE_LANGUAGE_FILE");
    if (folder == nullptr || language_file == nullptr)
        GTEST_SKIP() << "QUELVANE_SPLIT_SHOT not set";
    RawLayer::RawLanguageTable& table = RawLayer::RawLanguageTable::Instance();
    table.SetFilePath(Utf8(language_file));
    ASSERT_TRUE(table.Load(Utf8(::testing::TempDir())));
    struct Shot {
        const char* language;
        std::vector<std::string> items;
        std::string file;
        bool decoded;
    } const shots[] = {
        { "Default", { "C:/work/src", "/home/user/projects/quelvane;docs", "", "%N", "*.cpp" },
            "list-editor.png", false },
        { "Japanese", { "検索する言葉", "置換%N二行目", "フォルダ", "漢字とかな" }, "list-editor-ja.png",
            true },
    };
    for (const Shot& shot : shots) {
        table.SetLanguage(Utf8(shot.language));
        DrivenSplit dialog(Items(shot.items), GuiSplitDialog::kModePaths);
        dialog.SetText(Utf8(shot.language == std::string("Japanese") ? "検索リスト" : "Search list"));
        Run(dialog, [&](DrivenSplit& self) {
            self.Select({ 1, 3 });
            if (shot.decoded)
                self.Press(self.DecodeButton());
            Host::DrainMessages();
            EXPECT_TRUE(Host::SaveWindowAsPng(self.Window(), std::string(folder) + "/" + shot.file));
        });
    }
    table.SetLanguage(Utf8("Default"));
}

} // namespace
