#pragma once

namespace brimble {

// The mascot's recoil after a click: a sideways shove through 0, 9, −2 and 0 points at key times
// 0, 0.22, 0.55 and 1 of a 0.42 s run, eased out.
inline constexpr double recoilDuration = 0.42;

// The horizontal offset in points (positive to the right) `elapsed` seconds after the click;
// 0 before and after the run.
double recoilOffset(double elapsed);

// A shout word's pop: scale and tilt through four poses at key times 0, 0.45, 0.75 and 1 of a
// 0.34 s run, eased out, about the word's centre. Nothing is kept after the run.
inline constexpr double popDuration = 0.34;

struct PopPose {
    double scale = 1.0;
    double angle = 0.0; // radians, positive turns counter-clockwise on screen
};

// The pose `elapsed` seconds after the pop began; the plain pose (scale 1, angle 0) before and after.
PopPose popPose(double elapsed);

} // namespace brimble
