#pragma once

#include <string>

namespace brimble {

// A whole separate workspace of entries.
struct Session {
    std::string id;
    std::string name;
    double createdAt = 0;

    bool operator==(const Session&) const = default;
};

} // namespace brimble
