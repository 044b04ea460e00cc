#include <gtest/gtest.h>

#include "app/MainMenu.h"
#include "settings/Settings.h"
#include "support/HubFixture.h"

namespace brimble {
namespace {

using test::HubFixture;

TEST(HubMenu, PauseRecordingFlipsTheSettingPushesAndShowsItsCheckMark)
{
    HubFixture f;
    Hub& hub = f.launch();
    EXPECT_FALSE(hub.isMenuItemChecked(MenuAction::TogglePause));
    hub.performMenuAction(MenuAction::TogglePause);
    EXPECT_EQ(f.fake.defaults.boolValue(Def::clipboardPaused), true);
    EXPECT_TRUE(hub.isMenuItemChecked(MenuAction::TogglePause));
    EXPECT_EQ(f.renders(), 1u);
    // Pausing from the page shows in the menu too, because the check mark is read when shown.
    hub.didReceiveScriptMessage("pr2Clip", R"({"cmd":"pause","paused":false})");
    EXPECT_FALSE(hub.isMenuItemChecked(MenuAction::TogglePause));
}

// Toggling twice must not leave a second tray icon behind.
TEST(HubMenu, ShowInDockTogglesTwiceBackToTheStartOnOneStatusItem)
{
    HubFixture f;
    Hub& hub = f.launch();
    f.fake.log_.clear();
    hub.performMenuAction(MenuAction::ToggleDockVisible);
    hub.performMenuAction(MenuAction::ToggleDockVisible);
    const std::vector<std::string> expected = {
        "defaults: dockVisible = false",
        "shell: policy accessory",
        "status item: Show Brimble <Control><Alt>v, -, Show in Dock [ ], Start at Login [ ], -, Quit Brimble",
        "defaults: dockVisible = true",
        "shell: policy regular",
        "status item: Show Brimble <Control><Alt>v, -, Show in Dock [x], Start at Login [ ], -, Quit Brimble",
    };
    EXPECT_EQ(f.fake.log(), expected);
    EXPECT_EQ(f.fake.menus.statusInstalls, 3);
}

TEST(HubMenu, ShowBrimbleActivatesAndShowsTheWindow)
{
    HubFixture f;
    Hub& hub = f.launch();
    f.fake.log_.clear();
    hub.performMenuAction(MenuAction::ShowMainWindow);
    // The window in front before is noted first: a chosen entry may be pasted into it.
    EXPECT_EQ(f.fake.log(), (std::vector<std::string>{"paste: remember focus", "shell: activate", "window: show"}));
}

TEST(HubMenu, ReopenShowsTheWindowOnlyWhenNoneIsVisible)
{
    HubFixture f;
    Hub& hub = f.launch();
    f.fake.log_.clear();
    hub.applicationShouldHandleReopen(true);
    EXPECT_TRUE(f.fake.log().empty());
    hub.applicationShouldHandleReopen(false);
    EXPECT_EQ(f.fake.log(), (std::vector<std::string>{"paste: remember focus", "shell: activate", "window: show"}));
}

TEST(HubMenu, AboutComesFromTheMenuAndThePage)
{
    HubFixture f;
    Hub& hub = f.launch();
    f.fake.log_.clear();
    hub.performMenuAction(MenuAction::ShowAbout);
    hub.didReceiveScriptMessage("pr2Clip", R"({"cmd":"about"})");
    hub.didReceiveScriptMessage("pr2Clip", R"({"cmd":"help"})");
    EXPECT_EQ(f.fake.log(), (std::vector<std::string>{"panel: about", "panel: about", "panel: help"}));
    EXPECT_TRUE(f.fake.host.scripts.empty()) << "about and help never push";
}

TEST(HubMenu, MissingIconStillInstallsAClickableStatusItem)
{
    HubFixture f;
    f.hub = std::make_shared<Hub>(f.fake.platform(), Locations{f.home / "data", f.home / "config", {}});
    f.hub->applicationDidFinishLaunching();
    EXPECT_EQ(f.fake.menus.statusIcon, "");
    ASSERT_TRUE(f.fake.menus.statusMenu);
    EXPECT_EQ(f.fake.menus.statusMenu->items.front().title, "Show Brimble");
}

TEST(HubMenu, MenuBarCarriesTheControlKeyEquivalents)
{
    const auto menus = mainMenuBar();
    ASSERT_EQ(menus.size(), 5u);
    EXPECT_EQ(menus[3].items[0].title, "Pause Recording");
    EXPECT_EQ(menus[3].items[0].accelerator, "<Control><Shift>p");
    EXPECT_EQ(menus[1].items[0].title, "Import History from Parleo 2.0…");
    EXPECT_EQ(menus[0].items.back().accelerator, "<Control>q");
}

TEST(HubPageDialogs, AnswersFollowTheButtonThatEndedTheDialog)
{
    HubFixture f;
    Hub& hub = f.launch();
    f.fake.dialogs.alertAnswers = {1, 0};
    EXPECT_FALSE(hub.runPageDialog({PageDialogKind::Confirm, "Clear?", ""}).confirmed);
    EXPECT_TRUE(hub.runPageDialog({PageDialogKind::Confirm, "Clear?", ""}).confirmed);
    f.fake.dialogs.promptAnswers = {std::string(""), std::nullopt};
    // OK with the field emptied gives the empty text, not nothing; Cancel gives nothing.
    EXPECT_EQ(hub.runPageDialog({PageDialogKind::Prompt, "Name?", "Work"}).text, std::optional<std::string>(""));
    EXPECT_EQ(hub.runPageDialog({PageDialogKind::Prompt, "Name?", "Work"}).text, std::nullopt);
    hub.runPageDialog({PageDialogKind::Alert, "", ""});
    EXPECT_EQ(f.fake.dialogs.alerts.back().buttons, std::vector<std::string>{"OK"});
}

} // namespace
} // namespace brimble
