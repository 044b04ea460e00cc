#pragma once

#include <filesystem>

namespace brimble {

// The first of `besideProgram` (the build tree: a folder beside the running program) and
// `underPrefix` (installed: under the program's <prefix>) that exists and holds `mustHold`.
// Empty when neither does.
std::filesystem::path findBesideProgram(const std::filesystem::path& besideProgram,
                                        const std::filesystem::path& underPrefix,
                                        const std::filesystem::path& mustHold = {});

// The folder that holds the page folder "clipboard", found from the running program's own
// path: "resources" beside it in the build tree, or <prefix>/share/brimble/resources once
// installed. Empty when neither exists.
std::filesystem::path findResourcesFolder();

} // namespace brimble
