// The path dialog's finish checks on real folders (questions answered by the test), cancelling,
// and the caller's view of a modal run.

#include <filesystem>
#include <fstream>

#include "ControlTestPathDialogSupport.h"

namespace QuelvaneTest {
namespace {

using Dialog = WinPathDialog;
constexpr int kYes = WinInfoDialog::kYes;
constexpr int kNo = WinInfoDialog::kNo;
constexpr int kOk = WinInfoDialog::kOk;
constexpr int kCancel = WinInfoDialog::kCancel;

class PathDialogTest : public ControlTest {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(root.empty());
        std::ofstream(root + "/a.txt") << "a";
        std::filesystem::create_directory(root + "/sub");
    }

    RecordingDialog owner;
    TestFolder folder;
    const std::string& root = folder.Path();
};

struct FinishCase {
    const char* what;
    uint16_t mode;
    const char* extension;
    const char* typed; // under the test folder
    std::deque<int> answers;
    std::vector<std::string> asked; // "key path" with the path under the test folder
    const char* chosen;             // nullptr: the dialog stays open
};

TEST_F(PathDialogTest, FinishChecksAskInOrderAndStopOrHandTheChosenPathBack)
{
    const uint16_t file = Dialog::kModeFile;
    const uint16_t folder_mode = Dialog::kModeFolder;
    const FinishCase cases[] = {
        { "expansion taken", file, "txt", "report", { kYes }, { "ExpandExtension report.txt" },
            "report.txt" },
        { "expansion refused", file, ".txt", "report", { kNo }, { "ExpandExtension report.txt" }, "report" },
        { "expansion cancelled", file, "txt", "report", { kCancel }, { "ExpandExtension report.txt" },
            nullptr },
        { "must exist keeps the name silently", file | Dialog::kModeMustExist, "txt", "report", {},
            { "SpecifyExist report" }, nullptr },
        { "must exist asks when the longer name is a file", file | Dialog::kModeMustExist, "txt", "a",
            { kYes }, { "ExpandExtension a.txt" }, "a.txt" },
        { "a name with an extension is kept", file, "txt", "a.log", {}, {}, "a.log" },
        { "a folder in file mode", file, "", "sub", {}, { "SpecifyFile sub" }, nullptr },
        { "a file in folder mode", folder_mode, "", "a.txt", {}, { "SpecifyFolder a.txt" }, nullptr },
        { "overwrite allowed", file | Dialog::kModeAskOverwrite, "", "a.txt", { kOk }, { "Overwrite a.txt" },
            "a.txt" },
        { "overwrite refused", file | Dialog::kModeAskOverwrite, "", "a.txt", { kCancel },
            { "Overwrite a.txt" }, nullptr },
        { "a folder chosen with its slash", folder_mode | Dialog::kModeMustExist, "", "sub/", {}, {}, "sub" },
        { "a missing folder offered", file | Dialog::kModeOfferCreate, "", "new/deep/x.txt", { kOk },
            { "CreateFolder new/deep" }, "new/deep/x.txt" },
        { "a missing folder refused", file | Dialog::kModeOfferCreate, "", "new/deep/x.txt", { kCancel },
            { "CreateFolder new/deep" }, nullptr },
        { "offered creation overrides must exist",
            folder_mode | Dialog::kModeMustExist | Dialog::kModeOfferCreate, "", "made", { kOk },
            { "CreateFolder made" }, "made" },
        { "created silently", folder_mode | Dialog::kModeCreate, "", "made/here", {}, {}, "made/here" },
        { "a folder under a file cannot be made", folder_mode | Dialog::kModeCreate, "", "a.txt/here", {},
            { "ErrorCreate a.txt/here" }, nullptr },
    };
    for (const FinishCase& c : cases) {
        SCOPED_TRACE(c.what);
        TestPathDialog dialog(c.mode, root, c.extension);
        dialog.answers = c.answers;
        ASSERT_TRUE(dialog.OpenModeless(owner));
        dialog.Bar().SetPath(Utf8(root + "/" + c.typed));
        EXPECT_EQ(dialog.Finish(), c.chosen != nullptr);

        std::vector<std::string> asked;
        for (const std::string& question : c.asked)
            asked.push_back(question.substr(0, question.find(' ')) + " " + root + "/"
                + question.substr(question.find(' ') + 1));
        EXPECT_EQ(dialog.asked, asked);
        if (c.chosen != nullptr) {
            EXPECT_FALSE(dialog.IsOpen());
            EXPECT_EQ(dialog.ResultCode(), 1);
            EXPECT_EQ(dialog.ChosenPath().Str(), root + "/" + c.chosen);
        } else {
            // Still open, the path as typed, nothing handed back.
            EXPECT_TRUE(dialog.IsOpen());
            EXPECT_EQ(dialog.Bar().Path().Str(), root + "/" + c.typed);
            EXPECT_EQ(dialog.ChosenPath().Str(), root);
            dialog.Cancel();
            EXPECT_EQ(dialog.ResultCode(), 0);
        }
        Host::DrainMessages();
        std::filesystem::remove_all(root + "/new");
        std::filesystem::remove_all(root + "/made");
    }
    // Creation went only as far as asked.
    EXPECT_FALSE(std::filesystem::exists(root + "/new"));
}

// Without a test's answers the questions go to a real info dialog over the path dialog.
TEST_F(PathDialogTest, TheInfoDialogAnswersTheQuestions)
{
    struct RealQuestions : public WinPathDialog {
        using WinPathDialog::WinPathDialog;
    } dialog(Dialog::kModeFile, Utf8("txt"), Utf8("Choose"), Utf8(root));
    dialog.SetRect({ 40, 40, 680, 520 });
    ASSERT_TRUE(owner.Open());
    ASSERT_TRUE(dialog.Create(&owner));
    Host::DrainMessages();
    // Escape warns back on a folder ("OK"); Enter takes "Yes", the first button of the question.
    dialog.Bar().SetPath(Utf8(root + "/sub"));
    Host::InjectKey(HostKey::kEscape);
    EXPECT_FALSE(dialog.Finish());
    dialog.Bar().SetPath(Utf8(root + "/report"));
    Host::InjectKey(HostKey::kReturn);
    EXPECT_TRUE(dialog.Finish());
    EXPECT_EQ(dialog.ChosenPath().Str(), root + "/report.txt");
}

TEST_F(PathDialogTest, CancellingLeavesTheResultZeroAndTheCallersPath)
{
    const std::string start = root + "/a.txt";
    using Drive = std::function<void(TestPathDialog&)>;
    const Drive drives[] = {
        [](TestPathDialog&) { Host::InjectKey(HostKey::kEscape); },
        [](TestPathDialog& self) {
            Host::InjectClick(self.CancelButton().Window(), { 10, 10 });
        },
        [](TestPathDialog& self) { Host::InjectClose(self.Window()); },
    };
    for (const Drive& drive : drives) {
        TestPathDialog dialog(Dialog::kModeFile, start);
        dialog.drive = [&drive](TestPathDialog& self) {
            self.Bar().SetPath(Utf8("/somewhere/else"));
            drive(self);
        };
        EXPECT_EQ(dialog.Run(nullptr), 0);
        EXPECT_EQ(dialog.ChosenPath().Str(), start);
        EXPECT_FALSE(dialog.IsOpen());
    }
}

TEST_F(PathDialogTest, ACancelAfterTheFinishIsIgnored)
{
    TestPathDialog dialog(Dialog::kModeFile, root);
    dialog.drive = [this](TestPathDialog& self) {
        self.Bar().SetPath(Utf8(root + "/a.txt"));
        self.OnNotify(&self.FinishButton(), Dialog::kNotifyFinishButton);
        self.OnNotify(&self.CancelButton(), Dialog::kNotifyCancelButton);
    };
    EXPECT_EQ(dialog.Run(nullptr), 1);
    EXPECT_EQ(dialog.ChosenPath().Str(), root + "/a.txt");
}

TEST_F(PathDialogTest, TheLastNormalRectangleOpensTheNextDialog)
{
    // Where a dialog opens, cancelled as soon as it runs.
    const auto opened_at = [this] {
        HostRect rect {};
        TestPathDialog dialog(Dialog::kModeFile, root);
        dialog.drive = [&rect](TestPathDialog& self) {
            rect = Host::WindowRect(self.Window());
            self.Cancel();
        };
        dialog.Run(nullptr);
        return rect;
    };
    Dialog::LastNormalRect() = {};
    const HostRect first = opened_at();
    EXPECT_EQ(Dialog::LastNormalRect(), first);
    const HostRect moved { first.left + 30, first.top + 20, first.right + 90, first.bottom + 60 };
    Dialog::LastNormalRect() = moved;
    EXPECT_EQ(opened_at(), moved);
}

} // namespace
} // namespace QuelvaneTest
