#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace brimble {

// The most types of one copy that capture reads. No real program offers more than a few dozen;
// one offering hundreds of thousands must cost neither quadratic time nor unbounded memory, on
// X11 (a TARGETS reply of 4 KiB) and on Wayland alike.
inline constexpr size_t maxOfferedTypes = 1024;
// The most bytes of type names of one copy that capture keeps.
inline constexpr size_t maxOfferedTypeBytes = 64 * 1024;

// Whether capture decodes pictures of this target or MIME type: PNG, JPEG and TIFF only, each with
// its own loader.
bool isCapturedPictureType(std::string_view target);

// The portable type identifier of an X11 clipboard target; unknown targets pass unchanged.
std::string typeForTarget(std::string_view target);

// The type identifiers of a list of targets.
std::set<std::string> typesForTargets(const std::vector<std::string>& targets);

// The picture target to read, best first: PNG, JPEG, TIFF, then any other image type; empty
// when none is offered.
std::string preferredImageTarget(const std::vector<std::string>& targets);

// The text target to read, best first: UTF-8 ones, then COMPOUND_TEXT, Latin-1 STRING, TEXT
// and plain text; empty when none is offered.
std::string preferredTextTarget(const std::vector<std::string>& targets);

// Every text target on offer, in the order they are tried when one fails; the targets an owner
// that did not list them is asked for (UTF8_STRING, COMPOUND_TEXT, STRING) when `targets` is empty.
std::vector<std::string> textTargetsToTry(const std::vector<std::string>& targets);

// The UTF-8 text of selection data the owner sent with type `type` (UTF8_STRING, STRING, ...),
// with "\r\n" and lone "\r" line breaks made "\n", or nothing for a type that is not text.
// COMPOUND_TEXT needs the display's own conversion and is made UTF-8 before it comes here.
std::optional<std::string> textFromSelection(std::string_view type, std::string_view bytes);

} // namespace brimble
