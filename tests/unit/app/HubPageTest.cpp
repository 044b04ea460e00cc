// The page behind the window: one push at a time, none while hidden, released after a while
// hidden and built again when shown; the background launch.

#include <gtest/gtest.h>

#include "bridge/Payload.h"
#include "settings/Settings.h"
#include "support/HubFixture.h"
#include "unit/app/SnapshotReader.h"

namespace brimble {
namespace {

using test::HubFixture;

// A launched program whose page has loaded, with scripts left running until a test finishes them.
struct PageFixture : HubFixture {
    explicit PageFixture(WindowAtLaunch atLaunch = WindowAtLaunch::Shown, bool keyGrabbed = true)
    {
        fake.shortcut.available = keyGrabbed;
        make().setWindowAtLaunch(atLaunch);
        hub->applicationDidFinishLaunching();
        fake.host.holdScripts = true;
        fake.log_.clear();
    }
    void copy(const std::string& text)
    {
        fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, text);
        fake.pasteboard.fireWatch();
    }
    // The page loaded and asks for the state, as it does on every load.
    void pageAsks()
    {
        hub->pageDidFinishLoading();
        hub->didReceiveScriptMessage("pr2Clip", R"({"cmd":"list"})");
    }
    size_t pushes() const { return renders(); }
    // The window hidden for longer than the release delay: the page is gone.
    void releasePage()
    {
        fake.host.hideWindow();
        fake.loop.advance(pageReleaseDelaySeconds + 1);
    }
    std::string newestInLastPush() const
    {
        const rapidjson::Document snapshot = test::snapshotOf(lastRender());
        return snapshot["items"][0]["text"].GetString();
    }
    std::vector<std::string> webviewLines() const { return fake.log_.matching("webview:"); }
};

TEST(HubPagePush, OnePushRunsAtATimeAndOneWithTheLatestStateFollows)
{
    PageFixture f;
    f.pageAsks();
    ASSERT_EQ(f.pushes(), 1u);

    for (const char* text : {"one", "two", "three"})
        f.copy(text);
    EXPECT_EQ(f.pushes(), 1u) << "the page is still busy with the first snapshot";

    EXPECT_EQ(f.fake.host.finishScripts(), 1u);
    ASSERT_EQ(f.pushes(), 2u) << "the three changes are sent as one";
    EXPECT_EQ(f.newestInLastPush(), "three");

    EXPECT_EQ(f.fake.host.finishScripts(), 1u);
    EXPECT_EQ(f.pushes(), 2u) << "nothing changed meanwhile";
    EXPECT_EQ(f.fake.host.runningScripts(), 0u);
}

// The snapshot waits for the page's fetch and is given once; the program does not keep a copy
// of a 25 MB history beside the engine's, nor hand a stale one to a later fetch.
TEST(HubPagePush, SnapshotIsFetchedOnceAndNotKeptAfter)
{
    PageFixture f;
    f.copy("fetched");
    f.pageAsks();
    EXPECT_EQ(f.newestInLastPush(), "fetched");
    const SchemeResult again = f.hub->startSchemeTask(stateURL);
    ASSERT_TRUE(std::holds_alternative<SchemeError>(again));
    EXPECT_EQ(std::get<SchemeError>(again).code, 404);
}

TEST(HubPagePush, HiddenWindowGetsNoPushAndShowingSendsTheTrueStateOnce)
{
    PageFixture f;
    f.pageAsks();
    f.fake.host.finishScripts();
    f.fake.host.hideWindow();

    f.copy("while hidden");
    f.copy("newest");
    EXPECT_EQ(f.pushes(), 1u);

    f.fake.host.showWindow();
    ASSERT_EQ(f.pushes(), 2u);
    EXPECT_EQ(f.newestInLastPush(), "newest");
}

TEST(HubPagePush, ShowingAfterNothingChangedSendsNothing)
{
    PageFixture f;
    f.pageAsks();
    f.fake.host.finishScripts();
    f.fake.host.hideWindow();
    f.fake.host.showWindow();
    EXPECT_EQ(f.pushes(), 1u);
}

// The window was closed while a snapshot was running: its completion must not push into a hidden
// page, and the change must still reach the page when it is shown.
TEST(HubPagePush, ChangeMadeWhileAPushRanAndTheWindowClosedArrivesOnShow)
{
    PageFixture f;
    f.pageAsks();
    f.copy("late");
    f.fake.host.hideWindow();
    f.fake.host.finishScripts();
    EXPECT_EQ(f.pushes(), 1u);

    f.fake.host.showWindow();
    ASSERT_EQ(f.pushes(), 2u);
    EXPECT_EQ(f.newestInLastPush(), "late");
}

// A web process that crashed is reloaded; the script it was running never completes, and waiting
// for it would leave the page without any state from then on.
TEST(HubPagePush, ReloadedPageIsNotKeptWaitingForAScriptItLost)
{
    PageFixture f;
    f.pageAsks();
    ASSERT_EQ(f.fake.host.runningScripts(), 1u);
    f.pageAsks();
    EXPECT_EQ(f.pushes(), 2u);
}

TEST(HubPageRelease, PageIsReleasedOnceTheUserHasRested)
{
    PageFixture f;
    f.pageAsks();
    f.fake.host.finishScripts();
    f.fake.host.hideWindow();

    f.fake.loop.advance(pageReleaseDelaySeconds - 1);
    EXPECT_TRUE(f.webviewLines().empty());
    f.fake.loop.advance(2);
    EXPECT_EQ(f.webviewLines(), std::vector<std::string>{"webview: release"});

    // Capture goes on without a page, and the new page asks for what it missed.
    f.copy("recorded meanwhile");
    EXPECT_EQ(f.hub->clip.items.front().text, "recorded meanwhile");
    EXPECT_EQ(f.pushes(), 1u);

    f.fake.log_.clear();
    f.hub->performMenuAction(MenuAction::ShowMainWindow);
    EXPECT_EQ(f.webviewLines(), (std::vector<std::string>{"webview: create devtools=0 scheme=vellumo channel=pr2Clip",
                                                          "webview: load vellumo://clipboard/index.html"}));
    EXPECT_TRUE(f.fake.host.visible);
    f.pageAsks();
    ASSERT_EQ(f.pushes(), 2u);
    EXPECT_EQ(f.newestInLastPush(), "recorded meanwhile");
}

TEST(HubPageRelease, ShowingWithinTheDelayKeepsThePage)
{
    PageFixture f;
    f.fake.host.hideWindow();
    f.fake.loop.advance(30);
    f.fake.host.showWindow();
    f.fake.loop.advance(pageReleaseDelaySeconds * 2);
    EXPECT_TRUE(f.webviewLines().empty());
}

// Hidden, shown and hidden again: the first hiding's timer must not release the page early.
TEST(HubPageRelease, AnEarlierHidingDoesNotCutTheLaterWaitShort)
{
    PageFixture f;
    f.fake.host.hideWindow();
    f.fake.loop.advance(30);
    f.fake.host.showWindow();
    f.fake.loop.advance(20);
    f.fake.host.hideWindow();
    f.fake.loop.advance(pageReleaseDelaySeconds - 1);
    EXPECT_TRUE(f.webviewLines().empty());
    f.fake.loop.advance(2);
    EXPECT_EQ(f.webviewLines(), std::vector<std::string>{"webview: release"});
}

// The page's script was cancelled with it; the next page must not wait for that one.
TEST(HubPageRelease, ScriptRunningAtTheReleaseDoesNotHoldBackTheNextPage)
{
    PageFixture f;
    f.pageAsks();
    f.fake.host.holdScripts = true;
    f.releasePage();
    f.fake.host.showWindow();
    f.pageAsks();
    EXPECT_EQ(f.pushes(), 2u);
}

// The web process starts while the keys are still down; the window waits for their release. Control+Alt+V
// promises a search field ready to type in, also when the page had been released: the keys typed
// meanwhile are held until the new page has drawn and been asked for its search field, in that order.
TEST(HubPageRelease, ShortcutRebuildsThePageWhileTheKeyIsStillDownAndHoldsTheKeysUntilItHasDrawn)
{
    PageFixture f;
    f.releasePage();
    f.fake.log_.clear();

    f.fake.shortcut.keyDown();
    const std::vector<std::string> begun = f.webviewLines();
    ASSERT_EQ(begun.size(), 2u);
    EXPECT_TRUE(begun[0].starts_with("webview: create"));
    EXPECT_TRUE(begun[1].starts_with("webview: load"));
    EXPECT_EQ(f.fake.log_.matching("keys:"), std::vector<std::string>{"keys: hold"});
    EXPECT_FALSE(f.fake.host.isWindowVisible());

    f.fake.shortcut.release();
    EXPECT_TRUE(f.fake.host.isWindowVisible());
    EXPECT_EQ(f.webviewLines(), begun) << "the window must show the page begun at key down";
    // The load may be reported before the page's scripts have run; nothing is asked of it then.
    f.hub->pageDidFinishLoading();
    EXPECT_TRUE(f.fake.host.scripts.empty());
    EXPECT_EQ(f.fake.log_.matching("keys:"), std::vector<std::string>{"keys: hold"});

    f.pageAsks();
    EXPECT_EQ(f.fake.host.scripts.size(), 1u);
    EXPECT_EQ(f.fake.log_.matching("keys:"), std::vector<std::string>{"keys: hold"}) << "not drawn yet";
    f.fake.host.finishScripts();
    ASSERT_EQ(f.fake.host.scripts.size(), 2u);
    EXPECT_TRUE(f.fake.host.scripts[0].starts_with("window.__pr2clip && window.__pr2clip.render("));
    EXPECT_EQ(f.fake.host.scripts[1], "window.__pr2clip.readyForKeys('summon')");
    EXPECT_EQ(f.fake.log_.matching("keys:"), std::vector<std::string>{"keys: hold"}) << "until the page says so";
    f.hub->didReceiveScriptMessage("pr2Clip", R"({"cmd":"keysReady"})");
    EXPECT_EQ(f.fake.log_.matching("keys:"), (std::vector<std::string>{"keys: hold", "keys: release"}));
}

// A snapshot that reached the page before its scripts ran (a copy made while it loaded) was not
// drawn: asking that page for its keys would fail, and the keys would stay held.
TEST(HubPageRelease, OnlyASnapshotSentAfterThePageAskedCountsAsDrawn)
{
    PageFixture f;
    f.copy("made while the page loads");
    f.fake.host.finishScripts();
    const auto asked = [&f] {
        return std::ranges::count_if(f.fake.host.scripts, [](const std::string& script) {
            return script.starts_with("window.__pr2clip.readyForKeys(");
        });
    };
    EXPECT_EQ(asked(), 0);
    f.pageAsks();
    f.fake.host.finishScripts();
    EXPECT_EQ(asked(), 1);
}

// The question whether keys may come is put to each new page once, after its first snapshot: a
// snapshot completing for a page already released asks nothing of the next one.
TEST(HubPageRelease, OnlyTheCurrentPagesFirstSnapshotAsksForItsKeys)
{
    PageFixture f;
    f.fake.host.holdScripts = true;
    f.pageAsks();
    f.releasePage();
    f.fake.host.showWindow();
    f.fake.host.scripts.clear();
    f.fake.host.finishScripts();
    EXPECT_TRUE(f.fake.host.scripts.empty()) << "the old page's snapshot completed";
    f.pageAsks();
    f.fake.host.finishScripts();
    f.copy("later");
    f.fake.host.finishScripts();
    const auto asked = std::ranges::count_if(f.fake.host.scripts, [](const std::string& script) {
        return script.starts_with("window.__pr2clip.readyForKeys(");
    });
    EXPECT_EQ(asked, 1);
}

// A key that went down without a press to answer (the grab lost, the window shown otherwise and
// hidden again) must not leave a page alive behind a hidden window.
TEST(HubPageRelease, PageBegunAtKeyDownIsReleasedWhenTheWindowStaysHidden)
{
    PageFixture f;
    f.releasePage();
    f.fake.shortcut.keyDown();
    ASSERT_TRUE(f.fake.host.hasWebView);
    f.fake.loop.advance(pageReleaseDelaySeconds + 1);
    EXPECT_FALSE(f.fake.host.hasWebView);
}

// A page's dialog runs inside the page's own call, with its own main loop: the release of a hidden
// window's page must wait for it, or the web view is destroyed from inside its handler.
TEST(HubPageRelease, PageIsNotReleasedWhileOneOfItsDialogsIsOpen)
{
    PageFixture f;
    f.fake.host.hideWindow();
    bool releasedWhileOpen = false;
    f.fake.dialogs.whileOpen = [&f, &releasedWhileOpen] {
        f.fake.loop.advance(pageReleaseDelaySeconds + 1);
        releasedWhileOpen = !f.fake.log_.matching("webview: release").empty();
    };
    f.fake.dialogs.promptAnswers.push_back("Work");
    const PageDialogAnswer answer = f.hub->runPageDialog({PageDialogKind::Prompt, "Name", ""});
    EXPECT_EQ(answer.text, "Work");
    EXPECT_FALSE(releasedWhileOpen);
    f.fake.dialogs.whileOpen = nullptr;
    f.fake.loop.advance(pageReleaseDelaySeconds - 1);
    EXPECT_TRUE(f.fake.log_.matching("webview: release").empty()) << "the wait starts again at the close";
    f.fake.loop.advance(2);
    EXPECT_EQ(f.fake.log_.matching("webview: release").size(), 1u);
}

// A page released while hidden comes back as the user left it: collapsed blocks, and the view the
// old page reported as its window was hidden.
TEST(HubPageRelease, CollapsedBlocksAndTheViewReachTheNextPage)
{
    PageFixture f;
    f.fake.host.holdScripts = false;
    f.hub->didReceiveScriptMessage("pr2Clip", R"({"cmd":"blockCreate","name":"Work"})");
    const std::string block = f.hub->sessions.blocks.at(0).id;
    f.hub->didReceiveScriptMessage("pr2Clip", R"({"cmd":"collapse","id":")" + block + R"(","collapsed":true})");
    f.hub->didReceiveScriptMessage(
        "pr2Clip", R"({"cmd":"view","view":{"query":"qu","scrollTop":300,"selection":[],"settingsOpen":true}})");
    f.releasePage();
    f.fake.host.showWindow();
    f.pageAsks();
    const rapidjson::Document snapshot = test::snapshotOf(f.lastRender());
    ASSERT_TRUE(snapshot["collapsed"].IsArray());
    ASSERT_EQ(snapshot["collapsed"].Size(), 1u);
    EXPECT_EQ(std::string(snapshot["collapsed"][0].GetString()), block);
    EXPECT_EQ(std::string(snapshot["view"]["query"].GetString()), "qu");
    EXPECT_EQ(snapshot["view"]["scrollTop"].GetInt64(), 300);
    EXPECT_TRUE(snapshot["view"]["settingsOpen"].GetBool());
}

// A web process that restarted while the window was shown brought back the view of the last hide
// over what the user had done since: the kept view is the next page's only, and a page kept
// through a short hide makes it stale.
TEST(HubPageRelease, PageRestartedWhileShownDoesNotGoBackToTheLastHidesView)
{
    for (const bool released : {true, false}) {
        PageFixture f;
        f.fake.host.holdScripts = false;
        f.pageAsks();
        f.fake.host.hideWindow();
        f.hub->didReceiveScriptMessage("pr2Clip", R"({"cmd":"view","view":{"query":"qu","scrollTop":300}})");
        if (released) {
            f.fake.loop.advance(pageReleaseDelaySeconds + 1);
            f.fake.host.showWindow();
            f.pageAsks();
            EXPECT_EQ(std::string(test::snapshotOf(f.lastRender())["view"]["query"].GetString()), "qu")
                << "the next page takes the view";
        } else {
            f.fake.host.showWindow();
        }
        f.pageAsks(); // its web process ended and the page loaded again
        EXPECT_EQ(std::string(test::snapshotOf(f.lastRender())["view"]["query"].GetString()), "")
            << (released ? "after a released page" : "after a page kept through the hide");
    }
}

TEST(HubPageRelease, DelaySettingIsClampedAndDefaultsToHalfAnHour)
{
    struct Row {
        std::optional<int64_t> stored;
        double expected;
    };
    for (const Row& row : {Row{std::nullopt, pageReleaseDelaySeconds}, Row{5, 5}, Row{0, 1}, Row{-30, 1},
                           Row{10'000'000, 86'400}}) {
        FakePlatform fake;
        if (row.stored)
            fake.defaults.setInt(Def::pageReleaseSeconds, *row.stored);
        EXPECT_EQ(pageReleaseDelaySetting(fake.defaults), row.expected) << (row.stored ? *row.stored : -1);
    }
}

TEST(HubBackgroundLaunch, RecordsWithoutWindowOrPageUntilTheWindowIsShown)
{
    HubFixture f;
    f.make().setWindowAtLaunch(WindowAtLaunch::Hidden);
    f.hub->applicationDidFinishLaunching();
    for (const std::string& line : f.fake.log()) {
        EXPECT_FALSE(line.starts_with("webview:")) << line;
        EXPECT_NE(line, "window: show");
    }
    EXPECT_TRUE(f.fake.pasteboard.isWatching());
    EXPECT_TRUE(f.fake.menus.statusMenu.has_value());

    f.fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, std::string("copied at login"));
    f.fake.pasteboard.fireWatch();
    EXPECT_EQ(f.hub->clip.items.front().text, "copied at login");
    EXPECT_TRUE(f.fake.host.scripts.empty());

    // A second start without options, or the tray, shows the window with a new page.
    f.fake.log_.clear();
    f.hub->handleWindowRequest(WindowRequest::Reopen);
    EXPECT_EQ(f.fake.log_.matching("webview:").size(), 2u);
    EXPECT_TRUE(f.fake.host.visible);
}

// The fault guarded: a page released a minute after hiding, so a user who copies all day met a
// page built anew at almost every show.
TEST(HubPageRelease, ACopyWhileHiddenKeepsThePageForAnotherRest)
{
    PageFixture f;
    f.pageAsks();
    f.fake.host.finishScripts();
    f.fake.host.hideWindow();
    f.fake.loop.advance(pageReleaseDelaySeconds - 10);
    f.copy("still working");
    f.fake.loop.advance(20);
    EXPECT_TRUE(f.webviewLines().empty()) << "released while the user copies";
    EXPECT_EQ(f.pushes(), 1u) << "a drawn page is not redrawn while hidden";
    f.fake.loop.advance(pageReleaseDelaySeconds);
    EXPECT_EQ(f.webviewLines(), std::vector<std::string>{"webview: release"});
}

TEST(HubBackgroundLaunch, ACopyBuildsAPageAheadThatDrawsWhileHiddenAndRestsLikeAnother)
{
    PageFixture f(WindowAtLaunch::Hidden);
    f.copy("copied at login");
    f.fake.loop.advance(buildAheadPauseSeconds - 0.5);
    f.copy("copied again");
    f.fake.loop.advance(buildAheadPauseSeconds - 0.5);
    EXPECT_TRUE(f.webviewLines().empty()) << "built only once the copying has paused";
    f.fake.loop.advance(0.5);
    EXPECT_EQ(f.webviewLines(), (std::vector<std::string>{"webview: create devtools=0 scheme=vellumo channel=pr2Clip",
                                                          "webview: load vellumo://clipboard/index.html"}))
        << "one page for both copies";
    EXPECT_FALSE(f.fake.host.visible);
    // Drawn while hidden, so the next show finds the history there.
    f.pageAsks();
    ASSERT_EQ(f.pushes(), 1u);
    EXPECT_EQ(f.newestInLastPush(), "copied again");
    f.fake.host.finishScripts();
    f.copy("third");
    EXPECT_EQ(f.pushes(), 1u);
    f.hub->handleWindowRequest(WindowRequest::Show);
    EXPECT_EQ(f.webviewLines().size(), 2u) << "shown with the page built ahead";
    ASSERT_EQ(f.pushes(), 2u);
    EXPECT_EQ(f.newestInLastPush(), "third");
    f.fake.host.finishScripts();
    f.fake.log_.clear();
    f.fake.host.hideWindow();
    f.fake.loop.advance(pageReleaseDelaySeconds + 1);
    EXPECT_EQ(f.webviewLines(), std::vector<std::string>{"webview: release"});
}

// The fault guarded: the whole build held the loop in one turn (45-160 ms on a busy machine), so
// the desktop-wide key's press waited behind it and the letters typed right after went to the
// window behind. Built ahead, each step takes a turn of its own; the key finishes the build at once.
TEST(HubBackgroundLaunch, APageBuiltAheadTakesALoopTurnPerStepAndTheKeyFinishesItAtOnce)
{
    PageFixture f(WindowAtLaunch::Hidden);
    f.copy("copied at login");
    const auto steps = [&f] { return f.fake.log_.matching("engine:").size() + f.webviewLines().size(); };
    // The pause after the copy ends: the build begins.
    f.fake.clock.time += buildAheadPauseSeconds;
    ASSERT_TRUE(f.fake.loop.runOne());
    EXPECT_EQ(steps(), 0u);
    ASSERT_TRUE(f.fake.loop.runOne());
    EXPECT_EQ(steps(), 1u) << "the web context alone";
    ASSERT_TRUE(f.fake.loop.runOne());
    EXPECT_EQ(steps(), 2u) << "then the view";
    EXPECT_EQ(f.fake.log_.matching("keys:"), std::vector<std::string>{"keys: hold"});

    f.fake.shortcut.keyDown();
    EXPECT_EQ(f.webviewLines(), (std::vector<std::string>{"webview: create devtools=0 scheme=vellumo channel=pr2Clip",
                                                          "webview: load vellumo://clipboard/index.html"}));
    f.fake.shortcut.release();
    EXPECT_TRUE(f.fake.host.visible);
    f.fake.loop.advance(0);
    EXPECT_EQ(steps(), 3u) << "one page, built once";
    EXPECT_EQ(f.fake.log_.matching("keys:"), std::vector<std::string>{"keys: hold"}) << "held once";
}

struct RequestCase {
    const char* name;
    bool visibleBefore;
    WindowRequest request;
    std::vector<std::string> expected; // window and shell lines
};

TEST(HubWindowRequest, ActsOnTheRunningInstance)
{
    const std::vector<RequestCase> cases = {
        // Run by a desktop's shortcut, the command is the key: what is typed next is the search's.
        {"show when hidden", false, WindowRequest::Show,
         {"window: requested by a command", "shell: activate", "window: show"}},
        {"show when shown", true, WindowRequest::Show,
         {"window: requested by a command", "shell: activate", "window: show"}},
        {"hide when shown", true, WindowRequest::Hide, {"window: hide"}},
        {"toggle when hidden", false, WindowRequest::Toggle,
         {"window: requested by a command", "shell: activate", "window: show"}},
        {"toggle when shown", true, WindowRequest::Toggle, {"window: hide"}},
        {"reopen when hidden", false, WindowRequest::Reopen, {"shell: activate", "window: show"}},
        {"reopen when shown", true, WindowRequest::Reopen, {}},
        {"background to a running one", false, WindowRequest::Keep, {}},
        {"quit", true, WindowRequest::Quit, {"shell: quit"}},
    };
    for (const RequestCase& row : cases) {
        PageFixture f;
        if (!row.visibleBefore)
            f.fake.host.hideWindow();
        f.fake.log_.clear();
        f.hub->handleWindowRequest(row.request);
        std::vector<std::string> lines;
        for (const std::string& line : f.fake.log())
            if (line.starts_with("window:") || line.starts_with("shell:"))
                lines.push_back(line);
        EXPECT_EQ(lines, row.expected) << row.name;
    }
}

// The fault guarded: a page built ahead at once after a copy held the loop while the user, who had
// just copied, pressed the desktop-wide key and typed; the first letters went to the window behind.
// Asked for within the pause, the page is built on the spot, once the key has the keyboard.
TEST(HubBackgroundLaunch, TheKeyPressedRightAfterACopyFindsNoBuildUnderWay)
{
    PageFixture f(WindowAtLaunch::Hidden);
    f.copy("copied just now");
    f.fake.loop.advance(buildAheadPauseSeconds / 2);
    EXPECT_TRUE(f.webviewLines().empty());
    f.fake.shortcut.keyDown();
    f.fake.shortcut.release();
    EXPECT_TRUE(f.fake.host.visible);
    EXPECT_EQ(f.webviewLines().size(), 2u) << "built on the spot";
    f.fake.loop.advance(buildAheadPauseSeconds);
    EXPECT_EQ(f.webviewLines().size(), 2u) << "and not again when the pause ends";

    // Where the desktop runs a command for its shortcut (Wayland), the program reads no key, and
    // a page ready at once shows sooner.
    PageFixture command(WindowAtLaunch::Hidden, false);
    command.copy("copied on Wayland");
    command.fake.loop.advance(0);
    EXPECT_EQ(command.webviewLines().size(), 2u) << "built at the next idle turn";
}

} // namespace
} // namespace brimble
