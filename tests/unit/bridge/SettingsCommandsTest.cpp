// The page commands that change settings or open native panels.

#include "unit/bridge/CommandFixture.h"

namespace brimble::test {
namespace {

class SettingsCommands : public CommandFixture, public ::testing::TestWithParam<CommandCase> {};

TEST_P(SettingsCommands, HaveExactlyTheirEffect)
{
    runCase(*this, GetParam());
}

void paused(CommandFixture& f)
{
    f.target.fake.defaults.setRaw("clipboardPaused", true);
}

void excluding(CommandFixture& f)
{
    f.target.fake.defaults.setRaw("excludedApps",
                                  std::vector<std::string>{"org.Gnome.Terminal", "other", "ORG.GNOME.TERMINAL"});
}

void keepingLocal(CommandFixture& f)
{
    f.target.fake.defaults.setRaw("syncLocalSessions", std::vector<std::string>{"S2", "S9"});
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsCommands, ::testing::Values(
    CommandCase{"PauseWithoutValueToggles", R"({"cmd":"pause"})", {"defaults: clipboardPaused = true", "push"},
                noFiles},
    CommandCase{"PauseWithoutValueTogglesBack", R"({"cmd":"pause"})", {"defaults: clipboardPaused = false", "push"},
                noFiles, nullptr, paused},
    CommandCase{"PauseStoresSentValue", R"({"cmd":"pause","paused":true})",
                {"defaults: clipboardPaused = true", "push"}, noFiles, nullptr, paused},
    CommandCase{"PauseWithTextValueToggles", R"({"cmd":"pause","paused":"false"})",
                {"defaults: clipboardPaused = true", "push"}, noFiles},

    CommandCase{"CapRaisesSmallValueToTen", R"({"cmd":"cap","value":5})", {"defaults: historyLimit = 10", "push"},
                historyFile},
    // Zero is stored as ten, not as "unset", which would read back as fifty.
    CommandCase{"CapStoresZeroAsTen", R"({"cmd":"cap","value":0})", {"defaults: historyLimit = 10", "push"},
                historyFile},
    CommandCase{"CapLowersLargeValueTo500", R"({"cmd":"cap","value":100000})",
                {"defaults: historyLimit = 500", "push"}, historyFile},
    CommandCase{"CapDropsFraction", R"({"cmd":"cap","value":42.99})", {"defaults: historyLimit = 42", "push"},
                historyFile},
    CommandCase{"CapDropsNegativeFractionTowardZero", R"({"cmd":"cap","value":-42.99})",
                {"defaults: historyLimit = 10", "push"}, historyFile},
    // Numbers beyond the 64-bit range must clamp, not wrap or trap.
    CommandCase{"CapClampsHugeNumber", R"({"cmd":"cap","value":1e300})", {"defaults: historyLimit = 500", "push"},
                historyFile},
    CommandCase{"CapClampsHugeNegativeNumber", R"({"cmd":"cap","value":-1e300})",
                {"defaults: historyLimit = 10", "push"}, historyFile},
    CommandCase{"CapClampsUnsignedMaximum", R"({"cmd":"cap","value":18446744073709551615})",
                {"defaults: historyLimit = 500", "push"}, historyFile},
    CommandCase{"CapWithTextChangesNothing", R"({"cmd":"cap","value":"50"})", {"push"}, noFiles},
    CommandCase{"CapWithBooleanChangesNothing", R"({"cmd":"cap","value":true})", {"push"}, noFiles},
    CommandCase{"CapWithoutValueChangesNothing", R"({"cmd":"cap"})", {"push"}, noFiles},

    CommandCase{"ExcludeAddRunsPickerWhichPushesItself", R"({"cmd":"excludeAdd"})", {"exclude picker"}, noFiles},
    CommandCase{"ExcludeRemoveIgnoresCase", R"({"cmd":"excludeRemove","id":"org.gnome.terminal"})",
                {"defaults: excludedApps = [other]", "push"}, noFiles, nullptr, excluding},
    CommandCase{"ExcludeRemoveStoresListBackWhenNothingMatched", R"({"cmd":"excludeRemove","id":"zz"})",
                {"defaults: excludedApps = [org.Gnome.Terminal, other, ORG.GNOME.TERMINAL]", "push"}, noFiles,
                nullptr, excluding},
    CommandCase{"ExcludeRemoveWithoutIdOnlyPushes", R"({"cmd":"excludeRemove"})", {"push"}, noFiles, nullptr,
                excluding},

    CommandCase{"SyncChooseRunsPickerWhichPushesItself", R"({"cmd":"syncChoose"})", {"sync folder picker"}, noFiles},
    CommandCase{"SyncOffEmptiesTheFolder", R"({"cmd":"syncOff","folder":"/x"})",
                {"defaults: syncFolder = \"\"", "sync folder: "}, noFiles},
    CommandCase{"SyncSessionKeepsASessionLocal", R"({"cmd":"syncSession","id":"S2","shared":false})",
                {"defaults: syncLocalSessions = [S2]", "push"}, noFiles},
    CommandCase{"SyncSessionSharesItAgain", R"({"cmd":"syncSession","id":"S2","shared":true})",
                {"defaults: syncLocalSessions = [S9]", "push"}, noFiles, nullptr, keepingLocal},
    // The first session is every machine's: keeping it back would split the shared history.
    CommandCase{"SyncSessionNeverKeepsTheFirstLocal", R"({"cmd":"syncSession","id":"S1","shared":false})", {"push"},
                noFiles},
    CommandCase{"SyncSessionOfAnUnknownSessionChangesNothing",
                R"({"cmd":"syncSession","id":"S7","shared":false})", {"push"}, noFiles},
    CommandCase{"SyncSessionWithoutAnAnswerChangesNothing", R"({"cmd":"syncSession","id":"S2","shared":"no"})",
                {"push"}, noFiles},

    CommandCase{"RecordSecretsStoresTrue", R"({"cmd":"recordSecrets","value":true})",
                {"defaults: recordSecrets = true", "push"}, noFiles},
    CommandCase{"RecordSecretsWithoutValueSwitchesOff", R"({"cmd":"recordSecrets"})",
                {"defaults: recordSecrets = false", "push"}, noFiles},
    CommandCase{"RecordSecretsWithTextTrueSwitchesOff", R"({"cmd":"recordSecrets","value":"true"})",
                {"defaults: recordSecrets = false", "push"}, noFiles},
    CommandCase{"RecordSecretsWithOneSwitchesOff", R"({"cmd":"recordSecrets","value":1})",
                {"defaults: recordSecrets = false", "push"}, noFiles},

    CommandCase{"AppearanceStoresAndAppliesMode", R"({"cmd":"appearance","mode":"dark"})",
                {"defaults: appearanceMode = \"dark\"", "shell: appearance dark", "push"}, noFiles},
    CommandCase{"AppearanceSystem", R"({"cmd":"appearance","mode":"system"})",
                {"defaults: appearanceMode = \"system\"", "shell: appearance system", "push"}, noFiles},
    CommandCase{"AppearanceInOtherCaseIsIgnored", R"({"cmd":"appearance","mode":"Dark"})", {"push"}, noFiles},
    CommandCase{"AppearanceWithoutModeOnlyPushes", R"({"cmd":"appearance"})", {"push"}, noFiles},

    CommandCase{"AboutShowsPanelWithoutPush", R"({"cmd":"about"})", {"panel: about"}, noFiles},
    CommandCase{"HelpShowsPanelWithoutPush", R"({"cmd":"help","id":"x"})", {"panel: help"}, noFiles}
), caseName);

class HistoryLimitCommand : public CommandFixture, public ::testing::Test {};

// Lowering the limit must drop old unpinned entries at once, and their pictures with them.
TEST_F(HistoryLimitCommand, CapDropsUnpinnedEntriesBeyondTheNewLimit)
{
    for (int n = 0; n < 12; ++n)
        target.clip.items.push_back(entry("N" + std::to_string(n), "text", "S1"));
    target.clip.save();

    send(R"({"cmd":"cap","value":3})");

    EXPECT_EQ(target.fake.defaults.intValue("historyLimit"), 10);
    ASSERT_EQ(target.clip.items.size(), 11u); // the pinned entry and ten unpinned ones
    EXPECT_EQ(order().front(), "P");
    EXPECT_EQ(order()[1], "A");
    EXPECT_EQ(order().back(), "N5");
    EXPECT_EQ(target.pushes(), 1);
}

} // namespace
} // namespace brimble::test
