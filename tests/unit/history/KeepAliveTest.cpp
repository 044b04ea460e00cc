// Taking over the clipboard when the program that copied quits.

#include <gtest/gtest.h>

#include "CaptureFixture.h"
#include "app/Settings.h"
#include "history/KeepAlive.h"

namespace brimble::test {
namespace {

struct KeepAliveFixture : CaptureFixture {
    KeptAlive keepAlive()
    {
        return keepClipboardAlive(store, fake.pasteboard, *fake.codec, fake.defaults, session, clipLastChange);
    }
    // The owner quits and the tick that notices it runs.
    void ownerQuits()
    {
        fake.pasteboard.simulateOwnerQuit();
        tick();
    }
};

TEST(KeepAlive, NewestTextGoesBackUnchangedAndTheNextTickRecordsNothing)
{
    KeepAliveFixture f;
    f.copyAndTick("older");
    f.copyAndTick("newest");
    const std::vector<Clip> before = f.store.items;
    const std::string saved = readFile(f.historyFile());
    f.ownerQuits();
    f.fake.log_.clear();

    EXPECT_EQ(f.keepAlive(), KeptAlive::Yes);

    EXPECT_EQ(f.fake.log(), (std::vector<std::string>{"pasteboard: clear", "pasteboard: text newest"}));
    EXPECT_EQ(f.clipLastChange, f.fake.pasteboard.count);
    EXPECT_EQ(f.tick(), PushNeeded::No);
    // Neither moved nor re-timed nor saved again: it is the same copy, still on the clipboard.
    EXPECT_EQ(f.store.items, before);
    EXPECT_EQ(readFile(f.historyFile()), saved);
}

// A pinned entry leads the list whatever its age; taking the first entry would bring back an
// old pinned text instead of what the user copied last.
TEST(KeepAlive, NewestIsTheLastCopyNotThePinnedEntryOnTop)
{
    KeepAliveFixture f;
    f.copyAndTick("pinned long ago");
    f.store.togglePin(f.store.items[0].id);
    f.copyAndTick("copied last");
    ASSERT_EQ(f.texts().front(), "pinned long ago");
    f.ownerQuits();

    EXPECT_EQ(f.keepAlive(), KeptAlive::Yes);
    EXPECT_EQ(f.fake.pasteboard.currentText, "copied last");
}

// Another session's newer copy is not what this session's window shows.
TEST(KeepAlive, TakesTheNewestEntryOfTheCurrentSessionOnly)
{
    KeepAliveFixture f;
    f.copyAndTick("mine");
    f.session = "SESSION-B";
    f.copyAndTick("other session, newer");
    f.session = "SESSION-A";
    f.ownerQuits();

    EXPECT_EQ(f.keepAlive(), KeptAlive::Yes);
    EXPECT_EQ(f.fake.pasteboard.currentText, "mine");
}

TEST(KeepAlive, PictureGoesBackAsAPicture)
{
    KeepAliveFixture f;
    f.copyPicture(pictureBytes(64, 48, "png"));
    f.tick();
    f.ownerQuits();

    EXPECT_EQ(f.keepAlive(), KeptAlive::Yes);
    EXPECT_EQ(f.fake.pasteboard.writtenImage, "64\u00D748");
    EXPECT_EQ(f.tick(), PushNeeded::No);
    EXPECT_EQ(f.store.items.size(), 1u);
}

TEST(KeepAlive, NothingHappensWhilePaused)
{
    KeepAliveFixture f;
    f.copyAndTick("kept in history");
    f.fake.defaults.setBool(Def::clipboardPaused, true);
    f.ownerQuits();
    f.fake.log_.clear();

    EXPECT_EQ(f.keepAlive(), KeptAlive::No);
    EXPECT_TRUE(f.fake.log().empty());
    EXPECT_TRUE(f.fake.pasteboard.ownerless);
}

TEST(KeepAlive, NothingHappensWithAnEmptySession)
{
    KeepAliveFixture f;
    f.ownerQuits();
    EXPECT_EQ(f.keepAlive(), KeptAlive::No);
    EXPECT_TRUE(f.fake.log().empty());
}

// Another program's new copy must never be overwritten by an old entry.
TEST(KeepAlive, NothingHappensWhileAnotherProgramOwnsTheClipboard)
{
    KeepAliveFixture f;
    f.copyAndTick("recorded");
    f.copyText("   ");
    f.tick();
    f.fake.log_.clear();

    EXPECT_EQ(f.keepAlive(), KeptAlive::No);
    EXPECT_TRUE(f.fake.log().empty());
    EXPECT_EQ(f.fake.pasteboard.currentText, "   ");
}

} // namespace
} // namespace brimble::test
