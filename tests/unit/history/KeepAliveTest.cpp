// Taking over the clipboard when the program that copied quits.

#include <gtest/gtest.h>

#include "CaptureFixture.h"
#include "settings/Settings.h"
#include "history/KeepAlive.h"
#include "history/Capture.h"

namespace brimble::test {
namespace {

struct KeepAliveFixture : CaptureFixture {
    KeptAlive keepAlive()
    {
        return keepClipboardAlive(store, fake.pasteboard, *fake.codec, fake.defaults, session, lastCapture,
                                  clipLastChange);
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

// The copy on the clipboard when it emptied belonged to another session; this session's newest
// entry was not on the clipboard and must not appear there.
TEST(KeepAlive, AnotherSessionsCopyIsNotReplacedByThisSessionsNewest)
{
    KeepAliveFixture f;
    f.copyAndTick("mine");
    f.session = "SESSION-B";
    f.copyAndTick("other session, newer");
    f.session = "SESSION-A";
    f.ownerQuits();

    EXPECT_EQ(f.keepAlive(), KeptAlive::No);
    EXPECT_TRUE(f.fake.pasteboard.ownerless);
}

// What the clipboard held before its owner left decides whether anything goes back. Each row
// plays one way a copy can end up unrecorded or secret, after an ordinary copy that was recorded:
// putting anything back would return a cleared password or an entry the user no longer had.
struct LeftCopy {
    const char* fault;
    std::set<std::string> types;
    std::string text;
    bool recordSecrets = false;
    bool pausedWhileCopied = false;
    bool fromExcludedApp = false;
    KeptAlive expected;
};

TEST(KeepAlive, OnlyARecordedCopyWithoutPasswordMarkersGoesBack)
{
    const std::string hint = "x-kde-passwordManagerHint";
    const std::string concealed = "org.nspasteboard.ConcealedType";
    const std::vector<LeftCopy> rows = {
        {"ordinary copy", {plainText}, "plain", false, false, false, KeptAlive::Yes},
        {"KDE hint, secrets skipped: older entry came back", {plainText, hint}, "hunter2", false, false, false,
         KeptAlive::No},
        {"KDE hint, secrets recorded: the password came back", {plainText, hint}, "hunter2", true, false, false,
         KeptAlive::No},
        {"concealed type, secrets recorded", {plainText, concealed}, "hunter2", true, false, false, KeptAlive::No},
        {"copied while paused", {plainText}, "while paused", false, true, false, KeptAlive::No},
        {"copied from an excluded app", {plainText}, "excluded", false, false, true, KeptAlive::No},
        {"taken with empty text, then let go", {plainText}, "", false, false, false, KeptAlive::No},
        {"too long to record", {plainText}, std::string(maxTextBytes + 1, 'x'), false, false, false,
         KeptAlive::No},
        {"not UTF-8", {plainText}, "\xff\xfe", false, false, false, KeptAlive::No},
    };
    for (const LeftCopy& row : rows) {
        SCOPED_TRACE(row.fault);
        KeepAliveFixture f;
        f.fake.defaults.setBool(Def::recordSecrets, row.recordSecrets);
        f.fake.defaults.setStringList(Def::excludedApps, {"org.keepassxc.KeePassXC"});
        f.copyAndTick("recorded before");

        f.fake.defaults.setBool(Def::clipboardPaused, row.pausedWhileCopied);
        if (row.fromExcludedApp)
            f.fake.frontmost.app = "org.keepassxc.KeePassXC";
        f.fake.clock.time += 1;
        f.copyText(row.text, row.types);
        f.tick();
        f.fake.defaults.setBool(Def::clipboardPaused, false);
        f.fake.frontmost.app.reset();
        f.ownerQuits();
        f.fake.log_.clear();

        EXPECT_EQ(f.keepAlive(), row.expected);
        if (row.expected == KeptAlive::Yes) {
            EXPECT_EQ(f.fake.pasteboard.currentText, row.text);
        } else {
            EXPECT_TRUE(f.fake.log().empty());
            EXPECT_TRUE(f.fake.pasteboard.ownerless);
        }
    }
}

// A password manager that copies and quits before the next tick leaves a counter that moved
// twice: the copy in between was never seen, so the older entry must not take its place.
TEST(KeepAlive, CopyThatCameAndWentBetweenTwoTicksIsNotReplaced)
{
    KeepAliveFixture f;
    f.copyAndTick("seen and recorded");
    f.copyText("hunter2", {plainText, "x-kde-passwordManagerHint"});
    f.ownerQuits();

    EXPECT_EQ(f.keepAlive(), KeptAlive::No);
    EXPECT_TRUE(f.fake.pasteboard.ownerless);
}

// The owner quit and the keep-alive's moment came before capture had judged a later change
// (a copy that came and went, unread): the entry capture saw last is not what the clipboard held.
TEST(KeepAlive, ChangeNotYetJudgedByCaptureKeepsTheOlderCopyOff)
{
    KeepAliveFixture f;
    f.copyAndTick("seen and recorded");
    f.ownerQuits();
    f.copyText("hunter2", {plainText});
    f.fake.pasteboard.simulateOwnerQuit();

    EXPECT_EQ(f.keepAlive(), KeptAlive::No);
    EXPECT_TRUE(f.fake.pasteboard.ownerless);
}

// The user deleted the entry that was on the clipboard; the next one down was never there.
TEST(KeepAlive, DeletedEntryIsNotReplacedByTheOneBeforeIt)
{
    KeepAliveFixture f;
    f.copyAndTick("older");
    f.copyAndTick("deleted from the window");
    f.store.remove(f.store.items.front().id);
    f.ownerQuits();

    EXPECT_EQ(f.keepAlive(), KeptAlive::No);
    EXPECT_TRUE(f.fake.pasteboard.ownerless);
}

// Copying the same text again moves the old entry to the front; that entry is the one to keep.
TEST(KeepAlive, RepeatedCopyOfAnOlderEntryGoesBack)
{
    KeepAliveFixture f;
    f.copyAndTick("again");
    f.copyAndTick("between");
    f.copyAndTick("again");
    ASSERT_EQ(f.store.items.size(), 2u);
    f.ownerQuits();

    EXPECT_EQ(f.keepAlive(), KeptAlive::Yes);
    EXPECT_EQ(f.fake.pasteboard.currentText, "again");
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
