#pragma once

// The undo dialog: the backup sets, newest first, or the files of one set, each row coloured by
// whether it can still be restored, with "Restore !", "Folder", "Detail" and "Close". Restoring
// never throws away work done on a file after the apply without asking first, and every file that
// could not be put back becomes a status entry naming it.

#include <app/GuiUndoBox.h>
#include <engine/JobUndoLink.h>
#include <toolkit/WinButton.h>
#include <toolkit/WinDialog.h>

#include <string>

namespace AppLayer {

class GuiUndoDialog : public WinLayer::WinDialog {
public:
    static constexpr uint16_t kCommandDetail = 0x1100;
    static constexpr uint16_t kCommandRestore = 0x1101;
    static constexpr uint16_t kCommandFolder = 0x1102;
    static constexpr uint16_t kCommandClose = 0x1004;
    static constexpr uint16_t kSelectionChanged = 0x1008;
    static constexpr uint16_t kActivate = 0x1002;

    GuiUndoDialog(JobLayer::JobUndoLink& link, const RawLayer::RawString& title);

    // Builds the dialog over `parent` (as tall as it, four fifths as wide, centred with the same
    // top) and runs it modally.
    void Open(WinLayer::WinView* parent);

    GuiUndoBox& Box() { return box_; }
    WinLayer::WinButton& RestoreButton() { return restore_; }
    WinLayer::WinButton& FolderButton() { return folder_; }
    WinLayer::WinButton& DetailButton() { return detail_; }

    void RegisterChildren() override;
    void OnCreated() override;
    WinLayer::HostResult OnNotify(WinLayer::WinView* child, uint32_t code) override;

protected:
    // What reaches outside the dialog; tests replace them.
    // Asks before restoring files changed after the apply; true to go on.
    virtual bool ConfirmOverwrite(int32_t changed_files);
    virtual void OpenFolder(const RawLayer::RawString& folder);
    virtual void OpenCopy(const RawLayer::RawString& copy_path);
    // Opens the files of a set in a dialog of its own.
    virtual void OpenLevel(JobLayer::JobUndoLink& link);

private:
    void Fill();
    void UpdateButtons();
    void RestoreSelected();
    void ShowDetail();
    std::vector<JobLayer::JobUndoUnit*> Selected() const;

    JobLayer::JobUndoLink& link_;
    std::vector<JobLayer::JobUndoUnit*> units_;
    GuiUndoBox box_;
    WinLayer::WinButton restore_;
    WinLayer::WinButton folder_;
    WinLayer::WinButton detail_;
    WinLayer::WinButton close_;
};

} // namespace AppLayer
