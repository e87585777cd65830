#include <toolkit/host/HostBitmap.h>

#include <cstring>

#include <cairo.h>

namespace WinLayer::Host {

HostBitmap LoadPng(const std::string& path)
{
    HostBitmap bitmap;
    cairo_surface_t* loaded = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(loaded) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(loaded);
        return bitmap;
    }
    const int width = cairo_image_surface_get_width(loaded);
    const int height = cairo_image_surface_get_height(loaded);
    if (width <= 0 || height <= 0) {
        cairo_surface_destroy(loaded);
        return bitmap;
    }
    // Whatever format cairo chose (grey, no alpha, ...), the bitmap is ARGB32 with a stride of
    // width * 4: draw the file's surface onto one of those.
    bitmap.width = width;
    bitmap.height = height;
    bitmap.pixels.assign(static_cast<size_t>(width) * height, 0);
    cairo_surface_t* target
        = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(bitmap.pixels.data()),
            CAIRO_FORMAT_ARGB32, width, height, width * 4);
    cairo_t* context = cairo_create(target);
    cairo_set_operator(context, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(context, loaded, 0, 0);
    cairo_paint(context);
    const bool drawn = cairo_status(context) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(context);
    cairo_surface_flush(target);
    cairo_surface_destroy(target);
    cairo_surface_destroy(loaded);
    if (!drawn)
        return HostBitmap {};
    return bitmap;
}

bool SavePng(const HostBitmap& bitmap, const std::string& path)
{
    if (bitmap.Empty() || bitmap.pixels.size() < static_cast<size_t>(bitmap.width) * bitmap.height)
        return false;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, bitmap.width, bitmap.height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int32_t y = 0; y < bitmap.height; ++y)
        std::memcpy(data + static_cast<size_t>(y) * stride,
            bitmap.pixels.data() + static_cast<size_t>(y) * bitmap.width,
            static_cast<size_t>(bitmap.width) * 4);
    cairo_surface_mark_dirty(surface);
    const bool saved = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return saved;
}

} // namespace WinLayer::Host
