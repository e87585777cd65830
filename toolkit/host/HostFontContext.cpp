#include <toolkit/host/detail/HostFontContext.h>

#include <cairo.h>
#include <pango/pangocairo.h>

namespace WinLayer::HostFontContext {

namespace {

PangoContext* MakeContext()
{
    // Kept for the whole run: layouts made from it may live in caches until the end.
    PangoFontMap* font_map = pango_cairo_font_map_new();
    pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(font_map), 96.0);
    PangoContext* context = pango_font_map_create_context(font_map);
    g_object_unref(font_map); // the context holds it
    pango_cairo_context_set_resolution(context, 96.0);
    pango_context_set_language(context, pango_language_from_string("ja"));
    pango_context_set_base_dir(context, PANGO_DIRECTION_LTR);
    // Grey antialiasing (no colour fringes on back buffers with alpha) and whole-pixel
    // advances, so that widths add up and carets land on pixel columns.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    return context;
}

} // namespace

PangoContext* Context()
{
    static PangoContext* context = MakeContext();
    return context;
}

} // namespace WinLayer::HostFontContext
