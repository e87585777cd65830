#pragma once

// The popup editor with a plain edit box of its own.

#include <toolkit/WinEditBox.h>
#include <toolkit/WinEditBoxDialogEx.h>

namespace WinLayer {

class WinEditBoxDialog : public WinEditBoxDialogEx {
public:
    // `edit_flags` are the box's flags (multi-line, read-only, ...); the box is always an
    // in-place editor, so its menu offers "Cancel edit.".
    explicit WinEditBoxDialog(uint32_t edit_flags = 0);

private:
    // The base only keeps a reference to it until the dialog is shown.
    WinEditBox own_box_;
};

} // namespace WinLayer
