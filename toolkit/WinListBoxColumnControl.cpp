#include <toolkit/WinListBoxColumnControl.h>
#include <toolkit/WinView.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>

namespace WinLayer {

WinListBoxColumnControl::WinListBoxColumnControl(Handler& handler, int32_t header_height)
    : handler_(handler)
    , header_height_(header_height)
{
}

int32_t WinListBoxColumnControl::LeftOf(int32_t column) const
{
    int32_t left = -offset_;
    for (int32_t index = 0; index < column; ++index)
        left += columns_[static_cast<size_t>(index)].Width();
    return left;
}

int32_t WinListBoxColumnControl::BorderAt(int32_t x) const
{
    int32_t found = -1;
    int32_t right = -offset_;
    for (size_t index = 0; index < columns_.size(); ++index) {
        right += columns_[index].Width();
        if (x >= right - kGrip && x <= right + kGrip)
            found = static_cast<int32_t>(index);
    }
    return found;
}

bool WinListBoxColumnControl::InHeader(const WinView& view, HostPoint point) const
{
    const HostRect client = Host::ClientRect(view.Window());
    const int32_t bottom = header_height_ > 0 ? header_height_ : client.bottom;
    return point.y >= 0 && point.y < bottom && point.x >= 0 && point.x < client.right;
}

void WinListBoxColumnControl::DragTo(WinView& view, int32_t x)
{
    WinListBoxColumn& column = columns_[static_cast<size_t>(dragged_)];
    const int32_t width = std::max(x - grab_ - LeftOf(dragged_), kMinimumWidth);
    if (width == column.Width())
        return;
    column.SetWidth(width);
    view.Invalidate();
    handler_.ColumnWidthsChanged(columns_);
}

HostResult WinListBoxColumnControl::HookMessage(
    WinView& view, uint32_t message, HostWParam, HostLParam lparam)
{
    const HostPoint point { HostPointX(lparam), HostPointY(lparam) };
    switch (message) {
    case HostMsg::kLButtonDown: {
        const int32_t border = InHeader(view, point) ? BorderAt(point.x) : -1;
        if (border < 0)
            return kHostNotHandled;
        dragged_ = border;
        grab_ = point.x - (LeftOf(border) + columns_[static_cast<size_t>(border)].Width());
        Host::SetCapture(view.Window());
        return 0;
    }
    case HostMsg::kMouseMove:
        if (!Dragging())
            return kHostNotHandled;
        DragTo(view, point.x);
        return 0;
    case HostMsg::kLButtonUp:
        if (!Dragging())
            return kHostNotHandled;
        DragTo(view, point.x);
        dragged_ = -1;
        Host::ReleaseCapture();
        return 0;
    case HostMsg::kCaptureChanged:
        dragged_ = -1;
        return kHostNotHandled;
    case HostMsg::kSetCursor: {
        const HostPoint at = Host::ScreenToClient(view.Window(), Host::CursorPosition());
        if (!Dragging() && !(InHeader(view, at) && BorderAt(at.x) >= 0))
            return kHostNotHandled;
        Host::SetCursor(HostCursor::SizeWE);
        return 1;
    }
    default:
        return kHostNotHandled;
    }
}

void WinListBoxColumnControl::Draw(HostPainter& painter, const HostRect& band, const HostFont& font) const
{
    painter.FillRect(band, kFace);
    int32_t left = band.left - offset_;
    for (const WinListBoxColumn& column : columns_) {
        const int32_t right = left + column.Width();
        HostRect text { left + 4, band.top, right - 4, band.bottom };
        painter.DrawText(font, column.HeaderText().Str(), text,
            HostText::kSingleLine | HostText::kVCenter | HostText::kNoPrefix | HostText::kEndEllipsis, kText);
        painter.Line({ right - 1, band.top }, { right - 1, band.bottom }, kLine);
        left = right;
    }
    painter.Line({ band.left, band.bottom - 1 }, { band.right, band.bottom - 1 }, kLine);
}

} // namespace WinLayer
