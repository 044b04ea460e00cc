#pragma once

#include <filesystem>
#include <string_view>

#include "platform/SchemeResponse.h"

namespace brimble {

// Answers the private "vellumo" scheme: the page's resources and the pictures of entries. A
// request never reads a file outside those two folders.
class VellumoScheme {
public:
    // `resourcesDir` holds the page folder "clipboard" (empty: none); `imagesFolder` the pictures.
    VellumoScheme(std::filesystem::path resourcesDir, std::filesystem::path imagesFolder);

    SchemeResult serve(std::string_view url) const;

private:
    std::filesystem::path resourcesDir_;
    std::filesystem::path imagesFolder_;
};

} // namespace brimble
