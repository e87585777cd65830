#pragma once

// The result list of the main window: one row per result block of the current search, in the
// order found, with four columns (check box, file, line, text). The text column shows the
// block's text with its hits highlighted in each expression's colour and, while the preview is
// shown and the block holds one, the replaced text in green below it. Rows take the block's
// background colour; a click on a check box checks or unchecks the row (or every selected row);
// a right click opens the report menu (open the file, open its folder, copy its path).
//
// Row heights come from line counts and the font's line height, never from laying text out:
// text lines break only at the block's own line breaks, and a long line runs on past the
// column edge, clipped, reached by the horizontal scroll. Only rows being painted are laid out,
// and their layouts are kept in a bounded cache.
//
// Threads: the list runs on the window thread while the jobs change blocks. It reads a block's
// flags only under the block's lock (JobBlockUnit does that), walks the block list under the
// result set's locks, and reads the replaced text and its hits under the result set's lock,
// which the replace job holds while it writes them.

#include <app/GuiViewBoxColumn.h>
#include <app/GuiViewBoxItemUnit.h>
#include <engine/JobBlockList.h>
#include <engine/JobBlockUnit.h>
#include <engine/JobResultSet.h>
#include <engine/JobStatusCentre.h>
#include <toolkit/WinListBoxR.h>

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

namespace JobLayer {
class JobConfig;
}

namespace WinLayer {
class HostMenu;
class HostTextLayout;
} // namespace WinLayer

namespace AppLayer {

// The laid-out text column of rows recently painted, least recently used dropped first.
class GuiViewBoxLayoutCache {
public:
    struct Entry {
        std::unique_ptr<WinLayer::HostTextLayout> original;
        std::unique_ptr<WinLayer::HostTextLayout> replaced; // null when no preview is shown
    };

    explicit GuiViewBoxLayoutCache(size_t bound);
    ~GuiViewBoxLayoutCache();

    // The entry of a row, null when not cached; a hit makes it the most recent.
    Entry* Find(int32_t row);
    // Stores an entry; returns the row dropped to stay within the bound, -1 for none.
    int32_t Store(int32_t row, Entry entry);
    bool Drop(int32_t row);
    // The rows that were cached.
    std::vector<int32_t> Rows() const;
    void Clear();
    size_t Size() const { return entries_.size(); }

private:
    size_t bound_;
    std::list<int32_t> order_; // most recent first
    struct Slot {
        Entry entry;
        std::list<int32_t>::iterator position;
    };
    std::unordered_map<int32_t, Slot> entries_;
};

class GuiViewBox : public WinLayer::WinListBoxR<JobLayer::JobBlockUnit>,
                   private WinLayer::WinListBoxColumnControl::Handler {
public:
    // Commands posted to the main window.
    static constexpr uint16_t kChecksChanged = 0x1106;
    static constexpr uint16_t kShowStatus = 0x111F;
    // Report menu commands.
    static constexpr uint32_t kCommandOpenFile = 1;
    static constexpr uint32_t kCommandOpenFolder = 2;
    static constexpr uint32_t kCommandNameToClipboard = 3;

    static constexpr RawLayer::RawColour kReplacedText = RawLayer::RawColour::FromRgb(0, 160, 0);
    static constexpr RawLayer::RawColour kGridRow = RawLayer::RawColour::FromRgb(224, 224, 224);
    static constexpr RawLayer::RawColour kGridColumn = RawLayer::RawColour::FromRgb(192, 192, 192);
    static constexpr RawLayer::RawColour kCheckFrame = RawLayer::RawColour::FromRgb(0x60, 0x60, 0x60);
    static constexpr RawLayer::RawColour kCheckMark = RawLayer::RawColour::FromRgb(0x20, 0x20, 0x20);
    // Rows whose text layouts are kept: several screens of rows.
    static constexpr size_t kLayoutCacheBound = 256;
    static constexpr int32_t kCheckSize = 13;
    // Space around the texts of a cell.
    static constexpr int32_t kPadding = 4;
    static constexpr int32_t kRowMargin = 2;

    // `status` is the process's centre unless a test brings its own.
    explicit GuiViewBox(JobLayer::JobResultSet& results,
        JobLayer::JobStatusCentre& status = JobLayer::JobStatusCentre::Instance());
    ~GuiViewBox() override;

    // The configuration whose tools open files (not owned; null opens nothing).
    void SetConfig(JobLayer::JobConfig* config) { config_ = config; }
    // The header view, to be placed above the list by the owner.
    GuiViewBoxColumn& Header() { return header_; }
    // The column widths as the main window stores them ("ColumnWidth"); setting them measures
    // the rows again.
    std::vector<int32_t> ColumnWidths() const { return header_.Columns().Widths(); }
    void SetColumnWidths(const std::vector<int32_t>& widths);
    // Told after the user dragged a column border (not owned; null for nobody).
    void SetWidthHandler(WinLayer::WinListBoxColumnControl::Handler* handler) { width_handler_ = handler; }

    // The replace preview under the block texts; changing it measures every row again.
    void SetPreviewShown(bool shown);
    bool PreviewShown() const { return preview_shown_; }
    // Whether a change of check marks posts kChecksChanged (on at first).
    void SetCheckNotification(bool notify) { notify_checks_ = notify; }

    // Appends rows for the blocks added since the last call, measuring only those. Returns the
    // number of rows added.
    int32_t AppendNewBlocks();
    // No rows: called when a search starts, before the result set drops its blocks.
    void Clear();
    // A block marked "UPD": its layout is dropped, the row measured and drawn again, and the
    // mark cleared.
    void RefreshBlock(int32_t row);
    // The same for every row whose block carries "UPD", in one pass over the rows. Returns the
    // number of rows refreshed.
    int32_t RefreshMarkedBlocks();
    void Refresh() override;

    // A click on a row's check box, as Shift and Ctrl left it: the selected rows together when
    // the row is selected, else the row alone. True when a check mark changed.
    bool ClickCheck(int32_t row);
    // The report menu's commands for a row.
    void RunReportCommand(uint32_t command, int32_t row);
    void BuildReportMenu(WinLayer::HostMenu& menu) const;

    // The row record of a row (the row must exist).
    GuiViewBoxItemUnit ItemUnit(int32_t row) { return GuiViewBoxItemUnit(rows_.At(row)); }
    size_t CachedLayouts() const { return cache_.Size(); }
    // The client x range of a column (before the horizontal scroll).
    int32_t ColumnLeft(int32_t column) const { return header_.Columns().LeftOf(column); }

    int32_t RowHeight(int32_t row) override;
    int32_t RowWidth(int32_t row) override;
    void DrawRow(WinLayer::HostPainter& painter, const WinLayer::HostRect& rect, int32_t row) override;
    void Paint(WinLayer::HostPainter& painter, const WinLayer::HostRect& dirty) override;

    void SetCursor(int32_t row) override;
    void ToggleSelection(int32_t row) override;
    void ExtendSelection(int32_t row) override;
    void ShowMenu(WinLayer::HostPoint point, int32_t row) override;
    bool MayOpenMenu(int32_t row) override { return RowItem(row) != nullptr; }

    bool OnMouseDown(
        WinLayer::HostPoint point, WinLayer::HostMouseButton button, uint32_t modifiers) override;
    bool OnDoubleClick(
        WinLayer::HostPoint point, WinLayer::HostMouseButton button, uint32_t modifiers) override;
    bool OnKeyDown(uint32_t key, uint32_t modifiers) override;
    WinLayer::HostResult OnContextCommand(uint32_t command, WinLayer::HostLParam parameter) override;

protected:
    // The two actions that start other programs; tests override them.
    virtual bool OpenFile(const RawLayer::RawString& path, int64_t line);
    virtual bool OpenFolder(const RawLayer::RawString& folder);

private:
    void ColumnWidthsChanged(const std::vector<WinLayer::WinListBoxColumn>& columns) override;
    // After the widths changed: the rows' widths follow the text column's move.
    void ColumnsMoved(int32_t old_text_left);
    // The replaced text and its hits when the row shows them (read under the result set's lock).
    bool ReadPreview(
        const JobLayer::JobBlockUnit& block, RawLayer::RawString& text, JobLayer::JobHitMulti& hits) const;
    GuiViewBoxLayoutCache::Entry& LayoutOf(int32_t row);
    void DropLayout(int32_t row);
    void DropAllLayouts();
    void DrawCheck(WinLayer::HostPainter& painter, const WinLayer::HostRect& cell, bool checked) const;
    void DrawTextCell(WinLayer::HostPainter& painter, const WinLayer::HostRect& cell, int32_t row);
    // After the cursor moved: asks the status box to show the cursor row's status entry.
    void ShowCursorStatus();
    void ChecksChanged();

    JobLayer::JobResultSet& results_;
    JobLayer::JobStatusCentre& status_;
    JobLayer::JobConfig* config_ = nullptr;
    GuiViewBoxColumn header_ { *this };
    WinLayer::WinListBoxColumnControl::Handler* width_handler_ = nullptr;
    GuiViewBoxLayoutCache cache_ { kLayoutCacheBound };
    // The node of the last block listed; the next append starts after it.
    RawLayer::RawListNode* last_listed_ = nullptr;
    bool preview_shown_ = false;
    bool notify_checks_ = true;
    int32_t menu_row_ = -1;
    // Where the text column started when the header last reported.
    int32_t text_left_ = 3 * JobLayer::JobColumn::kInitialWidth;
};

} // namespace AppLayer
