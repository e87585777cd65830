// The path dialog's browsing: listing order and marks, hidden entries, the layout, walking with
// keys alone, names that are not UTF-8, a folder that vanished, Tab completion, "open".

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "ControlTestPathDialogSupport.h"
#include <unistd.h>

namespace QuelvaneTest {
namespace {

using Dialog = WinPathDialog;
using Completion = WinPathBar::Completion;

class PathBrowseTest : public ControlTest {
protected:
    void SetUp() override { ASSERT_FALSE(root.empty()); }
    void File(const std::string& name) { std::ofstream(root + "/" + name) << "x"; }
    void Folder(const std::string& name) { std::filesystem::create_directories(root + "/" + name); }
    static std::vector<std::string> Listing(std::vector<std::string> rows)
    {
        std::vector<std::string> all = QuickRows();
        all.insert(all.end(), rows.begin(), rows.end());
        return all;
    }

    RecordingDialog owner;
    TestFolder folder;
    const std::string& root = folder.Path();
};

TEST_F(PathBrowseTest, FoldersComeFirstMarkedAndHiddenEntriesFollowTheToggle)
{
    for (const char* name : { "b10.txt", "B2.txt", "a.txt", ".profile" })
        File(name);
    for (const char* name : { "src", "Docs", ".git" })
        Folder(name);
    TestPathDialog dialog(Dialog::kModeFile, root);
    ASSERT_TRUE(dialog.OpenModeless(owner));
    EXPECT_EQ(dialog.Rows(), Listing({ "Docs/", "src/", "a.txt", "B2.txt", "b10.txt" }));
    EXPECT_EQ(dialog.Bar().Path().Str(), root + "/");

    Click(dialog.HiddenButton());
    EXPECT_NE(dialog.Mode() & Dialog::kModeHidden, 0);
    EXPECT_EQ(dialog.Rows(), Listing({ ".git/", "Docs/", "src/", ".profile", "a.txt", "B2.txt", "b10.txt" }));
    Click(dialog.HiddenButton());
    EXPECT_EQ(dialog.Mode() & Dialog::kModeHidden, 0);
    EXPECT_EQ(dialog.Rows().size(), 9U);

    // The bar on top, the list below it, the buttons in a row under the list.
    const HostRect bar = dialog.Bar().Rect();
    const HostRect list = dialog.Box().Rect();
    EXPECT_LT(bar.bottom, list.top);
    for (WinButton* button : { &dialog.FinishButton(), &dialog.CancelButton(), &dialog.HiddenButton(),
             &dialog.OpenSideButton() }) {
        EXPECT_GT(button->Rect().top, list.bottom);
        EXPECT_EQ(button->Rect().top, dialog.FinishButton().Rect().top);
    }
    // Growing the window grows the list; the buttons keep to the bottom and their corners.
    const HostRect finish = dialog.FinishButton().Rect();
    const HostRect hidden = dialog.HiddenButton().Rect();
    const HostRect window = Host::WindowRect(dialog.Window());
    Host::MoveWindow(dialog.Window(), { window.left, window.top, window.right + 100, window.bottom + 60 });
    Host::DrainMessages();
    EXPECT_EQ(dialog.Box().Rect().Width(), list.Width() + 100);
    EXPECT_EQ(dialog.Box().Rect().Height(), list.Height() + 60);
    EXPECT_EQ(dialog.FinishButton().Rect().left, finish.left + 100);
    EXPECT_EQ(dialog.FinishButton().Rect().top, finish.top + 60);
    EXPECT_EQ(dialog.HiddenButton().Rect().left, hidden.left);

    // A file under the list's cursor goes into the bar.
    dialog.Box().SetCursor(6);
    Host::DrainMessages();
    EXPECT_EQ(dialog.Bar().Path().Str(), root + "/a.txt");
    EXPECT_EQ(dialog.FinishButton().GetText().Str(), "Finish");
    EXPECT_EQ(dialog.OpenSideButton().GetText().Str(), "open");
    dialog.Cancel();
}

// Keys alone: Tab from the bar to the list, arrows and Enter into a folder, arrows and Enter on a
// file whose name is not UTF-8, which comes back as its own bytes.
TEST_F(PathBrowseTest, KeysWalkIntoAFolderAndChooseAFileByItsBytes)
{
    const std::string odd = "caf\xe9.txt";
    Folder("sub");
    File("sub/" + odd);
    File("top.txt");
    TestPathDialog dialog(Dialog::kModeFile, root);
    dialog.drive = [](TestPathDialog&) {
        Host::InjectKey(HostKey::kTab);
        for (int i = 0; i < 4; ++i)
            Host::InjectKey(HostKey::kDown);
        Host::InjectKey(HostKey::kReturn); // "sub/"
        // The list's Enter is posted: the folder is listed before the next keys go to it.
        Host::DrainMessages();
        for (int i = 0; i < 4; ++i)
            Host::InjectKey(HostKey::kDown);
        Host::InjectKey(HostKey::kReturn); // the file
    };
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_EQ(dialog.ChosenPath().Str(), root + "/sub/" + odd);
    EXPECT_TRUE(dialog.asked.empty());
}

TEST_F(PathBrowseTest, ATypedFolderAndEnterListItAndTheBackEntryReturns)
{
    Folder("one/two");
    TestPathDialog dialog(Dialog::kModeFolder, root);
    ASSERT_TRUE(dialog.OpenModeless(owner));
    Key('A', HostMod::kControl);
    Host::InjectText(root + "/one");
    Key(HostKey::kReturn);
    EXPECT_EQ(dialog.Box().Folder().Str(), root + "/one");
    EXPECT_EQ(dialog.Rows(), Listing({ "two/" }));

    // A relative path is taken from the folder listed.
    Key('A', HostMod::kControl);
    Host::InjectText("two");
    Key(HostKey::kReturn);
    EXPECT_EQ(dialog.Box().Folder().Str(), root + "/one/two");

    // "[LinkBackword]" lists the parent with the cursor on the folder it came from.
    dialog.Box().Focus();
    dialog.Box().SetCursor(0);
    Key(HostKey::kReturn);
    EXPECT_EQ(dialog.Box().Folder().Str(), root + "/one");
    ASSERT_NE(dialog.Box().CursorItem(), nullptr);
    EXPECT_EQ(dialog.Box().CursorItem()->path.Str(), root + "/one/two");

    // "[Drives]" lists the mounted file systems, the root among them.
    dialog.Box().SetCursor(3);
    Key(HostKey::kReturn);
    EXPECT_TRUE(dialog.Box().Folder().IsEmpty());
    const std::vector<std::string> drives = dialog.Rows();
    EXPECT_NE(std::find(drives.begin(), drives.end(), "/"), drives.end());
    dialog.Cancel();
}

TEST_F(PathBrowseTest, AFolderThatVanishedIsReportedAndTheListingKept)
{
    Folder("gone");
    File("stay.txt");
    TestPathDialog dialog(Dialog::kModeFile, root);
    ASSERT_TRUE(dialog.OpenModeless(owner));
    const std::vector<std::string> rows = dialog.Rows();
    std::filesystem::remove(root + "/gone");
    dialog.Box().Focus();
    dialog.Box().SetCursor(4);
    Key(HostKey::kReturn);
    EXPECT_EQ(dialog.Rows(), rows);
    EXPECT_EQ(dialog.Box().Folder().Str(), root);
    EXPECT_NE(dialog.ErrorBox().GetText().Str().find("Cannot list " + root + "/gone"), std::string::npos);

    // The next listing that works clears the message.
    dialog.ListFolder(Utf8(root));
    EXPECT_EQ(dialog.ErrorBox().GetText().Str(), "");
    dialog.Cancel();
}

TEST_F(PathBrowseTest, CompletionTakesTheCommonBeginningAndMarksASingleFolder)
{
    const std::vector<std::string> names { "alpha1.txt", "alpha2.txt", "beta", "gamma.txt", ".hidden" };
    const std::vector<bool> folders { false, false, true, false, false };
    struct Case {
        const char* segment;
        Completion result;
        const char* completed;
    };
    const Case cases[] = {
        { "al", Completion::Extended, "alpha" },
        { "alpha", Completion::Ambiguous, "alpha" },
        { "b", Completion::Extended, "beta/" },
        { "beta", Completion::Extended, "beta/" },
        { "g", Completion::Extended, "gamma.txt" },
        { "gamma.txt", Completion::Nothing, "gamma.txt" },
        { ".", Completion::Extended, ".hidden" },
        { "x", Completion::Nothing, "x" },
    };
    for (const Case& c : cases) {
        std::string completed;
        EXPECT_EQ(WinPathBar::CompleteAmong(c.segment, names, folders, completed), c.result) << c.segment;
        EXPECT_EQ(completed, c.completed) << c.segment;
    }
}

TEST_F(PathBrowseTest, TabCompletesInTheBarThenBeepsThenMovesOn)
{
    File("alpha1.txt");
    File("alpha2.txt");
    Folder("beta");
    TestPathDialog dialog(Dialog::kModeFile, root);
    ASSERT_TRUE(dialog.OpenModeless(owner));
    dialog.Bar().SetPath(Utf8(root + "/al"));
    Key(HostKey::kTab);
    EXPECT_EQ(dialog.Bar().Path().Str(), root + "/alpha");
    Key(HostKey::kTab); // several candidates: a beep, the focus stays
    EXPECT_TRUE(dialog.Bar().HasFocus());
    Key(HostKey::kTab);
    EXPECT_TRUE(dialog.Box().HasFocus());

    dialog.Bar().Focus();
    dialog.Bar().SetPath(Utf8("b")); // relative to the folder listed
    Key(HostKey::kTab);
    EXPECT_EQ(dialog.Bar().Path().Str(), "beta/");
    EXPECT_EQ(dialog.Bar().ResolvedPath().Str(), root + "/beta/");
    dialog.Cancel();
}

TEST_F(PathBrowseTest, TypingAfterANameThatIsNotUtf8KeepsItsBytes)
{
    const std::string odd = root + "/d\xff";
    Folder("d\xff");
    TestPathDialog dialog(Dialog::kModeFile | Dialog::kModeOfferCreate, odd);
    ASSERT_TRUE(dialog.OpenModeless(owner));
    EXPECT_EQ(dialog.Box().Folder().Str(), odd);
    dialog.Bar().Focus();
    Key(HostKey::kEnd);
    Host::InjectText("new.txt");
    Host::DrainMessages();
    EXPECT_EQ(dialog.Bar().Path().Str(), odd + "/new.txt");
    EXPECT_TRUE(dialog.Finish());
    EXPECT_EQ(dialog.ChosenPath().Str(), odd + "/new.txt");
}

TEST_F(PathBrowseTest, OpenSideOpensTheFolderOfTheBarsPath)
{
    File("a.txt");
    Folder("sub");
    TestPathDialog dialog(Dialog::kModeFile, root + "/a.txt");
    ASSERT_TRUE(dialog.OpenModeless(owner));
    EXPECT_EQ(dialog.Bar().Path().Str(), root + "/a.txt");
    Click(dialog.OpenSideButton());
    dialog.Bar().SetPath(Utf8(root + "/sub"));
    Click(dialog.OpenSideButton());
    EXPECT_EQ(dialog.opened, (std::vector<std::string> { root, root + "/sub" }));
    dialog.Cancel();
}

} // namespace
} // namespace QuelvaneTest
