#include "platform/pixbuf/PixbufImageCodec.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/pixbuf/JpegMarkers.h"
#include "platform/pixbuf/PixbufImage.h"

namespace brimble {

namespace {

// Pictures above this many pixels are refused before their pixels are decoded: a small file can
// claim gigabytes of pixels, and no clipboard picture worth keeping is that large.
constexpr double maxDecodedPixels = 64.0 * 1024 * 1024;
constexpr gsize decodeChunk = 64 * 1024;

struct LoaderGuard {
    bool refused = false;
    int width = 0;
    int height = 0;
    // One past the lowest row the loader has filled in so far.
    int rowsDone = 0;
};

// The clipboard's pictures are PNG, JPEG or TIFF. Each is decoded by the loader of the type it
// was asked for: a loader picked by sniffing the bytes would hand a program's data to the SVG,
// icon, animation or pixmap parsers, none of which a clipboard picture needs.
bool isClipboardType(std::string_view mimeType)
{
    return mimeType == "image/png" || mimeType == "image/jpeg" || mimeType == "image/tiff";
}

void onSizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data)
{
    auto* guard = static_cast<LoaderGuard*>(data);
    guard->width = width;
    guard->height = height;
    if (width <= 0 || height <= 0 || static_cast<double>(width) * height > maxDecodedPixels) {
        guard->refused = true;
        // A size of 0 × 0 is the loaders' own signal to stop before they allocate the pixels.
        // Any other size would not do: the TIFF loader, which decodes only when the data are
        // complete, would still fill a buffer of the full size and scale it down afterwards.
        gdk_pixbuf_loader_set_size(loader, 0, 0);
    }
}

void onAreaUpdated(GdkPixbufLoader*, int, int y, int, int height, gpointer data)
{
    auto* guard = static_cast<LoaderGuard*>(data);
    guard->rowsDone = std::max(guard->rowsDone, y + height);
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

    std::unique_ptr<PlatformImage> decode(std::span<const uint8_t> bytes, std::string_view mimeType) override
    {
        if (bytes.empty() || !isClipboardType(mimeType))
            return nullptr;
        const std::string type(mimeType);
        g_autoptr(GdkPixbufLoader) loader = gdk_pixbuf_loader_new_with_mime_type(type.c_str(), nullptr);
        if (!loader)
            return nullptr;
        LoaderGuard guard;
        g_signal_connect(loader, "size-prepared", G_CALLBACK(onSizePrepared), &guard);
        g_signal_connect(loader, "area-updated", G_CALLBACK(onAreaUpdated), &guard);

        bool failed = false;
        for (size_t offset = 0; offset < bytes.size() && !guard.refused; offset += decodeChunk) {
            const gsize length = std::min<gsize>(decodeChunk, bytes.size() - offset);
            if (!gdk_pixbuf_loader_write(loader, bytes.data() + offset, length, nullptr)) {
                failed = true;
                break;
            }
        }
        const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
        g_signal_handlers_disconnect_by_data(loader, &guard);
        if (failed || !closed || guard.refused)
            return nullptr;
        GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
        // The PNG and JPEG loaders close without complaint on data that end early and hand out
        // the picture with its lower part blank; only the rows they filled in tell.
        if (!pixbuf || guard.rowsDone < gdk_pixbuf_get_height(pixbuf))
            return nullptr;
        // The JPEG loader reports every row even then: libjpeg fills in grey after the data end.
        if (mimeType == "image/jpeg" && !jpegReachesEndOfImage(bytes))
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
