#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/SchemeResponse.h"

namespace brimble {

// The PNG icon of the file at `index` in the card of the entry `clipId`, or nothing.
using FileIconSource = std::function<std::optional<std::vector<uint8_t>>(std::string_view clipId, size_t index)>;

// Answers the private "vellumo" scheme: the page's resources, the pictures of entries, the
// page's catalogue and the icons of copied files. A request never reads a file outside those
// folders; a file icon is asked for by entry and place in its list, never by a path.
// A request for the icon of a copied file: its entry and its place in that entry's list.
struct FileIconRequest {
    std::string clipId;
    size_t index = 0;
};

// The file-icon request `url` makes, when it is a well-formed one.
std::optional<FileIconRequest> fileIconRequest(std::string_view url);

class VellumoScheme {
public:
    // `resourcesDir` holds the page folder "clipboard" (empty: none); `imagesFolder` the pictures;
    // `pageCatalogue` is the catalogue chosen for the desktop's language (empty: English).
    VellumoScheme(std::filesystem::path resourcesDir, std::filesystem::path imagesFolder,
                  std::filesystem::path pageCatalogue = {}, FileIconSource fileIcon = {});

    SchemeResult serve(std::string_view url) const;

private:
    std::filesystem::path resourcesDir_;
    std::filesystem::path imagesFolder_;
    std::filesystem::path pageCatalogue_;
    FileIconSource fileIcon_;
};

} // namespace brimble
