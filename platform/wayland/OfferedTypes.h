#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace brimble::wayland {

// Longest text read from another program: the bound capture applies (2 MiB). A longer text is
// not recorded, so reading on would only cost memory.
inline constexpr size_t textReadLimit = 2 * 1024 * 1024;
// Largest picture file read from another program (64 MiB); the codec refuses larger bitmaps
// before decoding anyway.
inline constexpr size_t pictureReadLimit = 64 * 1024 * 1024;

// Adds a MIME type to an offer's list unless it is there already. Some compositors announce a
// type twice (KWin lists "text/plain" twice), and a second copy must not cost a second read.
void addOfferedType(std::vector<std::string>& mimeTypes, std::string_view mimeType);

// The portable type identifiers of an offer, as the X11 layer names them; `ownMarker` is left out.
std::set<std::string> typesForOffer(const std::vector<std::string>& mimeTypes, std::string_view ownMarker);

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
