#include <gtest/gtest.h>

#include <array>

#include "about/Easing.h"
#include "about/Fade.h"
#include "about/Keyframes.h"
#include "about/MascotMotion.h"

namespace brimble {
namespace {

TEST(EasingTest, EaseOutFollowsTheStandardCurve)
{
    struct Row {
        double progress;
        double eased;
    };
    // Values of the cubic Bézier (0, 0, 0.58, 1), computed independently.
    for (const Row row : {Row{0.0, 0.0}, Row{0.25, 0.378138}, Row{0.5, 0.684643}, Row{0.75, 0.906535},
                          Row{1.0, 1.0}, Row{-0.5, 0.0}, Row{1.5, 1.0}}) {
        EXPECT_NEAR(easeOut(row.progress), row.eased, 1e-5) << "at " << row.progress;
    }
}

TEST(EasingTest, EaseOutNeverRunsBackwards)
{
    double previous = 0.0;
    for (int i = 1; i <= 1000; ++i) {
        const double value = easeOut(i / 1000.0);
        EXPECT_GE(value, previous);
        previous = value;
    }
}

TEST(EasingTest, ProgressOfAZeroLengthRunIsComplete)
{
    EXPECT_DOUBLE_EQ(progressOf(0.0, 0.0), 1.0);
    EXPECT_DOUBLE_EQ(progressOf(0.21, 0.42), 0.5);
    EXPECT_DOUBLE_EQ(progressOf(-1.0, 0.42), 0.0);
}

TEST(KeyframesTest, SamplesAtAndBetweenTheKeyTimes)
{
    constexpr std::array<Keyframe, 4> track{{{0.0, 0.0}, {0.22, 9.0}, {0.55, -2.0}, {1.0, 0.0}}};
    struct Row {
        double progress;
        double value;
    };
    for (const Row row : {Row{0.0, 0.0}, Row{0.11, 4.5}, Row{0.22, 9.0}, Row{0.385, 3.5}, Row{0.55, -2.0},
                          Row{0.775, -1.0}, Row{1.0, 0.0}, Row{-0.1, 0.0}, Row{1.1, 0.0}}) {
        EXPECT_NEAR(sampleKeyframes(track, row.progress), row.value, 1e-9) << "at " << row.progress;
    }
}

// Two stops at the same key time must not divide by zero.
TEST(KeyframesTest, AJumpBetweenStopsAtTheSameTimeTakesTheLaterValue)
{
    constexpr std::array<Keyframe, 3> track{{{0.0, 0.0}, {0.5, 1.0}, {0.5, 5.0}}};
    EXPECT_DOUBLE_EQ(sampleKeyframes(track, 0.5), 1.0);
    EXPECT_DOUBLE_EQ(sampleKeyframes(track, 0.75), 5.0);
    EXPECT_DOUBLE_EQ(sampleKeyframes(std::span<const Keyframe>{}, 0.5), 0.0);
}

TEST(MascotMotionTest, RecoilSwingsRightThenLeftAndSettlesWithinItsRun)
{
    double most = 0.0;
    double least = 0.0;
    double mostAt = 0.0;
    for (int i = 0; i <= 4200; ++i) {
        const double t = i / 10000.0;
        const double offset = recoilOffset(t);
        if (offset > most) {
            most = offset;
            mostAt = t;
        }
        least = std::min(least, offset);
    }
    EXPECT_NEAR(most, 9.0, 0.05);
    EXPECT_NEAR(least, -2.0, 0.05);
    // Eased out, the shove peaks well before 22 % of the run's time.
    EXPECT_LT(mostAt, 0.22 * recoilDuration);
    EXPECT_DOUBLE_EQ(recoilOffset(0.0), 0.0);
    EXPECT_DOUBLE_EQ(recoilOffset(recoilDuration), 0.0);
    EXPECT_DOUBLE_EQ(recoilOffset(-0.1), 0.0);
}

TEST(MascotMotionTest, PopStartsSmallOvershootsAndReturnsToThePlainPose)
{
    const PopPose first = popPose(0.0);
    EXPECT_DOUBLE_EQ(first.scale, 0.4);
    EXPECT_DOUBLE_EQ(first.angle, 0.0);
    double largest = 0.0;
    double mostClockwise = 0.0;
    double mostCounter = 0.0;
    for (int i = 0; i < 340; ++i) {
        const PopPose pose = popPose(i / 1000.0);
        largest = std::max(largest, pose.scale);
        mostClockwise = std::min(mostClockwise, pose.angle);
        mostCounter = std::max(mostCounter, pose.angle);
    }
    EXPECT_NEAR(largest, 1.25, 0.01);
    EXPECT_NEAR(mostClockwise, -0.07, 0.001);
    EXPECT_NEAR(mostCounter, 0.05, 0.001);
    const PopPose after = popPose(popDuration);
    EXPECT_DOUBLE_EQ(after.scale, 1.0);
    EXPECT_DOUBLE_EQ(after.angle, 0.0);
}

TEST(FadeTest, MovesLinearlyAndHoldsItsTarget)
{
    const Fade fade{1.0, 0.0, 10.0, 0.5};
    EXPECT_DOUBLE_EQ(fade.valueAt(9.0), 1.0);
    EXPECT_DOUBLE_EQ(fade.valueAt(10.25), 0.5);
    EXPECT_DOUBLE_EQ(fade.valueAt(11.0), 0.0);
    EXPECT_FALSE(fade.finishedAt(10.4));
    EXPECT_TRUE(fade.finishedAt(10.5));
}

// A fade-out that interrupts a fade-in must start from the opacity on screen, not jump.
TEST(FadeTest, AnInterruptingFadeStartsWhereTheOldOneStood)
{
    const Fade in{0.0, 1.0, 0.0, 0.4};
    const Fade out = in.toward(0.0, 0.1, 0.55);
    EXPECT_DOUBLE_EQ(out.valueAt(0.1), 0.25);
    EXPECT_DOUBLE_EQ(out.valueAt(0.65), 0.0);
    EXPECT_DOUBLE_EQ(Fade::steady(0.3).valueAt(100.0), 0.3);
}

} // namespace
} // namespace brimble
