#include <toolkit/WinEditBoxDialog.h>

namespace WinLayer {

WinEditBoxDialog::WinEditBoxDialog(uint32_t edit_flags)
    : WinEditBoxDialogEx(own_box_)
{
    own_box_.SetEditFlags(edit_flags | WinEditBoxInfo::kInPlaceEditor);
}

} // namespace WinLayer
