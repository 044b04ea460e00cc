#pragma once

namespace brimble {

// An opacity moving linearly from `from` to `to` over `duration` seconds from `start` (seconds on
// any steady clock), and held at `to` afterwards.
struct Fade {
    double from = 0.0;
    double to = 0.0;
    double start = 0.0;
    double duration = 0.0;

    // A value that stays put.
    static Fade steady(double value) { return {value, value, 0.0, 0.0}; }

    double valueAt(double now) const;
    bool finishedAt(double now) const { return now >= start + duration; }
    // A fade from wherever this one stands at `now` to `target` over `seconds`, so a fade that
    // interrupts another carries on without a jump.
    Fade toward(double target, double now, double seconds) const;
};

} // namespace brimble
