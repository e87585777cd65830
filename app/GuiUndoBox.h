#pragma once

// The undo dialog's list: one row per backup set or backed-up file, coloured by its state, each
// line of the row's information with its key in a first column and its value in a second.

#include <engine/JobUndoUnit.h>
#include <toolkit/WinListBoxR.h>

namespace AppLayer {

class GuiUndoBox : public WinLayer::WinListBoxR<JobLayer::JobUndoUnit> {
public:
    static constexpr RawLayer::RawColour kKeyColour = RawLayer::RawColour::FromRgb(128, 128, 96);
    static constexpr RawLayer::RawColour kLineColour = RawLayer::RawColour::FromRgb(224, 224, 224);

    GuiUndoBox();

    // The ground of a row in a state: 4 and 2 white, 5 and 1 light green, 6 light red, anything
    // else light grey.
    static RawLayer::RawColour StateColour(int32_t state);
    // A selected row shows its state colour mixed with the selection colour.
    RawLayer::RawColour RowColour(int32_t row) const;

    // Rebuilds the rows; the key column is measured with the first rows.
    void Refresh() override;
    int32_t KeyColumnWidth() const { return key_width_; }

    int32_t RowHeight(int32_t row) override;
    void DrawRow(WinLayer::HostPainter& painter, const WinLayer::HostRect& rect, int32_t row) override;

private:
    int32_t LineHeight() const;

    int32_t key_width_ = -1; // not measured yet
};

} // namespace AppLayer
