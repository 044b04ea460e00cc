#pragma once

#include <filesystem>

namespace brimble {

// The folder that holds the page folder "clipboard", found from the running program's own
// path: "resources" beside it in the build tree, or <prefix>/share/brimble/resources once
// installed. Empty when neither exists.
std::filesystem::path findResourcesFolder();

} // namespace brimble
