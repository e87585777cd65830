#include <toolkit/host/HostFont.h>
#include <toolkit/host/detail/HostFontContext.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <tuple>

#include <pango/pangocairo.h>

namespace WinLayer {

namespace {

// 9 points at 96 dots per inch.
constexpr int32_t kDefaultPixelHeight = 12;
// The desktop fonts' character height: the usual 9-point user-interface font.
constexpr int32_t kDesktopCharHeight = -12;
// Mixed Latin and kanji, so that a line holds the tallest of both faces (Japanese text
// falls back to another face, whose ascent and descent differ).
constexpr const char* kLineSample = "Ag\xE6\xBC\xA2";
// The alphabet's mean advance is the usual average character width; for a fixed-pitch face
// it is exactly the advance, so tab stops line up with columns.
constexpr const char* kWidthSample = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr int32_t kWidthSampleLength = 52;

struct Metrics {
    int32_t pixel_size = 0; // the size given to pango, in pixels
    int32_t line_height = 0;
    int32_t ascent = 0;
    int32_t average_char_width = 0;
};

using MetricsKey = std::tuple<int32_t, int32_t, bool, std::string>;

PangoFontDescription* MakeDescription(const HostFontSpec& font_spec, int32_t pixel_size)
{
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, font_spec.face.empty() ? "Sans" : font_spec.face.c_str());
    const int32_t weight = font_spec.weight <= 0 ? 400 : std::clamp(font_spec.weight, 100, 1000);
    pango_font_description_set_weight(description, static_cast<PangoWeight>(weight));
    pango_font_description_set_style(description, font_spec.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(description, static_cast<double>(pixel_size) * PANGO_SCALE);
    return description;
}

// Line height, ascent and average width of a description, measured as layouts measure.
Metrics Measure(const PangoFontDescription* description)
{
    Metrics metrics;
    PangoLayout* layout = pango_layout_new(HostFontContext::Context());
    pango_layout_set_font_description(layout, description);
    pango_layout_set_text(layout, kLineSample, -1);
    PangoRectangle logical {};
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    metrics.line_height = std::max(1, logical.height);
    metrics.ascent = PANGO_PIXELS(pango_layout_get_baseline(layout));
    pango_layout_set_text(layout, kWidthSample, -1);
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    metrics.average_char_width = std::max(1, (logical.width + kWidthSampleLength / 2) / kWidthSampleLength);
    g_object_unref(layout);
    return metrics;
}

// A cell height asks for ascent + descent: start from the same pixel size, then scale by
// what it gave (the face's line is usually taller than its size) and keep the closer one.
int32_t PixelSizeForCell(const HostFontSpec& font_spec)
{
    const int32_t wanted = font_spec.height;
    int32_t size = wanted;
    PangoFontDescription* description = MakeDescription(font_spec, size);
    const int32_t first = Measure(description).line_height;
    pango_font_description_free(description);
    if (first == wanted)
        return size;
    const int32_t scaled = std::max(1, (wanted * size + first / 2) / first);
    description = MakeDescription(font_spec, scaled);
    const int32_t second = Measure(description).line_height;
    pango_font_description_free(description);
    return std::abs(second - wanted) <= std::abs(first - wanted) ? scaled : size;
}

int32_t PixelSize(const HostFontSpec& font_spec)
{
    if (font_spec.height < 0)
        return -font_spec.height;
    if (font_spec.height > 0)
        return PixelSizeForCell(font_spec);
    return kDefaultPixelHeight;
}

// Fonts are made often (one per view) from few descriptions: measuring each description once is enough.
const Metrics& CachedMetrics(const HostFontSpec& font_spec)
{
    static std::map<MetricsKey, Metrics> cache;
    const MetricsKey key { font_spec.height, font_spec.weight, font_spec.italic, font_spec.face };
    const auto found = cache.find(key);
    if (found != cache.end())
        return found->second;
    const int32_t pixel_size = PixelSize(font_spec);
    PangoFontDescription* description = MakeDescription(font_spec, pixel_size);
    Metrics metrics = Measure(description);
    pango_font_description_free(description);
    metrics.pixel_size = pixel_size;
    return cache.emplace(key, metrics).first->second;
}

// The family fontconfig gives for "Sans" with no language preference: the desktop's face.
std::string DesktopFamily()
{
    static const std::string family = [] {
        PangoFontMap* font_map = pango_context_get_font_map(HostFontContext::Context());
        PangoContext* context = pango_font_map_create_context(font_map);
        pango_context_set_language(context, pango_language_from_string("en"));
        PangoFontDescription* wanted = pango_font_description_from_string("Sans 12px");
        std::string name = "Sans";
        if (PangoFont* font = pango_font_map_load_font(font_map, context, wanted)) {
            PangoFontDescription* got = pango_font_describe(font);
            if (const char* got_family = pango_font_description_get_family(got))
                name = got_family;
            pango_font_description_free(got);
            g_object_unref(font);
        }
        pango_font_description_free(wanted);
        g_object_unref(context);
        return name;
    }();
    return family;
}

HostFontSpec DesktopSpec()
{
    HostFontSpec font_spec;
    font_spec.height = kDesktopCharHeight;
    font_spec.face = DesktopFamily();
    return font_spec;
}

} // namespace

HostFont::HostFont(const HostFontSpec& font_spec)
    : spec_(font_spec)
{
    const Metrics& metrics = CachedMetrics(spec_);
    description_ = MakeDescription(spec_, metrics.pixel_size);
    line_height_ = metrics.line_height;
    ascent_ = metrics.ascent;
    average_char_width_ = metrics.average_char_width;
}

HostFont::~HostFont()
{
    pango_font_description_free(description_);
}

int32_t HostFont::LineHeight() const
{
    return line_height_;
}

int32_t HostFont::Ascent() const
{
    return ascent_;
}

int32_t HostFont::AverageCharWidth() const
{
    return average_char_width_;
}

HostFontSpec HostFont::MenuFontSpec()
{
    return DesktopSpec();
}

HostFontSpec HostFont::StatusFontSpec()
{
    return DesktopSpec();
}

HostFontSpec HostFont::MessageFontSpec()
{
    return DesktopSpec();
}

std::vector<std::string> HostFont::Families()
{
    std::vector<std::string> names;
    PangoFontFamily** families = nullptr;
    int count = 0;
    pango_font_map_list_families(pango_context_get_font_map(HostFontContext::Context()), &families, &count);
    for (int i = 0; i < count; ++i)
        names.emplace_back(pango_font_family_get_name(families[i]));
    g_free(families);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

} // namespace WinLayer
