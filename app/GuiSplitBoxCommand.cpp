#include <app/GuiSplitBox.h>
#include <app/GuiSplitBoxCommand.h>
#include <core/RawLanguageTable.h>
#include <core/RawPath.h>
#include <core/RawShell.h>
#include <engine/JobConfig.h>
#include <engine/JobExpressionUtility.h>
#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostSystem.h>

#include <algorithm>
#include <array>

namespace AppLayer {

using JobLayer::JobExpressionUtility;
using RawLayer::RawEncoding;
using RawLayer::RawString;

namespace {

struct MenuEntry {
    uint32_t command;
    const char* key;
    const char* text;
};

constexpr std::array<MenuEntry, 10> kMenu { {
    { GuiSplitBoxCommand::kMoveUp, "MoveUpSelected", "Move up selected items.\t[Ctrl+U]" },
    { GuiSplitBoxCommand::kMoveDown, "MoveDownSelected", "Move down selected items.\t[Ctrl+O]" },
    { GuiSplitBoxCommand::kModify, "ModifyItem", "Modify cursor item.\t[Ctrl+M]" },
    { GuiSplitBoxCommand::kAppendAfter, "AppendAfter", "Append item after cursor item.\t[Shift+INSERT]" },
    { GuiSplitBoxCommand::kInsertBefore, "InsertBefore", "Insert item before cursor item.\t[INSERT]" },
    { GuiSplitBoxCommand::kDeleteSelected, "DeleteSelected", "Delete selected items.\t[DELETE]" },
    { GuiSplitBoxCommand::kCopy, "CopyToClipboard", "Copy selected items to clipboard.\t[Ctrl+C]" },
    { GuiSplitBoxCommand::kInsertFromClipboard, "InsertFromClipboard",
        "Insert one item from clipboard.\t[Ctrl+V]" },
    { GuiSplitBoxCommand::kInsertMultiFromClipboard, "InsertMultiFromClipboard",
        "Insert multiple item from clipboard.\t[Ctrl+N]" },
    { GuiSplitBoxCommand::kOpenPath, "OpenPath", "Open cursor item's path." },
} };

RawString Utf8(std::string_view text)
{
    return RawString(text, RawEncoding::Utf8);
}

// The clipboard text, cut after the most characters one paste takes.
std::string ClipboardText()
{
    std::string text = WinLayer::Host::ClipboardText();
    size_t characters = 0;
    for (size_t pos = 0; pos < text.size(); ++pos) {
        if ((static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80)
            continue;
        if (++characters > GuiSplitBoxCommand::kClipboardLimit) {
            text.resize(pos);
            break;
        }
    }
    return text;
}

void DefaultOpener(const RawString& path, bool folder)
{
    const bool started = folder ? RawLayer::RawShell::OpenWithShell(path)
                                : JobLayer::JobConfig::Instance().OpenFileWithTool(path, 1);
    if (!started)
        WinLayer::Host::Beep();
}

} // namespace

GuiSplitBoxCommand::GuiSplitBoxCommand(GuiSplitBox& box, int mode)
    : box_(box)
    , mode_(mode)
    , activator_(box, *this)
    , opener_(DefaultOpener)
{
}

RawString* GuiSplitBoxCommand::NewItem(const RawString& text)
{
    RawString stored(RawEncoding::Utf8);
    if (!stored.Acquire(text, RawEncoding::Utf8))
        stored = text;
    return &store_.emplace_back(std::move(stored));
}

void GuiSplitBoxCommand::Load(const std::vector<RawString>& items)
{
    std::vector<RawString*> rows;
    rows.reserve(items.size());
    for (const RawString& item : items)
        rows.push_back(NewItem(item));
    box_.Items() = std::move(rows);
    box_.Refresh();
}

std::vector<RawString> GuiSplitBoxCommand::ItemTexts() const
{
    std::vector<RawString> texts;
    texts.reserve(box_.Items().size());
    for (const RawString* item : box_.Items())
        texts.push_back(*item);
    return texts;
}

bool GuiSplitBoxCommand::Enabled(uint32_t command) const
{
    switch (command) {
    case kMoveUp:
    case kMoveDown:
    case kDeleteSelected:
    case kCopy:
        return box_.SelectedCount() > 0;
    case kModify:
    case kAppendAfter:
    case kInsertBefore:
    case kInsertFromClipboard:
    case kInsertMultiFromClipboard:
    case kOpenPath:
        return box_.Rows().Valid(box_.Cursor());
    default:
        return false;
    }
}

void GuiSplitBoxCommand::BuildMenu(WinLayer::HostMenu& menu) const
{
    RawLayer::RawLanguageTable& language = RawLayer::RawLanguageTable::Instance();
    for (const MenuEntry& entry : kMenu) {
        const RawString text = language.Text(RawString("SplitBoxMenu"), Utf8(entry.key), Utf8(entry.text));
        menu.AppendItem(entry.command, text.Str(), Enabled(entry.command) ? 0 : WinLayer::HostMenu::kGrayed);
        if (entry.command == kMoveDown || entry.command == kDeleteSelected
            || entry.command == kInsertMultiFromClipboard)
            menu.AppendSeparator();
    }
}

void GuiSplitBoxCommand::Run(uint32_t command)
{
    if (!Enabled(command))
        return;
    const int32_t cursor = box_.Cursor();
    switch (command) {
    case kMoveUp:
    case kMoveDown:
        Move(command == kMoveUp);
        break;
    case kModify:
        Edit(cursor);
        break;
    case kAppendAfter:
        InsertAndEdit(cursor + 1);
        break;
    case kInsertBefore:
        InsertAndEdit(cursor);
        break;
    case kDeleteSelected:
        DeleteSelected();
        break;
    case kCopy:
        CopySelected();
        break;
    case kInsertFromClipboard:
    case kInsertMultiFromClipboard:
        InsertFromClipboard(command == kInsertMultiFromClipboard);
        break;
    case kOpenPath:
        OpenPath();
        break;
    default:
        break;
    }
}

std::vector<bool> GuiSplitBoxCommand::Selection() const
{
    std::vector<bool> selected(static_cast<size_t>(box_.RowCount()), false);
    for (int32_t row = 0; row < box_.RowCount(); ++row)
        selected[static_cast<size_t>(row)] = box_.IsSelected(row);
    return selected;
}

// Up: a selected row passes the row above it only once an unselected row has been seen, so a
// selected block at the top stays put and one below moves up as a whole. Down mirrors it.
void GuiSplitBoxCommand::Move(bool up)
{
    std::vector<RawString*> items = box_.Items();
    std::vector<bool> selected = Selection();
    int32_t cursor = box_.Cursor();
    const auto count = static_cast<int32_t>(items.size());
    const int32_t step = up ? -1 : 1;
    bool may_move = false;
    for (int32_t row = up ? 0 : count - 1; row >= 0 && row < count; row -= step) {
        const auto at = static_cast<size_t>(row);
        if (!selected[at]) {
            may_move = true;
            continue;
        }
        if (!may_move)
            continue;
        const auto other = static_cast<size_t>(row + step);
        std::swap(items[at], items[other]);
        std::vector<bool>::swap(selected[at], selected[other]);
        if (cursor == row)
            cursor = row + step;
        else if (cursor == row + step)
            cursor = row;
    }
    box_.ReplaceItems(std::move(items), selected, cursor);
    box_.ScrollIntoView(cursor);
}

void GuiSplitBoxCommand::InsertItems(int32_t row, const std::vector<RawString>& texts, int32_t cursor)
{
    std::vector<RawString*> items = box_.Items();
    std::vector<bool> selected = Selection();
    const auto at = static_cast<size_t>(std::clamp(row, 0, box_.RowCount()));
    std::vector<RawString*> added;
    for (const RawString& text : texts)
        added.push_back(NewItem(text));
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
    selected.insert(selected.begin() + static_cast<std::ptrdiff_t>(at), added.size(), false);
    box_.ReplaceItems(std::move(items), selected, cursor);
}

void GuiSplitBoxCommand::InsertAndEdit(int32_t row)
{
    InsertItems(row, { RawString() }, row);
    box_.SetCursor(row);
    Edit(row);
}

void GuiSplitBoxCommand::DeleteSelected()
{
    std::vector<RawString*> kept;
    int32_t first_removed = -1;
    for (int32_t row = 0; row < box_.RowCount(); ++row) {
        RawString* item = box_.ItemOf(row);
        if (!box_.IsSelected(row)) {
            kept.push_back(item);
            continue;
        }
        if (first_removed < 0)
            first_removed = row;
        *item = RawString(); // its storage stays until the dialog ends; the text goes now
    }
    // An empty list would leave no row to insert at: one empty item stands in, as for an empty bar.
    if (kept.empty())
        kept.push_back(NewItem(RawString()));
    const int32_t cursor = std::min(first_removed, static_cast<int32_t>(kept.size()) - 1);
    std::vector<bool> selected(kept.size(), false);
    box_.ReplaceItems(std::move(kept), selected, cursor);
    box_.SetCursor(cursor);
}

void GuiSplitBoxCommand::CopySelected() const
{
    std::string text;
    int32_t copied = 0;
    for (int32_t row = 0; row < box_.RowCount(); ++row) {
        if (!box_.IsSelected(row))
            continue;
        if (copied++ > 0)
            text += "\r\n";
        text += box_.ItemOf(row)->Str();
    }
    if (copied > 1)
        text += "\r\n";
    if (!WinLayer::Host::SetClipboardText(text))
        WinLayer::Host::Beep();
}

void GuiSplitBoxCommand::InsertFromClipboard(bool several)
{
    const std::string clipboard = ClipboardText();
    if (clipboard.empty())
        return;
    std::vector<RawString> texts;
    if (!several)
        texts.push_back(JobExpressionUtility::Escape(Utf8(clipboard)));
    else {
        size_t start = 0;
        for (;;) {
            const size_t end = clipboard.find(';', start);
            const std::string_view piece
                = std::string_view(clipboard).substr(start, end == std::string::npos ? end : end - start);
            texts.push_back(JobExpressionUtility::EscapeLineBreaks(Utf8(piece)));
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }
    const int32_t cursor = box_.Cursor();
    InsertItems(cursor, texts, cursor);
    box_.SetCursor(cursor);
}

void GuiSplitBoxCommand::OpenPath()
{
    const RawString* item = box_.ItemOf(box_.Cursor());
    if (item == nullptr || item->IsEmpty())
        return;
    if (RawLayer::RawPath::IsFolder(*item))
        opener_(*item, true);
    else if (RawLayer::RawPath::Exists(*item))
        opener_(*item, false);
}

void GuiSplitBoxCommand::Drop(const std::vector<std::string>& paths, WinLayer::HostPoint point)
{
    if (mode_ != kModePaths || paths.empty())
        return;
    int32_t row = box_.RowAtPoint(point);
    if (row < 0)
        row = box_.RowCount();
    std::vector<RawString> texts;
    for (const std::string& path : paths)
        texts.push_back(Utf8(path));
    int32_t cursor = box_.Cursor();
    if (cursor >= row)
        cursor += static_cast<int32_t>(texts.size());
    const int64_t scroll_y = box_.ScrollY();
    const int32_t scroll_x = box_.ScrollX();
    InsertItems(row, texts, cursor);
    box_.ScrollTo(scroll_y, scroll_x);
}

int GuiSplitBoxCommand::Edit(int32_t row)
{
    if (!box_.Rows().Valid(row))
        return WinLayer::WinEditBoxDialogEx::kCancelled;
    // A dropped path that is not UTF-8 cannot be shown in the editor; editing an empty stand-in
    // would lose it.
    RawString units(RawEncoding::Utf16);
    if (!units.Acquire(box_.ShownText(row), RawEncoding::Utf16)) {
        WinLayer::Host::Beep();
        return WinLayer::WinEditBoxDialogEx::kCancelled;
    }
    const bool multi_line = box_.Decode();
    GuiDropBar& bar = activator_.Bar();
    const uint32_t lines = WinLayer::HostStyle::kMultiLine | WinLayer::HostStyle::kVScroll;
    bar.SetStyleWords(multi_line ? bar.Style() | lines : bar.Style() & ~lines, bar.ExStyle());
    bar.SetEditFlags(multi_line ? bar.EditFlags() | WinLayer::WinEditBoxInfo::kMultiLine
                                : bar.EditFlags() & ~WinLayer::WinEditBoxInfo::kMultiLine);
    bar.SetEncoder(
        multi_line ? static_cast<WinLayer::WinEditBoxInfo::Encoder*>(&plain_encoder_) : &bar.PasteEncoder());
    activator_.SetWide(multi_line);
    return activator_.Edit(row);
}

std::u16string GuiSplitBoxCommand::ItemText(int32_t row)
{
    RawString units(RawEncoding::Utf16);
    if (!units.Acquire(box_.ShownText(row), RawEncoding::Utf16))
        return {};
    return std::u16string(units.View16());
}

void GuiSplitBoxCommand::SetItemText(int32_t row, const std::u16string& text)
{
    RawString* item = box_.ItemOf(row);
    RawString edited(RawEncoding::Utf8);
    if (item == nullptr || !edited.Acquire(RawString(std::u16string_view(text)), RawEncoding::Utf8))
        return;
    *item = JobExpressionUtility::EscapeKeepPercent(edited);
    box_.Refresh();
}

} // namespace AppLayer
