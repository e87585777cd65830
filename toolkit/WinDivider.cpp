#include <toolkit/WinDivider.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>

namespace WinLayer {

WinDivider::WinDivider(Orientation orientation)
    : orientation_(orientation)
{
    SetClassName(RawLayer::RawString("Divider"));
    SetStyleWords(HostStyle::kChild | HostStyle::kVisible, 0);
    SetFlags(Flags() | kSkipFocus);
}

void WinDivider::Attach(WinView& first, WinView& second)
{
    first_ = &first;
    second_ = &second;
}

int32_t WinDivider::Position() const
{
    return orientation_ == Orientation::Vertical ? Rect().left : Rect().top;
}

void WinDivider::Limits(int32_t& low, int32_t& high) const
{
    if (first_ == nullptr || second_ == nullptr) {
        low = high = Position();
        return;
    }
    if (orientation_ == Orientation::Vertical) {
        low = first_->Rect().left + minimum_size_;
        high = second_->Rect().right - minimum_size_ - Rect().Width() - FollowerExtent();
    } else {
        low = first_->Rect().top + minimum_size_;
        high = second_->Rect().bottom - minimum_size_ - Rect().Height() - FollowerExtent();
    }
}

int32_t WinDivider::MoveBorder(int32_t position)
{
    int32_t low = 0;
    int32_t high = 0;
    Limits(low, high);
    // Views already below their minimum stay where they are rather than jump.
    if (low > high || first_ == nullptr || second_ == nullptr)
        return Position();
    position = std::clamp(position, low, high);
    if (position == Position())
        return position;
    HostRect divider = Rect();
    HostRect first = first_->Rect();
    HostRect second = second_->Rect();
    HostRect follower = follower_ != nullptr ? follower_->Rect() : HostRect {};
    if (orientation_ == Orientation::Vertical) {
        divider = { position, divider.top, position + divider.Width(), divider.bottom };
        first.right = divider.left;
        follower = { divider.right, follower.top, divider.right + follower.Width(), follower.bottom };
        second.left = divider.right + FollowerExtent();
    } else {
        divider = { divider.left, position, divider.right, position + divider.Height() };
        first.bottom = divider.top;
        follower = { follower.left, divider.bottom, follower.right, divider.bottom + follower.Height() };
        second.top = divider.bottom + FollowerExtent();
    }
    first_->MoveTo(first);
    if (follower_ != nullptr)
        follower_->MoveTo(follower);
    second_->MoveTo(second);
    MoveTo(divider);
    return position;
}

int32_t WinDivider::FollowerExtent() const
{
    if (follower_ == nullptr)
        return 0;
    return orientation_ == Orientation::Vertical ? follower_->Rect().Width() : follower_->Rect().Height();
}

int32_t WinDivider::Along(HostPoint point) const
{
    return orientation_ == Orientation::Vertical ? point.x : point.y;
}

void WinDivider::Report()
{
    if (code_ != 0)
        Host::PostMessage(
            Window(), HostMsg::kCommand, HostMakeWParam(Id(), code_), static_cast<HostLParam>(Window()));
    else
        PostCommand(0);
}

void WinDivider::Paint(HostPainter& painter, const HostRect&)
{
    const HostRect client = Host::ClientRect(Window());
    painter.FillRect(client, kFace);
    // Three dots across the middle show where to take it.
    int32_t cx = client.left + client.Width() / 2;
    int32_t cy = client.top + client.Height() / 2;
    for (int32_t step = -1; step <= 1; ++step) {
        int32_t x = orientation_ == Orientation::Vertical ? cx : cx + step * 5;
        int32_t y = orientation_ == Orientation::Vertical ? cy + step * 5 : cy;
        painter.Ellipse({ x - 1, y - 1, x + 2, y + 2 }, kGrip, RawColour::None());
    }
}

bool WinDivider::OnMouseDown(HostPoint point, HostMouseButton button, uint32_t)
{
    if (button != HostMouseButton::Left)
        return false;
    Host::SetCapture(Window());
    dragging_ = true;
    grab_ = Along(point);
    start_ = Position();
    return true;
}

bool WinDivider::OnMouseMove(HostPoint point, uint32_t)
{
    if (dragging_ && Host::Capture() == Window())
        MoveBorder(Position() + Along(point) - grab_);
    return true;
}

bool WinDivider::OnMouseUp(HostPoint point, HostMouseButton button, uint32_t)
{
    if (button != HostMouseButton::Left || !dragging_)
        return false;
    if (Host::Capture() == Window())
        MoveBorder(Position() + Along(point) - grab_);
    dragging_ = false;
    Host::ReleaseCapture();
    if (Position() != start_)
        Report();
    return true;
}

void WinDivider::OnCaptureLost()
{
    if (!dragging_)
        return;
    dragging_ = false;
    if (Position() != start_)
        Report();
}

HostResult WinDivider::HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    if (message != HostMsg::kSetCursor)
        return WinView::HandleMessage(message, wparam, lparam);
    Host::SetCursor(orientation_ == Orientation::Vertical ? HostCursor::SizeWE : HostCursor::SizeNS);
    return 1;
}

} // namespace WinLayer
