#pragma once

namespace brimble {

// Progress curves for the mascot's animations. Each maps a linear progress in [0, 1] (clamped) to
// the eased progress in [0, 1].

// Ease-out: the cubic Bézier with control points (0, 0) and (0.58, 1), as desktop animation
// frameworks define it, so motion starts fast and settles gently.
double easeOut(double progress);

// Linear pacing, clamped to [0, 1]; used for plain fades.
double linearProgress(double progress);

// The progress of an animation `elapsed` seconds into a run of `duration` seconds, clamped to [0, 1].
// A zero or negative duration counts as already finished.
double progressOf(double elapsed, double duration);

} // namespace brimble
