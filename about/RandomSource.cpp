#include "about/RandomSource.h"

#include <cmath>
#include <limits>

namespace brimble {

RandomSource::RandomSource() : engine_(std::random_device{}()) {}

RandomSource::RandomSource(uint64_t seed) : engine_(seed) {}

double RandomSource::uniform(double low, double high)
{
    // The standard distribution leaves out its upper end; stretching it by one step takes it in.
    std::uniform_real_distribution<double> distribution(
        low, std::nextafter(high, std::numeric_limits<double>::max()));
    return std::fmin(distribution(engine_), high);
}

} // namespace brimble
