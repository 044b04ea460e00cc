#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/SharedText.h"

namespace brimble {

// A kept format of an entry: its MIME type and the bare name of the file in
// "clipboard-formats" that holds its bytes.
struct ClipFormat {
    std::string type;
    std::string file;

    auto operator<=>(const ClipFormat&) const = default;
};

// One history entry. Plain value; its JSON keys are the field names.
struct Clip {
    std::string id;                     // canonical upper-case UUID
    double ts = 0;                      // last capture or copy-back, seconds since 1970
    SharedText text;                    // the copied text, or a picture's label; shared by copies
    bool pinned = false;
    std::string kind = "text";          // "text" or "image"
    std::optional<std::string> imgFile; // bare name inside "clipboard-images"
    std::optional<std::string> img;     // legacy inline data URL; read, never written
    std::optional<std::string> sig;     // SHA-256 of the picture file, lowercase hex
    std::string sessionId;              // "" until adopted by the first session
    std::optional<std::string> blockId;
    std::vector<ClipFormat> formats;    // formatted text, copied files; none for most entries

    bool operator==(const Clip&) const = default;
};

// A picture entry whose file has not come yet (from another machine): it shows as a placeholder,
// and copying it puts nothing on the clipboard. `sig` names the picture it waits for.
inline bool awaitsPicture(const Clip& clip)
{
    return clip.kind == "image" && !clip.imgFile && clip.sig;
}

} // namespace brimble
