// The edit box's input: keys, typed characters, the input method's composition, the mouse
// with its drag selection and auto-scroll, and dropped files.

#include <core/RawEncoding.h>
#include <toolkit/WinDialog.h>
#include <toolkit/WinEditBox.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

namespace WinLayer {

using RawLayer::RawEncoding;

namespace {

std::u16string Utf16Of(char32_t code_point)
{
    if (code_point < 0x10000)
        return std::u16string(1, static_cast<char16_t>(code_point));
    const char32_t value = code_point - 0x10000;
    return { static_cast<char16_t>(0xD800 + (value >> 10)), static_cast<char16_t>(0xDC00 + (value & 0x3FF)) };
}

// The units taken by the first `characters` code points of `units`.
int32_t UnitsOf(const std::u16string& units, int32_t characters)
{
    size_t at = 0;
    for (int32_t k = 0; k < characters && at < units.size(); ++k)
        at += units[at] >= 0xD800 && units[at] <= 0xDBFF && at + 1 < units.size() ? 2 : 1;
    return static_cast<int32_t>(at);
}

} // namespace

void WinEditBox::PutCaret(int32_t index, bool extend)
{
    MoveCaret(index, extend);
    ShowChanges(true);
}

void WinEditBox::MoveLine(int32_t direction, bool extend)
{
    MoveVertically(direction, extend);
    ShowChanges(true);
}

void WinEditBox::DeleteBeside(bool before)
{
    if (edit_.ReadOnly())
        return;
    if (edit_.HasSelection()) {
        DeleteSelection();
        return;
    }
    const int32_t caret = edit_.Caret();
    const int32_t other = before ? edit_.PreviousStop(caret) : edit_.NextStop(caret);
    if (other != caret)
        ReplaceRange(std::min(caret, other), std::max(caret, other), std::u16string());
}

void WinEditBox::InsertLineBreak()
{
    ReplaceSelection(u"\r\n");
}

bool WinEditBox::OnKeyDown(uint32_t key, uint32_t modifiers)
{
    // While the input method composes, keys are its own.
    if (!edit_.Composition().empty())
        return true;
    const bool shift = (modifiers & HostMod::kShift) != 0;
    const bool ctrl = (modifiers & HostMod::kControl) != 0;
    if (MoveKey(key, shift, ctrl))
        return true;
    if (ctrl && ControlKey(key, shift))
        return true;
    return EditKey(key, modifiers);
}

bool WinEditBox::MoveKey(uint32_t key, bool shift, bool ctrl)
{
    const auto end = static_cast<int32_t>(edit_.Text16().size());
    const int32_t caret = edit_.Caret();
    switch (key) {
    case HostKey::kHome:
        PutCaret(0, shift);
        return true;
    case HostKey::kEnd:
        PutCaret(end, shift);
        return true;
    case HostKey::kLeft:
        PutCaret(ctrl ? 0 : edit_.PreviousStop(caret), shift);
        return true;
    case HostKey::kRight:
        PutCaret(ctrl ? end : edit_.NextStop(caret), shift);
        return true;
    case HostKey::kUp:
    case HostKey::kDown:
        if (!edit_.MultiLine())
            return FocusKey(key);
        MoveLine(key == HostKey::kUp ? -1 : 1, shift);
        return true;
    default:
        return false;
    }
}

bool WinEditBox::FocusKey(uint32_t key)
{
    const bool up = key == HostKey::kUp;
    if ((edit_.EditFlags() & WinEditBoxInfo::kDownAsksList) != 0) {
        if (!up)
            PostCommand(kNotifyList);
        return true;
    }
    WinDialog* dialog = OwnerDialog();
    if (dialog != nullptr && dialog->Window() != 0)
        Host::SendMessage(dialog->Window(), WinDialog::kMsgMoveFocus, Id(), up ? 1 : 0);
    return true;
}

bool WinEditBox::ControlKey(uint32_t key, bool shift)
{
    const int32_t caret = edit_.Caret();
    switch (key) {
    case 'H':
        DeleteBeside(true);
        return true;
    case 'X':
        // Deletes only: the clipboard keeps what it held.
        if (!edit_.ReadOnly())
            DeleteSelection();
        return true;
    case 'M':
        if (edit_.MultiLine())
            InsertLineBreak();
        else
            PostCommand(kNotifyEnter);
        return true;
    case 'I':
    case 'K':
        if (edit_.MultiLine())
            MoveLine(key == 'I' ? -1 : 1, shift);
        return true;
    case 'J':
        PutCaret(edit_.PreviousStop(caret), shift);
        return true;
    case 'L':
        PutCaret(edit_.NextStop(caret), shift);
        return true;
    case 'A':
        SelectAll();
        return true;
    case 'C':
        Copy();
        return true;
    case 'V':
        Paste();
        return true;
    case 'Z':
        Undo();
        return true;
    case 'Q':
        return true;
    default:
        return false;
    }
}

bool WinEditBox::EditKey(uint32_t key, uint32_t modifiers)
{
    const bool ctrl = (modifiers & HostMod::kControl) != 0;
    switch (key) {
    case HostKey::kBack:
        DeleteBeside(true);
        return true;
    case HostKey::kDelete:
        DeleteBeside(false);
        return true;
    case HostKey::kTab:
        // Left to the dialog, which moves the focus.
        if ((edit_.EditFlags() & WinEditBoxInfo::kNoTabInsert) != 0 || edit_.ReadOnly()
            || (modifiers & (HostMod::kShift | HostMod::kControl)) != 0)
            return false;
        ReplaceSelection(u"\t");
        return true;
    case HostKey::kReturn:
        if (edit_.MultiLine() && !ctrl)
            InsertLineBreak();
        else
            PostCommand(kNotifyEnter);
        return true;
    case HostKey::kEscape:
        PostCommand(kNotifyCancel);
        return true;
    default:
        return false;
    }
}

bool WinEditBox::OnChar(char32_t code_point)
{
    // Control codes are the keys' business (OnKeyDown); composed text comes as a result.
    if (code_point < 32 || code_point == 127 || !edit_.Composition().empty())
        return true;
    if (code_point <= 0x10FFFF && (code_point < 0xD800 || code_point > 0xDFFF))
        ReplaceSelection(Utf16Of(code_point));
    return true;
}

bool WinEditBox::OnComposition(const HostComposition& composition)
{
    const bool attached = (edit_.EditFlags() & WinEditBoxInfo::kImeAttached) != 0;
    std::u16string text = CutToLimit(
        RawLayer::RawToUtf16(composition.text, RawEncoding::Utf8).value_or(u""), kCompositionLimit);
    if (composition.result) {
        edit_.composition_.clear();
        ReplaceSelection(text);
        ShowChanges(true);
        return true;
    }
    if (!attached)
        return true;
    edit_.composition_cursor_ = UnitsOf(text, composition.cursor);
    edit_.composition_ = std::move(text);
    ShowChanges(true);
    return true;
}

void WinEditBox::CompleteComposition()
{
    if (edit_.composition_.empty())
        return;
    const std::u16string text = std::move(edit_.composition_);
    edit_.composition_.clear();
    Host::EndComposition();
    ReplaceSelection(text);
    ShowChanges(true);
}

bool WinEditBox::OnMouseDown(HostPoint point, HostMouseButton button, uint32_t)
{
    CompleteComposition();
    if (button != HostMouseButton::Left)
        return false;
    if (!HasFocus())
        Focus();
    edit_.drag_ = true;
    Host::SetCapture(Window());
    PutCaret(edit_.IndexFromPoint(point), false);
    return true;
}

bool WinEditBox::OnMouseMove(HostPoint point, uint32_t)
{
    if (!edit_.drag_)
        return false;
    const HostSize client = edit_.ClientSize();
    const int32_t shown_right = edit_.ScrollX() + client.cx - 2 * WinEditBoxDraw::kMarginX;
    if (point.x < kScrollZone)
        edit_.SetScrollX(edit_.ScrollX() - kScrollStep);
    else if (point.x >= client.cx - kScrollZone
        && edit_.LineWidth(edit_.LineOfIndex(edit_.Caret())) > shown_right)
        edit_.SetScrollX(edit_.ScrollX() + kScrollStep);
    if (edit_.MultiLine() && point.y < 0)
        edit_.SetTopLine(edit_.TopLine() - 1);
    else if (edit_.MultiLine() && point.y >= client.cy)
        edit_.SetTopLine(edit_.TopLine() + 1);
    MoveCaret(edit_.IndexFromPoint(point), true);
    ShowChanges(false);
    return true;
}

bool WinEditBox::OnMouseUp(HostPoint, HostMouseButton button, uint32_t)
{
    if (button != HostMouseButton::Left || !edit_.drag_)
        return false;
    edit_.drag_ = false;
    Host::ReleaseCapture();
    return true;
}

void WinEditBox::OnCaptureLost()
{
    edit_.drag_ = false;
}

bool WinEditBox::OnDoubleClick(HostPoint point, HostMouseButton button, uint32_t)
{
    if (button != HostMouseButton::Left)
        return false;
    CompleteComposition();
    const auto [start, end] = edit_.WordAt(edit_.IndexFromPoint(point));
    SetSelection(start, end);
    return true;
}

bool WinEditBox::OnDropFiles(const std::vector<std::string>& paths, HostPoint)
{
    if (edit_.ReadOnly() || paths.empty())
        return true;
    std::u16string joined;
    for (const std::string& path : paths) {
        // A path that is no UTF-8 cannot be shown as typed text; inserting a substitute would
        // name another file.
        std::optional<std::u16string> units = RawLayer::RawToUtf16(path, RawEncoding::Utf8);
        if (!units) {
            Host::Beep();
            return true;
        }
        if (!joined.empty())
            joined += u' ';
        joined += *units;
    }
    CompleteComposition();
    ReplaceSelection(joined);
    return true;
}

} // namespace WinLayer
