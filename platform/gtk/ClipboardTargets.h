#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace brimble {

// The portable type identifier of an X11 clipboard target; unknown targets pass unchanged.
std::string typeForTarget(std::string_view target);

// The type identifiers of a list of targets.
std::set<std::string> typesForTargets(const std::vector<std::string>& targets);

// The picture target to read, best first: PNG, JPEG, TIFF, then any other image type; empty
// when none is offered.
std::string preferredImageTarget(const std::vector<std::string>& targets);

// The text target to read, best first: UTF-8 ones, then Latin-1 STRING, then TEXT and plain
// text; empty when none is offered.
std::string preferredTextTarget(const std::vector<std::string>& targets);

// The UTF-8 text of selection data the owner sent with type `type` (UTF8_STRING, STRING, ...),
// with "\r\n" and lone "\r" line breaks made "\n", or nothing for a type that is not text.
std::optional<std::string> textFromSelection(std::string_view type, std::string_view bytes);

} // namespace brimble
