#include "platform/gtk/GtkFileIcons.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
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

// Looks at the file: nothing when it is gone. Safe in any thread.
std::optional<GtkFileIcons::Look> lookAt(GFile* file, int size)
{
    g_autoptr(GFileInfo) info = g_file_query_info(
        file, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE "," G_FILE_ATTRIBUTE_STANDARD_SIZE "," G_FILE_ATTRIBUTE_TIME_MODIFIED
              "," G_FILE_ATTRIBUTE_TIME_MODIFIED_USEC "," G_FILE_ATTRIBUTE_STANDARD_TYPE,
        G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
    if (!info)
        return std::nullopt;
    const char* contentType = g_file_info_get_content_type(info);
    if (!contentType)
        contentType = "application/octet-stream";
    g_autofree char* path = g_file_get_path(file);
    GtkFileIcons::Look look;
    look.contentType = contentType;
    // A file written again within the same second is told apart by its size and microseconds.
    look.key = std::string(path ? path : "") + '\n' + std::to_string(size) + '\n'
        + std::to_string(g_file_info_get_attribute_uint64(info, G_FILE_ATTRIBUTE_TIME_MODIFIED)) + '.'
        + std::to_string(g_file_info_get_attribute_uint32(info, G_FILE_ATTRIBUTE_TIME_MODIFIED_USEC)) + '\n'
        + std::to_string(g_file_info_get_size(info)) + '\n' + contentType;
    g_autofree gchar* mime = g_content_type_get_mime_type(contentType);
    const bool picture = mime && g_file_info_get_file_type(info) == G_FILE_TYPE_REGULAR
        && g_file_info_get_size(info) <= largestThumbnailSource
        && std::find(thumbnailTypes.begin(), thumbnailTypes.end(), std::string_view(mime)) != thumbnailTypes.end();
    if (picture)
        look.thumbnailType = mime;
    return look;
}

} // namespace

// One icon asked for later: what it is for, and what the threads found.
struct GtkFileIcons::Job {
    GtkFileIcons* self;
    GFile* file;
    int size;
    std::function<void(std::optional<Bytes>)> done;
    std::optional<Look> look;
    std::optional<Bytes> thumbnail;

    ~Job() { g_object_unref(file); }
};

GtkFileIcons::GtkFileIcons() : cancellable_(g_cancellable_new()) {}

GtkFileIcons::~GtkFileIcons()
{
    // Jobs still running come back cancelled and touch nothing of this.
    g_cancellable_cancel(cancellable_);
    g_object_unref(cancellable_);
}

const Bytes* GtkFileIcons::cached(const std::string& key)
{
    auto found = std::find_if(cache_.begin(), cache_.end(), [&](const Cached& item) { return item.key == key; });
    if (found == cache_.end())
        return nullptr;
    cache_.splice(cache_.begin(), cache_, found);
    return &cache_.front().png;
}

std::optional<Bytes> GtkFileIcons::keep(const Look& look, std::optional<Bytes> thumbnail, int size)
{
    std::optional<Bytes> png = std::move(thumbnail);
    if (!png)
        png = themeIcon(look.contentType.c_str(), size);
    if (!png)
        return std::nullopt;
    cache_.push_front({look.key, *png});
    if (cache_.size() > cachedIcons)
        cache_.pop_back();
    return png;
}

std::optional<Bytes> GtkFileIcons::iconFor(const std::string& path, int size)
{
    g_autoptr(GFile) file = g_file_new_for_path(path.c_str());
    const std::optional<Look> look = lookAt(file, size);
    if (!look)
        return std::nullopt;
    if (const Bytes* png = cached(look->key))
        return *png;
    std::optional<Bytes> png;
    if (!look->thumbnailType.empty())
        png = thumbnail(file, look->thumbnailType.c_str(), size);
    return keep(*look, std::move(png), size);
}

void GtkFileIcons::iconForLater(const std::string& path, int size, std::function<void(std::optional<Bytes>)> done)
{
    auto* job = new Job{this, g_file_new_for_path(path.c_str()), size, std::move(done), {}, {}};
    GTask* task = g_task_new(nullptr, cancellable_, onLooked, job);
    g_task_set_task_data(task, job, nullptr);
    g_task_run_in_thread(task, [](GTask* running, gpointer, gpointer data, GCancellable*) {
        auto* looking = static_cast<Job*>(data);
        looking->look = lookAt(looking->file, looking->size);
        g_task_return_boolean(running, TRUE);
    });
    g_object_unref(task);
}

void GtkFileIcons::onLooked(GObject*, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Job> job(static_cast<Job*>(data));
    if (!g_task_propagate_boolean(G_TASK(result), nullptr))
        return; // cancelled: the icons are gone
    GtkFileIcons* self = job->self;
    if (!job->look) {
        job->done(std::nullopt);
        return;
    }
    if (const Bytes* png = self->cached(job->look->key)) {
        job->done(*png);
        return;
    }
    if (job->look->thumbnailType.empty()) {
        job->done(self->keep(*job->look, std::nullopt, job->size));
        return;
    }
    Job* decoding = job.release();
    GTask* task = g_task_new(nullptr, self->cancellable_, onThumbnail, decoding);
    g_task_set_task_data(task, decoding, nullptr);
    g_task_run_in_thread(task, [](GTask* running, gpointer, gpointer data, GCancellable*) {
        auto* thumbnailing = static_cast<Job*>(data);
        thumbnailing->thumbnail =
            thumbnail(thumbnailing->file, thumbnailing->look->thumbnailType.c_str(), thumbnailing->size);
        g_task_return_boolean(running, TRUE);
    });
    g_object_unref(task);
}

void GtkFileIcons::onThumbnail(GObject*, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Job> job(static_cast<Job*>(data));
    if (!g_task_propagate_boolean(G_TASK(result), nullptr))
        return;
    job->done(job->self->keep(*job->look, std::move(job->thumbnail), job->size));
}

} // namespace brimble
