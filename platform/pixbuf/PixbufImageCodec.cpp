#include "platform/pixbuf/PixbufImageCodec.h"

#include <algorithm>
#include <cmath>

#include "platform/pixbuf/PixbufImage.h"

namespace brimble {

namespace {

// Pictures above this many pixels are refused before their pixels are decoded: a small file can
// claim gigabytes of pixels, and no clipboard picture worth keeping is that large.
constexpr double maxDecodedPixels = 64.0 * 1024 * 1024;
constexpr gsize decodeChunk = 64 * 1024;

struct LoaderGuard {
    bool tooLarge = false;
    int width = 0;
    int height = 0;
};

void onSizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data)
{
    auto* guard = static_cast<LoaderGuard*>(data);
    guard->width = width;
    guard->height = height;
    if (width <= 0 || height <= 0 || static_cast<double>(width) * height > maxDecodedPixels) {
        guard->tooLarge = true;
        // Ask for a tiny result too, in case the loader decodes before we stop feeding it.
        gdk_pixbuf_loader_set_size(loader, 1, 1);
    }
}

GdkPixbuf* flattenOntoWhite(GdkPixbuf* source)
{
    const int width = gdk_pixbuf_get_width(source);
    const int height = gdk_pixbuf_get_height(source);
    return gdk_pixbuf_composite_color_simple(source, width, height, GDK_INTERP_NEAREST, 255, 256,
                                             0xffffffff, 0xffffffff);
}

class PixbufImageCodec final : public ImageCodec {
public:
    std::optional<EncodedImage> encode(const PlatformImage& image, ImageFormat format, int maxSide) override
    {
        const auto* source = dynamic_cast<const PixbufImage*>(&image);
        if (!source || !source->pixbuf())
            return std::nullopt;
        GdkPixbuf* bitmap = source->pixbuf();
        const int width = gdk_pixbuf_get_width(bitmap);
        const int height = gdk_pixbuf_get_height(bitmap);
        const double scale = static_cast<double>(maxSide) / std::max(1, std::max(width, height));

        g_autoptr(GdkPixbuf) scaled = nullptr;
        if (scale < 1.0) {
            const int newWidth = std::max(1, static_cast<int>(width * scale));
            const int newHeight = std::max(1, static_cast<int>(height * scale));
            // Bilinear integrates over each target pixel when reducing, which is what keeps
            // text in screenshots legible.
            scaled = gdk_pixbuf_scale_simple(bitmap, newWidth, newHeight, GDK_INTERP_BILINEAR);
        }
        GdkPixbuf* toEncode = scaled ? scaled : bitmap;

        g_autoptr(GdkPixbuf) flattened = nullptr;
        if (format == ImageFormat::Jpeg && gdk_pixbuf_get_has_alpha(toEncode)) {
            flattened = flattenOntoWhite(toEncode);
            if (flattened)
                toEncode = flattened;
        }

        gchar* buffer = nullptr;
        gsize size = 0;
        g_autoptr(GError) error = nullptr;
        const bool saved = format == ImageFormat::Jpeg
            ? gdk_pixbuf_save_to_buffer(toEncode, &buffer, &size, "jpeg", &error, "quality", "80", nullptr)
            : gdk_pixbuf_save_to_buffer(toEncode, &buffer, &size, "png", &error, nullptr);
        if (!saved)
            return std::nullopt;
        EncodedImage encoded;
        encoded.bytes.assign(reinterpret_cast<uint8_t*>(buffer), reinterpret_cast<uint8_t*>(buffer) + size);
        encoded.extension = format == ImageFormat::Jpeg ? "jpg" : "png";
        g_free(buffer);
        return encoded;
    }

    std::unique_ptr<PlatformImage> decode(std::span<const uint8_t> bytes) override
    {
        if (bytes.empty())
            return nullptr;
        g_autoptr(GdkPixbufLoader) loader = gdk_pixbuf_loader_new();
        LoaderGuard guard;
        g_signal_connect(loader, "size-prepared", G_CALLBACK(onSizePrepared), &guard);

        bool failed = false;
        for (size_t offset = 0; offset < bytes.size() && !guard.tooLarge; offset += decodeChunk) {
            const gsize length = std::min<gsize>(decodeChunk, bytes.size() - offset);
            if (!gdk_pixbuf_loader_write(loader, bytes.data() + offset, length, nullptr)) {
                failed = true;
                break;
            }
        }
        const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
        g_signal_handlers_disconnect_by_data(loader, &guard);
        if (failed || !closed || guard.tooLarge)
            return nullptr;
        GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
        if (!pixbuf)
            return nullptr;
        // Apply the EXIF orientation so photos are stored the way they are seen.
        GdkPixbuf* oriented = gdk_pixbuf_apply_embedded_orientation(pixbuf);
        if (!oriented)
            return nullptr;
        return std::make_unique<PixbufImage>(oriented, gdk_pixbuf_get_width(oriented),
                                             gdk_pixbuf_get_height(oriented));
    }
};

} // namespace

std::unique_ptr<ImageCodec> makePixbufImageCodec()
{
    return std::make_unique<PixbufImageCodec>();
}

} // namespace brimble
