#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace brimble {

// A named, coloured group of entries inside one session.
struct Block {
    std::string id;
    std::string name;
    std::string color;
    bool pinned = false;
    std::string sessionId;
    int64_t order = 0; // creation rank within its session; never renumbered

    bool operator==(const Block&) const = default;
};

inline constexpr std::array<std::string_view, 6> blockPalette = {"rose", "peach", "lemon",
                                                                 "mint", "sky",   "lavender"};

} // namespace brimble
