// The list box in four parts: set-up and refresh, cursor and selection, scrolling, painting and
// input.

#include <toolkit/WinListBox.h>
#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>
#include <limits>

namespace WinLayer {

namespace {

constexpr int32_t kRowMargin = 2;

int32_t ClampToInt32(int64_t value)
{
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

} // namespace

// --- Set-up and refresh -----------------------------------------------------------------

WinListBox::WinListBox()
{
    SetClassName(RawLayer::RawString("ListBox"));
    SetStyleWords(HostStyle::kChild | HostStyle::kVisible | HostStyle::kTabStop | HostStyle::kVScroll,
        HostExStyle::kClientEdge);
}

void WinListBox::SetMultipleSelection(bool multiple)
{
    list_flags_ = multiple ? list_flags_ | kMultipleSelection : list_flags_ & ~kMultipleSelection;
}

void WinListBox::SetSelectionShown(bool shown)
{
    list_flags_ = shown ? list_flags_ & ~kSelectionHidden : list_flags_ | kSelectionHidden;
    Invalidate();
}

const HostFont& WinListBox::DrawingFont() const
{
    const WinFontPtr& font = Font() ? Font() : WinFont::MessageFont();
    return *font->Handle();
}

int32_t WinListBox::StandardRowHeight() const
{
    return row_height_ > 0 ? row_height_ : DrawingFont().LineHeight() + kRowMargin;
}

HostSize WinListBox::ClientSize() const
{
    const HostRect client = Host::ClientRect(Window());
    return { client.Width(), client.Height() };
}

void WinListBox::Measure(int32_t from)
{
    for (int32_t row = from; row < rows_.Count(); ++row) {
        heights_.Append(RowHeight(row));
        widest_ = std::max(widest_, RowWidth(row));
    }
}

void WinListBox::Refresh()
{
    if (creater_ != nullptr)
        rows_.Rebuild(*creater_);
    else
        rows_.Clear();
    RecountSelection();
    heights_.Clear();
    widest_ = 0;
    Measure(0);
    if (cursor_ >= rows_.Count())
        cursor_ = kNoCursor;
    if (anchor_ >= rows_.Count())
        anchor_ = kNoCursor;
    ScrollTo(scroll_y_, scroll_x_);
    UpdateScrollBars();
    Invalidate();
}

void WinListBox::RefreshAppended()
{
    if (creater_ == nullptr)
        return;
    const int32_t first = rows_.AppendFrom(*creater_);
    if (first == rows_.Count())
        return;
    const int64_t top = heights_.OffsetOf(first);
    Measure(first);
    UpdateScrollBars();
    // Rows already shown keep their pixels; only the strip of the client area the new rows
    // reach is painted.
    const HostSize client = ClientSize();
    if (Window() != 0 && top - scroll_y_ < client.cy) {
        const HostRect strip { 0, ClampToInt32(std::max<int64_t>(top - scroll_y_, 0)), client.cx, client.cy };
        Host::InvalidateRect(Window(), &strip);
    }
}

void WinListBox::RefreshRow(int32_t row)
{
    RefreshRows({ row });
}

void WinListBox::RefreshRows(const std::vector<int32_t>& rows)
{
    for (int32_t row : rows) {
        if (!rows_.Valid(row))
            continue;
        const int64_t old_bottom = heights_.OffsetOf(row + 1);
        const int32_t old_height = heights_.Height(row);
        heights_.Set(row, RowHeight(row));
        widest_ = std::max(widest_, RowWidth(row));
        // A row above the view that grows or shrinks must not move the rows the user is reading.
        if (old_bottom <= scroll_y_)
            scroll_y_ += heights_.Height(row) - old_height;
    }
    ScrollTo(scroll_y_, scroll_x_);
    UpdateScrollBars();
    Invalidate();
}

// --- Cursor and selection -----------------------------------------------------------------

void WinListBox::SetCursor(int32_t row)
{
    if (rows_.Valid(row)) {
        UnmarkAll();
        cursor_ = row;
        anchor_ = row;
        MarkRow(row, true);
        ScrollIntoView(row);
        Invalidate();
    } else if (row == kNoCursor || row == kBeforeFirst || row == kAfterLast) {
        UnmarkAll();
        cursor_ = row;
        anchor_ = kNoCursor;
        if (row == kAfterLast)
            ScrollToEnd();
        Invalidate();
    }
    PostCommand(kCursorChanged);
}

void WinListBox::ToggleSelection(int32_t row)
{
    if (!rows_.Valid(row))
        return;
    MarkRow(row, !IsSelected(row));
    Invalidate();
    PostCommand(kCursorChanged);
}

void WinListBox::ExtendSelection(int32_t row)
{
    if (!rows_.Valid(row))
        return;
    if (!rows_.Valid(anchor_))
        anchor_ = row;
    UnmarkAll();
    MarkRange(anchor_, row);
    cursor_ = row;
    ScrollIntoView(row);
    Invalidate();
    PostCommand(kCursorChanged);
}

void WinListBox::SelectRange(int32_t from, int32_t to)
{
    MarkRange(from, to);
    Invalidate();
    PostCommand(kCursorChanged);
}

void WinListBox::ClearSelection()
{
    UnmarkAll();
    Invalidate();
    PostCommand(kCursorChanged);
}

// --- Scrolling ----------------------------------------------------------------------------

int64_t WinListBox::MaxScrollY() const
{
    return std::max<int64_t>(heights_.Total() - ClientSize().cy, 0);
}

int32_t WinListBox::MaxScrollX() const
{
    return std::max(widest_ - ClientSize().cx, 0);
}

void WinListBox::ScrollIntoView(int32_t row)
{
    if (!rows_.Valid(row))
        return;
    const int64_t top = heights_.OffsetOf(row);
    const int64_t bottom = top + heights_.Height(row);
    const int32_t height = ClientSize().cy;
    if (top < scroll_y_)
        ScrollTo(top, scroll_x_);
    else if (bottom > scroll_y_ + height)
        // A row taller than the window shows its top.
        ScrollTo(std::min(top, bottom - height), scroll_x_);
}

void WinListBox::ScrollToEnd()
{
    ScrollTo(MaxScrollY(), scroll_x_);
}

void WinListBox::ScrollTo(int64_t y, int32_t x)
{
    y = std::clamp<int64_t>(y, 0, MaxScrollY());
    x = std::clamp(x, 0, MaxScrollX());
    const int64_t dy = scroll_y_ - y;
    const int32_t dx = scroll_x_ - x;
    scroll_y_ = y;
    scroll_x_ = x;
    if (Window() == 0)
        return;
    if (dy != 0 || dx != 0) {
        // The host invalidates everything for a move as large as the area.
        Host::ScrollWindow(Window(), dx, ClampToInt32(std::clamp<int64_t>(dy, -32767, 32767)));
        UpdateScrollBars();
    }
    AnnounceScroll();
}

void WinListBox::UpdateScrollBars()
{
    if (Window() == 0)
        return;
    const HostSize client = ClientSize();
    const uint32_t style = Host::Style(Window());
    if ((style & HostStyle::kVScroll) != 0)
        Host::SetScrollInfo(Window(), kSbVert,
            { 0, ClampToInt32(heights_.Total() - 1), client.cy, ClampToInt32(scroll_y_), 0 });
    if ((style & HostStyle::kHScroll) != 0)
        Host::SetScrollInfo(Window(), kSbHorz, { 0, widest_ - 1, client.cx, scroll_x_, 0 });
}

void WinListBox::AnnounceScroll()
{
    if (scroll_y_ == announced_y_ && scroll_x_ == announced_x_)
        return;
    announced_y_ = scroll_y_;
    announced_x_ = scroll_x_;
    PostCommand(kScrolled);
}

bool WinListBox::OnScroll(int bar, uint16_t code, int32_t position)
{
    const HostSize client = ClientSize();
    const bool vertical = bar == kSbVert;
    const int64_t now = vertical ? scroll_y_ : scroll_x_;
    const int64_t line = vertical ? StandardRowHeight() : kHorizontalStep;
    const int64_t page = std::max(vertical ? client.cy : client.cx, 1);
    int64_t target = now;
    switch (code) {
    case kSbLineUp:
        target = now - line;
        break;
    case kSbLineDown:
        target = now + line;
        break;
    case kSbPageUp:
        target = now - page;
        break;
    case kSbPageDown:
        target = now + page;
        break;
    case kSbThumbTrack:
    case kSbThumbPosition:
        target = position;
        break;
    case kSbTop:
        target = 0;
        break;
    case kSbBottom:
        target = std::numeric_limits<int32_t>::max();
        break;
    default:
        return false;
    }
    if (vertical)
        ScrollTo(target, scroll_x_);
    else
        ScrollTo(scroll_y_, ClampToInt32(target));
    return true;
}

bool WinListBox::OnMouseWheel(HostPoint, int32_t delta, uint32_t)
{
    const int64_t step = int64_t { kWheelRows } * StandardRowHeight();
    ScrollTo(scroll_y_ - delta * step / 120, scroll_x_);
    return true;
}

// --- Painting -----------------------------------------------------------------------------

HostRect WinListBox::RowRect(int32_t row) const
{
    if (!rows_.Valid(row))
        return {};
    const int32_t top = ClampToInt32(heights_.OffsetOf(row) - scroll_y_);
    const int32_t width = std::max(widest_, ClientSize().cx);
    return { -scroll_x_, top, width - scroll_x_, top + heights_.Height(row) };
}

int32_t WinListBox::RowAtPoint(HostPoint point) const
{
    const int64_t offset = scroll_y_ + point.y;
    if (point.y < 0 || offset >= heights_.Total())
        return -1;
    return heights_.RowAt(offset);
}

RawColour WinListBox::RowBackground(int32_t row) const
{
    const bool shown = rows_.Valid(row) && (rows_.At(row).Flags() & WinListBoxItemUnit::kShownSelected) != 0
        && (list_flags_ & kSelectionHidden) == 0;
    if (!shown)
        return kBackground;
    return (list_flags_ & kHasFocus) != 0 ? kFocusedSelection : kUnfocusedSelection;
}

int32_t WinListBox::RowHeight(int32_t)
{
    return StandardRowHeight();
}

int32_t WinListBox::RowWidth(int32_t)
{
    return 0;
}

void WinListBox::DrawRow(HostPainter& painter, const HostRect& rect, int32_t row)
{
    painter.FillRect(rect, RowBackground(row));
}

void WinListBox::DrawBackground(HostPainter& painter, const HostRect& rect)
{
    painter.FillRect(rect, kBackground);
}

void WinListBox::Paint(HostPainter& painter, const HostRect& dirty)
{
    int32_t row = heights_.RowAt(scroll_y_ + std::max(dirty.top, 0));
    int32_t top = row < 0 ? 0 : RowRect(row).top;
    for (; row >= 0 && row < rows_.Count() && top < dirty.bottom; ++row) {
        const int32_t height = heights_.Height(row);
        if (height == 0)
            continue;
        HostRect rect = RowRect(row);
        painter.Save();
        painter.ClipTo(rect);
        DrawRow(painter, rect, row);
        painter.Restore();
        top += height;
    }
    if (top < dirty.bottom)
        DrawBackground(painter, { dirty.left, std::max(top, dirty.top), dirty.right, dirty.bottom });
}

// --- Input --------------------------------------------------------------------------------

HostResult WinListBox::HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    // A menu asked for from the keyboard is for the cursor row, not for whatever row lies in
    // the middle of the list.
    if (message == HostMsg::kContextMenu && lparam == -1) {
        OpenMenuFromKeyboard();
        return 0;
    }
    const HostResult result = WinView::HandleMessage(message, wparam, lparam);
    // A new client size changes how far the list can scroll.
    if (message == HostMsg::kSize) {
        ScrollTo(scroll_y_, scroll_x_);
        UpdateScrollBars();
    }
    return result;
}

void WinListBox::OnCreated()
{
    UpdateScrollBars();
}

void WinListBox::OnFocusGained()
{
    list_flags_ |= kHasFocus;
    Invalidate();
}

void WinListBox::OnFocusLost()
{
    list_flags_ &= ~kHasFocus;
    Invalidate();
}

bool WinListBox::OnMouseDown(HostPoint point, HostMouseButton button, uint32_t modifiers)
{
    if (button != HostMouseButton::Left)
        return false;
    Focus();
    const int32_t row = RowAtPoint(point);
    if (row < 0 || !MaySelect(row))
        return true;
    if (Multiple() && (modifiers & HostMod::kControl) != 0) {
        cursor_ = row;
        anchor_ = row;
        ToggleSelection(row);
    } else if (Multiple() && (modifiers & HostMod::kShift) != 0) {
        ExtendSelection(row);
    } else {
        SetCursor(row);
    }
    return true;
}

bool WinListBox::OnDoubleClick(HostPoint point, HostMouseButton button, uint32_t)
{
    if (button != HostMouseButton::Left)
        return false;
    const int32_t row = RowAtPoint(point);
    if (row >= 0 && MayAccept(row))
        PostCommand(kAccept);
    return true;
}

bool WinListBox::OnContextMenu(HostPoint point)
{
    const int32_t row = RowAtPoint(point);
    if (MayOpenMenu(row))
        ShowMenu(point, row);
    return true;
}

void WinListBox::OpenMenuFromKeyboard()
{
    const HostSize client = ClientSize();
    HostPoint point { client.cx / 2, client.cy / 2 };
    int32_t row = -1;
    const HostRect rect = RowRect(cursor_);
    if (rows_.Valid(cursor_) && rect.bottom > 0 && rect.top < client.cy) {
        row = cursor_;
        point = { std::clamp(rect.left + 8, 0, client.cx),
            std::clamp(rect.top + rect.Height() / 2, 0, client.cy) };
    }
    if (MayOpenMenu(row))
        ShowMenu(point, row);
}

bool WinListBox::MoveCursorKey(uint32_t key)
{
    const int32_t last = rows_.Count() - 1;
    if (last < 0)
        return true;
    switch (key) {
    case HostKey::kUp:
        if (cursor_ == kAfterLast)
            SetCursor(last);
        else if (cursor_ > 0)
            SetCursor(cursor_ - 1);
        return true;
    case HostKey::kDown:
        if (cursor_ == kNoCursor || cursor_ == kBeforeFirst)
            SetCursor(0);
        else if (cursor_ >= 0 && cursor_ < last)
            SetCursor(cursor_ + 1);
        return true;
    case HostKey::kHome:
        SetCursor(0);
        return true;
    case HostKey::kEnd:
        // A last row taller than the window cannot show its end with its top in view: the
        // cursor goes past it so that the end of the list can be read.
        if (heights_.Height(last) > ClientSize().cy && !KeepsCursorOnEnd())
            SetCursor(kAfterLast);
        else
            SetCursor(last);
        return true;
    default:
        return false;
    }
}

bool WinListBox::ScrollKey(uint32_t key, uint32_t modifiers)
{
    const bool control = (modifiers & HostMod::kControl) != 0;
    const bool horizontal_bar = (Host::Style(Window()) & HostStyle::kHScroll) != 0;
    switch (key) {
    case HostKey::kPrior:
    case HostKey::kNext:
        OnScroll(kSbVert, key == HostKey::kPrior ? kSbPageUp : kSbPageDown, 0);
        return true;
    case HostKey::kLeft:
    case HostKey::kRight:
        if (!horizontal_bar)
            return false;
        if (control)
            OnScroll(kSbHorz, key == HostKey::kLeft ? kSbTop : kSbBottom, 0);
        else
            OnScroll(kSbHorz, key == HostKey::kLeft ? kSbLineUp : kSbLineDown, 0);
        return true;
    default:
        return false;
    }
}

bool WinListBox::OnKeyDown(uint32_t key, uint32_t modifiers)
{
    const bool control = (modifiers & HostMod::kControl) != 0;
    if (control && !Multiple() && (key == HostKey::kUp || key == HostKey::kDown))
        return MoveCursorKey(key == HostKey::kUp ? HostKey::kHome : HostKey::kEnd);
    if (MoveCursorKey(key) || ScrollKey(key, modifiers))
        return true;
    if (key == HostKey::kReturn) {
        PostCommand(kAccept);
        return true;
    }
    if (key == HostKey::kSpace && Multiple()) {
        ToggleSelection(cursor_);
        return true;
    }
    if (key == 'A' && control && Multiple()) {
        SelectRange(0, rows_.Count() - 1);
        return true;
    }
    return false;
}

} // namespace WinLayer
