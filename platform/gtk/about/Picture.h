#pragma once

#include <filesystem>

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include "platform/gtk/GObjectPtr.h"

namespace brimble {

// A picture from the resource folder, drawn scaled into a box. A missing or unreadable file gives
// an empty picture that draws nothing.
class Picture {
public:
    explicit Picture(const std::filesystem::path& file);

    bool empty() const { return !original_; }
    // The width of a box `height` high that keeps the picture's proportions; twice the height
    // when there is no picture.
    int widthFor(int height) const;
    // Draws the whole picture scaled into (x, y, width, height) at full opacity. `scale` is the
    // screen's pixels per point, so the picture is resampled once at the sharpest size.
    void draw(cairo_t* cr, double x, double y, int width, int height, int scale);

private:
    GObjectPtr<GdkPixbuf> original_;
    GObjectPtr<GdkPixbuf> scaled_;
};

} // namespace brimble
