#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/gtk/ClipboardTargets.h"

namespace brimble::wayland {

// Longest text read from another program: the bound capture applies (2 MiB). A longer text is
// not recorded, so reading on would only cost memory.
inline constexpr size_t textReadLimit = 2 * 1024 * 1024;
// Largest picture file read from another program (64 MiB); the codec refuses larger bitmaps
// before decoding anyway.
inline constexpr size_t pictureReadLimit = 64 * 1024 * 1024;

// The MIME types one offer announces, each once, in the order first announced. Some compositors
// announce a type twice (KWin lists "text/plain" twice), and a second copy must not cost a
// second read. Types past `maxOfferedTypes` or `maxOfferedTypeBytes` are dropped, as the X11
// reader drops them, and the list then says it is incomplete: a password marker may be among
// those dropped. Each addition costs constant time.
class OfferedTypeList {
public:
    void add(std::string_view mimeType);
    const std::vector<std::string>& types() const { return types_; }
    bool complete() const { return complete_; }
    // Hands the types over, leaving the list empty.
    std::vector<std::string> take();

private:
    std::vector<std::string> types_;
    std::unordered_set<std::string> seen_;
    size_t bytes_ = 0;
    bool complete_ = true;
};

// The portable type identifiers of an offer, as the X11 layer names them; `ownMarker` is left out.
std::set<std::string> typesForOffer(const std::vector<std::string>& mimeTypes, std::string_view ownMarker);

// The MIME type to read the picture from: PNG, JPEG, then TIFF; empty when none is offered. Other
// image types are never read, so their parsers never see another program's bytes.
std::string preferredPictureType(const std::vector<std::string>& mimeTypes);

// The MIME type to read the text from, best first: UTF-8 plain text under its usual names; empty
// when the offer holds no text.
std::string preferredTextType(const std::vector<std::string>& mimeTypes);

// The MIME types a text written back is offered under.
const std::vector<std::string>& textTypesWritten();

// The MIME type that marks this process's own offers, made from a token unique to the process:
// a second instance of the program does not take the first one's copies for its own.
std::string ownMarkerType(std::string_view token);

// Whether an offer carries `ownMarker`.
bool isOwnOffer(const std::vector<std::string>& mimeTypes, std::string_view ownMarker);

} // namespace brimble::wayland
