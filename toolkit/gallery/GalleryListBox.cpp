#include <toolkit/gallery/GalleryListBox.h>
#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostWindow.h>

#include <string>

namespace Gallery {

namespace {

constexpr int32_t kMargin = 2;
constexpr RawColour kGrid = RawColour::FromRgb(0xE0, 0xE0, 0xE0);
constexpr RawColour kPreview = RawColour::FromRgb(0, 160, 0);
constexpr RawColour kDimText = RawColour::FromRgb(0x60, 0x60, 0x60);
constexpr uint32_t kCellFlags = HostText::kSingleLine | HostText::kNoPrefix | HostText::kEndEllipsis;

// "12,345": row numbers of six digits read better grouped.
std::string Grouped(int32_t number)
{
    std::string digits = std::to_string(number);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<size_t>(i), ",");
    return digits;
}

const char* const kWords[] = { "search", "replace", "folder", "filter", "置換", "検索", "block", "line" };

std::string LineText(const GalleryRow& row, int32_t line)
{
    std::string text = "Line " + std::to_string(line + 1) + ":";
    for (int32_t word = 0; word < 6 + (row.index + line) % 5; ++word)
        text += std::string(" ") + kWords[(row.index * 3 + line * 5 + word) % 8];
    return text;
}

} // namespace

GalleryListBox::GalleryListBox(const WinListBoxColumnControl& columns)
    : columns_(columns)
{
    SetStyleWords(Style() | HostStyle::kHScroll, ExStyle());
    SetMultipleSelection(true);
}

void GalleryListBox::Fill()
{
    rows_.resize(kRowCount);
    for (int32_t index = 0; index < kRowCount; ++index)
        rows_[static_cast<size_t>(index)] = { index, 1 + (index * 7 / 3) % 4, index % 3 == 2 };
    Items().clear();
    Items().reserve(rows_.size());
    for (GalleryRow& row : rows_)
        Items().push_back(&row);
    Refresh();
}

int32_t GalleryListBox::LineHeight() const
{
    return DrawingFont().LineHeight();
}

int32_t GalleryListBox::RowHeight(int32_t row)
{
    const GalleryRow* item = ItemOf(row);
    return item == nullptr ? 0 : (item->lines + (item->preview ? 1 : 0)) * LineHeight() + 2 * kMargin;
}

int32_t GalleryListBox::RowWidth(int32_t)
{
    return kRowWidth;
}

void GalleryListBox::DrawRow(HostPainter& painter, const HostRect& rect, int32_t row)
{
    const GalleryRow* item = ItemOf(row);
    painter.FillRect(rect, RowBackground(row));
    if (item == nullptr)
        return;
    const HostFont& font = DrawingFont();
    const int32_t line_height = LineHeight();
    const std::vector<WinListBoxColumn>& columns = columns_.Columns();
    int32_t left = rect.left;
    for (size_t column = 0; column < columns.size(); ++column) {
        const int32_t right = left + columns[column].Width();
        HostRect cell { left + 4, rect.top + kMargin, right - 4, rect.top + kMargin + line_height };
        if (column == 0) {
            painter.DrawText(
                font, "Row " + Grouped(item->index + 1), cell, kCellFlags | HostText::kRight, kDimText);
        } else if (column == 1) {
            painter.DrawText(font,
                "folder" + std::to_string(item->index % 37) + "/file_" + std::to_string(item->index) + ".txt",
                cell, kCellFlags, WinListBox::kText);
        } else {
            for (int32_t line = 0; line < item->lines;
                 ++line, cell.top += line_height, cell.bottom += line_height)
                painter.DrawText(font, LineText(*item, line), cell, kCellFlags, WinListBox::kText);
            if (item->preview)
                painter.DrawText(font, "=> " + LineText(*item, 0), cell, kCellFlags, kPreview);
        }
        painter.FillRect({ right - 1, rect.top, right, rect.bottom }, kGrid);
        left = right;
    }
    painter.FillRect({ rect.left, rect.bottom - 1, rect.right, rect.bottom }, kGrid);
}

GalleryHeaderView::GalleryHeaderView(WinListBoxColumnControl& columns)
    : columns_(columns)
{
    SetClassName(RawLayer::RawString("GalleryHeader"));
    SetStyleWords(HostStyle::kChild | HostStyle::kVisible, 0);
}

void GalleryHeaderView::Paint(HostPainter& painter, const HostRect&)
{
    const WinFontPtr& font = Font() ? Font() : WinFont::MessageFont();
    columns_.Draw(painter, Host::ClientRect(Window()), *font->Handle());
}

} // namespace Gallery
