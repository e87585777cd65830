// The save dialog on real windows: the kind selector starts on "Detail", reports its changes to
// the dialog, stays at the bottom right with its own size, and Finish hands back path and kind.
// QUELVANE_SAVE_SHOT=FOLDER saves save-dialog.png and save-dialog-ja.png there.

#include <app/GuiSaveDialog.h>
#include <core/RawLanguageTable.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "../TestSupport.h"
#include "../toolkit/ControlTestSupport.h"
#include <sys/stat.h>

namespace QuelvaneTest {
namespace {

using AppLayer::GuiSaveDialog;
using JobLayer::JobNotificationSink;
using JobLayer::JobResultFile;
using Type = GuiSaveDialog::Type;

class DrivenSaveDialog : public DrivenDialog<GuiSaveDialog, DrivenSaveDialog> {
public:
    using DrivenDialog::DrivenDialog;

    HostResult OnNotify(WinView* child, uint32_t code) override
    {
        // The selector also sends a plain command (code 0), as a button does.
        if (child == &KindSelector() && code != 0)
            kind_codes.push_back(code);
        return GuiSaveDialog::OnNotify(child, code);
    }
    // Clicks option `index` of the kind selector.
    void ClickKind(int32_t index)
    {
        const HostRect client { 0, 0, KindSelector().Rect().Width(), KindSelector().Rect().Height() };
        const HostRect option = KindSelector().OptionRect(index, client);
        Host::InjectClick(KindSelector().Window(), { option.left + 8, (option.top + option.bottom) / 2 });
        Host::DrainMessages();
    }
    void Shot(const char* name)
    {
        Host::DrainMessages(); // painted first
        if (const char* folder = std::getenv("QUELVANE_SAVE_SHOT"))
            Host::SaveWindowAsPng(Window(), std::string(folder) + "/" + name);
    }

    std::vector<uint32_t> kind_codes;
};

class RecordingSink : public JobNotificationSink {
public:
    void Post(uint32_t code) override { codes.push_back(code); }
    std::vector<uint32_t> codes;
};

class GuiSaveDialogTest : public ControlTest {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(folder_.Path().empty());
        ASSERT_TRUE(owner_.Open());
        // Something to list.
        ASSERT_EQ(mkdir(Path("src").c_str(), 0700), 0);
        std::ofstream(Path("notes.txt")) << "notes";
        std::ofstream(Path("last-search.txt")) << "[Params]\r\n";
    }
    std::string Path(const char* name) const { return folder_.Path() + "/" + name; }

    TestFolder folder_;
    RecordingDialog owner_;
};

TEST_F(GuiSaveDialogTest, TheKindStartsOnDetailAndFinishHandsBackPathAndKind)
{
    DrivenSaveDialog dialog(Utf8("Save Data:"), Utf8(Path("saved.txt")));
    dialog.drive = [](DrivenSaveDialog& self) {
        EXPECT_EQ(self.KindSelector().Chosen(), 1);
        EXPECT_EQ(self.KindSelector().Label(1).Str(), "Detail");
        EXPECT_EQ(self.KindLabel().GetText().Str(), "Type:");
        self.Shot("save-dialog.png");
        self.ClickKind(2);
        EXPECT_EQ(self.Kind(), Type::Simple);
        self.ClickKind(0);
        EXPECT_EQ(self.kind_codes, (std::vector<uint32_t> { 0x8005, 0x8005 }));
        Host::InjectClick(self.FinishButton().Window(), { 10, 10 });
    };
    EXPECT_EQ(dialog.Run(&owner_), 1);
    const std::optional<GuiSaveDialog::Choice> choice = dialog.Result();
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->path.Str(), Path("saved.txt"));
    EXPECT_EQ(choice->type, Type::Param);

    // Built again, the controls start on "Detail" again; a cancel hands nothing back.
    dialog.kind_codes.clear();
    dialog.drive = [](DrivenSaveDialog& self) {
        EXPECT_EQ(self.KindSelector().Chosen(), 1);
        EXPECT_EQ(self.Kind(), Type::Detail);
        self.ClickKind(2);
        Host::InjectKey(HostKey::kEscape);
    };
    EXPECT_EQ(dialog.Run(&owner_), 0);
    EXPECT_FALSE(dialog.Result().has_value());
}

TEST_F(GuiSaveDialogTest, TheSelectorStaysAtTheBottomRightWithItsOwnHeight)
{
    DrivenSaveDialog dialog(Utf8("Save Data:"), Utf8(Path("saved.txt")));
    dialog.drive = [](DrivenSaveDialog& self) {
        const HostRect before = self.KindSelector().Rect();
        const HostRect finish = self.FinishButton().Rect();
        const HostRect client = self.ClientRecord();
        // In the bottom row, left of "Finish", level with the buttons' bottom edge, below the list.
        EXPECT_LE(before.right, finish.left);
        EXPECT_EQ(before.bottom, finish.bottom);
        EXPECT_GE(before.top, self.Box().Rect().bottom);
        EXPECT_GT(before.Height(), finish.Height()); // three rows, not squeezed into the buttons' height
        EXPECT_GT(self.KindLabel().Rect().right, self.OpenSideButton().Rect().right);
        EXPECT_LE(self.KindLabel().Rect().right, before.left);

        const HostRect window = Host::WindowRect(self.Window());
        Host::MoveWindow(self.Window(), { window.left, window.top, window.right + 120, window.bottom + 90 });
        Host::DrainMessages();
        const HostRect after = self.KindSelector().Rect();
        EXPECT_EQ(after.Height(), before.Height());
        EXPECT_EQ(after.Width(), before.Width());
        EXPECT_EQ(self.ClientRecord().right - after.right, client.right - before.right);
        EXPECT_EQ(self.ClientRecord().bottom - after.bottom, client.bottom - before.bottom);
        Host::InjectKey(HostKey::kEscape);
    };
    EXPECT_EQ(dialog.Run(&owner_), 0);
}

TEST_F(GuiSaveDialogTest, TheTextsComeFromTheLanguageFile)
{
    const char* file = std::getenv("QUELVANE_LANGUAGE_FILE");
    ASSERT_NE(file, nullptr);
    RawLayer::RawLanguageTable& table = RawLayer::RawLanguageTable::Instance();
    table.SetFilePath(Utf8(file));
    ASSERT_TRUE(table.Load(Utf8(folder_.Path())));
    table.SetLanguage(Utf8("Japanese"));
    DrivenSaveDialog dialog(Utf8("データの保存:"), Utf8(Path("保存.txt")));
    dialog.drive = [](DrivenSaveDialog& self) {
        EXPECT_EQ(self.KindLabel().GetText().Str(), "形式:");
        EXPECT_EQ(self.KindSelector().Label(2).Str(), "簡易");
        // The longer texts still fit beside the buttons.
        EXPECT_LE(self.KindSelector().Rect().right, self.FinishButton().Rect().left);
        EXPECT_GT(self.KindLabel().Rect().left, self.OpenSideButton().Rect().right);
        self.Shot("save-dialog-ja.png");
        Host::InjectKey(HostKey::kEscape);
    };
    dialog.Run(&owner_);
    table.SetLanguage(Utf8("Default"));
}

TEST_F(GuiSaveDialogTest, WriteSavesTheChosenKindOrReportsTheFailure)
{
    JobLayer::JobStatusCentre status;
    RecordingSink sink;
    status.SetAccepting(true);
    status.SetSink(&sink);
    JobLayer::JobParams params;
    params.expressions.Add(Utf8("needle"));
    params.targets.Add(Utf8("/data"));
    JobLayer::JobResultSet results;

    EXPECT_TRUE(GuiSaveDialog::Write({ Utf8(Path("p.txt")), Type::Param }, params, results, status));
    JobLayer::JobParams loaded;
    JobLayer::JobResultSet loaded_results;
    const JobResultFile::LoadResult load
        = JobResultFile::Load(Utf8(Path("p.txt")), loaded, loaded_results, status);
    EXPECT_TRUE(load.success);
    EXPECT_FALSE(load.results);
    EXPECT_EQ(Texts(loaded.expressions), std::vector<std::string> { "needle" });

    sink.codes.clear();
    EXPECT_FALSE(
        GuiSaveDialog::Write({ Utf8(Path("missing/p.txt")), Type::Detail }, params, results, status));
    ASSERT_GT(status.Count(), 0);
    EXPECT_EQ(status.Entries().back().text.Str(), "Write open error");
    EXPECT_EQ(sink.codes, std::vector<uint32_t> { JobNotificationSink::kStatusAdded });
    status.SetSink(nullptr);
}

} // namespace
} // namespace QuelvaneTest
