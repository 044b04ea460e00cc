#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brimble {

// What the user left on the page when its window was last hidden. The program keeps it while it
// runs, never on disk, and hands it to the next page it builds, so a page released while hidden
// comes back as the user left it.
struct PageView {
    std::string query;
    int64_t scrollTop = 0;
    std::vector<std::string> selection;
    std::string focusId;
    bool settingsOpen = false;

    bool operator==(const PageView&) const = default;
};

} // namespace brimble
