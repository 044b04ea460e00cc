#pragma once

#include <functional>

namespace brimble {

// Deferred work on the single main loop.
class MainLoop {
public:
    MainLoop() = default;
    MainLoop(const MainLoop&) = delete;
    MainLoop& operator=(const MainLoop&) = delete;
    virtual ~MainLoop() = default;

    // Runs `work` once on the main loop after `seconds`; scheduled work is never cancelled, so
    // callers capture what they need weakly.
    virtual void runLater(double seconds, std::function<void()> work) = 0;
    // Runs `work` once when the loop has nothing more urgent to do.
    virtual void runWhenIdle(std::function<void()> work) { runLater(0, std::move(work)); }
};

} // namespace brimble
