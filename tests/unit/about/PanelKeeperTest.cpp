#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "about/PanelKeeper.h"
#include "platform/fake/FakePlatform.h"

namespace brimble {
namespace {

// Windows that write down what happens to them: "about 1: made", "about 1: present", ….
struct WindowLog {
    std::vector<std::string> lines;
    std::vector<std::function<void()>> aboutCloses; // each About window's close, by number
};

class LoggedWindow final : public PanelWindow {
public:
    LoggedWindow(WindowLog& log, std::string name) : log_(log), name_(std::move(name))
    {
        log_.lines.push_back(name_ + ": made");
    }
    ~LoggedWindow() override { log_.lines.push_back(name_ + ": released"); }
    void present() override { log_.lines.push_back(name_ + ": present"); }

private:
    WindowLog& log_;
    std::string name_;
};

class LoggedFactory final : public PanelFactory {
public:
    explicit LoggedFactory(WindowLog& log) : log_(log) {}

    std::unique_ptr<PanelWindow> makeAbout(std::function<void()> onDismissed) override
    {
        log_.aboutCloses.push_back(std::move(onDismissed));
        return std::make_unique<LoggedWindow>(log_, "about " + std::to_string(log_.aboutCloses.size()));
    }
    std::unique_ptr<PanelWindow> makeHelp() override
    {
        return std::make_unique<LoggedWindow>(log_, "help " + std::to_string(++helps_));
    }

private:
    WindowLog& log_;
    int helps_ = 0;
};

class PanelKeeperTest : public ::testing::Test {
protected:
    FakeClock clock;
    FakeMainLoop loop{clock};
    WindowLog log;
    std::unique_ptr<PanelKeeper> keeper =
        std::make_unique<PanelKeeper>(loop, std::make_unique<LoggedFactory>(log));

    using Lines = std::vector<std::string>;
};

TEST_F(PanelKeeperTest, HelpIsMadeOnceAndPresentedAgainOnEveryRequest)
{
    keeper->showHelp();
    keeper->showHelp();
    keeper->showHelp();
    EXPECT_EQ(log.lines, (Lines{"help 1: made", "help 1: present", "help 1: present", "help 1: present"}));
    EXPECT_TRUE(keeper->hasHelp());
}

TEST_F(PanelKeeperTest, AnOpenAboutIsReusedAndPresentedAgain)
{
    keeper->showAbout();
    keeper->showAbout();
    EXPECT_EQ(log.lines, (Lines{"about 1: made", "about 1: present", "about 1: present"}));
}

TEST_F(PanelKeeperTest, AClosedAboutIsReleasedAndTheNextRequestMakesANewOne)
{
    keeper->showAbout();
    log.aboutCloses[0]();
    EXPECT_FALSE(keeper->hasAbout());
    loop.advance(0.0);
    keeper->showAbout();
    EXPECT_EQ(log.lines, (Lines{"about 1: made", "about 1: present", "about 1: released",
                                "about 2: made", "about 2: present"}));
}

// The window closes from inside its own button handler; freeing it there would pull the handler's
// object out from under it.
TEST_F(PanelKeeperTest, AClosedAboutIsReleasedOnlyOnTheNextTurnOfTheLoop)
{
    keeper->showAbout();
    log.aboutCloses[0]();
    EXPECT_EQ(log.lines.back(), "about 1: present");
    loop.advance(0.0);
    EXPECT_EQ(log.lines.back(), "about 1: released");
}

// A late close report from an old About window must not drop the newer one.
TEST_F(PanelKeeperTest, ACloseFromAnOlderAboutLeavesTheCurrentOneAlone)
{
    keeper->showAbout();
    log.aboutCloses[0]();
    keeper->showAbout();
    log.aboutCloses[0]();
    EXPECT_TRUE(keeper->hasAbout());
    loop.advance(1.0);
    keeper->showAbout();
    EXPECT_EQ(log.lines.back(), "about 2: present");
}

TEST_F(PanelKeeperTest, ACloseReportAfterTheKeeperIsGoneDoesNothing)
{
    keeper->showAbout();
    auto close = log.aboutCloses[0];
    keeper.reset();
    close();
    loop.advance(1.0);
    EXPECT_EQ(log.lines, (Lines{"about 1: made", "about 1: present", "about 1: released"}));
}

TEST_F(PanelKeeperTest, AboutAndHelpLiveSideBySide)
{
    keeper->showAbout();
    keeper->showHelp();
    log.aboutCloses[0]();
    loop.advance(0.0);
    EXPECT_TRUE(keeper->hasHelp());
    EXPECT_FALSE(keeper->hasAbout());
}

} // namespace
} // namespace brimble
