// The result list in five parts: the layout cache, rows and their contents, measuring,
// painting, and input (check clicks, the report menu, opening files, the status entry).

#include <app/GuiViewBox.h>
#include <core/RawLanguageTable.h>
#include <core/RawShell.h>
#include <engine/JobConfig.h>
#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostTextLayout.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace AppLayer {

using JobLayer::JobBlockUnit;
using JobLayer::JobColumnTextHandler;
using JobLayer::JobHitMulti;
using JobLayer::JobHitSingle;
using JobLayer::JobHitUnit;
using RawLayer::RawColour;
using RawLayer::RawEncoding;
using RawLayer::RawString;
using WinLayer::HostFont;
using WinLayer::HostMenu;
using WinLayer::HostMouseButton;
using WinLayer::HostPainter;
using WinLayer::HostPoint;
using WinLayer::HostRect;
using WinLayer::HostTextLayout;
using WinLayer::HostTextRun;

namespace {

// The length of the UTF-8 sequence at `pos`; 1 for a byte that starts no valid sequence (the
// layout shows such a byte as one replacement character).
size_t SequenceLength(std::string_view bytes, size_t pos)
{
    const auto lead = static_cast<unsigned char>(bytes[pos]);
    size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (pos + length > bytes.size())
        return 1;
    for (size_t next = 1; next < length; ++next)
        if ((static_cast<unsigned char>(bytes[pos + next]) & 0xC0) != 0x80)
            return 1;
    return length;
}

// Text as the layout takes it, with the UTF-16 unit of each code unit of the block text (hits
// count code units of the block text, layouts count UTF-16 units).
struct LayoutText {
    std::string utf8;
    std::vector<int32_t> unit_of; // empty when the block text is UTF-16 already

    int32_t Unit(int32_t index) const
    {
        if (unit_of.empty())
            return index;
        return unit_of[static_cast<size_t>(std::clamp<int32_t>(index, 0, int32_t(unit_of.size()) - 1))];
    }
};

std::string Utf8Of(const RawString& text)
{
    if (text.Encoding() != RawEncoding::Utf16)
        return text.Str();
    RawString converted;
    return converted.Acquire(text, RawEncoding::Utf8) ? converted.Str() : std::string();
}

LayoutText ToLayoutText(const RawString& text)
{
    LayoutText result { Utf8Of(text), {} };
    if (text.Encoding() == RawEncoding::Utf16)
        return result;
    const std::string_view bytes = result.utf8;
    result.unit_of.resize(bytes.size() + 1);
    int32_t units = 0;
    for (size_t pos = 0; pos < bytes.size();) {
        const size_t length = SequenceLength(bytes, pos);
        for (size_t next = 0; next < length; ++next)
            result.unit_of[pos + next] = units;
        units += length == 4 ? 2 : 1;
        pos += length;
    }
    result.unit_of[bytes.size()] = units;
    return result;
}

// Lines (ended by "\n", "\r\n" or "\r") and the widest line in character cells: a tab counts
// eight, CJK and other characters from U+3000 on two. Enough to size rows and the horizontal
// scroll without laying text out.
struct LineStats {
    int32_t lines = 1;
    int32_t widest = 0;
};

LineStats StatsOf(const RawString& text)
{
    const std::string bytes = Utf8Of(text);
    LineStats stats;
    int32_t cells = 0;
    for (size_t pos = 0; pos < bytes.size();) {
        const char byte = bytes[pos];
        if (byte == '\n' || byte == '\r') {
            ++stats.lines;
            stats.widest = std::max(stats.widest, cells);
            cells = 0;
            pos += byte == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n' ? 2 : 1;
            continue;
        }
        const size_t length = SequenceLength(bytes, pos);
        const auto lead = static_cast<unsigned char>(byte);
        cells += byte == '\t' ? 8 : (length == 4 || (length == 3 && lead >= 0xE3)) ? 2 : 1;
        pos += length;
    }
    stats.widest = std::max(stats.widest, cells);
    return stats;
}

uint32_t HostFlagsOf(uint32_t format)
{
    uint32_t flags = 0;
    if ((format & JobColumnTextHandler::kFormatRight) != 0)
        flags |= WinLayer::HostText::kRight;
    if ((format & JobColumnTextHandler::kFormatVerticalCentre) != 0)
        flags |= WinLayer::HostText::kVCenter;
    if ((format & JobColumnTextHandler::kFormatSingleLine) != 0)
        flags |= WinLayer::HostText::kSingleLine;
    if ((format & JobColumnTextHandler::kFormatExpandTabs) != 0)
        flags |= WinLayer::HostText::kExpandTabs;
    if ((format & JobColumnTextHandler::kFormatNoPrefix) != 0)
        flags |= WinLayer::HostText::kNoPrefix;
    return flags;
}

// The text laid out on lines of its own (no wrapping), each hit on its expression's colour.
std::unique_ptr<HostTextLayout> MakeLayout(
    const HostFont& font, const RawString& text, const JobHitMulti& hits)
{
    const LayoutText laid = ToLayoutText(text);
    const uint32_t flags
        = HostFlagsOf(JobColumnTextHandler::kFormatExpandTabs | JobColumnTextHandler::kFormatNoPrefix);
    auto layout = std::make_unique<HostTextLayout>(font, laid.utf8, flags, 0);
    std::vector<HostTextRun> runs;
    for (const JobHitSingle& single : hits)
        for (const JobHitUnit& unit : single)
            if (unit.start >= 0 && unit.end > unit.start)
                runs.push_back(
                    { laid.Unit(unit.start), laid.Unit(unit.end), RawColour::None(), single.colour });
    layout->SetRuns(runs);
    return layout;
}

RawString FolderOf(const RawString& path)
{
    const int32_t separator = path.FindLastOf(RawString("/"));
    if (separator < 0)
        return RawString(".");
    if (separator == 0)
        return RawString("/");
    return path.Substring(0, separator);
}

} // namespace

// --- Layout cache ---------------------------------------------------------------------------

GuiViewBoxLayoutCache::GuiViewBoxLayoutCache(size_t bound)
    : bound_(std::max<size_t>(bound, 1))
{
}

GuiViewBoxLayoutCache::~GuiViewBoxLayoutCache() = default;

GuiViewBoxLayoutCache::Entry* GuiViewBoxLayoutCache::Find(int32_t row)
{
    const auto found = entries_.find(row);
    if (found == entries_.end())
        return nullptr;
    order_.splice(order_.begin(), order_, found->second.position);
    return &found->second.entry;
}

int32_t GuiViewBoxLayoutCache::Store(int32_t row, Entry entry)
{
    Drop(row);
    order_.push_front(row);
    entries_.emplace(row, Slot { std::move(entry), order_.begin() });
    if (entries_.size() <= bound_)
        return -1;
    const int32_t oldest = order_.back();
    Drop(oldest);
    return oldest;
}

bool GuiViewBoxLayoutCache::Drop(int32_t row)
{
    const auto found = entries_.find(row);
    if (found == entries_.end())
        return false;
    order_.erase(found->second.position);
    entries_.erase(found);
    return true;
}

std::vector<int32_t> GuiViewBoxLayoutCache::Rows() const
{
    return { order_.begin(), order_.end() };
}

void GuiViewBoxLayoutCache::Clear()
{
    entries_.clear();
    order_.clear();
}

// --- Rows -----------------------------------------------------------------------------------

GuiViewBox::GuiViewBox(JobLayer::JobResultSet& results, JobLayer::JobStatusCentre& status)
    : results_(results)
    , status_(status)
{
    SetClassName(RawString("ViewBox"));
    SetMultipleSelection(true);
    SetStyleWords(Style() | WinLayer::HostStyle::kHScroll, 0);
}

GuiViewBox::~GuiViewBox() = default;

int32_t GuiViewBox::AppendNewBlocks()
{
    std::vector<JobBlockUnit*>& items = Items();
    bool rebuilt = false;
    size_t before = items.size();
    {
        std::lock_guard guard(results_.lock);
        std::lock_guard list_guard(results_.blocks.lock);
        const JobLayer::JobBlockList& blocks = results_.blocks;
        // Fewer blocks than rows: the blocks were dropped without Clear; the rows point at
        // nothing any more and are built again from the list as it is now.
        if (static_cast<size_t>(blocks.Count()) < items.size()) {
            items.clear();
            last_listed_ = nullptr;
            rebuilt = true;
            before = 0;
        }
        RawLayer::RawListNode* node = last_listed_ == nullptr ? blocks.FirstNode() : last_listed_->next;
        for (; !RawLayer::RawListBody::IsEnd(node); node = node->next) {
            items.push_back(static_cast<JobBlockUnit*>(node->element));
            last_listed_ = node;
        }
    }
    if (rebuilt)
        Refresh();
    else
        RefreshAppended();
    return static_cast<int32_t>(items.size() - before);
}

void GuiViewBox::Clear()
{
    Items().clear();
    last_listed_ = nullptr;
    menu_row_ = -1;
    Refresh();
}

void GuiViewBox::RefreshBlock(int32_t row)
{
    JobBlockUnit* block = ItemOf(row);
    if (block == nullptr)
        return;
    block->ClearFlags(JobBlockUnit::kUpd);
    DropLayout(row);
    RefreshRow(row);
}

int32_t GuiViewBox::RefreshMarkedBlocks()
{
    std::vector<int32_t> marked;
    const int32_t rows = RowCount();
    for (int32_t row = 0; row < rows; ++row) {
        JobBlockUnit* block = ItemOf(row);
        if (block == nullptr || !block->HasFlag(JobBlockUnit::kUpd))
            continue;
        block->ClearFlags(JobBlockUnit::kUpd);
        DropLayout(row);
        marked.push_back(row);
    }
    if (!marked.empty())
        RefreshRows(marked);
    return static_cast<int32_t>(marked.size());
}

void GuiViewBox::Refresh()
{
    DropAllLayouts();
    WinListBoxR<JobBlockUnit>::Refresh();
}

void GuiViewBox::SetPreviewShown(bool shown)
{
    if (shown == preview_shown_)
        return;
    preview_shown_ = shown;
    Refresh();
}

void GuiViewBox::SetColumnWidths(const std::vector<int32_t>& widths)
{
    const int32_t text_left = ColumnLeft(JobColumnTextHandler::kColumnText);
    header_.SetWidths(widths);
    text_left_ = ColumnLeft(JobColumnTextHandler::kColumnText);
    ColumnsMoved(text_left);
}

void GuiViewBox::ColumnsMoved(int32_t old_text_left)
{
    // Row heights do not depend on the widths: the rows' widths move with the text column,
    // so the widest row is moved too instead of measuring a million rows on each drag step.
    widest_ = std::max(widest_ + ColumnLeft(JobColumnTextHandler::kColumnText) - old_text_left,
        ColumnLeft(JobLayer::JobColumn::kCount));
    if (RowCount() > 0)
        RefreshRow(0);
    else
        Invalidate();
}

void GuiViewBox::ColumnWidthsChanged(const std::vector<WinLayer::WinListBoxColumn>& columns)
{
    ColumnsMoved(text_left_);
    text_left_ = ColumnLeft(JobColumnTextHandler::kColumnText);
    if (width_handler_ != nullptr)
        width_handler_->ColumnWidthsChanged(columns);
}

bool GuiViewBox::ReadPreview(const JobBlockUnit& block, RawString& text, JobHitMulti& hits) const
{
    if (!preview_shown_ || !block.HasFlag(JobBlockUnit::kRep))
        return false;
    std::lock_guard guard(results_.lock);
    text = block.replaced;
    hits = block.hit_replaced;
    return true;
}

// --- Measuring ------------------------------------------------------------------------------

int32_t GuiViewBox::RowHeight(int32_t row)
{
    const JobBlockUnit* block = ItemOf(row);
    if (block == nullptr)
        return 0;
    int32_t lines = StatsOf(block->original).lines;
    RawString replaced;
    JobHitMulti hits;
    if (ReadPreview(*block, replaced, hits))
        lines += StatsOf(replaced).lines;
    return lines * DrawingFont().LineHeight() + 2 * kRowMargin;
}

int32_t GuiViewBox::RowWidth(int32_t row)
{
    const JobBlockUnit* block = ItemOf(row);
    const int32_t columns = ColumnLeft(JobLayer::JobColumn::kCount);
    if (block == nullptr)
        return columns;
    int32_t widest = StatsOf(block->original).widest;
    RawString replaced;
    JobHitMulti hits;
    if (ReadPreview(*block, replaced, hits))
        widest = std::max(widest, StatsOf(replaced).widest);
    const int32_t text = ColumnLeft(JobColumnTextHandler::kColumnText) + 2 * kPadding
        + widest * DrawingFont().AverageCharWidth();
    return std::max(columns, text);
}

// --- Painting -------------------------------------------------------------------------------

GuiViewBoxLayoutCache::Entry& GuiViewBox::LayoutOf(int32_t row)
{
    if (GuiViewBoxLayoutCache::Entry* cached = cache_.Find(row))
        return *cached;
    const JobBlockUnit& block = *ItemOf(row);
    GuiViewBoxLayoutCache::Entry entry;
    // The original text and its hits never change once the block is listed.
    entry.original = MakeLayout(DrawingFont(), block.original, block.hit_record);
    RawString replaced;
    JobHitMulti hits;
    if (ReadPreview(block, replaced, hits))
        entry.replaced = MakeLayout(DrawingFont(), replaced, hits);
    const int32_t dropped = cache_.Store(row, std::move(entry));
    if (rows_.Valid(dropped))
        ItemUnit(dropped).SetLayoutCached(false);
    ItemUnit(row).SetLayoutCached(true);
    return *cache_.Find(row);
}

void GuiViewBox::DropLayout(int32_t row)
{
    if (cache_.Drop(row) && rows_.Valid(row))
        ItemUnit(row).SetLayoutCached(false);
}

void GuiViewBox::DropAllLayouts()
{
    for (int32_t row : cache_.Rows())
        if (rows_.Valid(row))
            ItemUnit(row).SetLayoutCached(false);
    cache_.Clear();
}

void GuiViewBox::Paint(HostPainter& painter, const HostRect& dirty)
{
    header_.SetOffset(ScrollX());
    WinListBoxR<JobBlockUnit>::Paint(painter, dirty);
}

void GuiViewBox::DrawRow(HostPainter& painter, const HostRect& rect, int32_t row)
{
    const JobBlockUnit& block = *ItemOf(row);
    RawColour ground = RowBackground(row);
    if (ground == kBackground && !block.BackgroundColour().IsNone())
        ground = block.BackgroundColour();
    painter.FillRect(rect, ground);
    const HostRect check { rect.left + ColumnLeft(0), rect.top, rect.left + ColumnLeft(1), rect.bottom };
    DrawCheck(painter, check, block.IsChecked());
    for (int32_t column : { JobColumnTextHandler::kColumnFile, JobColumnTextHandler::kColumnLine }) {
        HostRect cell { rect.left + ColumnLeft(column) + kPadding, rect.top,
            rect.left + ColumnLeft(column + 1) - kPadding, rect.bottom };
        painter.DrawText(DrawingFont(), block.ColumnText(column).Str(), cell,
            HostFlagsOf(block.ColumnFormat(column)), kText);
    }
    DrawTextCell(painter, rect, row);
    for (int32_t column = 1; column < JobLayer::JobColumn::kCount; ++column) {
        const int32_t x = rect.left + ColumnLeft(column) - 1;
        painter.Line({ x, rect.top }, { x, rect.bottom }, kGridColumn);
    }
    painter.Line({ rect.left, rect.bottom - 1 }, { rect.right, rect.bottom - 1 }, kGridRow);
}

void GuiViewBox::DrawCheck(HostPainter& painter, const HostRect& cell, bool checked) const
{
    const int32_t left = cell.left + kPadding;
    const int32_t top = cell.top + (cell.Height() - kCheckSize) / 2;
    const HostRect box { left, top, left + kCheckSize, top + kCheckSize };
    painter.FillRect(box, kBackground);
    painter.FrameRect(box, kCheckFrame);
    if (!checked)
        return;
    painter.Line({ left + 3, top + 6 }, { left + 5, top + 9 }, kCheckMark, 2);
    painter.Line({ left + 5, top + 9 }, { left + 10, top + 3 }, kCheckMark, 2);
}

void GuiViewBox::DrawTextCell(HostPainter& painter, const HostRect& rect, int32_t row)
{
    const GuiViewBoxLayoutCache::Entry& entry = LayoutOf(row);
    const int32_t left = rect.left + ColumnLeft(JobColumnTextHandler::kColumnText);
    // The text runs on past the column's edge to the end of the row.
    painter.Save();
    painter.ClipTo({ left, rect.top, rect.right, rect.bottom });
    const HostPoint at { left + kPadding, rect.top + kRowMargin };
    painter.DrawLayout(*entry.original, at, kText);
    if (entry.replaced)
        painter.DrawLayout(*entry.replaced, { at.x, at.y + entry.original->Size().cy }, kReplacedText);
    painter.Restore();
}

// --- Input ----------------------------------------------------------------------------------

bool GuiViewBox::ClickCheck(int32_t row)
{
    JobBlockUnit* clicked = ItemOf(row);
    if (clicked == nullptr)
        return false;
    bool changed = false;
    if (IsSelected(row)) {
        const bool check = !clicked->IsChecked();
        int32_t left = SelectedCount();
        for (int32_t other = FirstSelectedRow(); other >= 0 && other < RowCount() && left > 0; ++other) {
            if (!IsSelected(other))
                continue;
            --left;
            if (ItemOf(other)->SetCheckedByUser(check)) {
                DropLayout(other);
                changed = true;
            }
        }
    } else if (clicked->ToggleCheckByUser()) {
        DropLayout(row);
        changed = true;
    }
    if (changed)
        ChecksChanged();
    return changed;
}

void GuiViewBox::ChecksChanged()
{
    Invalidate();
    if (notify_checks_)
        PostCommand(kChecksChanged);
}

bool GuiViewBox::OnMouseDown(HostPoint point, HostMouseButton button, uint32_t modifiers)
{
    const bool plain = (modifiers & (WinLayer::HostMod::kShift | WinLayer::HostMod::kControl)) == 0;
    const int32_t row = RowAtPoint(point);
    const int32_t x = point.x + ScrollX();
    if (button != HostMouseButton::Left || !plain || row < 0 || x < ColumnLeft(0) || x >= ColumnLeft(1))
        return WinListBoxR<JobBlockUnit>::OnMouseDown(point, button, modifiers);
    Focus();
    const bool was_selected = IsSelected(row);
    ClickCheck(row);
    if (!was_selected)
        SetCursor(row);
    return true;
}

bool GuiViewBox::OnDoubleClick(HostPoint point, HostMouseButton button, uint32_t modifiers)
{
    const int32_t row = RowAtPoint(point);
    if (button != HostMouseButton::Left || row < 0)
        return WinListBoxR<JobBlockUnit>::OnDoubleClick(point, button, modifiers);
    // The second click on a check box is a click on it, not a request to open the file.
    const int32_t x = point.x + ScrollX();
    if (x >= ColumnLeft(0) && x < ColumnLeft(1))
        return OnMouseDown(point, button, modifiers);
    RunReportCommand(kCommandOpenFile, row);
    return true;
}

// Enter opens the cursor row's file; Space checks or unchecks it as a click on its check box
// does (the selected rows together), and Ctrl+Space is left to the list for the selection.
bool GuiViewBox::OnKeyDown(uint32_t key, uint32_t modifiers)
{
    if (key == WinLayer::HostKey::kSpace && (modifiers & WinLayer::HostMod::kControl) == 0) {
        if (Cursor() >= 0)
            (void)ClickCheck(Cursor());
        return true;
    }
    if (key != WinLayer::HostKey::kReturn)
        return WinListBoxR<JobBlockUnit>::OnKeyDown(key, modifiers);
    RunReportCommand(kCommandOpenFile, Cursor());
    return true;
}

void GuiViewBox::SetCursor(int32_t row)
{
    WinListBoxR<JobBlockUnit>::SetCursor(row);
    ShowCursorStatus();
}

void GuiViewBox::ToggleSelection(int32_t row)
{
    WinListBoxR<JobBlockUnit>::ToggleSelection(row);
    ShowCursorStatus();
}

void GuiViewBox::ExtendSelection(int32_t row)
{
    WinListBoxR<JobBlockUnit>::ExtendSelection(row);
    ShowCursorStatus();
}

void GuiViewBox::ShowCursorStatus()
{
    const JobBlockUnit* block = ItemOf(Cursor());
    if (block == nullptr)
        return;
    uint32_t id = 0;
    {
        std::lock_guard guard(results_.lock);
        id = block->status_id;
    }
    if (id == 0 || !status_.IsAccepting())
        return;
    status_.SetSelectedId(id);
    PostCommand(kShowStatus);
}

void GuiViewBox::BuildReportMenu(HostMenu& menu) const
{
    RawLayer::RawLanguageTable& language = RawLayer::RawLanguageTable::Instance();
    const RawString section("ReportMenu");
    menu.AppendItem(
        kCommandOpenFile, language.Text(section, RawString("OpenFile"), RawString("Open file.")).Str());
    menu.AppendItem(kCommandOpenFolder,
        language.Text(section, RawString("OpenFolder"), RawString("Open base folder.")).Str());
    menu.AppendItem(kCommandNameToClipboard,
        language.Text(section, RawString("NameToClipboard"), RawString("Copy file name to clipboard."))
            .Str());
}

void GuiViewBox::ShowMenu(HostPoint point, int32_t row)
{
    menu_row_ = row;
    HostMenu menu;
    BuildReportMenu(menu);
    ShowContextMenu(menu, point);
}

WinLayer::HostResult GuiViewBox::OnContextCommand(uint32_t command, WinLayer::HostLParam)
{
    RunReportCommand(command, menu_row_);
    return 0;
}

void GuiViewBox::RunReportCommand(uint32_t command, int32_t row)
{
    const JobBlockUnit* block = ItemOf(row);
    if (block == nullptr)
        return;
    switch (command) {
    case kCommandOpenFile:
        (void)OpenFile(block->file_path, block->line_number);
        break;
    case kCommandOpenFolder:
        (void)OpenFolder(FolderOf(block->file_path));
        break;
    case kCommandNameToClipboard:
        (void)WinLayer::Host::SetClipboardText(block->file_path.Str());
        break;
    default:
        break;
    }
}

bool GuiViewBox::OpenFile(const RawString& path, int64_t line)
{
    return config_ != nullptr && config_->OpenFileWithTool(path, line);
}

bool GuiViewBox::OpenFolder(const RawString& folder)
{
    return RawLayer::RawShell::OpenWithShell(folder);
}

} // namespace AppLayer
