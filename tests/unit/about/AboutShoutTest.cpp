#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "about/AboutShout.h"
#include "about/AboutTexts.h"
#include "platform/fake/FakePlatform.h"
#include "ShoutRecorder.h"

namespace brimble {
namespace {

using Lines = std::vector<std::string>;

std::string fact(size_t index)
{
    return "fact " + std::string(funFacts[index]);
}

class AboutShoutTest : public ::testing::Test {
protected:
    FakeClock clock;
    FakeMainLoop loop{clock};
    test::ShoutRecorder stage{clock};
    std::unique_ptr<AboutShout> shout = std::make_unique<AboutShout>(loop, stage);

    // The facts shown so far, in order.
    Lines facts() const
    {
        Lines out;
        for (const std::string& line : stage.lines)
            if (const size_t at = line.find("fact Fun fact: "); at != std::string::npos)
                out.push_back(line.substr(at));
        return out;
    }
};

TEST_F(AboutShoutTest, OneShoutPopsTheWordsFadesThemAndShowsTheFirstFact)
{
    shout->shout();
    EXPECT_TRUE(shout->shouting());
    loop.advance(2.64);
    EXPECT_TRUE(shout->shouting());
    loop.advance(10.0);
    EXPECT_FALSE(shout->shouting());
    EXPECT_EQ(shout->factIndex(), 1);
    EXPECT_EQ(stage.lines, (Lines{
                               "0.16 pop 0",
                               "0.50 pop 1",
                               "0.84 pop 2",
                               "1.18 pop 3",
                               "2.10 fade words 0.55",
                               "2.65 " + fact(0),
                               "2.65 fade fact to 1 over 0.4",
                               "6.25 fade fact to 0 over 0.55",
                           }));
}

TEST_F(AboutShoutTest, AShoutDuringAShoutIsNeitherRestartedNorQueued)
{
    shout->shout();
    loop.advance(1.0);
    shout->shout();
    loop.advance(1.6);
    shout->shout();
    loop.advance(10.0);
    EXPECT_EQ(stage.lines.size(), 8u);
    EXPECT_EQ(facts(), Lines{fact(0)});
    EXPECT_EQ(shout->factIndex(), 1);
}

TEST_F(AboutShoutTest, TheFifthShoutShowsTheFirstFactAgain)
{
    for (int i = 0; i < 5; ++i) {
        shout->shout();
        loop.advance(8.0);
    }
    EXPECT_EQ(facts(), (Lines{fact(0), fact(1), fact(2), fact(3), fact(0)}));
    EXPECT_EQ(shout->factIndex(), 5);
}

// The earlier fact's fade-out is never cancelled, so it hides a newer fact before its own time.
TEST_F(AboutShoutTest, AShoutRightAfterTheLastOneKeepsTheEarlierFadeOut)
{
    shout->shout();
    loop.advance(2.65);
    EXPECT_FALSE(shout->shouting());
    shout->shout();
    loop.advance(10.0);
    EXPECT_EQ(facts(), (Lines{fact(0), fact(1)}));
    Lines factEvents;
    for (const std::string& line : stage.lines)
        if (line.find("fade fact") != std::string::npos)
            factEvents.push_back(line);
    EXPECT_EQ(factEvents, (Lines{
                              "2.65 fade fact to 1 over 0.4",
                              "5.30 fade fact to 1 over 0.4",
                              "6.25 fade fact to 0 over 0.55",
                              "8.90 fade fact to 0 over 0.55",
                          }));
}

// Closing mid-shout: everything hides at once and the steps still pending find the window gone.
TEST_F(AboutShoutTest, DismissDuringAShoutHidesEverythingAndLeavesPendingStepsHarmless)
{
    shout->shout();
    loop.advance(0.6);
    shout->dismiss();
    EXPECT_EQ(stage.lines, (Lines{"0.16 pop 0", "0.50 pop 1", "0.60 hide all"}));
    EXPECT_GT(loop.pending(), 0u);

    shout.reset();
    loop.advance(10.0);
    EXPECT_EQ(loop.pending(), 0u);
    EXPECT_EQ(stage.lines.size(), 3u);
}

TEST_F(AboutShoutTest, DismissWhileTheFactIsShowingHidesItAndItsFadeOutNeverComes)
{
    shout->shout();
    loop.advance(4.0);
    shout->dismiss();
    shout.reset();
    loop.advance(10.0);
    EXPECT_EQ(stage.lines.back(), "4.00 hide all");
}

TEST_F(AboutShoutTest, ANewAboutWindowStartsAgainAtTheFirstFact)
{
    shout->shout();
    loop.advance(8.0);
    shout->shout();
    loop.advance(8.0);
    shout->dismiss();
    shout = std::make_unique<AboutShout>(loop, stage);
    EXPECT_EQ(shout->factIndex(), 0);
    stage.lines.clear();

    shout->shout();
    loop.advance(8.0);
    EXPECT_EQ(facts(), Lines{fact(0)});
}

} // namespace
} // namespace brimble
