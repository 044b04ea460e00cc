#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace brimble::wayland {

// The desktop's windows as the foreign-toplevel protocol describes them, apart from the
// protocol: each window's changes arrive one by one and take effect together at its "done".
// Windows are numbered in the order they appear; a number is never reused.
class WindowList {
public:
    // `ownAppId` names the program's own windows, which are never taken for the last other one.
    explicit WindowList(std::string ownAppId);

    // A new window; its number.
    uint64_t add();
    void announceAppId(uint64_t window, std::string appId);
    void announceActivated(uint64_t window, bool activated);
    // Applies what was announced for `window` since its last "done".
    void done(uint64_t window);
    void close(uint64_t window);

    bool contains(uint64_t window) const { return windows_.contains(window); }
    // The app_id of the window that has the keyboard, or nothing.
    std::optional<std::string> activeAppId() const;
    // The window other than the program's own that had the keyboard last, or 0.
    uint64_t lastOther() const { return lastOther_; }

private:
    struct Window {
        std::string appId;
        bool activated = false;
        std::optional<std::string> pendingAppId;
        std::optional<bool> pendingActivated;
    };

    std::string ownAppId_;
    std::map<uint64_t, Window> windows_;
    uint64_t lastNumber_ = 0;
    uint64_t lastOther_ = 0;
};

} // namespace brimble::wayland
