#include "about/Fade.h"

#include "about/Easing.h"

namespace brimble {

double Fade::valueAt(double now) const
{
    return from + (to - from) * progressOf(now - start, duration);
}

Fade Fade::toward(double target, double now, double seconds) const
{
    return {valueAt(now), target, now, seconds};
}

} // namespace brimble
