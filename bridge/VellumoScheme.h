#pragma once

#include <filesystem>
#include <string_view>

#include "platform/SchemeResponse.h"

namespace brimble {

// Answers the private "vellumo" scheme: the page's resources, the pictures of entries and the
// page's catalogue. A request never reads a file outside those folders.
class VellumoScheme {
public:
    // `resourcesDir` holds the page folder "clipboard" (empty: none); `imagesFolder` the pictures;
    // `pageCatalogue` is the catalogue chosen for the desktop's language (empty: English).
    VellumoScheme(std::filesystem::path resourcesDir, std::filesystem::path imagesFolder,
                  std::filesystem::path pageCatalogue = {});

    SchemeResult serve(std::string_view url) const;

private:
    std::filesystem::path resourcesDir_;
    std::filesystem::path imagesFolder_;
    std::filesystem::path pageCatalogue_;
};

} // namespace brimble
