#pragma once

#include <optional>
#include <string>
#include <vector>

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
    // Every desktop-entry id the application in front may be known by, best first; a window
    // can match several entries (by id, StartupWMClass or program name).
    virtual std::vector<std::string> identifiers()
    {
        std::optional<std::string> id = identifier();
        return id ? std::vector<std::string>{*id} : std::vector<std::string>{};
    }
    // Whether a window of the application with this desktop-entry id can be recognised here:
    // false when no such entry is installed.
    virtual bool recognises(const std::string& id)
    {
        (void)id;
        return true;
    }
    // Whether this desktop lets the application in front be told at all; where it does not,
    // excluded applications can never match.
    virtual bool canTell() const { return true; }
};

} // namespace brimble
