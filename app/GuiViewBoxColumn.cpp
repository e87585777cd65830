#include <app/GuiViewBoxColumn.h>
#include <toolkit/WinFont.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostWindow.h>

namespace AppLayer {

using WinLayer::HostPainter;
using WinLayer::HostRect;
using WinLayer::WinListBoxColumn;

GuiViewBoxColumn::GuiViewBoxColumn(WinLayer::WinListBoxColumnControl::Handler& handler)
    : handler_(handler)
{
    SetStyleWords(WinLayer::HostStyle::kChild | WinLayer::HostStyle::kVisible, 0);
    for (int32_t column = 0; column < JobLayer::JobColumn::kCount; ++column)
        control_.Columns().emplace_back(columns_.Width(column), header_row_.ColumnText(column));
    Hooks().Add(control_);
}

void GuiViewBoxColumn::SetWidths(const std::vector<int32_t>& widths)
{
    columns_.SetWidths(widths);
    SyncControl();
    Invalidate();
}

void GuiViewBoxColumn::SetOffset(int32_t offset)
{
    if (offset == offset_)
        return;
    offset_ = offset;
    control_.SetOffset(offset);
    Invalidate();
}

void GuiViewBoxColumn::SyncControl()
{
    for (int32_t column = 0; column < JobLayer::JobColumn::kCount; ++column)
        control_.Columns()[static_cast<size_t>(column)].SetWidth(columns_.Width(column));
}

void GuiViewBoxColumn::Paint(HostPainter& painter, const HostRect&)
{
    const HostRect client = WinLayer::Host::ClientRect(Window());
    const WinLayer::WinFontPtr& font = Font() ? Font() : WinLayer::WinFont::MessageFont();
    control_.Draw(painter, client, *font->Handle());
}

void GuiViewBoxColumn::ColumnWidthsChanged(const std::vector<WinListBoxColumn>& columns)
{
    for (size_t column = 0; column < columns.size(); ++column)
        columns_.SetWidth(static_cast<int32_t>(column), columns[column].Width());
    Invalidate();
    handler_.ColumnWidthsChanged(columns);
}

} // namespace AppLayer
