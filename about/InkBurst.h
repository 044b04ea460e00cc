#pragma once

#include <array>
#include <numbers>
#include <vector>

#include "about/RandomSource.h"

namespace brimble {

// A point in a window's content area, in points, with y growing downwards.
struct InkPoint {
    double x = 0.0;
    double y = 0.0;
};

// A closed interval that a droplet's value is drawn from.
struct InkRange {
    double low;
    double high;
};

// One disc of ink flying from `start` to `end`: it appears after `delay`, grows from 0.2 of its
// radius to `endScale`, and fades in and out along the way over `duration`, eased out.
struct InkDrop {
    double radius = 0.0;
    InkPoint start;
    InkPoint end;
    double delay = 0.0;
    double duration = 0.0;
    double endScale = 1.0;
};

// How a drop looks at one moment.
struct InkDropFrame {
    InkPoint centre;
    double radius = 0.0; // already scaled
    double opacity = 0.0;
};

// The squirt of ink after a click on the mascot: one main blob and eighteen droplets that spray
// downwards and mostly to the left, drawn on an overlay that is removed 1.2 s after the click.
struct InkBurst {
    static constexpr double overlaySeconds = 1.2;
    static constexpr int dropletCount = 18;
    // The ink colour, opaque RGB.
    static constexpr std::array<double, 3> colour{0.07, 0.03, 0.13};

    // Droplet parameters are drawn from these closed intervals. The angle is in radians, measured
    // counter-clockwise from the right as on paper, so its sine is negative: the drop falls.
    static constexpr InkRange angle{1.05 * std::numbers::pi, 1.62 * std::numbers::pi};
    static constexpr InkRange distance{30.0, 115.0};
    static constexpr InkRange radius{2.5, 7.0};
    static constexpr InkRange delay{0.0, 0.1};
    static constexpr InkRange duration{0.55, 0.9};
    static constexpr InkRange endScale{0.7, 1.6};

    InkDrop blob;
    std::vector<InkDrop> droplets;
};

// The origin of a burst for a mascot occupying the rectangle (x, y, width, height), y downwards:
// its horizontal centre, 0.3 of its height above its lower edge.
InkPoint inkOrigin(double x, double y, double width, double height);

// A new burst from `origin`, its droplets drawn from `random`.
InkBurst makeInkBurst(InkPoint origin, RandomSource& random);

// How `drop` looks `elapsed` seconds after its burst began. Before its delay and after its run it
// is fully transparent.
InkDropFrame sampleInkDrop(const InkDrop& drop, double elapsed);

} // namespace brimble
