#pragma once

// The gallery's list: a hundred thousand synthetic rows of one to four text lines (every third
// with a green preview line under them), three columns whose widths come from the header's
// column control, multiple selection and sideways scrolling. Also the header view the column
// control draws in and hooks.

#include <toolkit/WinListBoxColumnControl.h>
#include <toolkit/WinListBoxR.h>

#include <cstdint>
#include <vector>

namespace Gallery {

using namespace WinLayer;

struct GalleryRow {
    int32_t index = 0;
    int32_t lines = 1;
    bool preview = false;
};

class GalleryListBox : public WinListBoxR<GalleryRow> {
public:
    static constexpr int32_t kRowCount = 100000;
    static constexpr int32_t kRowWidth = 1200;
    static constexpr int32_t kHeaderHeight = 20;

    // The columns are not owned and must outlive the list.
    explicit GalleryListBox(const WinListBoxColumnControl& columns);

    // Makes the rows and lists them.
    void Fill();

    int32_t RowHeight(int32_t row) override;
    int32_t RowWidth(int32_t row) override;
    void DrawRow(HostPainter& painter, const HostRect& rect, int32_t row) override;

private:
    int32_t LineHeight() const;

    const WinListBoxColumnControl& columns_;
    std::vector<GalleryRow> rows_;
};

// A band the column control paints its header cells in and takes border drags from.
class GalleryHeaderView : public WinView {
public:
    explicit GalleryHeaderView(WinListBoxColumnControl& columns);
    void Paint(HostPainter& painter, const HostRect& dirty) override;

private:
    WinListBoxColumnControl& columns_;
};

} // namespace Gallery
