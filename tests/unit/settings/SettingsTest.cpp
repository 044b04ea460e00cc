#include <gtest/gtest.h>

#include "history/ClipboardStore.h"
#include "platform/JsonFileDefaults.h"
#include "platform/fake/FakePlatform.h"
#include "settings/Settings.h"
#include "support/TempDir.h"

namespace brimble {
namespace {

TEST(Settings, EmptyStoreGivesTheDocumentedDefaults)
{
    FakeLog log;
    FakeDefaults defaults(log);
    EXPECT_FALSE(boolSetting(defaults, Def::clipboardPaused, false));
    EXPECT_FALSE(boolSetting(defaults, Def::devtools, false));
    EXPECT_EQ(historyLimitSetting(defaults), 50);
    EXPECT_TRUE(excludedAppsSetting(defaults).empty());
    EXPECT_FALSE(boolSetting(defaults, Def::recordSecrets, false));
    EXPECT_FALSE(boolSetting(defaults, Def::importOfferDone, false));
    EXPECT_EQ(appearanceModeSetting(defaults), "system");
    EXPECT_TRUE(boolSetting(defaults, Def::dockVisible, true));
    EXPECT_EQ(defaults.size(), 0u) << "reading must never store a default";
}

TEST(Settings, EffectiveHistoryLimitClampsEveryStoredValue)
{
    struct Row {
        std::optional<int64_t> stored;
        int expected;
    };
    const Row rows[] = {{std::nullopt, 50}, {0, 50},    {5, 10},     {1, 10},   {10, 10}, {11, 11},
                        {499, 499},         {500, 500}, {501, 500},  {-3, 10},  {900, 500},
                        {INT64_MIN, 10},    {INT64_MAX, 500}};
    for (const auto& row : rows)
        EXPECT_EQ(effectiveHistoryLimit(row.stored), row.expected) << row.stored.value_or(-999);
}

// A hand-edited settings file can hold any type; the readers must fall back, not misread.
TEST(Settings, ValuesOfTheWrongTypeReadAsAbsent)
{
    FakeLog log;
    FakeDefaults defaults(log);
    defaults.setRaw(std::string(Def::excludedApps), std::vector<int64_t>{1, 2});
    defaults.setRaw(std::string(Def::clipboardPaused), std::string("yes"));
    defaults.setRaw(std::string(Def::historyLimit), std::string("a hundred"));
    defaults.setRaw(std::string(Def::appearanceMode), int64_t{2});
    EXPECT_TRUE(excludedAppsSetting(defaults).empty());
    EXPECT_FALSE(boolSetting(defaults, Def::clipboardPaused, false));
    EXPECT_EQ(historyLimitSetting(defaults), 500) << "a limit nobody meant trims nothing";
    EXPECT_EQ(appearanceModeSetting(defaults), "system");
}

// "historyLimit": "abc" typed while the program ran read as absent: the limit fell to 50 and the
// history was cut at once. The limit in force stays, written back at the next change.
TEST(Settings, TypoInAHandEditedFileKeepsTheValueInForceAndTrimsNothing)
{
    test::TempDir home;
    const std::filesystem::path file = home.path() / "settings.json";
    test::writeFile(file, R"({"historyLimit":60,"dockVisible":false,"appearanceMode":"dark",)"
                          R"("excludedApps":["org.keepassxc.KeePassXC"],"pageReleaseSeconds":5})");
    JsonFileDefaults defaults(file, settingKind);
    ClipboardStore store(home.path(), defaults);
    store.items.resize(60);
    for (size_t i = 0; i < store.items.size(); ++i)
        store.items[i].id = std::to_string(i);

    test::writeFile(file, R"({"historyLimit":"abc","dockVisible":"nope","appearanceMode":7,)"
                          R"("excludedApps":"org.keepassxc.KeePassXC","pageReleaseSeconds":[5],"mine":"abc"})");
    ASSERT_TRUE(defaults.catchUpWithFile());
    store.applyHistoryLimit();
    EXPECT_EQ(store.items.size(), 60u);
    EXPECT_EQ(historyLimitSetting(defaults), 60);
    EXPECT_FALSE(boolSetting(defaults, Def::dockVisible, true));
    EXPECT_EQ(appearanceModeSetting(defaults), "dark");
    EXPECT_EQ(excludedAppsSetting(defaults), std::vector<std::string>{"org.keepassxc.KeePassXC"});
    EXPECT_EQ(pageReleaseDelaySetting(defaults), 5);
    EXPECT_EQ(defaults.stringValue("mine"), "abc") << "a key the program does not read is the user's";

    defaults.setBool(Def::devtools, false);
    const std::string written = test::readFile(file);
    EXPECT_NE(written.find(R"("historyLimit":60)"), std::string::npos) << written;
    EXPECT_NE(written.find(R"("appearanceMode":"dark")"), std::string::npos) << written;

    // A value that reads puts itself in force, a number typed as text included.
    test::writeFile(file, R"({"historyLimit":" 120 "})");
    ASSERT_TRUE(defaults.catchUpWithFile());
    EXPECT_EQ(historyLimitSetting(defaults), 120);
}

// "historyLimit": "100" read as absent (50, and a trimmed history); "clipboardPaused": 1 as not
// paused.
TEST(Settings, NumbersAndBooleansTypedAsTextOrDigitsReadAsMeant)
{
    FakeLog log;
    FakeDefaults defaults(log);
    defaults.setRaw(std::string(Def::historyLimit), std::string("100"));
    defaults.setRaw(std::string(Def::clipboardPaused), int64_t{1});
    defaults.setRaw(std::string(Def::dockVisible), std::string("0"));
    EXPECT_EQ(historyLimitSetting(defaults), 100);
    EXPECT_TRUE(boolSetting(defaults, Def::clipboardPaused, false));
    EXPECT_FALSE(boolSetting(defaults, Def::dockVisible, true));
}

TEST(Settings, AppearanceModeIsCaseSensitive)
{
    EXPECT_EQ(appearanceForMode("light"), Appearance::Light);
    EXPECT_EQ(appearanceForMode("dark"), Appearance::Dark);
    EXPECT_EQ(appearanceForMode("Dark"), Appearance::System);
    EXPECT_EQ(appearanceForMode("system"), Appearance::System);
    EXPECT_EQ(appearanceForMode(""), Appearance::System);
}

} // namespace
} // namespace brimble
