// The desktop around the window: Control+Alt+V, hiding, pasting after choosing, starting at login.

#include <gtest/gtest.h>

#include "settings/Settings.h"
#include "support/HubFixture.h"
#include "unit/app/SnapshotReader.h"

namespace brimble {
namespace {

using test::HubFixture;

// The desktop-wide key closes an open settings sheet for the search field.
constexpr const char* summonSearch = "window.__pr2clip.readyForKeys('summon')";

// A launched program whose window was closed, with one recorded entry.
struct DesktopFixture : HubFixture {
    DesktopFixture()
    {
        launch();
        // The page has loaded and asked for its state, so it has drawn.
        hub->didReceiveScriptMessage("pr2Clip", R"({"cmd":"list"})");
        fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, std::string("chosen words"));
        fake.pasteboard.fireWatch();
        fake.host.hideWindow();
        fake.host.scripts.clear();
        fake.log_.clear();
    }
    void send(const std::string& body) { hub->didReceiveScriptMessage("pr2Clip", body); }
    std::string entryId() const { return hub->clip.items.at(0).id; }
    rapidjson::Document lastSnapshot() const { return test::snapshotOf(lastRender()); }
    std::filesystem::path autostartEntry() const { return home / "config" / "autostart" / "brimble.desktop"; }
};

// The same with the window open again, so the page is drawn.
struct ShownDesktopFixture : DesktopFixture {
    ShownDesktopFixture()
    {
        fake.host.showWindow();
        fake.host.scripts.clear();
        fake.log_.clear();
    }
};

TEST(HubShortcut, KeyShowsTheWindowWithTheSearchFieldFocusedThenHidesIt)
{
    DesktopFixture f;
    EXPECT_EQ(f.fake.shortcut.accelerator, "<Control><Alt>v");
    f.hub->pageDidFinishLoading();
    f.fake.log_.clear();

    f.fake.shortcut.press();
    // The keys wait until the page has the search focused; typed sooner, letters were lost.
    EXPECT_EQ(f.fake.log(), (std::vector<std::string>{"paste: remember focus", "shell: activate", "window: show",
                                                      "keys: hold"}));
    EXPECT_EQ(f.fake.host.scripts, std::vector<std::string>{summonSearch});
    f.fake.log_.clear();
    f.hub->didReceiveScriptMessage("pr2Clip", R"({"cmd":"keysReady"})");
    EXPECT_EQ(f.fake.log(), std::vector<std::string>{"keys: release"});

    f.fake.log_.clear();
    f.fake.shortcut.press();
    EXPECT_EQ(f.fake.log(), std::vector<std::string>{"window: hide"});
}

// A window left open behind another program's must come forward, not vanish.
TEST(HubShortcut, VisibleWindowWithoutTheKeyboardIsBroughtForward)
{
    DesktopFixture f;
    f.fake.host.showWindow();
    f.fake.host.focused = false;
    f.fake.log_.clear();

    f.fake.shortcut.press();
    EXPECT_EQ(f.fake.log_.matching("window:"), std::vector<std::string>{"window: show"});
    EXPECT_TRUE(f.fake.host.isWindowFocused());
}

TEST(HubShortcut, BoundKeyIsShownBesideShowBrimble)
{
    HubFixture f;
    f.launch();
    ASSERT_TRUE(f.fake.menus.statusMenu);
    const MenuItem& show = f.fake.menus.statusMenu->items.front();
    EXPECT_EQ(show.title, "Show Brimble");
    EXPECT_EQ(show.globalAccelerator, "<Control><Alt>v");
}

// Another program holding the key must not stop the launch; the tray says so, once.
TEST(HubShortcut, KeyTakenByAnotherProgramIsReportedAsADisabledTrayItem)
{
    HubFixture f;
    f.fake.shortcut.taken = true;
    f.launch();
    EXPECT_EQ(f.fake.log_.matching("shortcut:"), std::vector<std::string>{"shortcut: bind <Control><Alt>v (taken)"});
    EXPECT_EQ(f.fake.log_.matching("status item:"),
              std::vector<std::string>{"status item: Show Brimble, Shortcut Ctrl+Alt+V is in use by another "
                                       "program (disabled), -, Show in Dock [x], Start at Login [ ], -, Quit Brimble"});
    // Rebuilt for another reason, the menu still carries the one notice.
    f.hub->performMenuAction(MenuAction::ToggleDockVisible);
    EXPECT_EQ(f.fake.menus.statusMenu->items.at(1).title, "Shortcut Ctrl+Alt+V is in use by another program");
    EXPECT_FALSE(f.fake.menus.statusMenu->items.at(1).enabled);
    EXPECT_EQ(f.fake.log_.matching("shortcut:").size(), 1u) << "the grab is tried once";
    EXPECT_TRUE(f.fake.log_.matching("window: show").size() == 1u);
}

// On Wayland no program may grab a key; saying that another program holds it would be false.
TEST(HubShortcut, DesktopWithoutKeyGrabsGetsNoFalseTakenNotice)
{
    HubFixture f;
    f.fake.shortcut.available = false;
    f.launch();
    EXPECT_TRUE(f.fake.log_.matching("shortcut:").empty());
    EXPECT_EQ(f.fake.log_.matching("status item:"),
              std::vector<std::string>{"status item: Show Brimble, -, Show in Dock [x], Start at Login [ ], -, Quit Brimble"});
}

TEST(HubHide, HideCommandHidesWithoutAPush)
{
    DesktopFixture f;
    f.fake.host.showWindow();
    f.fake.log_.clear();
    f.send(R"({"cmd":"hide"})");
    EXPECT_EQ(f.fake.log(), std::vector<std::string>{"window: hide"});
    EXPECT_TRUE(f.fake.host.scripts.empty());
}

TEST(HubPasteAfterChoosing, CopyHidesTheWindowAndPastesAMomentLater)
{
    DesktopFixture f;
    f.fake.defaults.setBool(Def::pasteAfterChoosing, true);
    f.fake.host.showWindow();
    f.fake.log_.clear();

    f.send(R"({"cmd":"copy","id":")" + f.entryId() + R"("})");
    EXPECT_EQ(f.fake.log(),
              (std::vector<std::string>{"pasteboard: clear", "pasteboard: text chosen words", "window: hide"}));
    EXPECT_TRUE(f.fake.host.scripts.empty()) << "a hidden window's page is not drawn";
    // The other window needs a moment to get the keyboard back before Control+V reaches it.
    f.fake.loop.advance(0.1);
    EXPECT_TRUE(f.fake.log_.matching("paste:").empty());
    f.fake.loop.advance(0.1);
    EXPECT_EQ(f.fake.log_.matching("paste:"), std::vector<std::string>{"paste: into remembered window"});
}

TEST(HubPasteAfterChoosing, OffByDefaultCopyOnlyCopies)
{
    DesktopFixture f;
    f.fake.host.showWindow();
    f.fake.log_.clear();
    f.send(R"({"cmd":"copy","id":")" + f.entryId() + R"("})");
    EXPECT_EQ(f.fake.log(), (std::vector<std::string>{"pasteboard: clear", "pasteboard: text chosen words"}));
    f.fake.loop.advance(1);
    EXPECT_TRUE(f.fake.log_.matching("paste:").empty());
    EXPECT_TRUE(f.fake.host.visible);
}

// A stale card (deleted meanwhile) copies nothing, so nothing may be pasted either.
TEST(HubPasteAfterChoosing, UnknownEntryNeitherHidesNorPastes)
{
    DesktopFixture f;
    f.fake.defaults.setBool(Def::pasteAfterChoosing, true);
    f.fake.host.showWindow();
    f.fake.log_.clear();
    f.send(R"({"cmd":"copy","id":"NO-SUCH-ENTRY"})");
    EXPECT_TRUE(f.fake.log().empty());
    f.fake.loop.advance(1);
    EXPECT_TRUE(f.fake.log().empty());
}

// The delayed paste must not reach a controller that is gone (the program quit meanwhile).
TEST(HubPasteAfterChoosing, PasteDueAfterTheControllerIsGoneDoesNothing)
{
    DesktopFixture f;
    f.fake.defaults.setBool(Def::pasteAfterChoosing, true);
    f.send(R"({"cmd":"copy","id":")" + f.entryId() + R"("})");
    f.hub.reset();
    f.fake.log_.clear();
    f.fake.loop.advance(1.0);
    EXPECT_TRUE(f.fake.log().empty());
}

// Where no paste can happen (a Wayland compositor without virtual-keyboard), hiding the window
// would only lose the user's place; the page is told so it can say why.
TEST(HubPasteAfterChoosing, DesktopThatCannotPasteKeepsTheWindowAndSaysSo)
{
    DesktopFixture f;
    f.fake.paste.available = false;
    f.fake.defaults.setBool(Def::pasteAfterChoosing, true);
    f.fake.host.showWindow();
    f.fake.log_.clear();
    f.send(R"({"cmd":"copy","id":")" + f.entryId() + R"("})");
    EXPECT_EQ(f.fake.log(), (std::vector<std::string>{"pasteboard: clear", "pasteboard: text chosen words"}));
    f.fake.log_.clear();
    f.fake.loop.advance(1.0);
    for (const std::string& line : f.fake.log())
        EXPECT_FALSE(line.starts_with("paste: ")) << line;
    EXPECT_TRUE(f.fake.host.visible);
    EXPECT_FALSE(f.lastSnapshot()["pasteAvailable"].GetBool());
    EXPECT_TRUE(f.lastSnapshot()["frontmostKnown"].GetBool());
}

TEST(HubExcludedApps, DesktopThatCannotTellTheAppInFrontSaysSoInTheSnapshot)
{
    ShownDesktopFixture f;
    f.fake.frontmost.knowable = false;
    f.send(R"({"cmd":"list"})");
    EXPECT_FALSE(f.lastSnapshot()["frontmostKnown"].GetBool());
    EXPECT_TRUE(f.lastSnapshot()["pasteAvailable"].GetBool());
}

TEST(HubPasteAfterChoosing, SwitchIsStoredAndSentInTheSnapshot)
{
    ShownDesktopFixture f;
    f.send(R"({"cmd":"list"})");
    EXPECT_FALSE(f.lastSnapshot()["pasteAfterChoosing"].GetBool());

    f.send(R"({"cmd":"pasteAfterChoosing","value":true})");
    EXPECT_EQ(f.fake.defaults.boolValue(Def::pasteAfterChoosing), true);
    EXPECT_TRUE(f.lastSnapshot()["pasteAfterChoosing"].GetBool());

    // A value that is not a Boolean changes nothing, but the page still gets the true state.
    for (const char* body : {R"({"cmd":"pasteAfterChoosing","value":"no"})", R"({"cmd":"pasteAfterChoosing"})",
                             R"({"cmd":"pasteAfterChoosing","value":0})"}) {
        const size_t pushes = f.fake.host.scripts.size();
        f.send(body);
        EXPECT_EQ(f.fake.defaults.boolValue(Def::pasteAfterChoosing), true) << body;
        EXPECT_EQ(f.fake.host.scripts.size(), pushes + 1) << body;
    }

    f.send(R"({"cmd":"pasteAfterChoosing","value":false})");
    EXPECT_EQ(f.fake.defaults.boolValue(Def::pasteAfterChoosing), false);
}

TEST(HubStartAtLogin, PageSwitchWritesTheEntryAndTheTrayAndSnapshotFollow)
{
    ShownDesktopFixture f;
    f.send(R"({"cmd":"list"})");
    EXPECT_FALSE(f.lastSnapshot()["autostart"].GetBool()) << "off on the first run";

    f.send(R"({"cmd":"autostart","value":true})");
    EXPECT_TRUE(std::filesystem::exists(f.autostartEntry()));
    EXPECT_TRUE(f.lastSnapshot()["autostart"].GetBool());
    EXPECT_TRUE(f.hub->isMenuItemChecked(MenuAction::ToggleStartAtLogin));
    EXPECT_EQ(f.fake.log_.matching("status item:").back(),
              "status item: Show Brimble <Control><Alt>v, -, Show in Dock [x], Start at Login [x], -, Quit Brimble");
    // Not a settings key: the entry itself is the state.
    EXPECT_FALSE(f.fake.defaults.has("autostart"));

    f.send(R"({"cmd":"autostart","value":false})");
    EXPECT_FALSE(std::filesystem::exists(f.autostartEntry()));
    EXPECT_FALSE(f.lastSnapshot()["autostart"].GetBool());
    EXPECT_FALSE(f.hub->isMenuItemChecked(MenuAction::ToggleStartAtLogin));
}

TEST(HubStartAtLogin, CommandWithoutABooleanOnlyPushes)
{
    ShownDesktopFixture f;
    for (const char* body : {R"({"cmd":"autostart"})", R"({"cmd":"autostart","value":"true"})",
                             R"({"cmd":"autostart","value":1})", R"({"cmd":"autostart","value":null})"}) {
        const size_t pushes = f.fake.host.scripts.size();
        f.send(body);
        EXPECT_FALSE(std::filesystem::exists(f.autostartEntry())) << body;
        EXPECT_EQ(f.fake.host.scripts.size(), pushes + 1) << body;
    }
    EXPECT_TRUE(f.fake.log_.matching("status item:").empty());
}

TEST(HubStartAtLogin, TrayItemTogglesTheEntryAndTellsThePage)
{
    ShownDesktopFixture f;
    f.hub->performMenuAction(MenuAction::ToggleStartAtLogin);
    EXPECT_TRUE(std::filesystem::exists(f.autostartEntry()));
    EXPECT_TRUE(f.lastSnapshot()["autostart"].GetBool());
    f.hub->performMenuAction(MenuAction::ToggleStartAtLogin);
    EXPECT_FALSE(std::filesystem::exists(f.autostartEntry()));
    EXPECT_FALSE(f.lastSnapshot()["autostart"].GetBool());
    EXPECT_EQ(f.fake.host.scripts.size(), 2u);
}

// Removed by hand or through the desktop's settings while Brimble runs: shown as it is.
TEST(HubStartAtLogin, EntryRemovedBehindBrimblesBackReadsAsOff)
{
    ShownDesktopFixture f;
    f.send(R"({"cmd":"autostart","value":true})");
    std::filesystem::remove(f.autostartEntry());
    EXPECT_FALSE(f.hub->isMenuItemChecked(MenuAction::ToggleStartAtLogin));
    f.send(R"({"cmd":"list"})");
    EXPECT_FALSE(f.lastSnapshot()["autostart"].GetBool());
}

// An excluded app that is not installed was listed like the others while nothing could match it.
TEST(HubExcludedApps, SnapshotNamesTheExcludedAppsNoInstalledEntryHas)
{
    ShownDesktopFixture f;
    f.fake.frontmost.notInstalled = {"org.example.Gone"};
    f.fake.defaults.setRaw(std::string(Def::excludedApps),
                           std::vector<std::string>{"debian-xterm", "org.example.Gone"});
    f.hub->pushState();
    const rapidjson::Document snapshot = f.lastSnapshot();
    ASSERT_TRUE(snapshot["excludedUnmatched"].IsArray());
    ASSERT_EQ(snapshot["excludedUnmatched"].Size(), 1u);
    EXPECT_STREQ(snapshot["excludedUnmatched"][0].GetString(), "org.example.Gone");
    EXPECT_EQ(snapshot["excluded"].Size(), 2u);
}

} // namespace
} // namespace brimble
