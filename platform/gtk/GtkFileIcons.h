#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <string>

#include <gio/gio.h>

#include "platform/FileIcons.h"

namespace brimble {

// Icons from the desktop's icon theme by content type, and thumbnails of PNG, JPEG and GIF files
// decoded by that type's loader alone. The last few answers are kept by path, size and
// modification time, so a card drawn again costs no decode. `iconForLater` looks at the file
// and makes a thumbnail in GIO's threads (a picture of 36 million pixels took half a second, a
// file on a network mount as long as its server): only the cache and the icon theme, which
// GTK keeps to its own thread, are used on the main loop.
class GtkFileIcons final : public FileIcons {
public:
    GtkFileIcons();
    ~GtkFileIcons() override;
    GtkFileIcons(const GtkFileIcons&) = delete;
    GtkFileIcons& operator=(const GtkFileIcons&) = delete;

    std::optional<Bytes> iconFor(const std::string& path, int size) override;
    void iconForLater(const std::string& path, int size, std::function<void(std::optional<Bytes>)> done) override;

    // What is known of a file once looked at: its cache key, content type and whether a
    // thumbnail may be made of it.
    struct Look {
        std::string key;
        std::string contentType;
        std::string thumbnailType; // the picture's MIME type, or "" for the type's icon
    };

private:
    struct Cached {
        std::string key;
        Bytes png;
    };
    struct Job;
    static void onLooked(GObject*, GAsyncResult* result, gpointer job);
    static void onThumbnail(GObject*, GAsyncResult* result, gpointer job);
    const Bytes* cached(const std::string& key);
    std::optional<Bytes> keep(const Look& look, std::optional<Bytes> thumbnail, int size);

    std::list<Cached> cache_; // the most recently used first
    GCancellable* cancellable_;
};

} // namespace brimble
