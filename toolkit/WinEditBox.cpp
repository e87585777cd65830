// The edit box's state, text and clipboard operations, commands, menu, painting, caret and
// scroll bar. Keys, characters, the mouse, the composition and drops are in WinEditBoxInput.cpp.

#include <core/RawEncoding.h>
#include <core/RawLanguageTable.h>
#include <toolkit/WinDialog.h>
#include <toolkit/WinEditBox.h>
#include <toolkit/host/HostCaret.h>
#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>

namespace WinLayer {

using RawLayer::RawEncoding;
using RawLayer::RawString;

namespace {

std::string Utf8Of(std::u16string_view units)
{
    return RawLayer::RawFromUtf16(units, RawEncoding::Utf8).value_or(std::string());
}

// The menu text of `key` in the language section "EditBar".
std::string MenuText(const char* key, const char* default_text)
{
    static const RawString kSection("EditBar");
    return RawLayer::RawLanguageTable::Instance()
        .Text(kSection, RawString(std::string_view(key), RawEncoding::Utf8),
            RawString(std::string_view(default_text), RawEncoding::Utf8))
        .Str();
}

} // namespace

WinEditBox::WinEditBox()
{
    SetClassName(RawString("EditBox"));
    SetStyleWords(HostStyle::kChild | HostStyle::kVisible | HostStyle::kTabStop | HostStyle::kBorder,
        HostExStyle::kAcceptFiles);
}

WinEditBox::~WinEditBox() = default;

void WinEditBox::SetEditFlags(uint32_t flags)
{
    edit_.flags_ = flags;
    style_ = (flags & WinEditBoxInfo::kMultiLine) != 0 ? style_ | HostStyle::kMultiLine
                                                       : style_ & ~HostStyle::kMultiLine;
    if (Window() != 0)
        Host::SetCaretBlinks(Window(), (flags & WinEditBoxInfo::kNoBlink) == 0);
    ShowChanges(true);
}

void WinEditBox::SetEncoder(WinEditBoxInfo::Encoder* encoder)
{
    edit_.encoder_ = encoder;
}

void WinEditBox::SetSelection(int32_t start, int32_t end)
{
    MoveCaret(start, false);
    MoveCaret(end, true);
    ShowChanges(true);
}

void WinEditBox::ReplaceSelection(const std::u16string& text)
{
    if (edit_.ReadOnly())
        return;
    ReplaceRange(edit_.SelectionStart(), edit_.SelectionEnd(), text);
}

void WinEditBox::Copy()
{
    if (!edit_.HasSelection())
        return;
    const auto start = static_cast<size_t>(edit_.SelectionStart());
    const auto count = static_cast<size_t>(edit_.SelectionEnd()) - start;
    Host::SetClipboardText(Utf8Of(std::u16string_view(edit_.Text16()).substr(start, count)));
}

void WinEditBox::Paste()
{
    if (edit_.ReadOnly())
        return;
    // An empty or unreadable clipboard pastes nothing: it must not delete the selection.
    const std::optional<std::u16string> clipboard
        = RawLayer::RawToUtf16(Host::ClipboardText(), RawEncoding::Utf8);
    if (!clipboard || clipboard->empty())
        return;
    std::u16string text = CutToLimit(*clipboard, kPasteLimit);
    if (!edit_.MultiLine() && edit_.encoder_ != nullptr)
        text = edit_.encoder_->Encode(text);
    ReplaceSelection(text);
}

void WinEditBox::Undo()
{
    if (UndoEdit())
        ShowChanges(true);
}

void WinEditBox::SelectAll()
{
    SetSelection(0, static_cast<int32_t>(edit_.Text16().size()));
}

void WinEditBox::DeleteSelection()
{
    if (edit_.HasSelection())
        ReplaceSelection(std::u16string());
}

void WinEditBox::RunCommand(uint32_t command)
{
    switch (command) {
    case kCommandCancel:
        PostCommand(kNotifyCancel);
        break;
    case kCommandUndo:
        Undo();
        break;
    case kCommandCopy:
        Copy();
        break;
    case kCommandPaste:
        Paste();
        break;
    case kCommandDelete:
        DeleteSelection();
        break;
    case kCommandSelectAll:
        SelectAll();
        break;
    case kCommandInsertTab:
        ReplaceSelection(u"\t");
        break;
    default:
        // Opening the input method and registering a word need operations the host's input
        // method link does not have; the menu shows them greyed.
        break;
    }
}

void WinEditBox::BuildContextMenu(HostMenu& menu)
{
    if ((edit_.EditFlags() & WinEditBoxInfo::kInPlaceEditor) != 0) {
        menu.AppendItem(kCommandCancel, MenuText("Cancel", "Cancel edit."));
        menu.AppendSeparator();
    }
    menu.AppendItem(kCommandUndo, MenuText("Undo", "Undo text."), edit_.CanUndo() ? 0 : HostMenu::kGrayed);
    menu.AppendSeparator();
    menu.AppendItem(kCommandCopy, MenuText("Copy", "Copy to clipboard."));
    menu.AppendItem(kCommandPaste, MenuText("Paste", "Paste from clipboard."));
    menu.AppendItem(kCommandDelete, MenuText("Delete", "Delete text."));
    menu.AppendItem(kCommandSelectAll, MenuText("Select", "Select all text."));
    menu.AppendItem(kCommandInsertTab, MenuText("InsertTab", "Insert tab code."));
    menu.AppendSeparator();
    // No input-method context of the box's own: SDL hands the composition over but offers no
    // way to open the input method or its word registration.
    menu.AppendItem(kCommandIme, MenuText("IME", "Open IME."), HostMenu::kGrayed);
    menu.AppendItem(kCommandRegister, MenuText("Register", "Register selection."), HostMenu::kGrayed);
}

bool WinEditBox::OnContextMenu(HostPoint point)
{
    CompleteComposition();
    HostMenu menu;
    BuildContextMenu(menu);
    ShowContextMenu(menu, point);
    return true;
}

HostResult WinEditBox::OnContextCommand(uint32_t command, HostLParam)
{
    RunCommand(command);
    return 0;
}

void WinEditBox::OnTextChanged()
{
}

void WinEditBox::OnReplaced()
{
    WinView::SetText(RawString(Utf8Of(edit_.Text16()), RawEncoding::Utf8));
    if (!resetting_)
        PostCommand(kNotifyChange);
    OnTextChanged();
    ShowChanges(true);
}

void WinEditBox::SetTextUnits(std::u16string text)
{
    resetting_ = true;
    ResetText(std::move(text));
    resetting_ = false;
}

void WinEditBox::ClearText()
{
    SetTextUnits(std::u16string());
}

void WinEditBox::SetText(const RawString& text)
{
    if (text.Encoding() == RawEncoding::Utf16)
        SetTextUnits(std::u16string(text.View16()));
    else
        SetTextConverted(text);
}

void WinEditBox::SetTextConverted(const RawString& text)
{
    WinViewStyle::SetTextConverted(text);
    SetTextUnits(RawLayer::RawToUtf16(Text().View(), RawEncoding::Utf8).value_or(u""));
}

void WinEditBox::SyncFont()
{
    const WinFontPtr& font = Font() ? Font() : WinFont::MessageFont();
    const HostFont* handle = font->Handle().get();
    if (handle != edit_.Font())
        edit_.SetFont(handle);
}

void WinEditBox::PaintContent(HostPainter& painter, const HostRect& client)
{
    SyncFont();
    edit_.SetTextColour(TextColour());
    edit_.PaintText(painter, client, HasFocus(), Enabled());
}

void WinEditBox::OnClientSize(const HostSize& size)
{
    edit_.SetClientSize(size);
    ShowChanges(true);
}

bool WinEditBox::UseVScroll() const
{
    return edit_.MultiLine() && (style_ & HostStyle::kVScroll) != 0;
}

void WinEditBox::UpdateScrollBar()
{
    if (!UseVScroll() || Window() == 0)
        return;
    const int32_t lines = edit_.LineCount();
    Host::SetScrollInfo(Window(), kSbVert, { 0, lines - 1, edit_.VisibleLines(), edit_.TopLine(), 0 });
}

void WinEditBox::PlaceCaret()
{
    if (Window() == 0 || !HasFocus())
        return;
    const HostRect caret = edit_.CaretRect(edit_.Caret());
    Host::SetCaretPos(Window(), { caret.left, caret.top });
    Host::SetTextInputRect(Window(), caret);
}

void WinEditBox::ShowChanges(bool scroll)
{
    if (Window() == 0 || edit_.Font() == nullptr)
        return;
    if (scroll)
        edit_.ScrollToCaret();
    UpdateScrollBar();
    PlaceCaret();
    Invalidate();
}

bool WinEditBox::OnScroll(int bar, uint16_t code, int32_t position)
{
    if (bar != kSbVert || !UseVScroll())
        return false;
    int32_t top = edit_.TopLine();
    const int32_t page = edit_.VisibleLines();
    switch (code) {
    case kSbLineUp:
        --top;
        break;
    case kSbLineDown:
        ++top;
        break;
    case kSbPageUp:
        top -= page;
        break;
    case kSbPageDown:
        top += page;
        break;
    case kSbThumbPosition:
    case kSbThumbTrack:
        top = position;
        break;
    case kSbTop:
        top = 0;
        break;
    case kSbBottom:
        top = edit_.LineCount();
        break;
    default:
        return true;
    }
    if (edit_.SetTopLine(top))
        ShowChanges(false);
    return true;
}

bool WinEditBox::OnMouseWheel(HostPoint, int32_t delta, uint32_t)
{
    if (!edit_.MultiLine())
        return false;
    if (edit_.SetTopLine(edit_.TopLine() - delta / 40))
        ShowChanges(false);
    return true;
}

void WinEditBox::OnCreated()
{
    WinPlaneBox::OnCreated();
    if ((style_ & HostStyle::kMultiLine) != 0)
        edit_.flags_ |= WinEditBoxInfo::kMultiLine;
    const bool attached = !edit_.ReadOnly() && (edit_.flags_ & WinEditBoxInfo::kNoIme) == 0;
    edit_.flags_ = attached ? edit_.flags_ | WinEditBoxInfo::kImeAttached
                            : edit_.flags_ & ~WinEditBoxInfo::kImeAttached;
    SyncFont();
    const HostRect client = Host::ClientRect(Window());
    edit_.SetClientSize({ client.Width(), client.Height() });
    Host::SetText(Window(), TextUtf8());
    ShowChanges(true);
}

void WinEditBox::OnDestroyed()
{
    edit_.composition_.clear();
    edit_.drag_ = false;
    WinPlaneBox::OnDestroyed();
}

void WinEditBox::OnFocusGained()
{
    SyncFont();
    Host::CreateCaret(Window(), *edit_.Font());
    Host::SetCaretBlinks(Window(), (edit_.EditFlags() & WinEditBoxInfo::kNoBlink) == 0);
    Host::ShowCaret(Window());
    SelectAll();
}

void WinEditBox::OnFocusLost()
{
    CompleteComposition();
    edit_.drag_ = false;
    Host::DestroyCaret(Window());
    Invalidate();
}

} // namespace WinLayer
