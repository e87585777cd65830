#include <toolkit/host/HostTextLayout.h>
#include <toolkit/host/detail/HostFontContext.h>
#include <toolkit/host/detail/HostTextFlags.h>

#include <algorithm>

#include <pango/pangocairo.h>

namespace WinLayer {

namespace {

// The replacement character for bytes that are no UTF-8 (pango takes valid text only).
constexpr const char* kReplacement = "\xEF\xBF\xBD";

struct SourceChar {
    std::string bytes; // valid UTF-8 of one code point
    gunichar code = 0;
};

// The code points of the given text; every byte that starts no valid sequence is one
// replacement character, so indexes stay those of the caller's characters.
std::vector<SourceChar> Decode(const std::string& utf8)
{
    std::vector<SourceChar> chars;
    chars.reserve(utf8.size());
    size_t at = 0;
    while (at < utf8.size()) {
        const char* start = utf8.data() + at;
        const gssize left = static_cast<gssize>(utf8.size() - at);
        const gunichar code = g_utf8_get_char_validated(start, left);
        // Zero bytes too: pango's text ends at the first one.
        if (code == static_cast<gunichar>(-1) || code == static_cast<gunichar>(-2) || code == 0) {
            chars.push_back({ kReplacement, 0xFFFD });
            ++at;
            continue;
        }
        const size_t length = static_cast<size_t>(g_utf8_next_char(start) - start);
        chars.push_back({ std::string(start, length), code });
        at += length;
    }
    return chars;
}

} // namespace

HostTextLayout::HostTextLayout(const HostFont& font, const std::string& utf8, uint32_t flags, int32_t width)
    : line_height_(font.LineHeight())
{
    const std::vector<SourceChar> source = Decode(utf8);
    const bool prefix = HostTextFlags::Prefix(flags);
    const bool single_line = (flags & HostText::kSingleLine) != 0;
    std::vector<std::pair<int32_t, int32_t>> mnemonics; // byte ranges to underline
    // Indexes are UTF-16 code units of the given text: where each character starts.
    std::vector<int32_t> unit_start(source.size() + 1, 0);
    for (size_t k = 0; k < source.size(); ++k)
        unit_start[k + 1] = unit_start[k] + (source[k].code >= 0x10000 ? 2 : 1);

    laid_of_source_.reserve(source.size() + 1);
    // Each step takes one unit of the given text ("&x", "&&", "\r\n" under kSingleLine, or one
    // character) and lays out what it shows.
    const auto emit = [&](size_t first, size_t unit_length, const std::string& shown) {
        const int32_t laid = static_cast<int32_t>(laid_bytes_.size());
        for (int32_t k = unit_start[first]; k < unit_start[first + unit_length]; ++k)
            laid_of_source_.push_back(laid);
        if (shown.empty())
            return;
        laid_bytes_.push_back(static_cast<int32_t>(text_.size()));
        source_of_laid_.push_back(unit_start[first]);
        text_ += shown;
    };
    for (size_t i = 0; i < source.size();) {
        const gunichar code = source[i].code;
        const bool has_next = i + 1 < source.size();
        if (prefix && code == '&') {
            if (!has_next) {
                emit(i, 1, std::string()); // a lone mark at the end shows nothing
                i += 1;
                continue;
            }
            if (source[i + 1].code != '&') {
                const int32_t start = static_cast<int32_t>(text_.size());
                mnemonics.emplace_back(start, start + static_cast<int32_t>(source[i + 1].bytes.size()));
            }
            emit(i, 2, source[i + 1].bytes);
            i += 2;
            continue;
        }
        if (single_line && (code == '\r' || code == '\n')) {
            const size_t length = code == '\r' && has_next && source[i + 1].code == '\n' ? 2 : 1;
            emit(i, length, " ");
            i += length;
            continue;
        }
        emit(i, 1, source[i].bytes);
        i += 1;
    }
    laid_of_source_.push_back(static_cast<int32_t>(laid_bytes_.size()));
    laid_bytes_.push_back(static_cast<int32_t>(text_.size()));
    source_of_laid_.push_back(unit_start[source.size()]);

    layout_ = pango_layout_new(HostFontContext::Context());
    pango_layout_set_font_description(layout_, font.description_);
    // An empty text measures as one blank, so an empty line keeps its height and some width.
    pango_layout_set_text(
        layout_, text_.empty() ? " " : text_.c_str(), text_.empty() ? 1 : static_cast<int>(text_.size()));
    pango_layout_set_single_paragraph_mode(layout_, single_line);

    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_line_height_new_absolute(line_height_ * PANGO_SCALE));
    if (font.FontSpec().underline)
        pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font.FontSpec().strike_out)
        pango_attr_list_insert(attributes, pango_attr_strikethrough_new(TRUE));
    for (const auto& [start, end] : mnemonics) {
        PangoAttribute* underline = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
        underline->start_index = static_cast<guint>(start);
        underline->end_index = static_cast<guint>(end);
        pango_attr_list_insert(attributes, underline);
    }
    pango_layout_set_attributes(layout_, attributes);
    base_attributes_ = attributes;

    if ((flags & HostText::kExpandTabs) != 0) {
        const int32_t stop = HostTextFlags::TabLength(flags) * font.AverageCharWidth();
        PangoTabArray* tabs = pango_tab_array_new_with_positions(1, TRUE, PANGO_TAB_LEFT, stop);
        pango_layout_set_tabs(layout_, tabs);
        pango_tab_array_free(tabs);
    }

    PangoAlignment alignment = PANGO_ALIGN_LEFT;
    if ((flags & HostText::kCenter) != 0)
        alignment = PANGO_ALIGN_CENTER;
    else if ((flags & HostText::kRight) != 0)
        alignment = PANGO_ALIGN_RIGHT;
    pango_layout_set_alignment(layout_, alignment);

    const bool wrap = (flags & HostText::kWordBreak) != 0 && !single_line;
    const bool ellipsis = (flags & HostText::kEndEllipsis) != 0;
    if (width > 0 && (wrap || ellipsis)) {
        pango_layout_set_width(layout_, width * PANGO_SCALE);
        pango_layout_set_wrap(layout_, PANGO_WRAP_WORD_CHAR);
        // Wrapped text is cut only where a height ends it (DrawText's rectangle); without a
        // height pango would keep each paragraph to one line.
        if (ellipsis && !wrap)
            pango_layout_set_ellipsize(layout_, PANGO_ELLIPSIZE_END);
    } else if (width > 0 && alignment != PANGO_ALIGN_LEFT) {
        // A pango width would wrap the lines; align the block by hand instead.
        const int32_t room = width - Size().cx;
        offset_x_ = alignment == PANGO_ALIGN_CENTER ? room / 2 : room;
    }
}

HostTextLayout::~HostTextLayout()
{
    if (base_attributes_ != nullptr)
        pango_attr_list_unref(base_attributes_);
    if (layout_ != nullptr)
        g_object_unref(layout_);
}

HostSize HostTextLayout::Size() const
{
    PangoRectangle logical {};
    pango_layout_get_pixel_extents(layout_, nullptr, &logical);
    return { logical.width, std::max(logical.height, line_height_) };
}

int32_t HostTextLayout::LineCount() const
{
    return pango_layout_get_line_count(layout_);
}

int32_t HostTextLayout::LaidIndex(int32_t byte) const
{
    const auto after = std::upper_bound(laid_bytes_.begin(), laid_bytes_.end(), byte);
    return std::max(0, static_cast<int32_t>(after - laid_bytes_.begin()) - 1);
}

int32_t HostTextLayout::LaidOf(int32_t index) const
{
    const int32_t source_count = static_cast<int32_t>(laid_of_source_.size()) - 1;
    return laid_of_source_[static_cast<size_t>(std::clamp(index, 0, source_count))];
}

int32_t HostTextLayout::ByteOf(int32_t index) const
{
    return laid_bytes_[static_cast<size_t>(LaidOf(index))];
}

int32_t HostTextLayout::IndexOfByte(int32_t byte) const
{
    return source_of_laid_[static_cast<size_t>(LaidIndex(byte))];
}

HostRect HostTextLayout::CaretRect(int32_t index) const
{
    const int32_t byte = ByteOf(index);
    PangoRectangle strong {};
    pango_layout_get_cursor_pos(layout_, byte, &strong, nullptr);
    int line = 0;
    int x_in_line = 0;
    pango_layout_index_to_line_x(layout_, byte, FALSE, &line, &x_in_line);
    // Every line is line_height_ tall, so its top follows from its number.
    const int32_t x = PANGO_PIXELS(strong.x) + offset_x_;
    const int32_t top = line * line_height_;
    return { x, top, x + 1, top + line_height_ };
}

int32_t HostTextLayout::IndexFromPoint(HostPoint point) const
{
    int byte = 0;
    int trailing = 0;
    pango_layout_xy_to_index(
        layout_, (point.x - offset_x_) * PANGO_SCALE, point.y * PANGO_SCALE, &byte, &trailing);
    const int32_t laid_count = static_cast<int32_t>(laid_bytes_.size()) - 1;
    const int32_t laid = std::clamp(LaidIndex(byte) + trailing, 0, laid_count);
    return source_of_laid_[static_cast<size_t>(laid)];
}

int32_t HostTextLayout::LineOfIndex(int32_t index) const
{
    int line = 0;
    int x = 0;
    pango_layout_index_to_line_x(layout_, ByteOf(index), FALSE, &line, &x);
    return line;
}

int32_t HostTextLayout::LineStart(int32_t line) const
{
    const PangoLayoutLine* laid
        = pango_layout_get_line_readonly(layout_, std::clamp(line, 0, LineCount() - 1));
    return text_.empty() ? 0 : IndexOfByte(laid->start_index);
}

int32_t HostTextLayout::LineEnd(int32_t line) const
{
    const PangoLayoutLine* laid
        = pango_layout_get_line_readonly(layout_, std::clamp(line, 0, LineCount() - 1));
    return text_.empty() ? 0 : IndexOfByte(laid->start_index + laid->length);
}

int32_t HostTextLayout::IndexFromX(int32_t line, int32_t x) const
{
    line = std::clamp(line, 0, LineCount() - 1);
    const int32_t index = IndexFromPoint({ x, line * line_height_ + line_height_ / 2 });
    // A point beyond a line's end gives the end of that line, never the next line's start.
    return std::clamp(index, LineStart(line), LineEnd(line));
}

int32_t HostTextLayout::XOfIndex(int32_t index) const
{
    return CaretRect(index).left;
}

HostTextLayout::Word HostTextLayout::WordAt(int32_t index) const
{
    int count = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(layout_, &count);
    const int32_t laid_count = static_cast<int32_t>(laid_bytes_.size()) - 1;
    if (text_.empty() || count <= laid_count)
        return { index, index };
    // The word holding laid character `c`, as laid start and end; none when `c` is no word's.
    const auto word_of = [&](int32_t c, int32_t& start, int32_t& end) {
        if (c < 0 || c >= laid_count)
            return false;
        for (start = c; !attrs[start].is_word_start; --start)
            if (attrs[start].is_word_end || start == 0)
                return false;
        for (end = start + 1; end < laid_count && !attrs[end].is_word_end; ++end) { }
        return c < end;
    };
    // The character after the caret first, then the one before it (a caret at a word's end).
    const int32_t laid = LaidOf(index);
    int32_t start = 0;
    int32_t end = 0;
    if (!word_of(laid, start, end) && !word_of(laid - 1, start, end))
        return { index, index };
    return { source_of_laid_[static_cast<size_t>(start)], source_of_laid_[static_cast<size_t>(end)] };
}

int32_t HostTextLayout::PreviousCaretStop(int32_t index) const
{
    int count = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(layout_, &count);
    int32_t laid = LaidOf(index);
    if (text_.empty() || count == 0)
        return 0;
    // An index inside a surrogate pair stands for the caret before the pair.
    if (source_of_laid_[static_cast<size_t>(laid)] < index)
        return source_of_laid_[static_cast<size_t>(laid)];
    do
        --laid;
    while (laid > 0 && laid < count && !attrs[laid].is_cursor_position);
    return source_of_laid_[static_cast<size_t>(std::max(laid, 0))];
}

int32_t HostTextLayout::NextCaretStop(int32_t index) const
{
    int count = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(layout_, &count);
    const int32_t laid_count = static_cast<int32_t>(laid_bytes_.size()) - 1;
    int32_t laid = LaidOf(index);
    if (text_.empty() || laid >= laid_count)
        return source_of_laid_[static_cast<size_t>(laid_count)];
    do
        ++laid;
    while (laid < laid_count && laid < count && !attrs[laid].is_cursor_position);
    return source_of_laid_[static_cast<size_t>(laid)];
}

void HostTextLayout::SetRuns(const std::vector<HostTextRun>& runs)
{
    PangoAttrList* attributes = pango_attr_list_copy(base_attributes_);
    const auto channel = [](uint8_t value) { return static_cast<guint16>(value * 257); };
    for (const HostTextRun& run : runs) {
        const guint start = static_cast<guint>(ByteOf(run.start));
        const guint end = static_cast<guint>(ByteOf(run.end));
        if (start >= end)
            continue;
        std::vector<PangoAttribute*> parts;
        if (!run.foreground.IsNone())
            parts.push_back(pango_attr_foreground_new(channel(run.foreground.Red()),
                channel(run.foreground.Green()), channel(run.foreground.Blue())));
        if (!run.background.IsNone())
            parts.push_back(pango_attr_background_new(channel(run.background.Red()),
                channel(run.background.Green()), channel(run.background.Blue())));
        if (run.underline)
            parts.push_back(pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        for (PangoAttribute* part : parts) {
            part->start_index = start;
            part->end_index = end;
            pango_attr_list_insert(attributes, part);
        }
    }
    pango_layout_set_attributes(layout_, attributes);
    pango_attr_list_unref(attributes);
}

} // namespace WinLayer
