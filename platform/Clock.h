#pragma once

namespace brimble {

// Wall-clock time.
class Clock {
public:
    Clock() = default;
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;
    virtual ~Clock() = default;

    // Seconds since 1970-01-01 00:00 UTC, with fraction.
    virtual double now() = 0;
};

} // namespace brimble
