#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/ImageCodec.h"

namespace brimble {

// Small pictures of files on disk, for the cards of copied files.
class FileIcons {
public:
    FileIcons() = default;
    FileIcons(const FileIcons&) = delete;
    FileIcons& operator=(const FileIcons&) = delete;
    virtual ~FileIcons() = default;

    // A PNG at most `size` pixels on its longer side: a thumbnail of a picture file, otherwise
    // the desktop's icon for the file's content type. Nothing when the file is gone or no icon
    // can be made.
    virtual std::optional<Bytes> iconFor(const std::string& path, int size) = 0;
    // The same, told to `done` on the main loop; the file is read and decoded away from it
    // where the platform can.
    virtual void iconForLater(const std::string& path, int size, std::function<void(std::optional<Bytes>)> done)
    {
        done(iconFor(path, size));
    }
};

} // namespace brimble
