#include <gtest/gtest.h>

#include "CaptureFixture.h"

namespace brimble::test {
namespace {

std::string repeat(const std::string& piece, size_t times)
{
    std::string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

TEST(Capture, UnchangedClipboardDoesNothing)
{
    CaptureFixture f;
    EXPECT_EQ(f.tick(), PushNeeded::No);
    EXPECT_TRUE(f.store.items.empty());
    EXPECT_FALSE(std::filesystem::exists(f.historyFile()));
}

TEST(Capture, TextIsRecordedUntrimmedInTheCurrentSessionAndSaved)
{
    CaptureFixture f;
    f.copyText("  hello world \n");
    EXPECT_EQ(f.tick(), PushNeeded::Yes);

    ASSERT_EQ(f.store.items.size(), 1u);
    const Clip& clip = f.store.items[0];
    EXPECT_EQ(clip.text, "  hello world \n");
    EXPECT_EQ(clip.kind, "text");
    EXPECT_EQ(clip.sessionId, "SESSION-A");
    EXPECT_EQ(clip.ts, f.fake.clock.time);
    EXPECT_FALSE(clip.pinned);
    EXPECT_FALSE(clip.imgFile || clip.sig || clip.blockId);
    EXPECT_EQ(clip.id.size(), 36u);
    EXPECT_NE(readFile(f.historyFile()).find("hello world"), std::string::npos);
    EXPECT_EQ(fileMode(f.historyFile()), 0600);
}

TEST(Capture, EveryDifferenceInTheChangeCountCounts)
{
    // Guards comparing with "greater than": a clipboard owner restart can make the count drop.
    CaptureFixture f;
    f.copyText("after a restart");
    f.fake.pasteboard.count = f.clipLastChange - 5;
    EXPECT_EQ(f.tick(), PushNeeded::Yes);
    EXPECT_EQ(f.texts(), std::vector<std::string>{"after a restart"});
}

TEST(Capture, SameTextTwiceInOneSessionMovesTheEntryToTheFront)
{
    CaptureFixture f;
    f.copyAndTick("alpha");
    const std::string alphaId = f.store.items[0].id;
    f.copyAndTick("beta");
    f.copyAndTick("alpha");

    EXPECT_EQ(f.texts(), (std::vector<std::string>{"alpha", "beta"}));
    EXPECT_EQ(f.store.items[0].id, alphaId);
    EXPECT_EQ(f.store.items[0].ts, f.fake.clock.time);
}

TEST(Capture, SameTextInAnotherSessionIsASecondEntry)
{
    CaptureFixture f;
    f.copyAndTick("shared");
    f.session = "SESSION-B";
    f.copyAndTick("shared");

    ASSERT_EQ(f.store.items.size(), 2u);
    EXPECT_EQ(f.store.items[0].sessionId, "SESSION-B");
    EXPECT_EQ(f.store.items[1].sessionId, "SESSION-A");
}

TEST(Capture, DuplicateOfAnEntryLoadedFromAnEarlierRunIsMoved)
{
    // Guards de-duplication that only knows entries captured in this run.
    CaptureFixture first;
    first.copyAndTick("from yesterday");
    first.copyAndTick("other");
    const std::string id = first.store.items[1].id;

    FakePlatform fake;
    ClipboardStore reloaded(first.home / "data", fake.defaults);
    int64_t last = fake.pasteboard.count;
    CaptureServices services{fake.pasteboard, fake.frontmost, *fake.codec, fake.defaults, fake.clock};
    fake.pasteboard.simulateCopy({plainText}, "from yesterday");
    LastCapture lastCapture;
    pollPasteboard(services, reloaded, last, lastCapture, [] { return std::string("SESSION-A"); });

    ASSERT_EQ(reloaded.items.size(), 2u);
    EXPECT_EQ(reloaded.items[0].id, id);
    EXPECT_EQ(reloaded.items[0].text, "from yesterday");
}

TEST(Capture, CanonicallyEquivalentTextIsTheSameEntry)
{
    // "é" precomposed and "e" + combining acute are one text to the user.
    CaptureFixture f;
    f.copyAndTick("caf\u00E9");
    f.copyAndTick("caf\u0065\u0301");
    ASSERT_EQ(f.store.items.size(), 1u);
    EXPECT_EQ(f.store.items[0].text, "caf\u00E9");
}

TEST(Capture, TextEqualToAPictureLabelIsRecordedAsText)
{
    // Matching without the kind took the copied text for the picture: the text was lost, and
    // the keep-alive later put the picture back in its place.
    CaptureFixture f;
    Clip picture = makeClip("P", "PNG \u00B7 10\u00D710");
    picture.kind = "image";
    picture.imgFile = "0B9E3C62-5A3D-4C2B-9F51-2D4E8A6B7C10.png";
    f.store.items = {picture, makeClip("T", "text")};
    f.copyAndTick("PNG \u00B7 10\u00D710");
    ASSERT_EQ(f.store.items.size(), 3u);
    EXPECT_EQ(f.store.items[0].kind, "text");
    EXPECT_EQ(f.store.items[0].text, "PNG \u00B7 10\u00D710");
    EXPECT_EQ(f.lastCapture.clipId, f.store.items[0].id);
    EXPECT_EQ(f.store.items[1].id, "P");

    // The same text again is that text entry, not the picture.
    f.copyAndTick("PNG \u00B7 10\u00D710");
    ASSERT_EQ(f.store.items.size(), 3u);
    EXPECT_EQ(f.store.items[0].kind, "text");
    EXPECT_EQ(f.store.items[1].id, "P");
}

TEST(Capture, RecopiedPinnedTextGoesToTheFrontOfThePinnedGroup)
{
    CaptureFixture f;
    f.store.items = {makeClip("P1", "one", Pin::Yes), makeClip("P2", "two", Pin::Yes), makeClip("U", "free")};
    f.copyAndTick("two");
    std::vector<std::string> ids;
    for (const Clip& clip : f.store.items)
        ids.push_back(clip.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"P2", "P1", "U"}));

    f.copyAndTick("new");
    EXPECT_EQ(f.texts(), (std::vector<std::string>{"two", "one", "new", "free"}));
}

struct BlankRow {
    const char* name;
    std::string text;
    bool recorded;
};

class CaptureBlankText : public ::testing::TestWithParam<BlankRow> {};

TEST_P(CaptureBlankText, OnlyNonBlankTextIsRecorded)
{
    CaptureFixture f;
    f.copyText(GetParam().text);
    EXPECT_EQ(f.tick(), GetParam().recorded ? PushNeeded::Yes : PushNeeded::No);
    EXPECT_EQ(f.store.items.size(), GetParam().recorded ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CaptureBlankText,
    ::testing::Values(BlankRow{"Empty", "", false}, BlankRow{"Spaces", "   ", false},
                      BlankRow{"TabsAndLineBreaks", "\t\r\n\v\f", false},
                      // Unicode white space that an ASCII-only test would keep.
                      BlankRow{"NoBreakAndEmSpaces", "\u00A0\u2003\u3000", false},
                      BlankRow{"NextLineAndLineSeparator", "\u0085\u2028\u2029", false},
                      // Zero-width space is a format character, not white space.
                      BlankRow{"ZeroWidthSpace", "\u200B", true},
                      BlankRow{"WordInSpaces", " \u00A0x\u3000", true}),
    [](const auto& info) { return std::string(info.param.name); });

struct LengthRow {
    const char* name;
    std::string cluster;
    size_t count;
    bool recorded;
};

class CaptureTextLimit : public ::testing::TestWithParam<LengthRow> {};

TEST_P(CaptureTextLimit, CountsUserPerceivedCharacters)
{
    CaptureFixture f;
    f.copyText(repeat(GetParam().cluster, GetParam().count));
    EXPECT_EQ(f.tick(), GetParam().recorded ? PushNeeded::Yes : PushNeeded::No);
    EXPECT_EQ(f.store.items.size(), GetParam().recorded ? 1u : 0u);
    // The change is consumed: a too-long text is not tried again.
    EXPECT_EQ(f.tick(), PushNeeded::No);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CaptureTextLimit,
    ::testing::Values(LengthRow{"Ascii50000", "a", 50000, true}, LengthRow{"Ascii50001", "a", 50001, false},
                      // Counting bytes or code points would refuse these.
                      LengthRow{"Flags50000", "\U0001F1EB\U0001F1F7", 50000, true},
                      LengthRow{"Flags50001", "\U0001F1EB\U0001F1F7", 50001, false},
                      LengthRow{"CombiningMarks50000", "e\u0301\u0323", 50000, true},
                      LengthRow{"CombiningMarks50001", "e\u0301\u0323", 50001, false},
                      LengthRow{"Family50000", "\U0001F468\u200D\U0001F469\u200D\U0001F467", 50000, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Capture, PausedCopyIsNeverRecordedAfterResuming)
{
    CaptureFixture f;
    f.fake.defaults.setRaw("clipboardPaused", true);
    f.copyText("while paused");
    EXPECT_EQ(f.tick(), PushNeeded::No);
    f.fake.defaults.setRaw("clipboardPaused", false);
    EXPECT_EQ(f.tick(), PushNeeded::No);
    EXPECT_TRUE(f.store.items.empty());

    f.copyText("after resuming");
    EXPECT_EQ(f.tick(), PushNeeded::Yes);
    EXPECT_EQ(f.texts(), std::vector<std::string>{"after resuming"});
}

TEST(Capture, NoTextOnTheClipboardRecordsNothing)
{
    CaptureFixture f;
    f.fake.pasteboard.simulateCopy({"text/uri-list"}, std::nullopt);
    EXPECT_EQ(f.tick(), PushNeeded::No);
    EXPECT_TRUE(f.store.items.empty());
}

TEST(Capture, TextThatIsNotUtf8IsNotRecorded)
{
    // Guards a history file that could no longer be read back.
    CaptureFixture f;
    f.copyText("broken \xC3\x28 bytes");
    EXPECT_EQ(f.tick(), PushNeeded::No);
    EXPECT_TRUE(f.store.items.empty());
}

struct LimitRow {
    const char* name;
    std::optional<int64_t> stored;
    size_t kept;
};

class HistoryLimit : public ::testing::TestWithParam<LimitRow> {};

TEST_P(HistoryLimit, KeepsThePinnedAndTheNewestUnpinned)
{
    CaptureFixture f;
    if (GetParam().stored)
        f.fake.defaults.setRaw("historyLimit", *GetParam().stored);
    f.store.items = {makeClip("P1", "p1", Pin::Yes), makeClip("P2", "p2", Pin::Yes)};
    for (size_t i = 0; i < 520; ++i)
        f.store.items.push_back(makeClip("U" + std::to_string(i), "u" + std::to_string(i)));

    f.store.applyHistoryLimit();

    ASSERT_EQ(f.store.items.size(), 2 + GetParam().kept);
    EXPECT_EQ(f.store.items[0].id, "P1");
    EXPECT_EQ(f.store.items[1].id, "P2");
    EXPECT_EQ(f.store.items[2].id, "U0");
    EXPECT_EQ(f.store.items.back().id, "U" + std::to_string(GetParam().kept - 1));
}

INSTANTIATE_TEST_SUITE_P(Rows, HistoryLimit,
                         ::testing::Values(LimitRow{"Unset", std::nullopt, 50}, LimitRow{"Zero", 0, 50},
                                           LimitRow{"Three", 3, 10}, LimitRow{"Negative", -4, 10},
                                           LimitRow{"Twenty", 20, 20}, LimitRow{"Huge", 100000, 500}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HistoryLimit, PinnedEntriesAnywhereInTheListAreKept)
{
    // Guards a limit that counts or drops pinned entries out of place.
    CaptureFixture f;
    f.fake.defaults.setRaw("historyLimit", int64_t{10});
    for (int i = 0; i < 15; ++i)
        f.store.items.push_back(makeClip("U" + std::to_string(i), "u", i == 12 ? Pin::Yes : Pin::No));
    f.store.applyHistoryLimit();
    ASSERT_EQ(f.store.items.size(), 11u);
    EXPECT_EQ(f.store.items[0].id, "U12");
    EXPECT_EQ(f.store.items[10].id, "U9");
}

TEST(HistoryLimit, TheFiftyFirstCaptureDropsTheOldest)
{
    CaptureFixture f;
    for (int i = 0; i < 51; ++i)
        f.copyAndTick("copy " + std::to_string(i));
    ASSERT_EQ(f.store.items.size(), 50u);
    EXPECT_EQ(f.store.items.front().text, "copy 50");
    EXPECT_EQ(f.store.items.back().text, "copy 1");
}

struct GraphemeRow {
    const char* name;
    std::string text;
    size_t count;
};

class Graphemes : public ::testing::TestWithParam<GraphemeRow> {};

TEST_P(Graphemes, CountsExtendedClusters)
{
    EXPECT_EQ(graphemeCount(GetParam().text), GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Graphemes,
    ::testing::Values(GraphemeRow{"Empty", "", 0}, GraphemeRow{"Ascii", "abc", 3},
                      GraphemeRow{"CarriageReturnLineFeed", "\r\n", 1},
                      GraphemeRow{"TwoFlags", "\U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA", 2},
                      GraphemeRow{"CombiningMarks", "e\u0301\u0323x", 2},
                      GraphemeRow{"ZeroWidthJoinerFamily", "\U0001F468\u200D\U0001F469\u200D\U0001F467", 1},
                      GraphemeRow{"HangulJamo", "\u1100\u1161\u11A8", 1}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace brimble::test
