// The undo dialog over a real backup store: rows coloured by state, the buttons by the
// selection, restoring with a question before later work is lost, failures as status entries,
// and the two levels.

#include <app/GuiUndoDialog.h>
#include <core/RawPath.h>
#include <engine/JobBackupList.h>
#include <engine/JobStatusCentre.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../toolkit/ControlTestSupport.h"
#include <sys/stat.h>
#include <tests/TestSupport.h>

namespace {

using namespace QuelvaneTest;
using AppLayer::GuiUndoBox;
using AppLayer::GuiUndoDialog;
using JobLayer::JobBackupItemUnit;
using JobLayer::JobBackupList;
using JobLayer::JobBackupUnit;
using RawLayer::RawString;

RawString Bytes(const std::string& text)
{
    return RawString(text, RawLayer::RawEncoding::Utf8);
}

// Runs `drive` once the modal run has started, then closes; what reaches outside is recorded.
class DrivenUndoDialog : public DrivenDialog<GuiUndoDialog, DrivenUndoDialog> {
public:
    using DrivenDialog::DrivenDialog;
    std::vector<int32_t> asked;
    bool answer = true;
    std::vector<std::string> opened;
    std::vector<size_t> levels_opened;

    void Press(WinButton& button)
    {
        Host::InjectClick(button.Window(), { 5, 5 });
        Host::DrainMessages();
    }
    RawColour RowPixel(int32_t row)
    {
        Host::DrainMessages();
        const HostRect rect = Box().RowRect(row);
        return Host::PixelAt(Box().Window(), { rect.right - 4, rect.top + 3 });
    }

protected:
    void Driven() override { OnNotify(nullptr, kCommandClose); } // as the close button does
    bool ConfirmOverwrite(int32_t changed_files) override
    {
        asked.push_back(changed_files);
        return answer;
    }
    void OpenFolder(const RawString& folder) override { opened.push_back("folder:" + folder.Str()); }
    void OpenCopy(const RawString& copy_path) override { opened.push_back("copy:" + copy_path.Str()); }
    void OpenLevel(JobLayer::JobUndoLink& link) override { levels_opened.push_back(link.Units().size()); }
};

class GuiUndoDialogTest : public ControlTest {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(root_.empty());
        std::filesystem::create_directory(root_ + "/store");
        ASSERT_TRUE(store_.StartLoader(Bytes(root_ + "/store"), 30));
        store_.WaitReady();
        RawLayer::RawParameterList comment;
        comment.Add(Bytes("Search"), Bytes("needle"));
        comment.Add(Bytes("Replace"), Bytes("針"));
        comment.Add(Bytes("Time"), Bytes("2026/12/07 17:00:00"));
        std::time_t now = std::time(nullptr);
        set_ = &store_.CreateSet(comment, *std::localtime(&now));
        unchanged_ = &Backed("a.txt", "old a", "new a");
        edited_ = &Backed("b.txt", "old b", "new b");
        Write("b.txt", "edited after the apply", 3'000'000);
        JobLayer::JobStatusCentre::Instance().SetAccepting(true);
    }
    void TearDown() override
    {
        store_.StopLoader();
        ControlTest::TearDown();
    }
    std::string Path(const std::string& name) const { return root_ + "/" + name; }
    void Write(const std::string& name, const std::string& text, time_t mtime)
    {
        std::ofstream(Path(name), std::ios::binary) << text;
        const timespec times[2] = { { mtime, 0 }, { mtime, 0 } };
        ASSERT_EQ(utimensat(AT_FDCWD, Path(name).c_str(), times, 0), 0);
    }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // A file backed up with `before` and left by the apply with `after`.
    JobBackupItemUnit& Backed(const std::string& name, const std::string& before, const std::string& after)
    {
        Write(name, before, 1'000'000);
        JobBackupItemUnit& item = set_->Items().AddItem();
        item.SetSource(Bytes(Path(name)));
        item.SetBackupName(JobBackupList::BackupNameFor(item.Source(), set_->Folder()));
        EXPECT_TRUE(JobBackupList::CopyToBackup(item.Source(), item.BackupPath()));
        Write(name, after, 2'000'000);
        struct stat info { };
        stat(Path(name).c_str(), &info);
        item.SetTime(RawLayer::RawPath::TicksFromTimespec(info.st_mtim));
        return item;
    }
    void Run(DrivenUndoDialog& dialog)
    {
        dialog.Open(nullptr);
        EXPECT_FALSE(dialog.IsOpen());
    }

    TestFolder folder_;
    const std::string& root_ = folder_.Path();
    JobBackupList store_;
    JobBackupUnit* set_ = nullptr;
    JobBackupItemUnit* unchanged_ = nullptr;
    JobBackupItemUnit* edited_ = nullptr;
};

TEST_F(GuiUndoDialogTest, FileRowsShowTheirStatesAndRestoreAsksBeforeLosingLaterWork)
{
    DrivenUndoDialog dialog(set_->Items(), Bytes("File list"));
    dialog.answer = false;
    dialog.drive = [this](DrivenUndoDialog& self) {
        ASSERT_EQ(self.Box().RowCount(), 2);
        EXPECT_EQ(self.RowPixel(0), GuiUndoBox::StateColour(5)); // light green: can be restored
        EXPECT_EQ(self.RowPixel(1), GuiUndoBox::StateColour(6)); // light red: changed later
        if (const char* shot = std::getenv("QUELVANE_UNDO_SHOT"))
            Host::SaveWindowAsPng(self.Window(), shot);
        EXPECT_FALSE(self.RestoreButton().Enabled());

        self.Box().Focus();
        Host::InjectKey('A', HostMod::kControl);
        Host::DrainMessages();
        EXPECT_TRUE(self.RestoreButton().Enabled());
        EXPECT_FALSE(self.FolderButton().Enabled()); // two rows: no single folder or detail
        EXPECT_FALSE(self.DetailButton().Enabled());

        self.Press(self.RestoreButton()); // asked, and refused: nothing is written
        EXPECT_EQ(self.asked, std::vector<int32_t> { 1 });
        EXPECT_EQ(Read("a.txt"), "new a");
        EXPECT_EQ(Read("b.txt"), "edited after the apply");

        self.answer = true;
        self.Press(self.RestoreButton());
        EXPECT_EQ(Read("a.txt"), "old a");
        EXPECT_EQ(Read("b.txt"), "old b");
        self.Box().SetCursor(0);
        // White, under the selection (the focus is on the button just pressed).
        EXPECT_EQ(self.RowPixel(0), GuiUndoBox::kUnfocusedSelection);
        EXPECT_EQ(self.RowPixel(1), GuiUndoBox::StateColour(4));
        // Again: copied again, and still white; nothing to ask.
        self.Press(self.RestoreButton());
        EXPECT_EQ(self.asked.size(), 2U);
        EXPECT_EQ(Read("a.txt"), "old a");

        self.Press(self.DetailButton()); // the backup copy, not the file
        self.Press(self.FolderButton());
        EXPECT_EQ(self.opened,
            (std::vector<std::string> {
                "copy:" + unchanged_->BackupPath().Str(), "folder:" + set_->Folder().Str() }));
    };
    Run(dialog);
}

TEST_F(GuiUndoDialogTest, RestoreFailuresBecomeStatusEntries)
{
    std::filesystem::remove(unchanged_->BackupPath().Str());
    const int32_t entries_before = JobLayer::JobStatusCentre::Instance().Count();
    DrivenUndoDialog dialog(set_->Items(), Bytes("File list"));
    dialog.drive = [](DrivenUndoDialog& self) {
        EXPECT_EQ(self.RowPixel(0), GuiUndoBox::StateColour(0)); // grey: nothing to restore from
        self.Box().SetCursor(0);
        Host::DrainMessages();
        self.Press(self.RestoreButton());
    };
    Run(dialog);
    ASSERT_EQ(JobLayer::JobStatusCentre::Instance().Count(), entries_before + 1);
    const auto entries = JobLayer::JobStatusCentre::Instance().Entries(entries_before);
    EXPECT_EQ(entries.front().kind, JobLayer::JobStatusUnit::kError);
    EXPECT_NE(entries.front().display.Str().find(Path("a.txt")), std::string::npos)
        << entries.front().display.Str();
    EXPECT_EQ(Read("a.txt"), "new a");
}

TEST_F(GuiUndoDialogTest, SetsListNewestFirstAndOpenTheirFiles)
{
    DrivenUndoDialog dialog(store_, Bytes("Undo"));
    dialog.drive = [](DrivenUndoDialog& self) {
        ASSERT_EQ(self.Box().RowCount(), 1);
        EXPECT_EQ(self.RowPixel(0), GuiUndoBox::StateColour(1)); // made by an apply of this run
        self.Box().SetCursor(0);
        Host::DrainMessages();
        Host::InjectKey(HostKey::kReturn); // opens the set's files
        Host::DrainMessages();
        EXPECT_EQ(self.levels_opened, std::vector<size_t> { 2 });
    };
    Run(dialog);
}

} // namespace
