#pragma once

// The popup editor of in-place editing: a borderless window that stays on top, placed over the
// thing being edited, whose one edit box fills it. Enter commits, Escape (or the box's "Cancel
// edit.") cancels; the caller reads the result and the text. The box is the caller's, so an
// application can give it its own paste hook and flags.

#include <toolkit/WinDialog.h>

#include <string>

namespace WinLayer {

class WinEditBox;

class WinEditBoxDialogEx : public WinDialog {
public:
    static constexpr int kCancelled = 0;
    static constexpr int kCommitted = 1;
    // A commit asked for by the box's owner without a key (e.g. the editor lost its place).
    static constexpr uint16_t kNotifyCommit = 0x1005;

    // `box` must outlive the dialog.
    explicit WinEditBoxDialogEx(WinEditBox& box);

    // Shows the editor at `screen_rect` with `text` in its box and runs it modally over `caller`;
    // kCommitted or kCancelled. The box's text at the ending is in EditedText either way.
    int Edit(WinView* caller, const HostRect& screen_rect, const std::u16string& text);
    const std::u16string& EditedText() const { return edited_; }
    int ResultCode() const { return code_; }
    WinEditBox& Box() { return box_; }

    void RegisterChildren() override;
    void OnCreated() override;
    HostResult OnNotify(WinView* child, uint32_t code) override;

private:
    void End(int code);

    WinEditBox& box_;
    std::u16string edited_;
    int code_ = kCancelled;
};

} // namespace WinLayer
