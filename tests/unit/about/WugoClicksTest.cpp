#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "about/WugoClicks.h"
#include "platform/fake/FakePlatform.h"

namespace brimble {
namespace {

class WugoClicksTest : public ::testing::Test {
protected:
    WugoClicksTest()
    {
        clicks.onShout = [this](int count) { shouts.push_back(count); };
    }

    FakeClock clock;
    FakeMainLoop loop{clock};
    WugoClicks clicks{loop};
    std::vector<int> shouts;
};

TEST_F(WugoClicksTest, ThirdClickShoutsAndTheNextThreeWithinTheBusySpellAreIgnored)
{
    EXPECT_EQ(clicks.click(), ClickOutcome::Counted);
    EXPECT_EQ(clicks.click(), ClickOutcome::Counted);
    EXPECT_EQ(clicks.click(), ClickOutcome::Shouted);
    EXPECT_EQ(shouts, std::vector<int>{3});

    for (int i = 0; i < 3; ++i) {
        loop.advance(0.9);
        EXPECT_EQ(clicks.click(), ClickOutcome::Ignored) << "click " << i + 4;
    }
    EXPECT_EQ(clicks.clicks(), 3);
    EXPECT_TRUE(clicks.busy());
    EXPECT_EQ(shouts, std::vector<int>{3});
}

TEST_F(WugoClicksTest, BusyEndsAfterTwoPointNineSecondsAndTheSixthCountedClickShouts)
{
    for (int i = 0; i < 3; ++i)
        clicks.click();
    loop.advance(2.89);
    EXPECT_EQ(clicks.click(), ClickOutcome::Ignored);
    loop.advance(0.02);
    EXPECT_FALSE(clicks.busy());

    EXPECT_EQ(clicks.click(), ClickOutcome::Counted);
    EXPECT_EQ(clicks.click(), ClickOutcome::Counted);
    EXPECT_EQ(clicks.click(), ClickOutcome::Shouted);
    EXPECT_EQ(shouts, (std::vector<int>{3, 6}));
}

TEST_F(WugoClicksTest, ShoutsWithoutAnOwnerStillMakeTheMascotBusy)
{
    clicks.onShout = nullptr;
    for (int i = 0; i < 3; ++i)
        clicks.click();
    EXPECT_TRUE(clicks.busy());
    EXPECT_EQ(clicks.click(), ClickOutcome::Ignored);
}

// A mascot in a window closed during its busy spell: the pending end of the spell must not touch
// the freed mascot.
TEST(WugoClicksLifetime, PendingBusyEndAfterTheMascotIsGoneDoesNothing)
{
    FakeClock clock;
    FakeMainLoop loop{clock};
    auto clicks = std::make_unique<WugoClicks>(loop);
    for (int i = 0; i < 3; ++i)
        clicks->click();
    EXPECT_EQ(loop.pending(), 1u);
    clicks.reset();
    loop.advance(5.0);
    EXPECT_EQ(loop.pending(), 0u);
}

TEST(WugoClicksLifetime, ANewMascotStartsFromZeroClicks)
{
    FakeClock clock;
    FakeMainLoop loop{clock};
    {
        WugoClicks first(loop);
        first.click();
        first.click();
    }
    WugoClicks second(loop);
    EXPECT_EQ(second.clicks(), 0);
    EXPECT_EQ(second.click(), ClickOutcome::Counted);
}

} // namespace
} // namespace brimble
