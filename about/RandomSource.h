#pragma once

#include <cstdint>
#include <random>

namespace brimble {

// Uniform random numbers for the ink burst. Seeded from the system by default; a fixed seed
// makes a burst repeatable.
class RandomSource {
public:
    RandomSource();
    explicit RandomSource(uint64_t seed);

    // A value drawn uniformly from the closed interval [low, high].
    double uniform(double low, double high);

private:
    std::mt19937_64 engine_;
};

} // namespace brimble
