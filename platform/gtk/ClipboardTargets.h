#pragma once

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

} // namespace brimble
