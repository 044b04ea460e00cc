#include "about/InkBurst.h"

#include <cmath>

#include "about/Easing.h"
#include "about/Keyframes.h"

namespace brimble {

namespace {

constexpr std::array<Keyframe, 4> opacityTrack{{{0.0, 0.0}, {0.14, 0.85}, {0.55, 0.7}, {1.0, 0.0}}};
constexpr double startScale = 0.2;

double draw(RandomSource& random, InkRange range)
{
    return random.uniform(range.low, range.high);
}

} // namespace

InkPoint inkOrigin(double x, double y, double width, double height)
{
    return {x + width / 2.0, y + height - 0.3 * height};
}

InkBurst makeInkBurst(InkPoint origin, RandomSource& random)
{
    InkBurst burst;
    burst.blob = InkDrop{13.0, origin, {origin.x - 4.0, origin.y + 22.0}, 0.0, 0.85, 2.8};
    burst.droplets.reserve(InkBurst::dropletCount);
    for (int i = 0; i < InkBurst::dropletCount; ++i) {
        const double angle = draw(random, InkBurst::angle);
        const double distance = draw(random, InkBurst::distance);
        InkDrop drop;
        drop.radius = draw(random, InkBurst::radius);
        drop.delay = draw(random, InkBurst::delay);
        drop.duration = draw(random, InkBurst::duration);
        drop.endScale = draw(random, InkBurst::endScale);
        drop.start = origin;
        // The spray is squeezed sideways a little; y flips because screen y grows downwards.
        drop.end = {origin.x + 0.9 * distance * std::cos(angle), origin.y - distance * std::sin(angle)};
        burst.droplets.push_back(drop);
    }
    return burst;
}

InkDropFrame sampleInkDrop(const InkDrop& drop, double elapsed)
{
    const double local = elapsed - drop.delay;
    if (local < 0.0 || local >= drop.duration) {
        // Before it starts the disc is not yet shown; afterwards it holds its last frame, which
        // is fully transparent.
        const bool finished = local >= drop.duration;
        return {finished ? drop.end : drop.start, drop.radius * (finished ? drop.endScale : startScale),
                0.0};
    }
    const double progress = easeOut(progressOf(local, drop.duration));
    InkDropFrame frame;
    frame.centre = {drop.start.x + (drop.end.x - drop.start.x) * progress,
                    drop.start.y + (drop.end.y - drop.start.y) * progress};
    frame.radius = drop.radius * (startScale + (drop.endScale - startScale) * progress);
    frame.opacity = sampleKeyframes(opacityTrack, progress);
    return frame;
}

} // namespace brimble
