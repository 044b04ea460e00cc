// The page commands on sessions and blocks.

#include "unit/bridge/CommandFixture.h"

namespace brimble::test {
namespace {

class SessionCommands : public CommandFixture, public ::testing::TestWithParam<CommandCase> {};

TEST_P(SessionCommands, HaveExactlyTheirEffect)
{
    runCase(*this, GetParam());
}

void twoSessions(const CommandFixture& f)
{
    EXPECT_EQ(f.target.sessions.sessions.size(), 2u);
}

const Session& newest(const CommandFixture& f)
{
    return f.target.sessions.sessions.back();
}

INSTANTIATE_TEST_SUITE_P(Table, SessionCommands, ::testing::Values(
    CommandCase{"CreateStoresTrimmedNameAndMakesItCurrent", R"({"cmd":"sessionCreate","name":" \t Ideas \n"})",
                {"defaults: activeSessionId = \"{session}\"", "push"}, sessionsFile,
                [](const CommandFixture& f) {
                    ASSERT_EQ(f.target.sessions.sessions.size(), 3u);
                    EXPECT_EQ(newest(f).name, "Ideas");
                    EXPECT_EQ(newest(f).createdAt, f.target.fake.clock.time);
                    EXPECT_EQ(newest(f).id.size(), 36u);
                }},
    // U+00A0, U+2003 and U+3000 are white space too; an ASCII-only trim would keep them.
    CommandCase{"CreateWithUnicodeSpacesOnlyCreatesNothing",
                "{\"cmd\":\"sessionCreate\",\"name\":\"\\u00a0\\u2003\\u3000 \"}", {"push"}, noFiles, twoSessions},
    CommandCase{"CreateWithNumericNameCreatesNothing", R"({"cmd":"sessionCreate","name":12})", {"push"}, noFiles,
                twoSessions},
    CommandCase{"CreateWithoutNameCreatesNothing", R"({"cmd":"sessionCreate"})", {"push"}, noFiles, twoSessions},

    CommandCase{"SwitchToExistingSessionStoresIt", R"({"cmd":"sessionSwitch","id":"S2"})",
                {"defaults: activeSessionId = \"S2\"", "push"}, noFiles},
    CommandCase{"SwitchToUnknownSessionKeepsCurrent", R"({"cmd":"sessionSwitch","id":"ZZ"})", {"push"}, noFiles},
    CommandCase{"SwitchComparesIdsCaseSensitively", R"({"cmd":"sessionSwitch","id":"s2"})", {"push"}, noFiles},
    CommandCase{"SwitchWithoutIdOnlyPushes", R"({"cmd":"sessionSwitch"})", {"push"}, noFiles},

    CommandCase{"RenameStoresTrimmedName", R"({"cmd":"sessionRename","id":"S2","name":" Family "})", {"push"},
                sessionsFile,
                [](const CommandFixture& f) { EXPECT_EQ(f.target.sessions.sessions[1].name, "Family"); }},
    CommandCase{"RenameOfUnknownSessionWritesNothing", R"({"cmd":"sessionRename","id":"ZZ","name":"Family"})",
                {"push"}, noFiles},
    CommandCase{"RenameWithBlankNameWritesNothing", R"({"cmd":"sessionRename","id":"S2","name":"  "})", {"push"},
                noFiles, [](const CommandFixture& f) { EXPECT_EQ(f.target.sessions.sessions[1].name, "Home"); }},
    CommandCase{"RenameWithoutIdWritesNothing", R"({"cmd":"sessionRename","name":"Family"})", {"push"}, noFiles},

    CommandCase{"SaveSelectionMovesEntriesIntoNewCurrentSession",
                R"({"cmd":"sessionSaveSelection","ids":["A","B","ZZ"],"name":"Picked"})",
                {"defaults: activeSessionId = \"{session}\"", "push"}, Files{"clipboard.json", "sessions.json"},
                [](const CommandFixture& f) {
                    ASSERT_EQ(f.target.sessions.sessions.size(), 3u);
                    EXPECT_EQ(newest(f).name, "Picked");
                    EXPECT_EQ(f.clip("A").sessionId, newest(f).id);
                    EXPECT_EQ(f.clip("A").blockId, std::nullopt); // a block never spans sessions
                    EXPECT_EQ(f.clip("B").sessionId, newest(f).id);
                    EXPECT_EQ(f.clip("C").sessionId, "S1");
                }},
    CommandCase{"SaveSelectionWithEmptyListCreatesNothing", R"({"cmd":"sessionSaveSelection","ids":[],"name":"X"})",
                {"push"}, noFiles, twoSessions},
    CommandCase{"SaveSelectionWithoutNameCreatesNothing", R"({"cmd":"sessionSaveSelection","ids":["A"]})", {"push"},
                noFiles, twoSessions},
    CommandCase{"SaveSelectionWithMixedListCreatesNothing",
                R"({"cmd":"sessionSaveSelection","ids":["A",null],"name":"X"})", {"push"}, noFiles, twoSessions}
), caseName);

class BlockCommands : public CommandFixture, public ::testing::TestWithParam<CommandCase> {};

TEST_P(BlockCommands, HaveExactlyTheirEffect)
{
    runCase(*this, GetParam());
}

const Block& newestBlock(const CommandFixture& f)
{
    return f.target.sessions.blocks.back();
}

void expectNewBlock(const CommandFixture& f, const std::string& name, const std::string& color)
{
    ASSERT_EQ(f.target.sessions.blocks.size(), 3u);
    EXPECT_EQ(newestBlock(f).name, name);
    EXPECT_EQ(newestBlock(f).color, color);
    EXPECT_EQ(newestBlock(f).sessionId, "S1");
    EXPECT_EQ(newestBlock(f).order, 1);
    EXPECT_FALSE(newestBlock(f).pinned);
}

const Block& block(const CommandFixture& f, const std::string& id)
{
    for (const Block& b : f.target.sessions.blocks) {
        if (b.id == id)
            return b;
    }
    ADD_FAILURE() << "no block " << id;
    static const Block none;
    return none;
}

INSTANTIATE_TEST_SUITE_P(Table, BlockCommands, ::testing::Values(
    // The current session holds one block, so the palette's second colour comes next.
    CommandCase{"CreateWithoutFieldsMakesNewBlockInNextPaletteColour", R"({"cmd":"blockCreate"})", {"push"},
                blocksFile, [](const CommandFixture& f) { expectNewBlock(f, "New Block", "peach"); }},
    CommandCase{"CreateCountsOnlyTheCurrentSessionsBlocks", R"({"cmd":"blockCreate"})", {"push"}, blocksFile,
                [](const CommandFixture& f) { EXPECT_EQ(newestBlock(f).color, "lemon"); },
                [](CommandFixture& f) {
                    f.target.sessions.blocks.push_back({"K3", "More", "sky", false, "S1", 4});
                    f.target.sessions.blocks.push_back({"K4", "Other", "sky", false, "S2", 1});
                    f.target.sessions.saveBlocks();
                }},
    CommandCase{"CreateWithSevenBlocksWrapsToPeach", R"({"cmd":"blockCreate","color":"teal"})", {"push"},
                blocksFile,
                [](const CommandFixture& f) {
                    EXPECT_EQ(newestBlock(f).color, "peach");
                    EXPECT_EQ(newestBlock(f).order, 7);
                },
                [](CommandFixture& f) {
                    for (int n = 1; n < 7; ++n)
                        f.target.sessions.blocks.push_back({"K1" + std::to_string(n), "B", "rose", false, "S1", n});
                    f.target.sessions.saveBlocks();
                }},
    CommandCase{"CreateWithPaletteColourUsesIt", R"({"cmd":"blockCreate","color":"mint","name":"  Todo "})",
                {"push"}, blocksFile, [](const CommandFixture& f) { expectNewBlock(f, "Todo", "mint"); }},
    CommandCase{"CreateComparesColourCaseSensitively", R"({"cmd":"blockCreate","color":"Mint","name":" "})",
                {"push"}, blocksFile, [](const CommandFixture& f) { expectNewBlock(f, "New Block", "peach"); }},
    CommandCase{"CreateWithIdsFilesThem", R"({"cmd":"blockCreate","ids":["B","C"]})", {"push"},
                Files{"blocks.json", "clipboard.json"},
                [](const CommandFixture& f) {
                    EXPECT_EQ(f.clip("B").blockId, newestBlock(f).id);
                    EXPECT_EQ(f.clip("C").blockId, newestBlock(f).id);
                    EXPECT_EQ(f.clip("A").blockId, "K1");
                }},
    CommandCase{"CreateWithEmptyIdsLeavesHistoryFileAlone", R"({"cmd":"blockCreate","ids":[]})", {"push"},
                blocksFile},
    CommandCase{"CreateWithMistypedIdsLeavesHistoryFileAlone", R"({"cmd":"blockCreate","ids":"B"})", {"push"},
                blocksFile, [](const CommandFixture& f) { EXPECT_EQ(f.clip("B").blockId, std::nullopt); }},

    CommandCase{"RenameStoresTrimmedName", R"({"cmd":"blockRename","id":"K1","name":"\nRead later "})", {"push"},
                blocksFile, [](const CommandFixture& f) { EXPECT_EQ(block(f, "K1").name, "Read later"); }},
    CommandCase{"RenameOfUnknownBlockWritesNothing", R"({"cmd":"blockRename","id":"ZZ","name":"X"})", {"push"},
                noFiles},
    CommandCase{"RenameWithBlankNameWritesNothing", R"({"cmd":"blockRename","id":"K1","name":""})", {"push"},
                noFiles},

    CommandCase{"ColourSetsPaletteColour", R"({"cmd":"blockColor","id":"K1","color":"sky"})", {"push"}, blocksFile,
                [](const CommandFixture& f) { EXPECT_EQ(block(f, "K1").color, "sky"); }},
    CommandCase{"ColourOutsidePaletteChangesNothing", R"({"cmd":"blockColor","id":"K1","color":"teal"})", {"push"},
                noFiles, [](const CommandFixture& f) { EXPECT_EQ(block(f, "K1").color, "rose"); }},
    CommandCase{"ColourWithoutColourChangesNothing", R"({"cmd":"blockColor","id":"K1"})", {"push"}, noFiles},
    CommandCase{"ColourOfUnknownBlockWritesNothing", R"({"cmd":"blockColor","id":"ZZ","color":"sky"})", {"push"},
                noFiles},

    CommandCase{"PinFlipsPinned", R"({"cmd":"blockPin","id":"K1"})", {"push"}, blocksFile,
                [](const CommandFixture& f) { EXPECT_TRUE(block(f, "K1").pinned); }},
    CommandCase{"PinOfUnknownBlockWritesNothing", R"({"cmd":"blockPin","id":"ZZ"})", {"push"}, noFiles},
    CommandCase{"PinWithoutIdWritesNothing", R"({"cmd":"blockPin"})", {"push"}, noFiles},

    // Collapsing is drawn by the page at once; the program only remembers it for the next page.
    CommandCase{"CollapseIsRememberedWithoutAPush", R"({"cmd":"collapse","id":"K1","collapsed":true})",
                {"collapsed K1 yes"}, noFiles},
    CommandCase{"ExpandIsRememberedWithoutAPush", R"({"cmd":"collapse","id":"K1","collapsed":false})",
                {"collapsed K1 no"}, noFiles},
    // A stale page may name a block deleted meanwhile; remembering it would grow without end.
    CommandCase{"CollapseOfUnknownBlockIsIgnored", R"({"cmd":"collapse","id":"ZZ","collapsed":true})", {}, noFiles},
    CommandCase{"CollapseWithoutABooleanIsIgnored", R"({"cmd":"collapse","id":"K1","collapsed":"yes"})", {},
                noFiles},

    CommandCase{"DeleteKeepsEntriesOfEverySessionWithoutBlock", R"({"cmd":"blockDelete","id":"K1"})", {"push"},
                Files{"blocks.json", "clipboard.json"},
                [](const CommandFixture& f) {
                    EXPECT_EQ(f.order(), (Ids{"P", "A", "B", "C", "X"}));
                    EXPECT_EQ(f.clip("A").blockId, std::nullopt);
                    EXPECT_EQ(f.clip("X").blockId, std::nullopt);
                    EXPECT_EQ(f.target.sessions.blocks.size(), 1u);
                },
                [](CommandFixture& f) {
                    f.target.clip.items[4].blockId = "K1";
                    f.target.clip.save();
                }},
    CommandCase{"DeleteOfUnknownBlockRewritesOnlyBlocks", R"({"cmd":"blockDelete","id":"ZZ"})", {"push"},
                blocksFile},
    CommandCase{"DeleteWithoutIdWritesNothing", R"({"cmd":"blockDelete","id":false})", {"push"}, noFiles}
), caseName);

} // namespace
} // namespace brimble::test
