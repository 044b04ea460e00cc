// The page commands on history entries, one table row per rule: missing and mistyped fields,
// unknown ids, the exact effect, the files written and the single push.

#include "unit/bridge/CommandFixture.h"

namespace brimble::test {
namespace {

class EntryCommands : public CommandFixture, public ::testing::TestWithParam<CommandCase> {};

TEST_P(EntryCommands, HaveExactlyTheirEffect)
{
    runCase(*this, GetParam());
}

const Ids seededOrder{"P", "A", "B", "C", "X"};

void unchangedOrder(const CommandFixture& f)
{
    EXPECT_EQ(f.order(), seededOrder);
}

INSTANTIATE_TEST_SUITE_P(Table, EntryCommands, ::testing::Values(
    CommandCase{"ListOnlyPushes", R"({"cmd":"list"})", {"push"}, noFiles, unchangedOrder},

    CommandCase{"CopyPutsTextBackAndMovesEntryToFront", R"({"cmd":"copy","id":"C"})",
                {"pasteboard: clear", "pasteboard: text Charlie", "push"}, historyFile,
                [](const CommandFixture& f) {
                    EXPECT_EQ(f.order(), (Ids{"P", "C", "A", "B", "X"}));
                    EXPECT_EQ(f.clip("C").ts, f.target.fake.clock.time);
                    // The next poll must not record the program's own write.
                    EXPECT_EQ(f.target.clipLastChange, f.target.fake.pasteboard.count);
                }},
    CommandCase{"CopyWithoutIdOnlyPushes", R"({"cmd":"copy"})", {"push"}, noFiles, unchangedOrder},
    CommandCase{"CopyWithNumericIdOnlyPushes", R"({"cmd":"copy","id":3})", {"push"}, noFiles, unchangedOrder},
    CommandCase{"CopyOfUnknownIdLeavesClipboardAlone", R"({"cmd":"copy","id":"ZZ"})", {"push"}, noFiles},
    // Ids are compared exactly, so an id in other letter case names nothing.
    CommandCase{"CopyComparesIdsCaseSensitively", R"({"cmd":"copy","id":"c"})", {"push"}, noFiles},

    CommandCase{"PinPinsAndKeepsPinnedFirst", R"({"cmd":"pin","id":"C"})", {"push"}, historyFile,
                [](const CommandFixture& f) {
                    EXPECT_TRUE(f.clip("C").pinned);
                    EXPECT_EQ(f.order(), (Ids{"P", "C", "A", "B", "X"}));
                }},
    CommandCase{"PinOfPinnedEntryUnpins", R"({"cmd":"pin","id":"P"})", {"push"}, historyFile,
                [](const CommandFixture& f) { EXPECT_FALSE(f.clip("P").pinned); }},
    CommandCase{"PinWithoutIdOnlyPushes", R"({"cmd":"pin"})", {"push"}, noFiles, unchangedOrder},
    CommandCase{"PinOfUnknownIdWritesNothing", R"({"cmd":"pin","id":"ZZ"})", {"push"}, noFiles, unchangedOrder},

    CommandCase{"DeleteRemovesPinnedEntry", R"({"cmd":"delete","id":"P"})", {"push"}, historyFile,
                [](const CommandFixture& f) { EXPECT_EQ(f.order(), (Ids{"A", "B", "C", "X"})); }},
    CommandCase{"DeleteOfUnknownIdStillSaves", R"({"cmd":"delete","id":"ZZ"})", {"push"}, historyFile,
                unchangedOrder},
    CommandCase{"DeleteWithListIdOnlyPushes", R"({"cmd":"delete","id":["A"]})", {"push"}, noFiles, unchangedOrder},

    CommandCase{"ReorderPutsListedFirstSkippingUnknownAndRepeats", R"({"cmd":"reorder","order":["C","A","ZZ","C"]})",
                {"push"}, historyFile,
                [](const CommandFixture& f) {
                    // No pinned-first pass: the page's order stands as sent.
                    EXPECT_EQ(f.order(), (Ids{"C", "A", "P", "B", "X"}));
                    EXPECT_EQ(f.clip("A").blockId, std::nullopt); // dragged out of its block
                }},
    CommandCase{"ReorderIntoBlockFilesTheListedEntries", R"({"cmd":"reorder","order":["B","A"],"blockId":"K1"})",
                {"push"}, historyFile,
                [](const CommandFixture& f) {
                    EXPECT_EQ(f.order(), (Ids{"B", "A", "P", "C", "X"}));
                    EXPECT_EQ(f.clip("B").blockId, "K1");
                    EXPECT_EQ(f.clip("C").blockId, std::nullopt);
                }},
    CommandCase{"ReorderWithNumericBlockIdMeansNoBlock", R"({"cmd":"reorder","order":["A"],"blockId":7})",
                {"push"}, historyFile,
                [](const CommandFixture& f) { EXPECT_EQ(f.clip("A").blockId, std::nullopt); }},
    CommandCase{"ReorderWithMixedListChangesNothing", R"({"cmd":"reorder","order":["C",1]})", {"push"}, noFiles,
                unchangedOrder},
    CommandCase{"ReorderWithoutOrderOnlyPushes", R"({"cmd":"reorder","blockId":"K1"})", {"push"}, noFiles,
                unchangedOrder},

    CommandCase{"ClearKeepsPinnedAndOtherSessions", R"({"cmd":"clear"})", {"push"}, historyFile,
                [](const CommandFixture& f) { EXPECT_EQ(f.order(), (Ids{"P", "X"})); }},
    // A stale current session falls back to the first session, never to "every session".
    CommandCase{"ClearWithStaleCurrentSessionClearsFirstSession", R"({"cmd":"clear"})", {"push"}, historyFile,
                [](const CommandFixture& f) { EXPECT_EQ(f.order(), (Ids{"P", "X"})); },
                [](CommandFixture& f) { f.target.fake.defaults.setRaw("activeSessionId", std::string("gone")); }},

    CommandCase{"PinManyPinsByDefault", R"({"cmd":"pinMany","ids":["C","B"]})", {"push"}, historyFile,
                [](const CommandFixture& f) { EXPECT_EQ(f.order(), (Ids{"P", "B", "C", "A", "X"})); }},
    CommandCase{"PinManyWithFalseUnpins", R"({"cmd":"pinMany","ids":["P"],"pinned":false})", {"push"}, historyFile,
                [](const CommandFixture& f) { EXPECT_FALSE(f.clip("P").pinned); }},
    CommandCase{"PinManyWithTextFlagPins", R"({"cmd":"pinMany","ids":["B"],"pinned":"no"})", {"push"}, historyFile,
                [](const CommandFixture& f) { EXPECT_TRUE(f.clip("B").pinned); }},
    CommandCase{"PinManyWithNothingToChangeWritesNothing", R"({"cmd":"pinMany","ids":["P","ZZ"]})", {"push"},
                noFiles, unchangedOrder},
    CommandCase{"PinManyWithoutIdsOnlyPushes", R"({"cmd":"pinMany","pinned":true})", {"push"}, noFiles,
                unchangedOrder},

    CommandCase{"DeleteManyRemovesListedPinnedOrNot", R"({"cmd":"deleteMany","ids":["A","P","ZZ"]})", {"push"},
                historyFile, [](const CommandFixture& f) { EXPECT_EQ(f.order(), (Ids{"B", "C", "X"})); }},
    CommandCase{"DeleteManyOfUnknownIdsStillSaves", R"({"cmd":"deleteMany","ids":["ZZ"]})", {"push"}, historyFile,
                unchangedOrder},
    CommandCase{"DeleteManyWithSingleStringChangesNothing", R"({"cmd":"deleteMany","ids":"A"})", {"push"}, noFiles,
                unchangedOrder},

    CommandCase{"MoveToBlockFilesListedWithoutCheckingTheBlock", R"({"cmd":"moveToBlock","ids":["B","X"],"blockId":"K9"})",
                {"push"}, historyFile,
                [](const CommandFixture& f) {
                    EXPECT_EQ(f.clip("B").blockId, "K9");
                    EXPECT_EQ(f.clip("X").blockId, "K9");
                }},
    CommandCase{"MoveToBlockWithoutBlockIdUnfiles", R"({"cmd":"moveToBlock","ids":["A"]})", {"push"}, historyFile,
                [](const CommandFixture& f) { EXPECT_EQ(f.clip("A").blockId, std::nullopt); }},
    CommandCase{"MoveToBlockOfUnknownIdsStillSaves", R"({"cmd":"moveToBlock","ids":["ZZ"],"blockId":"K1"})",
                {"push"}, historyFile},
    CommandCase{"MoveToBlockWithoutIdsOnlyPushes", R"({"cmd":"moveToBlock","blockId":"K1"})", {"push"}, noFiles,
                [](const CommandFixture& f) { EXPECT_EQ(f.clip("B").blockId, std::nullopt); }}
), caseName);

class ImageCopyBack : public CommandFixture, public ::testing::Test {};

// A picture deleted behind the program's back must not make "copy" fail silently.
TEST_F(ImageCopyBack, MissingPictureFileCopiesTheLabelAndStillMovesTheEntry)
{
    Clip image = entry("I", "PNG \u00b7 640\u00d7480", "S1");
    image.kind = "image";
    image.imgFile = "0A1B2C3D-0000-4000-8000-000000000001.png";
    target.clip.items.push_back(image);
    target.clip.save();

    send(R"({"cmd":"copy","id":"I"})");

    EXPECT_EQ(target.log(), (Ids{"pasteboard: clear", "pasteboard: text PNG \u00b7 640\u00d7480", "push"}));
    EXPECT_EQ(order(), (Ids{"P", "I", "A", "B", "C", "X"}));
    EXPECT_EQ(clip("I").ts, target.fake.clock.time);
}

} // namespace
} // namespace brimble::test
