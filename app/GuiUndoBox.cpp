#include <app/GuiStatusBox.h>
#include <app/GuiUndoBox.h>
#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostPainter.h>

#include <algorithm>

namespace AppLayer {

using RawLayer::RawColour;
using WinLayer::HostPainter;
using WinLayer::HostRect;
namespace HostText = WinLayer::HostText;

namespace {

constexpr uint32_t kLineFlags = HostText::kSingleLine | HostText::kNoPrefix | HostText::kExpandTabs;

} // namespace

GuiUndoBox::GuiUndoBox()
{
    SetMultipleSelection(true);
}

RawColour GuiUndoBox::StateColour(int32_t state)
{
    switch (state) {
    case 4:
    case 2:
        return RawColour::FromRgb(255, 255, 255);
    case 5:
    case 1:
        return RawColour::FromRgb(224, 255, 224);
    case 6:
        return RawColour::FromRgb(255, 224, 224);
    default:
        return RawColour::FromRgb(224, 224, 224);
    }
}

RawColour GuiUndoBox::RowColour(int32_t row) const
{
    const JobLayer::JobUndoUnit* unit = ItemOf(row);
    const RawColour own = StateColour(unit != nullptr ? unit->GetState() : 0);
    const RawColour selection = RowBackground(row);
    // The status box's mixing rule: a white row takes the plain selection colour, others keep a
    // tint of their state.
    return selection == kBackground ? own : GuiStatusBox::Mix(own, selection, kBackground);
}

int32_t GuiUndoBox::LineHeight() const
{
    return DrawingFont().LineHeight() + 1;
}

void GuiUndoBox::Refresh()
{
    if (key_width_ < 0 && Window() != 0) {
        int32_t widest = 0;
        for (JobLayer::JobUndoUnit* unit : Items())
            for (const RawLayer::RawParameterUnit& entry : unit->GetInfo())
                widest = std::max(widest,
                    HostPainter::MeasureText(DrawingFont(), entry.key.Str(), { 0, 0, 4000, 100 }, kLineFlags)
                        .right);
        key_width_ = widest + 3;
    }
    WinListBoxR::Refresh();
}

int32_t GuiUndoBox::RowHeight(int32_t row)
{
    JobLayer::JobUndoUnit* unit = ItemOf(row);
    const int32_t entries = unit != nullptr ? unit->GetInfo().Count() : 0;
    return entries * LineHeight() + 2;
}

void GuiUndoBox::DrawRow(HostPainter& painter, const HostRect& rect, int32_t row)
{
    painter.FillRect(rect, RowColour(row));
    JobLayer::JobUndoUnit* unit = ItemOf(row);
    if (unit == nullptr)
        return;
    const int32_t key_width = std::max(key_width_, 3);
    int32_t top = rect.top + 1;
    for (const RawLayer::RawParameterUnit& entry : unit->GetInfo()) {
        HostRect key { rect.left + 2, top, rect.left + key_width, top + LineHeight() };
        painter.DrawText(DrawingFont(), entry.key.Str(), key, kLineFlags, kKeyColour);
        HostRect value { rect.left + key_width + 4, top, rect.right, top + LineHeight() };
        painter.DrawText(DrawingFont(), entry.value.Str(), value, kLineFlags, kText);
        top += LineHeight();
    }
    painter.FillRect({ rect.left, rect.bottom - 1, rect.right, rect.bottom }, kLineColour);
}

} // namespace AppLayer
