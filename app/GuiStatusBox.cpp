#include <app/GuiStatusBox.h>
#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostPainter.h>

namespace AppLayer {

using RawLayer::RawColour;
using WinLayer::HostPainter;
using WinLayer::HostRect;
using WinLayer::HostSize;
namespace HostText = WinLayer::HostText;

namespace {

uint8_t MixChannel(uint8_t row, uint8_t selection, int32_t weight)
{
    const int32_t reduced = selection - (selection * weight) / 256;
    return static_cast<uint8_t>((row + reduced) / 2);
}

std::string Utf8Of(const RawLayer::RawString& text)
{
    RawLayer::RawString utf8;
    if (text.Encoding() != RawLayer::RawEncoding::Utf8 && utf8.Acquire(text, RawLayer::RawEncoding::Utf8))
        return utf8.Str();
    return text.Str();
}

} // namespace

GuiStatusBox::GuiStatusBox(JobLayer::JobStatusCentre& centre)
    : centre_(centre)
{
    SetClassName(RawLayer::RawString("StatusBox"));
}

RawColour GuiStatusBox::Mix(RawColour row, RawColour selection, RawColour background, int32_t weight)
{
    if (row == background)
        return selection;
    if (selection == background)
        return row;
    return RawColour::FromRgb(MixChannel(row.Red(), selection.Red(), weight),
        MixChannel(row.Green(), selection.Green(), weight), MixChannel(row.Blue(), selection.Blue(), weight));
}

void GuiStatusBox::Fetch()
{
    const int32_t first_row = static_cast<int32_t>(entries_.size());
    for (JobLayer::JobStatusUnit& entry : centre_.Entries(fetched_)) {
        row_of_id_.emplace(entry.id, static_cast<int32_t>(entries_.size()));
        entries_.push_back(std::move(entry));
        ++fetched_;
    }
    if (row_height_ == 0)
        SetStandardRowHeight(MeasuredRowHeight());
    for (size_t index = static_cast<size_t>(first_row); index < entries_.size(); ++index)
        Items().push_back(&entries_[index]);
    RefreshAppended();
}

void GuiStatusBox::Clear()
{
    fetched_ = centre_.Count();
    Items().clear();
    entries_.clear();
    row_of_id_.clear();
    Refresh();
}

bool GuiStatusBox::SelectId(uint32_t id)
{
    const auto found = row_of_id_.find(id);
    if (id == 0 || found == row_of_id_.end())
        return false;
    SetCursor(found->second);
    return true;
}

int32_t GuiStatusBox::MeasuredRowHeight() const
{
    const HostRect extent = HostPainter::MeasureText(DrawingFont(), "A", { 0, 0, 32767, 32767 },
        HostText::kCalcRect | HostText::kSingleLine | HostText::kNoPrefix);
    return extent.Height() + 1;
}

void GuiStatusBox::Refresh()
{
    // The font may have changed since the last measuring.
    SetStandardRowHeight(MeasuredRowHeight());
    WinListBoxR::Refresh();
}

int32_t GuiStatusBox::RowHeight(int32_t)
{
    return StandardRowHeight();
}

void GuiStatusBox::DrawRow(HostPainter& painter, const HostRect& rect, int32_t row)
{
    const JobLayer::JobStatusUnit* entry = ItemOf(row);
    if (entry == nullptr)
        return;
    const RawColour colour = entry->kind == JobLayer::JobStatusUnit::kError ? kErrorColour : kBackground;
    painter.FillRect(rect, Mix(colour, RowBackground(row), kBackground));
    HostRect text_rect { rect.left + 2, rect.top, rect.right, rect.bottom };
    // With kTabStop, bits 8-15 are the tab length alone (and prefix marks are not read).
    const uint32_t flags = HostText::kSingleLine | HostText::kVCenter | HostText::kExpandTabs
        | HostText::kTabStop | (static_cast<uint32_t>(tab_length_ & 0xFF) << 8);
    painter.DrawText(DrawingFont(), Utf8Of(entry->display), text_rect, flags, kText);
    painter.FillRect({ rect.left, rect.bottom - 1, rect.right, rect.bottom }, kRowLine);
}

HostSize GuiStatusBox::NaturalTextSize()
{
    HostSize size = WinListBoxR::NaturalTextSize();
    size.cy += size.cy / 2 + 2;
    return size;
}

WinLayer::HostResult GuiStatusBox::HandleMessage(
    uint32_t message, WinLayer::HostWParam wparam, WinLayer::HostLParam lparam)
{
    const WinLayer::HostResult result = WinListBoxR::HandleMessage(message, wparam, lparam);
    if (message == WinLayer::HostMsg::kSize)
        Refresh();
    return result;
}

} // namespace AppLayer
