#include "platform/gtk/about/Picture.h"

#include <algorithm>
#include <cmath>

#include <gdk/gdk.h>

namespace brimble {

Picture::Picture(const std::filesystem::path& file)
    : original_(gdk_pixbuf_new_from_file(file.c_str(), nullptr))
{
}

int Picture::widthFor(int height) const
{
    if (!original_)
        return height * 2;
    const double ratio = static_cast<double>(gdk_pixbuf_get_width(original_.get())) /
                         std::max(gdk_pixbuf_get_height(original_.get()), 1);
    return static_cast<int>(std::lround(height * ratio));
}

void Picture::draw(cairo_t* cr, double x, double y, int width, int height, int scale)
{
    if (!original_ || width <= 0 || height <= 0)
        return;
    const int pixelWidth = width * scale;
    const int pixelHeight = height * scale;
    if (!scaled_ || gdk_pixbuf_get_width(scaled_.get()) != pixelWidth ||
        gdk_pixbuf_get_height(scaled_.get()) != pixelHeight) {
        // Cairo's own filter aliases large reductions; GdkPixbuf's integrates over each pixel.
        scaled_.reset(gdk_pixbuf_scale_simple(original_.get(), pixelWidth, pixelHeight,
                                              GDK_INTERP_BILINEAR));
    }
    if (!scaled_)
        return;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, 1.0 / scale, 1.0 / scale);
    gdk_cairo_set_source_pixbuf(cr, scaled_.get(), 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
}

} // namespace brimble
