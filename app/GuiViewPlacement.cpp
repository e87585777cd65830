#include <app/GuiViewPlacement.h>

#include <algorithm>
#include <charconv>

namespace AppLayer {

using RawLayer::RawParameterList;
using RawLayer::RawString;
using WinLayer::HostRect;

namespace {

constexpr const char* kWindowRect = "WindowRect";
constexpr const char* kFixRect = "FixRect";
constexpr const char* kColumnWidth = "ColumnWidth";
// How much of a window must lie on a screen, across and down from its top edge, to be reached.
constexpr int32_t kReachableWidth = 100;
constexpr int32_t kReachableHeight = 20;

void SetValue(RawParameterList& list, const char* key, const std::string& value)
{
    const RawString text(value, RawLayer::RawEncoding::Utf8);
    if (RawLayer::RawParameterUnit* unit
        = list.Find(RawString(std::string_view(key), RawLayer::RawEncoding::Utf8)))
        unit->value = text;
    else
        list.Add(RawString(std::string_view(key), RawLayer::RawEncoding::Utf8), text);
}

std::string ValueOf(const RawParameterList& list, const char* key)
{
    return list.GetText(RawString(std::string_view(key), RawLayer::RawEncoding::Utf8), RawString()).Str();
}

} // namespace

GuiViewPlacement GuiViewPlacement::Read(RawLayer::RawProfile& profile)
{
    GuiViewPlacement placement;
    RawParameterList section;
    if (!profile.ReadSection(RawString(std::string_view(kSection), RawLayer::RawEncoding::Utf8), section))
        return placement;
    placement.window_rect = ParseRect(ValueOf(section, kWindowRect));
    placement.fix_rect = ParseRect(ValueOf(section, kFixRect));
    if (auto widths = ParseNumbers(ValueOf(section, kColumnWidth), kColumnCount))
        placement.column_widths = *widths;
    return placement;
}

bool GuiViewPlacement::Write(RawLayer::RawProfile& profile) const
{
    RawParameterList section;
    profile.ReadSection(RawString(std::string_view(kSection), RawLayer::RawEncoding::Utf8), section);
    if (window_rect)
        SetValue(section, kWindowRect, FormatRect(*window_rect));
    if (fix_rect)
        SetValue(section, kFixRect, FormatRect(*fix_rect));
    if (column_widths.size() == kColumnCount)
        SetValue(section, kColumnWidth, FormatNumbers(column_widths));
    return profile.WriteSection(RawString(std::string_view(kSection), RawLayer::RawEncoding::Utf8), section);
}

std::optional<std::vector<int32_t>> GuiViewPlacement::ParseNumbers(std::string_view text, size_t count)
{
    std::vector<int32_t> numbers;
    const char* at = text.data();
    const char* end = text.data() + text.size();
    while (numbers.size() < count) {
        int32_t number = 0;
        const auto [next, error] = std::from_chars(at, end, number);
        if (error != std::errc() || next == at)
            return std::nullopt;
        numbers.push_back(number);
        at = next;
        if (numbers.size() < count) {
            if (at == end || *at != ',')
                return std::nullopt;
            ++at;
        }
    }
    if (at != end)
        return std::nullopt;
    return numbers;
}

std::string GuiViewPlacement::FormatNumbers(const std::vector<int32_t>& numbers)
{
    std::string text;
    for (size_t i = 0; i < numbers.size(); ++i)
        text += (i == 0 ? "" : ",") + std::to_string(numbers[i]);
    return text;
}

std::optional<HostRect> GuiViewPlacement::ParseRect(std::string_view text)
{
    const auto numbers = ParseNumbers(text, 4);
    if (!numbers)
        return std::nullopt;
    const HostRect rect { (*numbers)[0], (*numbers)[1], (*numbers)[2], (*numbers)[3] };
    if (rect.Width() <= 0 || rect.Height() <= 0)
        return std::nullopt;
    return rect;
}

std::string GuiViewPlacement::FormatRect(const HostRect& rect)
{
    return FormatNumbers({ rect.left, rect.top, rect.right, rect.bottom });
}

HostRect GuiViewPlacement::IntoWorkArea(const HostRect& rect, const std::vector<HostRect>& areas)
{
    for (const HostRect& area : areas) {
        const int32_t across = std::min(rect.right, area.right) - std::max(rect.left, area.left);
        const bool top_inside = rect.top >= area.top && rect.top + kReachableHeight <= area.bottom;
        if (top_inside && across >= std::min(kReachableWidth, rect.Width()))
            return rect;
    }
    if (areas.empty())
        return rect;
    const HostRect& area = areas.front();
    const int32_t width = std::min(rect.Width(), area.Width());
    const int32_t height = std::min(rect.Height(), area.Height());
    const int32_t left = std::clamp(rect.left, area.left, area.right - width);
    const int32_t top = std::clamp(rect.top, area.top, area.bottom - height);
    return { left, top, left + width, top + height };
}

} // namespace AppLayer
