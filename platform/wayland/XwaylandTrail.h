#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace brimble::wayland {

// Whether the Wayland selection is an X11 program's copy carried over by the compositor, so that
// the X11 owner quitting leaves it without an owner. KWin keeps such a selection after its X11
// owner is gone: readers then get nothing, yet no Wayland event says so. Sway and Mutter clear it.
//
// A carried copy is a foreign selection made while an X11 program owns the X11 clipboard and
// listing X11's own "TARGETS" among its types, which KWin passes on as it gets them and Wayland
// programs never offer. When that owner goes and no Wayland event follows, the clipboard was
// left behind.
class XwaylandTrail {
public:
    static bool listsX11Targets(const std::vector<std::string>& mimeTypes)
    {
        return std::find(mimeTypes.begin(), mimeTypes.end(), "TARGETS") != mimeTypes.end();
    }

    void xOwnerTaken()
    {
        xOwned_ = true;
        carried_ = false;
    }

    // A new Wayland selection: `foreign` when neither Brimble's own nor a start's baseline.
    void waylandSelection(bool foreign, bool listsX11Targets)
    {
        ++events_;
        carried_ = xOwned_ && foreign && listsX11Targets;
    }

    // The X11 owner quit or let go. True when the Wayland selection was its copy: whether the
    // compositor cleared it is then known from `leftBehind` a moment later.
    bool xOwnerGone()
    {
        xOwned_ = false;
        eventsAtGone_ = events_;
        return std::exchange(carried_, false);
    }

    bool leftBehind() const { return events_ == eventsAtGone_; }

private:
    bool xOwned_ = false;
    bool carried_ = false;
    uint64_t events_ = 0;
    uint64_t eventsAtGone_ = 0;
};

} // namespace brimble::wayland
