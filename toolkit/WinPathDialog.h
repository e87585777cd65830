#pragma once

// The toolkit's own file and folder chooser: a path bar on top, the listing of the current folder
// below it taking the extra space, a line for listing errors between them, and a row of buttons
// at the bottom ("Hidden" and "open" at the left, "Finish" and "Cancel" at the right). The caller
// builds it with a mode, a default extension, a caption and a starting path, runs it modally and
// reads the result (0 or 1) and the chosen path, which is handed back as the bytes the system
// gave, never re-encoded.
//
// Finish checks the path against the mode, in order, asking or warning through Ask (an info
// dialog with the "PathBox" texts), and creates missing folders when the mode says so; a check
// that stops keeps the dialog open with the path as it was.
//
// Keyboard: Tab moves between bar, list and buttons (in the bar it first completes the path);
// Enter on a folder path in the bar lists it, on any other path finishes; in the list, Enter
// lists a folder, drive or bracketed entry and finishes with a file; Escape cancels.

#include <core/RawString.h>
#include <toolkit/WinButton.h>
#include <toolkit/WinDialog.h>
#include <toolkit/WinInfoDialog.h>
#include <toolkit/WinPathBar.h>
#include <toolkit/WinPathBox.h>
#include <toolkit/WinStaticBox.h>

#include <cstdint>

namespace WinLayer {

class WinPathDialog : public WinDialog {
public:
    // Mode flags.
    static constexpr uint16_t kModeFolder = 0x01;       // a folder must be chosen
    static constexpr uint16_t kModeFile = 0x02;         // a file must be chosen; extension expansion
    static constexpr uint16_t kModeMustExist = 0x04;    // the chosen path must exist
    static constexpr uint16_t kModeHidden = 0x08;       // hidden entries are listed
    static constexpr uint16_t kModeAskOverwrite = 0x10; // ask before overwriting an existing file
    static constexpr uint16_t kModeOfferCreate = 0x20;  // offer to create a missing folder
    static constexpr uint16_t kModeCreate = 0x40;       // create missing folders without asking

    // Notification codes of the buttons.
    static constexpr uint16_t kNotifyCancelButton = 0x1100;
    static constexpr uint16_t kNotifyFinishButton = 0x1101;
    static constexpr uint16_t kNotifyOpenSide = 0x1102;
    static constexpr uint16_t kNotifyHidden = 0x1103;

    static constexpr RawColour kErrorText = RawColour::FromRgb(0xB0, 0x20, 0x20);
    // The client size of a dialog opened for the first time, and the smallest one.
    static constexpr HostSize kDefaultClient { 600, 440 };
    static constexpr HostSize kMinimumClient { 440, 260 };

    // A message of the finish checks: its language key (section "PathBox") and English text, its
    // icon and buttons.
    struct Message {
        const char* key;
        const char* default_text;
        WinInfoDialog::Icon icon;
        WinInfoDialog::ButtonSet buttons;
    };
    // The message of `key` (the first one for an unknown key).
    static const Message& MessageOf(const char* key);

    WinPathDialog(uint16_t mode, const RawLayer::RawString& default_extension,
        const RawLayer::RawString& caption, const RawLayer::RawString& path);

    // Runs the dialog modally over `caller` (may be null) and returns the result.
    int Run(WinView* caller);
    int ResultCode() const { return result_code_; }
    // The chosen path after a finish; the starting path otherwise.
    const RawLayer::RawString& ChosenPath() const { return chosen_; }
    uint16_t Mode() const { return mode_; }
    const RawLayer::RawString& DefaultExtension() const { return extension_; }

    // The window rectangle the last path dialog had in its normal size state (empty before any).
    static HostRect& LastNormalRect();

    // Lists a folder: the bar shows it, and relative paths start from it. False, with the error
    // shown under the bar and the listing kept, when it cannot be read.
    bool ListFolder(const RawLayer::RawString& folder, const RawLayer::RawString& cursor_path = {});
    // Runs the finish checks on the bar's path; true when the dialog ended with result 1.
    bool Finish();
    void Cancel();

    WinPathBar& Bar() { return bar_; }
    WinPathBox& Box() { return box_; }
    WinStaticBox& ErrorBox() { return error_; }
    WinButton& FinishButton() { return finish_; }
    WinButton& CancelButton() { return cancel_; }
    WinButton& HiddenButton() { return hidden_; }
    WinButton& OpenSideButton() { return open_side_; }

    void RegisterChildren() override;
    void OnCreated() override;
    void OnDestroyed() override;
    HostResult OnNotify(WinView* child, uint32_t code) override;
    bool AdjustMinTrackSize(HostSize& min_track) override;
    void OnSizeState(int previous, int current) override;

protected:
    // Room for a subclass's own controls in the bottom row, between "open" and "Finish" (width and
    // height; none by default). The row grows to the taller of the buttons and this room.
    virtual HostSize ExtraRoom() { return { 0, 0 }; }
    // Places the subclass's controls in their room (client coordinates); called on every layout.
    virtual void PlaceExtra(const HostRect& room) { static_cast<void>(room); }

    // Asks or warns with the message of `key`, shown with `path`; the info dialog's result code.
    virtual int Ask(const char* key, const RawLayer::RawString& path);
    // Opens a folder in the desktop's file browser; true when the browser was started.
    virtual bool OpenFolder(const RawLayer::RawString& folder);

private:
    // Places the children in the client rectangle, anchored so that the list takes the extra space.
    void Layout();
    void ListStart();
    void ShowError(const std::string& text);
    // The list's Enter or double click, the list's cursor, the bar's Enter.
    void AcceptRow();
    void FollowCursor();
    void AcceptBar();
    void ToggleHidden();
    void OpenSide();

    // The finish checks, in order; each false when it stops.
    bool ExpandExtension(RawLayer::RawString& path);
    bool CheckKind(const RawLayer::RawString& path, bool exists, bool is_folder);
    bool PrepareFolders(const RawLayer::RawString& path, bool exists);
    // The folder part the creation checks work on: the path itself for a folder, else its parent.
    RawLayer::RawString FolderPartOf(const RawLayer::RawString& path) const;

    uint16_t mode_;
    RawLayer::RawString extension_;
    RawLayer::RawString start_;
    RawLayer::RawString chosen_;
    int result_code_ = 0;
    bool finishing_ = false;
    bool closing_ = false;

    WinPathBar bar_;
    WinStaticBox error_;
    WinPathBox box_;
    WinButton finish_;
    WinButton cancel_;
    WinButton hidden_;
    WinButton open_side_;
};

} // namespace WinLayer
