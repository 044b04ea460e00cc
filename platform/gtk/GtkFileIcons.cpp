#include "platform/gtk/GtkFileIcons.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include <gtk/gtk.h>

namespace brimble {

namespace {

constexpr size_t cachedIcons = 64;
// A picture larger than this is shown by its type's icon: decoding it would hold the main loop.
constexpr goffset largestThumbnailSource = 32 * 1024 * 1024;
constexpr int64_t largestThumbnailPixels = 40'000'000;
constexpr std::array<std::string_view, 3> thumbnailTypes = {"image/png", "image/jpeg", "image/gif"};

std::optional<Bytes> encodePng(GdkPixbuf* pixbuf)
{
    gchar* buffer = nullptr;
    gsize length = 0;
    if (!pixbuf || !gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &length, "png", nullptr, nullptr))
        return std::nullopt;
    Bytes bytes(reinterpret_cast<uint8_t*>(buffer), reinterpret_cast<uint8_t*>(buffer) + length);
    g_free(buffer);
    return bytes;
}

void fitWithin(GdkPixbufLoader* loader, int width, int height, gpointer data)
{
    const int size = GPOINTER_TO_INT(data);
    if (width <= size && height <= size)
        return;
    const double scale = static_cast<double>(size) / std::max(width, height);
    gdk_pixbuf_loader_set_size(loader, std::max(1, static_cast<int>(width * scale)),
                               std::max(1, static_cast<int>(height * scale)));
}

// The picture's bytes go to the loader of its content type only, never to one guessed.
std::optional<Bytes> thumbnail(GFile* file, const char* contentType, int size)
{
    // A small file may claim a huge picture, which the loader would unpack whole before scaling
    // it down: only the header is read to find out.
    int width = 0;
    int height = 0;
    g_autofree char* path = g_file_get_path(file);
    if (!path || !gdk_pixbuf_get_file_info(path, &width, &height)
        || static_cast<int64_t>(width) * height > largestThumbnailPixels)
        return std::nullopt;
    gchar* contents = nullptr;
    gsize length = 0;
    if (!g_file_load_contents(file, nullptr, &contents, &length, nullptr, nullptr))
        return std::nullopt;
    std::optional<Bytes> png;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_mime_type(contentType, nullptr);
    if (loader) {
        g_signal_connect(loader, "size-prepared", G_CALLBACK(fitWithin), GINT_TO_POINTER(size));
        const bool loaded = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(contents), length, nullptr);
        if (gdk_pixbuf_loader_close(loader, nullptr) && loaded)
            png = encodePng(gdk_pixbuf_loader_get_pixbuf(loader));
        g_object_unref(loader);
    }
    g_free(contents);
    return png;
}

std::optional<Bytes> themeIcon(const char* contentType, int size)
{
    g_autoptr(GIcon) icon = g_content_type_get_icon(contentType);
    GtkIconTheme* theme = gtk_icon_theme_get_default();
    if (!icon || !theme)
        return std::nullopt;
    g_autoptr(GtkIconInfo) info = gtk_icon_theme_lookup_by_gicon(theme, icon, size, GTK_ICON_LOOKUP_FORCE_SIZE);
    if (!info) {
        // Every file has at least the plain file's icon.
        info = gtk_icon_theme_lookup_icon(theme, "text-x-generic", size, GTK_ICON_LOOKUP_FORCE_SIZE);
        if (!info)
            return std::nullopt;
    }
    g_autoptr(GdkPixbuf) pixbuf = gtk_icon_info_load_icon(info, nullptr);
    return encodePng(pixbuf);
}

} // namespace

std::optional<Bytes> GtkFileIcons::iconFor(const std::string& path, int size)
{
    g_autoptr(GFile) file = g_file_new_for_path(path.c_str());
    g_autoptr(GFileInfo) info = g_file_query_info(
        file, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE "," G_FILE_ATTRIBUTE_STANDARD_SIZE "," G_FILE_ATTRIBUTE_TIME_MODIFIED
              "," G_FILE_ATTRIBUTE_TIME_MODIFIED_USEC "," G_FILE_ATTRIBUTE_STANDARD_TYPE,
        G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
    if (!info)
        return std::nullopt;
    const char* contentType = g_file_info_get_content_type(info);
    if (!contentType)
        contentType = "application/octet-stream";
    // A file written again within the same second is told apart by its size and microseconds.
    const std::string key = path + '\n' + std::to_string(size) + '\n'
        + std::to_string(g_file_info_get_attribute_uint64(info, G_FILE_ATTRIBUTE_TIME_MODIFIED)) + '.'
        + std::to_string(g_file_info_get_attribute_uint32(info, G_FILE_ATTRIBUTE_TIME_MODIFIED_USEC)) + '\n'
        + std::to_string(g_file_info_get_size(info)) + '\n' + contentType;
    if (auto found = std::find_if(cache_.begin(), cache_.end(), [&](const Cached& cached) { return cached.key == key; });
        found != cache_.end()) {
        cache_.splice(cache_.begin(), cache_, found);
        return found->png;
    }

    std::optional<Bytes> png;
    g_autofree gchar* mime = g_content_type_get_mime_type(contentType);
    const bool picture = mime && g_file_info_get_file_type(info) == G_FILE_TYPE_REGULAR
        && g_file_info_get_size(info) <= largestThumbnailSource
        && std::find(thumbnailTypes.begin(), thumbnailTypes.end(), std::string_view(mime)) != thumbnailTypes.end();
    if (picture)
        png = thumbnail(file, mime, size);
    if (!png)
        png = themeIcon(contentType, size);
    if (!png)
        return std::nullopt;
    cache_.push_front({key, *png});
    if (cache_.size() > cachedIcons)
        cache_.pop_back();
    return png;
}

} // namespace brimble
