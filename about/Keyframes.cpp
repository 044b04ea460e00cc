#include "about/Keyframes.h"

namespace brimble {

double sampleKeyframes(std::span<const Keyframe> track, double progress)
{
    if (track.empty()) {
        return 0.0;
    }
    if (progress <= track.front().keyTime) {
        return track.front().value;
    }
    for (size_t i = 1; i < track.size(); ++i) {
        const Keyframe& before = track[i - 1];
        const Keyframe& after = track[i];
        if (progress <= after.keyTime) {
            const double span = after.keyTime - before.keyTime;
            if (span <= 0.0) {
                return after.value;
            }
            const double fraction = (progress - before.keyTime) / span;
            return before.value + (after.value - before.value) * fraction;
        }
    }
    return track.back().value;
}

} // namespace brimble
