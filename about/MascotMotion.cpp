#include "about/MascotMotion.h"

#include <array>

#include "about/Easing.h"
#include "about/Keyframes.h"

namespace brimble {

namespace {

constexpr std::array<Keyframe, 4> recoilTrack{{{0.0, 0.0}, {0.22, 9.0}, {0.55, -2.0}, {1.0, 0.0}}};
constexpr std::array<Keyframe, 4> popScaleTrack{{{0.0, 0.4}, {0.45, 1.25}, {0.75, 0.95}, {1.0, 1.0}}};
constexpr std::array<Keyframe, 4> popAngleTrack{{{0.0, 0.0}, {0.45, -0.07}, {0.75, 0.05}, {1.0, 0.0}}};

} // namespace

double recoilOffset(double elapsed)
{
    if (elapsed < 0.0 || elapsed >= recoilDuration) {
        return 0.0;
    }
    return sampleKeyframes(recoilTrack, easeOut(progressOf(elapsed, recoilDuration)));
}

PopPose popPose(double elapsed)
{
    if (elapsed < 0.0 || elapsed >= popDuration) {
        return {};
    }
    const double progress = easeOut(progressOf(elapsed, popDuration));
    return {sampleKeyframes(popScaleTrack, progress), sampleKeyframes(popAngleTrack, progress)};
}

} // namespace brimble
