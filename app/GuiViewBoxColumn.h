#pragma once

// The column header of the result list: a view of its own above the list that draws the four
// titles of the header row and lets the user drag the column borders. Each drag step changes
// the column widths and tells the handler (the list, which measures again and tells its owner).

#include <engine/JobColumn.h>
#include <engine/JobColumnHeaderHandler.h>
#include <toolkit/WinListBoxColumnControl.h>
#include <toolkit/WinView.h>

#include <cstdint>
#include <vector>

namespace AppLayer {

class GuiViewBoxColumn : public WinLayer::WinView, private WinLayer::WinListBoxColumnControl::Handler {
public:
    explicit GuiViewBoxColumn(WinLayer::WinListBoxColumnControl::Handler& handler);

    const JobLayer::JobColumn& Columns() const { return columns_; }
    const JobLayer::JobColumnHeaderHandler& HeaderRow() const { return header_row_; }
    // Sets every width (the stored "ColumnWidth") and redraws; the handler is not told.
    void SetWidths(const std::vector<int32_t>& widths);
    // The list's horizontal scroll offset: the titles move with the rows.
    void SetOffset(int32_t offset);
    int32_t Offset() const { return offset_; }

    void Paint(WinLayer::HostPainter& painter, const WinLayer::HostRect& dirty) override;

private:
    void ColumnWidthsChanged(const std::vector<WinLayer::WinListBoxColumn>& columns) override;
    void SyncControl();

    WinLayer::WinListBoxColumnControl::Handler& handler_;
    JobLayer::JobColumn columns_;
    JobLayer::JobColumnHeaderHandler header_row_;
    WinLayer::WinListBoxColumnControl control_ { *this, 0 };
    int32_t offset_ = 0;
};

} // namespace AppLayer
