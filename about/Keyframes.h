#pragma once

#include <span>

namespace brimble {

// One stop of a keyframe track: the value reached at `keyTime`, a fraction of the run in [0, 1].
struct Keyframe {
    double keyTime;
    double value;
};

// The value of a track at `progress` (already eased), interpolated linearly between the two
// surrounding stops. Before the first stop the first value holds, after the last the last value.
// An empty track reads 0.
double sampleKeyframes(std::span<const Keyframe> track, double progress);

} // namespace brimble
