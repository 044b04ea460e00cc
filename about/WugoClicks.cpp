#include "about/WugoClicks.h"

namespace brimble {

WugoClicks::WugoClicks(MainLoop& loop) : loop_(loop) {}

ClickOutcome WugoClicks::click()
{
    if (state_->busy) {
        return ClickOutcome::Ignored;
    }
    state_->clicks += 1;
    if (state_->clicks % clicksPerShout != 0) {
        return ClickOutcome::Counted;
    }
    state_->busy = true;
    loop_.runLater(busySeconds, [weak = std::weak_ptr<State>(state_)] {
        if (auto state = weak.lock()) {
            state->busy = false;
        }
    });
    // Last, because the owner's shout may end up closing the window that holds this mascot.
    if (onShout) {
        onShout(state_->clicks);
    }
    return ClickOutcome::Shouted;
}

} // namespace brimble
