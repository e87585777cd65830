#include <core/RawEncoding.h>
#include <toolkit/WinEditBoxDraw.h>
#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostTextLayout.h>

#include <algorithm>

namespace WinLayer {

namespace {

// Data text: tabs expanded to stops of four characters, no mnemonic marks.
constexpr uint32_t kLayoutFlags = HostText::kExpandTabs | HostText::kTabStop | (4u << 8);
// Layouts kept around the lines last shown; more are dropped.
constexpr size_t kMaxCachedLines = 256;

std::string Utf8Of(std::u16string_view units)
{
    return RawLayer::RawFromUtf16(units, RawLayer::RawEncoding::Utf8).value_or(std::string());
}

} // namespace

WinEditBoxDraw::WinEditBoxDraw() = default;
WinEditBoxDraw::~WinEditBoxDraw() = default;

void WinEditBoxDraw::SetFont(const HostFont* font)
{
    font_ = font;
    layouts_.clear();
}

const HostFont& WinEditBoxDraw::LayoutFont() const
{
    // Before its window exists a box may be asked for geometry; it measures in the message font.
    static const HostFont fallback(HostFont::MessageFontSpec());
    return font_ != nullptr ? *font_ : fallback;
}

void WinEditBoxDraw::UpdateLines()
{
    if (lines_revision_ == edit_revision_ && lines_length_ == text_.size() && lines_multi_ == MultiLine())
        return;
    lines_revision_ = edit_revision_;
    lines_length_ = text_.size();
    lines_multi_ = MultiLine();
    line_starts_.assign(1, 0);
    if (!MultiLine())
        return;
    const size_t size = text_.size();
    for (size_t i = 0; i < size; ++i) {
        const char16_t unit = text_[i];
        if (unit != u'\r' && unit != u'\n')
            continue;
        if (unit == u'\r' && i + 1 < size && text_[i + 1] == u'\n')
            ++i;
        line_starts_.push_back(static_cast<int32_t>(i + 1));
    }
}

int32_t WinEditBoxDraw::LineCount()
{
    UpdateLines();
    return static_cast<int32_t>(line_starts_.size());
}

int32_t WinEditBoxDraw::LineOfIndex(int32_t index)
{
    UpdateLines();
    const auto after = std::upper_bound(line_starts_.begin(), line_starts_.end(), index);
    return std::max(0, static_cast<int32_t>(after - line_starts_.begin()) - 1);
}

int32_t WinEditBoxDraw::LineStart(int32_t line)
{
    UpdateLines();
    return line_starts_[static_cast<size_t>(std::clamp(line, 0, LineCount() - 1))];
}

int32_t WinEditBoxDraw::LineEnd(int32_t line)
{
    UpdateLines();
    line = std::clamp(line, 0, LineCount() - 1);
    if (line + 1 >= LineCount())
        return static_cast<int32_t>(text_.size());
    int32_t end = line_starts_[static_cast<size_t>(line + 1)] - 1;
    if (end > 0 && text_[static_cast<size_t>(end)] == u'\n' && text_[static_cast<size_t>(end - 1)] == u'\r')
        --end;
    return end;
}

int32_t WinEditBoxDraw::LineHeight() const
{
    return std::max(1, LayoutFont().LineHeight());
}

int32_t WinEditBoxDraw::VisibleLines()
{
    return std::max(1, (client_.cy - 2 * kMarginY) / LineHeight());
}

bool WinEditBoxDraw::Composing(int32_t line)
{
    return !composition_.empty() && LineOfIndex(caret_) == line;
}

int32_t WinEditBoxDraw::ShownIndex(int32_t line, int32_t index)
{
    const int32_t in_line = index - LineStart(line);
    if (Composing(line) && index > caret_)
        return in_line + static_cast<int32_t>(composition_.size());
    return in_line;
}

HostTextLayout& WinEditBoxDraw::LineLayout(int32_t line)
{
    const int32_t start = LineStart(line);
    std::u16string shown
        = text_.substr(static_cast<size_t>(start), static_cast<size_t>(LineEnd(line) - start));
    if (Composing(line))
        shown.insert(static_cast<size_t>(caret_ - start), composition_);
    CachedLine& cached = layouts_[line];
    if (cached.layout == nullptr || cached.shown != shown) {
        const uint32_t flags = kLayoutFlags | (MultiLine() ? 0 : HostText::kSingleLine);
        cached.layout = std::make_unique<HostTextLayout>(LayoutFont(), Utf8Of(shown), flags, 0);
        cached.shown = std::move(shown);
        ++layouts_made_;
    }
    return *cached.layout;
}

HostPoint WinEditBoxDraw::LineOrigin(int32_t line) const
{
    const int32_t x = kMarginX - scroll_x_;
    if (!MultiLine())
        return { x, std::max(0, (client_.cy - LineHeight()) / 2) };
    return { x, kMarginY + (line - top_line_) * LineHeight() };
}

int32_t WinEditBoxDraw::XInLine(int32_t index)
{
    const int32_t line = LineOfIndex(index);
    return LineLayout(line).XOfIndex(ShownIndex(line, index));
}

int32_t WinEditBoxDraw::IndexAtX(int32_t line, int32_t x)
{
    line = std::clamp(line, 0, LineCount() - 1);
    const int32_t in_line = LineLayout(line).IndexFromX(0, x);
    return std::min(LineStart(line) + in_line, LineEnd(line));
}

int32_t WinEditBoxDraw::LineWidth(int32_t line)
{
    return LineLayout(line).Size().cx;
}

HostRect WinEditBoxDraw::CaretRect(int32_t index)
{
    const int32_t line = LineOfIndex(index);
    const HostPoint origin = LineOrigin(line);
    int32_t x = XInLine(index);
    if (Composing(line))
        x = LineLayout(line).XOfIndex(caret_ - LineStart(line) + composition_cursor_);
    return { origin.x + x, origin.y, origin.x + x + 1, origin.y + LineHeight() };
}

int32_t WinEditBoxDraw::IndexFromPoint(HostPoint point)
{
    int32_t line = 0;
    if (MultiLine()) {
        const int32_t offset = point.y - kMarginY;
        line = top_line_ + (offset < 0 ? -1 : offset / LineHeight());
    }
    return IndexAtX(line, point.x - LineOrigin(0).x);
}

int32_t WinEditBoxDraw::PreviousStop(int32_t index)
{
    const int32_t line = LineOfIndex(index);
    const int32_t start = LineStart(line);
    if (index <= start)
        return line > 0 ? LineEnd(line - 1) : 0;
    return start + LineLayout(line).PreviousCaretStop(index - start);
}

int32_t WinEditBoxDraw::NextStop(int32_t index)
{
    const int32_t line = LineOfIndex(index);
    if (index >= LineEnd(line))
        return line + 1 < LineCount() ? LineStart(line + 1) : static_cast<int32_t>(text_.size());
    const int32_t start = LineStart(line);
    return start + LineLayout(line).NextCaretStop(index - start);
}

std::pair<int32_t, int32_t> WinEditBoxDraw::WordAt(int32_t index)
{
    const int32_t line = LineOfIndex(index);
    const int32_t start = LineStart(line);
    const HostTextLayout::Word word = LineLayout(line).WordAt(index - start);
    return { start + word.start, start + word.end };
}

bool WinEditBoxDraw::SetTopLine(int32_t line)
{
    line = std::clamp(line, 0, std::max(0, LineCount() - VisibleLines()));
    if (!MultiLine())
        line = 0;
    const bool changed = line != top_line_;
    top_line_ = line;
    return changed;
}

bool WinEditBoxDraw::SetScrollX(int32_t x)
{
    x = std::max(0, x);
    const bool changed = x != scroll_x_;
    scroll_x_ = x;
    return changed;
}

bool WinEditBoxDraw::ScrollToCaret()
{
    bool changed = false;
    if (MultiLine()) {
        const int32_t line = LineOfIndex(caret_);
        if (line < top_line_)
            changed = SetTopLine(line);
        else if (line >= top_line_ + VisibleLines())
            changed = SetTopLine(line - VisibleLines() + 1);
    }
    int32_t x = XInLine(caret_);
    if (!composition_.empty())
        x = CaretRect(caret_).left - LineOrigin(0).x;
    const int32_t room = std::max(1, client_.cx - 2 * kMarginX - 1);
    if (x < scroll_x_)
        changed |= SetScrollX(x - room / 4);
    else if (x > scroll_x_ + room)
        changed |= SetScrollX(x - room + room / 4);
    return changed;
}

void WinEditBoxDraw::PaintText(HostPainter& painter, const HostRect& client, bool focused, bool enabled)
{
    if (font_ == nullptr)
        return;
    client_ = { client.Width(), client.Height() };
    const RawColour colour = enabled ? text_colour_ : kDisabledColour;
    const HostRect inner { client.left + 1, client.top + 1, client.right - 1, client.bottom - 1 };
    painter.Save();
    painter.ClipTo(inner);
    const int32_t first = MultiLine() ? top_line_ : 0;
    const int32_t last = std::min(LineCount(), first + VisibleLines() + 1);
    for (int32_t line = first; line < last; ++line) {
        std::vector<HostTextRun> runs;
        if (focused && HasSelection()) {
            const int32_t start = std::max(SelectionStart(), LineStart(line));
            const int32_t end = std::min(SelectionEnd(), LineEnd(line));
            if (start < end)
                runs.push_back({ ShownIndex(line, start), ShownIndex(line, end), RawColour::None(),
                    selection_colour_, false });
        }
        if (Composing(line)) {
            const int32_t at = caret_ - LineStart(line);
            runs.push_back({ at, at + static_cast<int32_t>(composition_.size()), RawColour::None(),
                RawColour::None(), true });
        }
        HostTextLayout& layout = LineLayout(line);
        layout.SetRuns(runs);
        const HostPoint origin = LineOrigin(line);
        painter.DrawLayout(layout, { client.left + origin.x, client.top + origin.y }, colour);
    }
    painter.Restore();
    DropFarLayouts();
}

void WinEditBoxDraw::DropFarLayouts()
{
    if (layouts_.size() <= kMaxCachedLines)
        return;
    const int32_t keep_from = top_line_ - static_cast<int32_t>(kMaxCachedLines) / 4;
    const int32_t keep_to = top_line_ + static_cast<int32_t>(kMaxCachedLines) / 2;
    std::erase_if(
        layouts_, [&](const auto& entry) { return entry.first < keep_from || entry.first > keep_to; });
}

} // namespace WinLayer
