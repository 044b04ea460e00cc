// Settings edited in the file while Brimble runs take effect without a restart.

#include <gtest/gtest.h>

#include "SnapshotReader.h"
#include "settings/Settings.h"
#include "support/HubFixture.h"

namespace brimble {
namespace {

struct ReloadFixture : test::HubFixture {
    ReloadFixture()
    {
        launch();
        fake.log_.clear();
    }
    void copy(const std::string& text)
    {
        fake.clock.time += 1;
        fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, text);
        fake.pasteboard.fireWatch();
    }
    rapidjson::Document lastSnapshot() const { return test::snapshotOf(lastRender()); }
};

// The page showed "recording" while the file said paused, so the page's toggle flipped the
// wrong way.
TEST(HubSettingsReload, PageShowsThePauseAndCaptureObeysIt)
{
    ReloadFixture f;
    const size_t pushes = f.renders();
    f.fake.defaults.simulateOutsideEdit(std::string(Def::clipboardPaused), true);
    ASSERT_EQ(f.renders(), pushes + 1);
    EXPECT_TRUE(f.lastSnapshot()["paused"].GetBool());

    f.copy("made while paused in the file");
    EXPECT_TRUE(f.hub->clip.items.empty());
    EXPECT_TRUE(f.hub->isMenuItemChecked(MenuAction::TogglePause));
}

// A lower limit is applied to the history at once, as the page's own control does, and saved.
TEST(HubSettingsReload, LowerLimitTrimsTheHistoryAndSavesIt)
{
    ReloadFixture f;
    for (int i = 0; i < 12; ++i)
        f.copy("entry " + std::to_string(i));
    f.fake.defaults.simulateOutsideEdit(std::string(Def::historyLimit), int64_t{10});

    ASSERT_EQ(f.hub->clip.items.size(), 10u);
    EXPECT_EQ(f.hub->clip.items.front().text, "entry 11");
    EXPECT_EQ(f.lastSnapshot()["cap"].GetInt(), 10);
    EXPECT_NE(test::readFile(f.dataDir() / "clipboard.json").find("entry 2"), std::string::npos);
    EXPECT_EQ(test::readFile(f.dataDir() / "clipboard.json").find("\"entry 1\""), std::string::npos);
}

// "historyLimit": "200" read as absent, so the edit put the limit at 50 and trimmed the history
// at once; "clipboardPaused": 1 read as not paused.
TEST(HubSettingsReload, LimitAndPauseTypedAsTextOrNumberAreReadAsMeant)
{
    ReloadFixture f;
    f.fake.defaults.setRaw(std::string(Def::historyLimit), int64_t{200});
    for (int i = 0; i < 60; ++i)
        f.copy("entry " + std::to_string(i));
    f.fake.defaults.simulateOutsideEdit(std::string(Def::historyLimit), std::string("200"));
    EXPECT_EQ(f.hub->clip.items.size(), 60u);
    EXPECT_EQ(f.lastSnapshot()["cap"].GetInt(), 200);

    f.fake.defaults.simulateOutsideEdit(std::string(Def::clipboardPaused), int64_t{1});
    EXPECT_TRUE(f.lastSnapshot()["paused"].GetBool());
    f.copy("made while paused");
    EXPECT_EQ(f.hub->clip.items.size(), 60u);
}

// "devtools" used to wait for the next start, and the dock, the appearance and the tray for the
// next click on them.
TEST(HubSettingsReload, InspectorAppearanceAndDockFollowTheFile)
{
    ReloadFixture f;
    f.fake.defaults.setRaw(std::string(Def::devtools), true);
    f.fake.defaults.setRaw(std::string(Def::appearanceMode), std::string("dark"));
    f.fake.defaults.simulateOutsideEdit(std::string(Def::dockVisible), false);

    EXPECT_EQ(f.fake.log_.matching("host: developer extras"), (std::vector<std::string>{"host: developer extras on"}));
    EXPECT_EQ(f.fake.log_.matching("shell: appearance"), (std::vector<std::string>{"shell: appearance dark"}));
    EXPECT_EQ(f.fake.log_.matching("shell: policy"), (std::vector<std::string>{"shell: policy accessory"}));
    ASSERT_TRUE(f.fake.menus.statusMenu);
    const auto dockItem = std::find_if(f.fake.menus.statusMenu->items.begin(), f.fake.menus.statusMenu->items.end(),
                                       [](const MenuItem& item) { return item.title == "Show in Dock"; });
    ASSERT_NE(dockItem, f.fake.menus.statusMenu->items.end());
    EXPECT_FALSE(dockItem->checked);
    EXPECT_TRUE(f.fake.log_.matching("defaults:").empty()) << "nothing written back";
}

} // namespace
} // namespace brimble
