// The controller keeps the clipboard when the program that copied quits.

#include <gtest/gtest.h>

#include "settings/Settings.h"
#include "support/HubFixture.h"

namespace brimble {
namespace {

using test::HubFixture;

struct KeepAliveFixture : HubFixture {
    KeepAliveFixture() { launch(); }
    void copy(const std::string& text)
    {
        fake.clock.time += 1;
        fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, text);
        fake.pasteboard.fireWatch();
    }
    // The owner quits, the change is noticed, and the take-over falls due.
    void ownerQuits()
    {
        fake.pasteboard.simulateOwnerQuit();
        fake.pasteboard.fireWatch();
        fake.loop.advance(0.3);
    }
    std::filesystem::path historyFile() const { return dataDir() / "clipboard.json"; }
};

TEST(HubKeepAlive, NewestEntryTakesOverTheClipboardAndIsNotRecordedAgain)
{
    KeepAliveFixture f;
    f.copy("first");
    f.copy("second");
    const std::vector<Clip> before = f.hub->clip.items;
    const std::string saved = test::readFile(f.historyFile());
    const size_t pushes = f.fake.host.scripts.size();
    f.fake.log_.clear();

    f.ownerQuits();
    EXPECT_EQ(f.fake.log(), (std::vector<std::string>{"pasteboard: clear", "pasteboard: text second"}));
    EXPECT_FALSE(f.fake.pasteboard.isOwnerless());

    // The tick after Brimble's own write, and any later one, finds nothing new.
    f.fake.pasteboard.fireWatch();
    f.fake.pasteboard.fireWatch();
    EXPECT_EQ(f.fake.log().size(), 2u);
    EXPECT_EQ(f.hub->clip.items, before) << "order and times unchanged";
    EXPECT_EQ(test::readFile(f.historyFile()), saved);
    EXPECT_EQ(f.fake.host.scripts.size(), pushes) << "nothing changed for the page";

    // A real copy afterwards is recorded as usual.
    f.copy("third");
    EXPECT_EQ(f.hub->clip.items.front().text, "third");
}

// A program that copies just after another quit must keep its copy: the take-over waits, then
// looks again.
TEST(HubKeepAlive, CopyMadeWhileTheTakeOverWaitsIsLeftInPlace)
{
    KeepAliveFixture f;
    f.copy("older entry");
    f.fake.pasteboard.simulateOwnerQuit();
    f.fake.pasteboard.fireWatch();
    f.fake.loop.advance(0.1);
    EXPECT_TRUE(f.fake.log_.matching("pasteboard: text").empty()) << "nothing taken at once";
    f.fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, std::string("fresh copy"));
    f.fake.loop.advance(0.5);
    EXPECT_TRUE(f.fake.log_.matching("pasteboard: text").empty());
    f.fake.pasteboard.fireWatch();
    EXPECT_EQ(f.hub->clip.items.front().text, "fresh copy");
    EXPECT_EQ(f.fake.pasteboard.currentText, "fresh copy");
}

// Choosing an entry in the window puts it on the clipboard; that, not the last copy recorded,
// is what goes back when the clipboard empties.
TEST(HubKeepAlive, EntryChosenInTheWindowIsTheOneKept)
{
    KeepAliveFixture f;
    f.copy("chosen later");
    f.copy("copied last");
    f.fake.clock.time += 1;
    f.hub->copyToPasteboard(f.hub->clip.items.back().id);
    f.fake.log_.clear();

    f.ownerQuits();
    EXPECT_EQ(f.fake.log(), (std::vector<std::string>{"pasteboard: clear", "pasteboard: text chosen later"}));
}

TEST(HubKeepAlive, PausedLeavesTheClipboardEmpty)
{
    KeepAliveFixture f;
    f.copy("recorded before the pause");
    f.hub->performMenuAction(MenuAction::TogglePause);
    f.fake.log_.clear();
    f.ownerQuits();
    EXPECT_TRUE(f.fake.log_.matching("pasteboard:").empty());
    EXPECT_TRUE(f.fake.pasteboard.isOwnerless());
}

TEST(HubKeepAlive, EmptyHistoryLeavesTheClipboardEmpty)
{
    KeepAliveFixture f;
    f.fake.log_.clear();
    f.ownerQuits();
    EXPECT_TRUE(f.fake.log().empty());
}

// An empty clipboard found at launch was not emptied under the user's eyes; taking it over then
// would put an old entry where the user expects nothing.
TEST(HubKeepAlive, ClipboardAlreadyEmptyAtLaunchIsLeftAlone)
{
    HubFixture f;
    test::writeFile(f.dataDir() / "clipboard.json",
                    R"([{"id":"0B8C5B1E-3F7A-4C1D-9E2B-6A4D8F0C1E2A","ts":1.5,"text":"old","pinned":false,)"
                    R"("kind":"text"}])");
    f.fake.pasteboard.simulateOwnerQuit();
    f.launch();
    f.fake.log_.clear();
    f.fake.pasteboard.fireWatch();
    f.fake.loop.advance(1.0);
    EXPECT_TRUE(f.fake.log().empty());
}

} // namespace
} // namespace brimble
