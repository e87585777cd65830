#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/detail/HostMenuLook.h>

#include <algorithm>

#include <glib.h>

namespace WinLayer::HostMenuLook {

namespace {

constexpr int32_t kBorder = 1;
constexpr int32_t kPadding = 3;     // above the first and below the last item
constexpr int32_t kItemPadding = 8; // added to the line height
constexpr int32_t kSeparatorHeight = 9;
constexpr int32_t kArrowWidth = 16;
constexpr int32_t kRightPadding = 8;
constexpr uint32_t kLabelFlags = HostText::kSingleLine | HostText::kVCenter;
constexpr uint32_t kAccelFlags
    = HostText::kSingleLine | HostText::kVCenter | HostText::kRight | HostText::kNoPrefix;

const RawColour kFace = RawColour::FromRgb(242, 242, 242);
const RawColour kFrame = RawColour::FromRgb(150, 150, 150);
const RawColour kSeparator = RawColour::FromRgb(210, 210, 210);
const RawColour kText = RawColour::FromRgb(0, 0, 0);
const RawColour kGreyText = RawColour::FromRgb(160, 160, 160);
const RawColour kHighlight = RawColour::FromRgb(0, 120, 215);
const RawColour kHighlightText = RawColour::FromRgb(255, 255, 255);
const RawColour kGreyHighlight = RawColour::FromRgb(220, 220, 220);

const HostFont& Font()
{
    static const HostFont font(HostFont::MenuFontSpec());
    return font;
}

int32_t ItemHeight()
{
    return Font().LineHeight() + kItemPadding;
}
int32_t CheckWidth()
{
    return ItemHeight();
}

// The text before the first tab (the label, with its mark) and after it (accelerator text).
std::string Label(const std::string& text)
{
    return text.substr(0, text.find('\t'));
}
std::string Accelerator(const std::string& text)
{
    const size_t tab = text.find('\t');
    return tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

int32_t TextWidth(const std::string& text, uint32_t flags)
{
    return HostPainter::MeasureText(Font(), text, { 0, 0, 32767, 32767 }, flags).Width();
}

void PaintCheck(HostPainter& painter, const HostRect& item, RawColour colour)
{
    const int32_t cx = item.left + CheckWidth() / 2;
    const int32_t cy = item.top + item.Height() / 2;
    painter.Line({ cx - 4, cy }, { cx - 1, cy + 3 }, colour, 2);
    painter.Line({ cx - 1, cy + 3 }, { cx + 5, cy - 4 }, colour, 2);
}

// A small triangle pointing right, drawn as vertical lines getting shorter.
void PaintArrow(HostPainter& painter, const HostRect& item, RawColour colour)
{
    const int32_t x = item.right - kArrowWidth + 4;
    const int32_t cy = item.top + item.Height() / 2;
    for (int32_t k = 0; k < 4; ++k)
        painter.Line({ x + k, cy - 3 + k }, { x + k, cy + 4 - k }, colour);
}

} // namespace

HostSize Measure(const HostMenu& menu, std::vector<HostRect>& items)
{
    int32_t label_width = 0;
    int32_t accel_width = 0;
    for (const HostMenu::Item& item : menu.Items()) {
        if (item.separator)
            continue;
        label_width = std::max(label_width, TextWidth(Label(item.text), kLabelFlags));
        accel_width = std::max(accel_width, TextWidth(Accelerator(item.text), kAccelFlags));
    }
    const int32_t gap = accel_width > 0 ? 3 * Font().AverageCharWidth() : 0;
    const int32_t width
        = 2 * kBorder + CheckWidth() + label_width + gap + accel_width + kArrowWidth + kRightPadding;
    items.clear();
    int32_t top = kBorder + kPadding;
    for (const HostMenu::Item& item : menu.Items()) {
        const int32_t height = item.separator ? kSeparatorHeight : ItemHeight();
        items.push_back({ kBorder, top, width - kBorder, top + height });
        top += height;
    }
    return { width, top + kPadding + kBorder };
}

void Paint(HostPainter& painter, const HostMenu& menu, const std::vector<HostRect>& items, HostSize size,
    int32_t highlight)
{
    const HostRect client { 0, 0, size.cx, size.cy };
    painter.FillRect(client, kFace);
    painter.FrameRect(client, kFrame);
    const std::vector<HostMenu::Item>& entries = menu.Items();
    for (size_t i = 0; i < entries.size() && i < items.size(); ++i) {
        const HostMenu::Item& item = entries[i];
        const HostRect& rect = items[i];
        if (item.separator) {
            const int32_t y = rect.top + rect.Height() / 2;
            painter.Line({ rect.left + 4, y }, { rect.right - 4, y }, kSeparator);
            continue;
        }
        const bool greyed = (item.flags & HostMenu::kGrayed) != 0;
        const bool lit = static_cast<int32_t>(i) == highlight;
        RawColour colour = greyed ? kGreyText : kText;
        if (lit) {
            painter.FillRect(rect, greyed ? kGreyHighlight : kHighlight);
            if (!greyed)
                colour = kHighlightText;
        }
        if ((item.flags & HostMenu::kChecked) != 0)
            PaintCheck(painter, rect, colour);
        if (item.sub_menu)
            PaintArrow(painter, rect, colour);
        HostRect label { rect.left + CheckWidth(), rect.top, rect.right - kArrowWidth, rect.bottom };
        painter.DrawText(Font(), Label(item.text), label, kLabelFlags, colour);
        const std::string accelerator = Accelerator(item.text);
        if (!accelerator.empty())
            painter.DrawText(Font(), accelerator, label, kAccelFlags, colour);
    }
}

uint32_t Mnemonic(const std::string& text)
{
    const std::string label = Label(text);
    for (size_t at = 0; at + 1 < label.size(); ++at) {
        if (label[at] != '&')
            continue;
        if (label[at + 1] == '&') {
            ++at; // "&&" is a plain "&"
            continue;
        }
        const gunichar code
            = g_utf8_get_char_validated(label.data() + at + 1, static_cast<gssize>(label.size() - at - 1));
        if (code == static_cast<gunichar>(-1) || code == static_cast<gunichar>(-2))
            return 0;
        return g_unichar_tolower(code);
    }
    return 0;
}

} // namespace WinLayer::HostMenuLook
