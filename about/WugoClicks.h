#pragma once

#include <functional>
#include <memory>

#include "platform/MainLoop.h"

namespace brimble {

// What a click on the mascot did.
enum class ClickOutcome {
    Ignored, // the mascot was still busy after a shout: no recoil, no ink, not counted
    Counted, // recoil and ink
    Shouted, // recoil and ink, and the owner was told to shout
};

// The mascot's click counting: every third counted click reports a shout, after which clicks are
// ignored for 2.9 s. A new mascot starts again at zero.
class WugoClicks {
public:
    static constexpr double busySeconds = 2.9;
    static constexpr int clicksPerShout = 3;

    explicit WugoClicks(MainLoop& loop);
    WugoClicks(const WugoClicks&) = delete;
    WugoClicks& operator=(const WugoClicks&) = delete;

    // Counts one click and says what the view should show for it.
    ClickOutcome click();

    int clicks() const { return state_->clicks; }
    bool busy() const { return state_->busy; }

    // Called with the click count on every third counted click.
    std::function<void(int clicks)> onShout;

private:
    // Shared with the delayed end of `busy`, which holds it weakly: the step outlives a closed
    // window and must then do nothing.
    struct State {
        int clicks = 0;
        bool busy = false;
    };

    MainLoop& loop_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace brimble
