#include <app/GuiUndoDialog.h>
#include <core/RawLanguageTable.h>
#include <core/RawPath.h>
#include <core/RawShell.h>
#include <engine/JobBackupItemUnit.h>
#include <engine/JobBackupLock.h>
#include <engine/JobBackupUnit.h>
#include <engine/JobConfig.h>
#include <engine/JobStatusCentre.h>
#include <toolkit/WinInfoDialog.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>

namespace AppLayer {

using JobLayer::JobBackupItemUnit;
using JobLayer::JobBackupUnit;
using JobLayer::JobStatusCentre;
using JobLayer::JobStatusUnit;
using JobLayer::JobUndoUnit;
using RawLayer::RawString;
using WinLayer::HostRect;
namespace Host = WinLayer::Host;

namespace {

constexpr int32_t kButtonWidth = 96;
constexpr int32_t kButtonHeight = 28;
constexpr int32_t kMargin = 8;

RawString UndoText(const char* key, const char* default_text)
{
    return RawLayer::RawLanguageTable::Instance().Text(RawString("UndoDialog"),
        RawString(std::string_view(key), RawLayer::RawEncoding::Utf8),
        RawString(std::string_view(default_text), RawLayer::RawEncoding::Utf8));
}

// The files a row stands for: itself, or every file of a set.
std::vector<JobBackupItemUnit*> FilesOf(JobUndoUnit* unit)
{
    std::vector<JobBackupItemUnit*> files;
    if (auto* item = dynamic_cast<JobBackupItemUnit*>(unit))
        files.push_back(item);
    else if (auto* set = dynamic_cast<JobBackupUnit*>(unit))
        for (JobBackupItemUnit& each : set->Items())
            files.push_back(&each);
    return files;
}

void Report(const RawString& text, const RawString& path, std::string_view reason)
{
    JobStatusCentre::Instance().AddEntry(JobStatusCentre::MakeEntry(
        JobStatusUnit::kError, text, JobStatusCentre::PathWithReason(path, reason)));
}

} // namespace

GuiUndoDialog::GuiUndoDialog(JobLayer::JobUndoLink& link, const RawString& title)
    : link_(link)
{
    SetClassName(RawString("Quelvane_Undo"));
    SetIcons(130, 131);
    SetStyleWords(WinLayer::HostStyle::kOverlappedWindow | WinLayer::HostStyle::kClipChildren, 0);
    SetText(title);
    box_.SetStyleWords(
        box_.Style() | WinLayer::HostStyle::kVScroll | WinLayer::HostStyle::kBorder, box_.ExStyle());
    restore_.Setup(UndoText("Restore", "Restore !"), WinLayer::WinButton::kOutlineAlone, kCommandRestore);
    folder_.Setup(UndoText("Folder", "Folder"), WinLayer::WinButton::kOutlineAlone, kCommandFolder);
    detail_.Setup(UndoText("Detail", "Detail"), WinLayer::WinButton::kOutlineAlone, kCommandDetail);
    close_.Setup(UndoText("Close", "Close"), WinLayer::WinButton::kOutlineAlone, kCommandClose);
}

void GuiUndoDialog::Open(WinLayer::WinView* parent)
{
    HostRect owner = Host::WorkArea();
    if (parent != nullptr && parent->RootView() != nullptr && parent->RootView()->Window() != 0)
        owner = Host::WindowRect(parent->RootView()->Window());
    const int32_t width = owner.Width() * 4 / 5;
    const int32_t left = owner.left + (owner.Width() - width) / 2;
    SetRect({ left, owner.top, left + width, owner.bottom });
    Host::SetCursor(WinLayer::HostCursor::Wait);
    link_.WaitReady();
    Host::SetCursor(WinLayer::HostCursor::Arrow);
    units_ = link_.Units();
    if (!link_.IsFileLevel())
        std::reverse(units_.begin(), units_.end()); // newest first
    ShowModal(parent);
}

void GuiUndoDialog::RegisterChildren()
{
    using Resize = WinLayer::WinViewResize;
    const HostRect client = ClientRecord();
    const int32_t bottom = client.Height() - kMargin;
    box_.SetRect({ kMargin, kMargin, client.Width() - kMargin, bottom - kButtonHeight - kMargin });
    box_.SetAnchors(Resize::kLeftByLeft | Resize::kRightByRight | Resize::kTopByTop | Resize::kBottomByBottom,
        &ClientRecord());
    AddChild(box_);
    int32_t left = kMargin;
    for (WinLayer::WinButton* button : { &restore_, &folder_, &detail_ }) {
        button->SetRect({ left, bottom - kButtonHeight, left + kButtonWidth, bottom });
        button->SetAnchors(
            Resize::kLeftByLeft | Resize::kRightByLeft | Resize::kTopByBottom | Resize::kBottomByBottom,
            &ClientRecord());
        AddChild(*button);
        left += kButtonWidth + kMargin;
    }
    close_.SetRect({ client.Width() - kMargin - kButtonWidth, bottom - kButtonHeight,
        client.Width() - kMargin, bottom });
    close_.SetAnchors(
        Resize::kLeftByRight | Resize::kRightByRight | Resize::kTopByBottom | Resize::kBottomByBottom,
        &ClientRecord());
    AddChild(close_);
}

void GuiUndoDialog::OnCreated()
{
    Fill();
    box_.Focus();
    UpdateButtons();
}

void GuiUndoDialog::Fill()
{
    box_.Items() = units_;
    box_.Refresh();
}

std::vector<JobUndoUnit*> GuiUndoDialog::Selected() const
{
    std::vector<JobUndoUnit*> selected;
    for (int32_t row = 0; row < box_.RowCount(); ++row)
        if (box_.IsSelected(row))
            selected.push_back(box_.ItemOf(row));
    return selected;
}

void GuiUndoDialog::UpdateButtons()
{
    const size_t selected = Selected().size();
    restore_.Enable(selected >= 1);
    folder_.Enable(selected == 1);
    detail_.Enable(selected == 1);
}

WinLayer::HostResult GuiUndoDialog::OnNotify(WinLayer::WinView* child, uint32_t code)
{
    if (child == &box_ && code == kSelectionChanged)
        UpdateButtons();
    else if (child == &box_ && code == kActivate)
        ShowDetail();
    else if (child == &restore_ && code == kCommandRestore)
        RestoreSelected();
    else if (child == &folder_ && code == kCommandFolder) {
        const std::vector<JobUndoUnit*> selected = Selected();
        if (selected.size() == 1 && !selected.front()->GetFolder().IsEmpty())
            OpenFolder(selected.front()->GetFolder());
    } else if (child == &detail_ && code == kCommandDetail)
        ShowDetail();
    else if (code == kCommandClose && (State() & kClosed) == 0 && IsOpen())
        EndDialog(nullptr);
    return 0;
}

void GuiUndoDialog::RestoreSelected()
{
    std::vector<JobBackupItemUnit*> files;
    for (JobUndoUnit* unit : Selected())
        for (JobBackupItemUnit* file : FilesOf(unit))
            files.push_back(file);
    const auto changed = std::count_if(files.begin(), files.end(), [](const JobBackupItemUnit* file) {
        return file->GetState() == JobBackupItemUnit::kStateChangedLater;
    });
    if (changed > 0 && !ConfirmOverwrite(static_cast<int32_t>(changed)))
        return;
    for (JobBackupItemUnit* file : files) {
        if (file->Folder().IsEmpty())
            continue; // a set made without backups holds nothing to restore from
        // The same lock as an apply's: a restore must not write a file an apply is writing.
        JobLayer::JobBackupLock lock;
        const JobLayer::JobBackupLock::Result locked
            = lock.TryLock(RawLayer::RawPath::FolderPart(file->Folder()));
        if (locked != JobLayer::JobBackupLock::Result::Held) {
            Report(RawString("Restore error"), file->Source(),
                locked == JobLayer::JobBackupLock::Result::Busy ? "another apply or restore is running"
                                                                : lock.Reason());
            continue;
        }
        const JobBackupItemUnit::RestoreOutcome outcome = file->RestoreFile(true);
        if (!outcome.restored)
            Report(RawString("Restore error"), file->Source(), outcome.error);
    }
    box_.Invalidate();
}

void GuiUndoDialog::ShowDetail()
{
    const std::vector<JobUndoUnit*> selected = Selected();
    if (selected.size() != 1)
        return;
    if (!link_.IsFileLevel()) {
        if (JobLayer::JobUndoLink* files = selected.front()->GetLink())
            OpenLevel(*files);
        box_.Invalidate();
    } else if (auto* file = dynamic_cast<JobBackupItemUnit*>(selected.front()); file != nullptr) {
        if (!file->BackupPath().IsEmpty())
            OpenCopy(file->BackupPath());
    }
}

bool GuiUndoDialog::ConfirmOverwrite(int32_t changed_files)
{
    RawString message = UndoText("ChangedAfterApply",
        "Some of these files were changed after the apply; restoring them loses those changes. Restore "
        "anyway?");
    static_cast<void>(message.Append(RawString(" ("), RawString::Number(changed_files), RawString(")")));
    return WinLayer::WinInfoDialog::Show(Host::WindowRect(Window()), GetText(), message,
               WinLayer::WinInfoDialog::ButtonSet::OkCancel, WinLayer::WinInfoDialog::Icon::Warning, this)
        == WinLayer::WinInfoDialog::kOk;
}

void GuiUndoDialog::OpenFolder(const RawString& folder)
{
    if (!RawLayer::RawShell::OpenWithShell(folder))
        Host::Beep();
}

void GuiUndoDialog::OpenCopy(const RawString& copy_path)
{
    if (!JobLayer::JobConfig::Instance().OpenFileWithTool(copy_path, 1))
        Host::Beep();
}

void GuiUndoDialog::OpenLevel(JobLayer::JobUndoLink& link)
{
    GuiUndoDialog files(link, UndoText("FileList", "File list"));
    files.Open(this);
}

} // namespace AppLayer
