#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "platform/FileIcons.h"

namespace brimble {

// Icons from the desktop's icon theme by content type, and thumbnails of PNG, JPEG and GIF files
// decoded by that type's loader alone. The last few answers are kept by path, size and
// modification time, so a card drawn again costs no decode.
class GtkFileIcons final : public FileIcons {
public:
    std::optional<Bytes> iconFor(const std::string& path, int size) override;

private:
    struct Cached {
        std::string key;
        Bytes png;
    };
    std::list<Cached> cache_; // the most recently used first
};

} // namespace brimble
