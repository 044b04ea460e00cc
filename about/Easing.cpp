#include "about/Easing.h"

#include <algorithm>
#include <cmath>

namespace brimble {

namespace {

// One coordinate of a cubic Bézier from 0 to 1 with inner control values c1 and c2.
double bezier(double t, double c1, double c2)
{
    const double u = 1.0 - t;
    return 3.0 * u * u * t * c1 + 3.0 * u * t * t * c2 + t * t * t;
}

double bezierSlope(double t, double c1, double c2)
{
    const double u = 1.0 - t;
    return 3.0 * u * u * c1 + 6.0 * u * t * (c2 - c1) + 3.0 * t * t * (1.0 - c2);
}

// Finds the curve parameter whose x equals `x`: Newton steps first, bisection when they stall,
// because the slope of an ease curve can approach zero near its ends.
double solveCurveX(double x, double x1, double x2)
{
    double t = x;
    for (int i = 0; i < 8; ++i) {
        const double error = bezier(t, x1, x2) - x;
        if (std::fabs(error) < 1e-7) {
            return t;
        }
        const double slope = bezierSlope(t, x1, x2);
        if (std::fabs(slope) < 1e-6) {
            break;
        }
        t -= error / slope;
    }
    double low = 0.0;
    double high = 1.0;
    t = x;
    for (int i = 0; i < 60; ++i) {
        const double value = bezier(t, x1, x2);
        if (std::fabs(value - x) < 1e-7) {
            break;
        }
        (value < x ? low : high) = t;
        t = (low + high) / 2.0;
    }
    return t;
}

} // namespace

double linearProgress(double progress)
{
    return std::clamp(progress, 0.0, 1.0);
}

double easeOut(double progress)
{
    const double x = linearProgress(progress);
    if (x == 0.0 || x == 1.0) {
        return x;
    }
    constexpr double x1 = 0.0, y1 = 0.0, x2 = 0.58, y2 = 1.0;
    return bezier(solveCurveX(x, x1, x2), y1, y2);
}

double progressOf(double elapsed, double duration)
{
    if (duration <= 0.0) {
        return 1.0;
    }
    return linearProgress(elapsed / duration);
}

} // namespace brimble
