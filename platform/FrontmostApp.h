#pragma once

#include <optional>
#include <string>

namespace brimble {

// Which application is in front.
class FrontmostApp {
public:
    FrontmostApp() = default;
    FrontmostApp(const FrontmostApp&) = delete;
    FrontmostApp& operator=(const FrontmostApp&) = delete;
    virtual ~FrontmostApp() = default;

    // The identifier (desktop-entry id) of the application in front, or nothing.
    virtual std::optional<std::string> identifier() = 0;
    // Whether this desktop lets the application in front be told at all; where it does not,
    // excluded applications can never match.
    virtual bool canTell() const { return true; }
};

} // namespace brimble
