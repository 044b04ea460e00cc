#pragma once

#include <filesystem>

namespace brimble {

// The first of `besideProgram` (the build tree: a folder of the build folder that holds
// libexec/brimble/ with the running program) and `underPrefix` (installed: under the <prefix>
// whose libexec/brimble/ holds it) that exists and holds `mustHold`; a program in a folder of its
// own or in <prefix>/bin finds them there too. Empty when none does.
std::filesystem::path findBesideProgram(const std::filesystem::path& besideProgram,
                                        const std::filesystem::path& underPrefix,
                                        const std::filesystem::path& mustHold = {});

// The folder that holds the page folder "clipboard", found from the running program's own
// path: "resources" in the build folder, or <prefix>/share/brimble/resources once
// installed. Empty when neither exists.
std::filesystem::path findResourcesFolder();

} // namespace brimble
