#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "about/InkBurst.h"

namespace brimble {
namespace {

bool inside(double value, InkRange range)
{
    return value >= range.low && value <= range.high;
}

// Recovers the angle and distance a droplet was thrown with from its end point.
struct Throw {
    double angle;
    double distance;
};

Throw throwOf(const InkDrop& drop)
{
    const double dx = (drop.end.x - drop.start.x) / 0.9;
    const double dy = -(drop.end.y - drop.start.y); // back to y upwards
    double angle = std::atan2(dy, dx);
    if (angle < 0)
        angle += 2 * std::numbers::pi;
    return {angle, std::hypot(dx, dy)};
}

TEST(InkBurstTest, OriginIsTheMascotsCentreThreeTenthsUpFromItsLowerEdge)
{
    const InkPoint origin = inkOrigin(10, 20, 100, 50);
    EXPECT_DOUBLE_EQ(origin.x, 60);
    EXPECT_DOUBLE_EQ(origin.y, 55);
}

TEST(InkBurstTest, MainBlobFallsShortAndSlightlyLeft)
{
    RandomSource random(1);
    const InkBurst burst = makeInkBurst({100, 100}, random);
    EXPECT_DOUBLE_EQ(burst.blob.radius, 13);
    EXPECT_DOUBLE_EQ(burst.blob.end.x, 96);
    EXPECT_DOUBLE_EQ(burst.blob.end.y, 122);
    EXPECT_DOUBLE_EQ(burst.blob.delay, 0);
    EXPECT_DOUBLE_EQ(burst.blob.duration, 0.85);
    EXPECT_DOUBLE_EQ(burst.blob.endScale, 2.8);
}

TEST(InkBurstTest, EveryDropletParameterStaysInsideItsInterval)
{
    for (uint64_t seed = 0; seed < 200; ++seed) {
        RandomSource random(seed);
        const InkBurst burst = makeInkBurst({200, 150}, random);
        ASSERT_EQ(burst.droplets.size(), 18u);
        for (const InkDrop& drop : burst.droplets) {
            const Throw thrown = throwOf(drop);
            EXPECT_TRUE(inside(thrown.angle, {InkBurst::angle.low - 1e-9, InkBurst::angle.high + 1e-9}))
                << "seed " << seed << " angle " << thrown.angle;
            EXPECT_TRUE(inside(thrown.distance, {InkBurst::distance.low - 1e-9, InkBurst::distance.high + 1e-9}))
                << "seed " << seed << " distance " << thrown.distance;
            EXPECT_TRUE(inside(drop.radius, InkBurst::radius)) << "seed " << seed;
            EXPECT_TRUE(inside(drop.delay, InkBurst::delay)) << "seed " << seed;
            EXPECT_TRUE(inside(drop.duration, InkBurst::duration)) << "seed " << seed;
            EXPECT_TRUE(inside(drop.endScale, InkBurst::endScale)) << "seed " << seed;
        }
    }
}

TEST(InkBurstTest, DropletsSprayDownwardsAndMostlyLeft)
{
    int left = 0;
    int total = 0;
    for (uint64_t seed = 0; seed < 100; ++seed) {
        RandomSource random(seed);
        const InkBurst burst = makeInkBurst({0, 0}, random);
        for (const InkDrop& drop : burst.droplets) {
            EXPECT_GT(drop.end.y, drop.start.y) << "screen y grows downwards";
            left += drop.end.x < drop.start.x ? 1 : 0;
            ++total;
        }
    }
    // About four in five angles of the interval point left of straight down.
    EXPECT_GT(left, total * 7 / 10);
    EXPECT_LT(left, total);
}

TEST(InkBurstTest, TheSameSeedGivesTheSameBurst)
{
    RandomSource first(42);
    RandomSource second(42);
    const InkBurst a = makeInkBurst({5, 5}, first);
    const InkBurst b = makeInkBurst({5, 5}, second);
    for (size_t i = 0; i < a.droplets.size(); ++i) {
        EXPECT_DOUBLE_EQ(a.droplets[i].end.x, b.droplets[i].end.x);
        EXPECT_DOUBLE_EQ(a.droplets[i].duration, b.droplets[i].duration);
    }
}

// A degenerate interval must not trip the distribution or leave its single value.
TEST(InkBurstTest, RandomSourceAnswersTheOnlyValueOfAOnePointInterval)
{
    RandomSource random(7);
    EXPECT_DOUBLE_EQ(random.uniform(2.5, 2.5), 2.5);
}

TEST(InkBurstTest, ADropIsInvisibleBeforeItsDelayAndAfterItsRun)
{
    const InkDrop drop{4.0, {0, 0}, {-50, 80}, 0.1, 0.6, 1.5};
    EXPECT_DOUBLE_EQ(sampleInkDrop(drop, 0.05).opacity, 0.0);
    EXPECT_DOUBLE_EQ(sampleInkDrop(drop, 0.1).opacity, 0.0);
    EXPECT_GT(sampleInkDrop(drop, 0.2).opacity, 0.5);
    const InkDropFrame last = sampleInkDrop(drop, 0.7);
    EXPECT_DOUBLE_EQ(last.opacity, 0.0);
    EXPECT_DOUBLE_EQ(last.centre.x, -50);
    EXPECT_DOUBLE_EQ(last.radius, 6.0);
}

TEST(InkBurstTest, ADropGrowsFromAFifthOfItsSizeAlongItsPath)
{
    const InkDrop drop{10.0, {0, 0}, {100, 100}, 0.0, 1.0, 2.0};
    const InkDropFrame start = sampleInkDrop(drop, 0.0);
    EXPECT_DOUBLE_EQ(start.radius, 2.0);
    const InkDropFrame middle = sampleInkDrop(drop, 0.5);
    EXPECT_GT(middle.centre.x, 50) << "eased out: past halfway at half time";
    EXPECT_GT(middle.radius, 2.0);
    EXPECT_LT(middle.radius, 20.0);
}

// The overlay goes 1.2 s after the click; nothing may still be visible then, or it would vanish
// abruptly instead of fading.
TEST(InkBurstTest, EveryDropHasFadedOutWhenTheOverlayIsRemoved)
{
    for (uint64_t seed = 0; seed < 50; ++seed) {
        RandomSource random(seed);
        const InkBurst burst = makeInkBurst({0, 0}, random);
        EXPECT_DOUBLE_EQ(sampleInkDrop(burst.blob, InkBurst::overlaySeconds).opacity, 0.0);
        for (const InkDrop& drop : burst.droplets)
            EXPECT_DOUBLE_EQ(sampleInkDrop(drop, InkBurst::overlaySeconds - 0.15).opacity, 0.0);
    }
}

} // namespace
} // namespace brimble
