// The page commands that reach the desktop: starting at login, hiding, pasting after choosing.

#include "unit/bridge/CommandFixture.h"

namespace brimble::test {
namespace {

class DesktopCommands : public CommandFixture, public ::testing::TestWithParam<CommandCase> {};

TEST_P(DesktopCommands, HaveExactlyTheirEffect)
{
    runCase(*this, GetParam());
}

void pasting(CommandFixture& f)
{
    f.target.fake.defaults.setRaw("pasteAfterChoosing", true);
}

INSTANTIATE_TEST_SUITE_P(Table, DesktopCommands, ::testing::Values(
    CommandCase{"AutostartOn", R"({"cmd":"autostart","value":true})", {"start at login: on", "push"}, noFiles},
    CommandCase{"AutostartOff", R"({"cmd":"autostart","value":false})", {"start at login: off", "push"}, noFiles},
    // Writing into the user's autostart folder is never done on a guess.
    CommandCase{"AutostartWithoutValueOnlyPushes", R"({"cmd":"autostart"})", {"push"}, noFiles},
    CommandCase{"AutostartWithTextValueOnlyPushes", R"({"cmd":"autostart","value":"true"})", {"push"}, noFiles},
    CommandCase{"AutostartWithNumberValueOnlyPushes", R"({"cmd":"autostart","value":1})", {"push"}, noFiles},

    CommandCase{"PasteAfterChoosingOn", R"({"cmd":"pasteAfterChoosing","value":true})",
                {"defaults: pasteAfterChoosing = true", "push"}, noFiles},
    CommandCase{"PasteAfterChoosingOff", R"({"cmd":"pasteAfterChoosing","value":false})",
                {"defaults: pasteAfterChoosing = false", "push"}, noFiles, nullptr, pasting},
    CommandCase{"PasteAfterChoosingWithoutValueOnlyPushes", R"({"cmd":"pasteAfterChoosing"})", {"push"}, noFiles,
                nullptr, pasting},
    CommandCase{"PasteAfterChoosingWithNullOnlyPushes", R"({"cmd":"pasteAfterChoosing","value":null})", {"push"},
                noFiles},

    // Hiding changes nothing the page shows.
    CommandCase{"HideHidesWithoutPush", R"({"cmd":"hide"})", {"window: hide"}, noFiles},
    CommandCase{"HideIgnoresExtraFields", R"({"cmd":"hide","id":"B"})", {"window: hide"}, noFiles},

    // The view left on the page is kept in memory for the next page, never pushed or written.
    CommandCase{"ViewIsKeptForTheNextPage",
                R"({"cmd":"view","view":{"query":"abc","scrollTop":812.6,"selection":["B","C"],"focusId":"B","settingsOpen":true}})",
                {}, noFiles,
                [](const CommandFixture& f) {
                    EXPECT_EQ(f.target.pageView, (PageView{"abc", 812, {"B", "C"}, "B", true}));
                }},
    // A mistyped member reads as absent rather than costing the rest of the view.
    CommandCase{"ViewWithMistypedMembersKeepsTheOthers",
                R"({"cmd":"view","view":{"query":7,"scrollTop":-40,"selection":["B",3],"settingsOpen":"yes"}})", {},
                noFiles,
                [](const CommandFixture& f) { EXPECT_EQ(f.target.pageView, PageView{}); }},
    // A page cannot make the program keep an unbounded query or selection; the view kept before is
    // not what the user left either, and came back stale.
    CommandCase{"OversizedViewIsNotKeptAndClearsTheOneBefore",
                R"({"cmd":"view","view":{"query":")" + std::string(5000, 'q') + R"("}})", {}, noFiles,
                [](const CommandFixture& f) { EXPECT_EQ(f.target.pageView, PageView{}); },
                [](CommandFixture& f) { f.target.pageView = PageView{"old", 40, {}, "", false}; }},
    CommandCase{"ViewThatIsNotAnObjectIsIgnored", R"({"cmd":"view","view":[1]})", {}, noFiles,
                [](const CommandFixture& f) { EXPECT_EQ(f.target.pageView, std::nullopt); }},

    CommandCase{"CopyWhilePastingHandsOnAfterTheCopy", R"({"cmd":"copy","id":"B"})",
                {"pasteboard: clear", "pasteboard: text Bravo", "paste into previous window", "push"}, historyFile,
                nullptr, pasting},
    CommandCase{"CopyWithoutPastingOnlyCopies", R"({"cmd":"copy","id":"B"})",
                {"pasteboard: clear", "pasteboard: text Bravo", "push"}, historyFile},
    // A card deleted meanwhile copies nothing, so nothing may be pasted.
    CommandCase{"CopyOfUnknownEntryNeverPastes", R"({"cmd":"copy","id":"GONE"})", {"push"}, noFiles, nullptr,
                pasting},
    CommandCase{"CopyWithoutIdNeverPastes", R"({"cmd":"copy"})", {"push"}, noFiles, nullptr, pasting},
    // Another session's entry is still an entry: it is copied, so it is pasted.
    CommandCase{"CopyOfOtherSessionsEntryPastes", R"({"cmd":"copy","id":"X"})",
                {"pasteboard: clear", "pasteboard: text Xray", "paste into previous window", "push"}, historyFile,
                nullptr, pasting}
), caseName);

} // namespace
} // namespace brimble::test
