#pragma once

#include <memory>

#include "about/ShoutStage.h"
#include "platform/MainLoop.h"

namespace brimble {

// The About window's shout: the words pop one after another, fade after 2.1 s, and the next fun
// fact fades in, stays 3.2 s and fades out. Scheduled steps are never cancelled; they hold the
// shout weakly and do nothing once the window that owns it has gone.
class AboutShout {
public:
    static constexpr double firstPopDelay = 0.16;
    static constexpr double popInterval = 0.34;
    static constexpr double wordsFadeDelay = 2.1;
    static constexpr double wordsFadeSeconds = 0.55;
    static constexpr double factFadeInSeconds = 0.4;
    static constexpr double factHoldSeconds = 3.2;
    static constexpr double factFadeOutSeconds = 0.55;

    AboutShout(MainLoop& loop, ShoutStage& stage);
    AboutShout(const AboutShout&) = delete;
    AboutShout& operator=(const AboutShout&) = delete;

    // Starts a shout, unless one is already running (it is neither restarted nor queued).
    void shout();
    // Hides the words and the fact at once; the window is closing.
    void dismiss();

    // True from the start of a shout until its words have faded out.
    bool shouting() const { return state_->shouting; }
    // How many fun facts this window has shown.
    int factIndex() const { return state_->factIndex; }

private:
    struct State {
        MainLoop& loop;
        ShoutStage& stage;
        bool shouting = false;
        int factIndex = 0;
    };
    static void wordsFaded(const std::weak_ptr<State>& weak);

    std::shared_ptr<State> state_;
};

} // namespace brimble
