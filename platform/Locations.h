#pragma once

#include <filesystem>

namespace brimble {

// Where the program's folders lie; `main` takes them from the XDG base folders, tests from
// temporary ones.
struct Locations {
    std::filesystem::path dataHome;     // $XDG_DATA_HOME: holds "Brimble" and the companion's folder
    std::filesystem::path configHome;   // $XDG_CONFIG_HOME: holds "Brimble/settings.json"
    std::filesystem::path resourcesDir; // holds the page folder "clipboard"; empty when not found
    std::filesystem::path executable;   // the running program, named by the autostart entry; empty when unknown
};

} // namespace brimble
