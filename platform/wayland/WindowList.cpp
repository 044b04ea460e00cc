#include "platform/wayland/WindowList.h"

namespace brimble::wayland {

WindowList::WindowList(std::string ownAppId) : ownAppId_(std::move(ownAppId)) {}

uint64_t WindowList::add()
{
    windows_[++lastNumber_];
    return lastNumber_;
}

void WindowList::announceAppId(uint64_t window, std::string appId)
{
    if (auto found = windows_.find(window); found != windows_.end())
        found->second.pendingAppId = std::move(appId);
}

void WindowList::announceActivated(uint64_t window, bool activated)
{
    if (auto found = windows_.find(window); found != windows_.end())
        found->second.pendingActivated = activated;
}

void WindowList::done(uint64_t window)
{
    auto found = windows_.find(window);
    if (found == windows_.end())
        return;
    Window& changed = found->second;
    // Only what was announced since the last "done" applies: a window whose title alone
    // changed keeps its state, and a state it reported earlier must not come back with it.
    if (changed.pendingAppId) {
        changed.appId = std::move(*changed.pendingAppId);
        changed.pendingAppId.reset();
    }
    if (changed.pendingActivated) {
        changed.activated = *changed.pendingActivated;
        changed.pendingActivated.reset();
    }
    if (!changed.activated)
        return;
    if (changed.appId != ownAppId_)
        lastOther_ = window;
    // One window has the keyboard at a time; the one that lost it may say so only later.
    for (auto& [number, other] : windows_) {
        if (number != window)
            other.activated = false;
    }
}

void WindowList::close(uint64_t window)
{
    windows_.erase(window);
    if (lastOther_ == window)
        lastOther_ = 0;
}

std::optional<std::string> WindowList::activeAppId() const
{
    for (const auto& [number, window] : windows_) {
        if (window.activated)
            return window.appId;
    }
    return std::nullopt;
}

} // namespace brimble::wayland
