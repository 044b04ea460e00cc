#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "platform/ImageCodec.h"

namespace brimble {

// A decoded picture held as a GdkPixbuf. The nominal size is the source's own, which may be
// larger than the pixbuf when the picture was scaled down while loading.
class PixbufImage final : public PlatformImage {
public:
    PixbufImage(GdkPixbuf* adopted, double nominalWidth, double nominalHeight)
        : pixbuf_(adopted), nominalWidth_(nominalWidth), nominalHeight_(nominalHeight)
    {
    }
    ~PixbufImage() override { g_clear_object(&pixbuf_); }

    double nominalWidth() const override { return nominalWidth_; }
    double nominalHeight() const override { return nominalHeight_; }
    GdkPixbuf* pixbuf() const { return pixbuf_; }

private:
    GdkPixbuf* pixbuf_;
    double nominalWidth_;
    double nominalHeight_;
};

} // namespace brimble
