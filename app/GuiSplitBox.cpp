#include <app/GuiSplitBox.h>
#include <app/GuiSplitBoxCommand.h>
#include <engine/JobExpressionUtility.h>
#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostSystem.h>

#include <algorithm>

namespace AppLayer {

using RawLayer::RawString;
using WinLayer::HostPainter;
using WinLayer::HostPoint;
using WinLayer::HostRect;
namespace HostText = WinLayer::HostText;
namespace HostMod = WinLayer::HostMod;
namespace HostKey = WinLayer::HostKey;

namespace {

uint32_t TextFlags(int32_t tab_length, bool multi_line)
{
    const uint32_t tabs = HostText::kExpandTabs | HostText::kTabStop
        | (static_cast<uint32_t>(std::clamp(tab_length, 1, 255)) << 8);
    return HostText::kNoPrefix | tabs | (multi_line ? 0 : HostText::kSingleLine | HostText::kVCenter);
}

int32_t LineCount(const std::string& text)
{
    return 1 + static_cast<int32_t>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace

GuiSplitBox::GuiSplitBox()
{
    SetMultipleSelection(true);
    SetStyleWords(Style() | WinLayer::HostStyle::kVScroll | WinLayer::HostStyle::kHScroll
            | WinLayer::HostStyle::kBorder,
        ExStyle());
}

void GuiSplitBox::SetDecode(bool decode)
{
    decode_ = decode;
    Refresh();
}

RawString GuiSplitBox::ShownText(int32_t row) const
{
    const RawString* item = ItemOf(row);
    if (item == nullptr)
        return {};
    return decode_ ? JobLayer::JobExpressionUtility::Unescape(*item) : *item;
}

void GuiSplitBox::ReplaceItems(
    std::vector<RawString*> items, const std::vector<bool>& selected, int32_t cursor)
{
    Items() = std::move(items);
    Refresh();
    UnmarkAll();
    for (size_t row = 0; row < selected.size(); ++row)
        if (selected[row])
            MarkRow(static_cast<int32_t>(row), true);
    cursor_ = rows_.Valid(cursor) ? cursor : kNoCursor;
    anchor_ = cursor_;
    Invalidate();
    PostCommand(kCursorChanged);
}

void GuiSplitBox::MeasureFont()
{
    if (letter_height_ > 0)
        return;
    const WinLayer::HostFont& font = DrawingFont();
    const uint32_t flags = TextFlags(tab_length_, false);
    letter_height_ = std::max(HostPainter::MeasureText(font, "A", { 0, 0, 4000, 400 }, flags).Height(), 1);
    for (size_t code = 32; code < ascii_widths_.size(); ++code)
        ascii_widths_[code] = HostPainter::MeasureText(
            font, std::string(1, static_cast<char>(code)), { 0, 0, 4000, 400 }, flags)
                                  .Width();
    wide_width_ = HostPainter::MeasureText(font, "\xE3\x81\x82", { 0, 0, 4000, 400 }, flags).Width();
}

void GuiSplitBox::Refresh()
{
    // The font may have changed since the last measuring.
    letter_height_ = 0;
    if (Window() != 0)
        MeasureFont();
    WinListBoxR::Refresh();
}

// Widths are summed per character instead of laid out, so a list of a million items opens
// quickly; the result only sets the horizontal scroll range.
int32_t GuiSplitBox::TextWidth(std::string_view utf8)
{
    int32_t line = 0;
    int32_t widest = 0;
    int32_t column = 0;
    for (size_t pos = 0; pos < utf8.size(); ++pos) {
        const auto unit = static_cast<unsigned char>(utf8[pos]);
        if (unit == '\n') {
            widest = std::max(widest, line);
            line = 0;
            column = 0;
        } else if (unit == '\t') {
            const int32_t spaces = tab_length_ - column % std::max(tab_length_, 1);
            line += spaces * ascii_widths_[' '];
            column += spaces;
        } else if (unit < 0x80) {
            line += ascii_widths_[unit];
            ++column;
        } else if ((unit & 0xC0) != 0x80) {
            line += wide_width_;
            column += 2;
        }
    }
    return std::max(widest, line);
}

int32_t GuiSplitBox::RowHeight(int32_t row)
{
    MeasureFont();
    const int32_t lines = decode_ ? LineCount(ShownText(row).Str()) : 1;
    return lines * letter_height_ + 2;
}

int32_t GuiSplitBox::RowWidth(int32_t row)
{
    MeasureFont();
    const RawString* item = ItemOf(row);
    if (item == nullptr)
        return 2;
    return (decode_ ? TextWidth(ShownText(row).View()) : TextWidth(item->View())) + 2;
}

void GuiSplitBox::DrawRow(HostPainter& painter, const HostRect& rect, int32_t row)
{
    painter.FillRect(rect, RowBackground(row));
    HostRect text { rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1 };
    painter.DrawText(DrawingFont(), ShownText(row).Str(), text, TextFlags(tab_length_, decode_), kText);
    painter.FillRect({ rect.left, rect.bottom - 1, rect.right, rect.bottom }, kLineColour);
}

void GuiSplitBox::ShowMenu(HostPoint point, int32_t)
{
    if (command_ == nullptr)
        return;
    WinLayer::HostMenu menu;
    command_->BuildMenu(menu);
    ShowContextMenu(menu, point);
}

WinLayer::HostResult GuiSplitBox::OnContextCommand(uint32_t command, WinLayer::HostLParam)
{
    if (command_ != nullptr)
        command_->Run(command);
    return 0;
}

WinLayer::HostResult GuiSplitBox::HandleMessage(
    uint32_t message, WinLayer::HostWParam wparam, WinLayer::HostLParam lparam)
{
    if (message != kMsgEditRow)
        return WinListBoxR::HandleMessage(message, wparam, lparam);
    if (command_ != nullptr)
        command_->Edit(static_cast<int32_t>(wparam));
    return 0;
}

bool GuiSplitBox::OnMouseDown(HostPoint point, WinLayer::HostMouseButton button, uint32_t modifiers)
{
    const int32_t row = RowAtPoint(point);
    const bool on_the_selected_row = button == WinLayer::HostMouseButton::Left && HasFocus()
        && SelectedCount() == 1 && IsSelected(row)
        && (modifiers & (HostMod::kControl | HostMod::kShift)) == 0;
    const bool handled = WinListBoxR::OnMouseDown(point, button, modifiers);
    // Editing starts once the click is over, outside the list's own handling.
    if (on_the_selected_row && Window() != 0)
        WinLayer::Host::PostMessage(Window(), kMsgEditRow, static_cast<WinLayer::HostWParam>(row), 0);
    return handled;
}

uint32_t GuiSplitBox::KeyCommand(uint32_t key, uint32_t modifiers)
{
    const bool ctrl = (modifiers & HostMod::kControl) != 0;
    const bool shift = (modifiers & HostMod::kShift) != 0;
    if ((modifiers & HostMod::kAlt) != 0)
        return 0;
    if (key == HostKey::kInsert)
        return ctrl || shift ? GuiSplitBoxCommand::kAppendAfter : GuiSplitBoxCommand::kInsertBefore;
    if (key == HostKey::kDelete)
        return shift || ctrl ? 0 : GuiSplitBoxCommand::kDeleteSelected;
    if (!ctrl)
        return 0;
    switch (key) {
    case 'U':
        return GuiSplitBoxCommand::kMoveUp;
    case 'O':
        return GuiSplitBoxCommand::kMoveDown;
    case 'M':
        return GuiSplitBoxCommand::kModify;
    case 'X':
        return GuiSplitBoxCommand::kDeleteSelected;
    case 'C':
        return GuiSplitBoxCommand::kCopy;
    case 'V':
        return GuiSplitBoxCommand::kInsertFromClipboard;
    case 'N':
        return GuiSplitBoxCommand::kInsertMultiFromClipboard;
    default:
        return 0;
    }
}

bool GuiSplitBox::OnKeyDown(uint32_t key, uint32_t modifiers)
{
    const uint32_t command = KeyCommand(key, modifiers);
    if (command == 0 || command_ == nullptr)
        return WinListBoxR::OnKeyDown(key, modifiers);
    command_->Run(command);
    return true;
}

bool GuiSplitBox::OnDropFiles(const std::vector<std::string>& paths, HostPoint point)
{
    if (command_ == nullptr || command_->Mode() != GuiSplitBoxCommand::kModePaths)
        return false;
    command_->Drop(paths, point);
    return true;
}

} // namespace AppLayer
