#include <gtest/gtest.h>

#include "history/ExcludedApps.h"
#include "platform/fake/FakePlatform.h"
#include "support/TempDir.h"

namespace brimble::test {
namespace {

const std::string desktopEntry = "[Desktop Entry]\nType=Application\nName=Konsole\nExec=konsole\n";

// Keeps the picker's whole request, which the shared fake logs only by its message.
class PickerRecorder final : public Dialogs {
public:
    explicit PickerRecorder(FakeDialogs& inner) : inner_(inner) {}
    std::vector<AppPickerSpec> pickers;

    int runAlert(const AlertSpec& spec) override { return inner_.runAlert(spec); }
    std::optional<std::string> runPrompt(const std::string& message, const std::string& text) override
    {
        return inner_.runPrompt(message, text);
    }
    std::optional<std::string> chooseApplication(const AppPickerSpec& spec) override
    {
        pickers.push_back(spec);
        return inner_.chooseApplication(spec);
    }
    std::optional<std::string> chooseFolder(const std::string& title, const std::string& current) override
    {
        return inner_.chooseFolder(title, current);
    }

private:
    FakeDialogs& inner_;
};

struct PickerFixture {
    TempDir home;
    FakePlatform fake;
    PickerRecorder dialogs{fake.dialogs};

    std::string entry(const std::string& relative, const std::string& content = desktopEntry)
    {
        writeFile(home / relative, content);
        return (home / relative).string();
    }
    void choose(std::optional<std::string> path) { fake.dialogs.pickerAnswers.push_back(std::move(path)); }
    std::vector<std::string> excluded() const
    {
        return fake.defaults.stringListValue("excludedApps").value_or(std::vector<std::string>{});
    }
};

TEST(ExcludeAppPicker, AsksWithTheExplainingMessageAndTheExcludeButton)
{
    PickerFixture f;
    runExcludeAppPicker(f.dialogs, f.fake.defaults);
    ASSERT_EQ(f.dialogs.pickers.size(), 1u);
    EXPECT_EQ(f.dialogs.pickers[0].message,
              "Choose an app to exclude. Copies made while it is frontmost will not be recorded.");
    EXPECT_EQ(f.dialogs.pickers[0].confirmLabel, "Exclude");
}

TEST(ExcludeAppPicker, CancelChangesNothing)
{
    PickerFixture f;
    f.fake.defaults.setRaw("excludedApps", std::vector<std::string>{"a"});
    f.choose(std::nullopt);
    runExcludeAppPicker(f.dialogs, f.fake.defaults);
    EXPECT_TRUE(f.fake.log_.matching("defaults:").empty());
    EXPECT_TRUE(f.fake.dialogs.alerts.empty());
    EXPECT_EQ(f.excluded(), std::vector<std::string>{"a"});
}

TEST(ExcludeAppPicker, AppendsTheDesktopEntryIdAsSpelled)
{
    PickerFixture f;
    f.fake.defaults.setRaw("excludedApps", std::vector<std::string>{"org.gnome.gedit"});
    f.choose(f.entry("share/applications/org.kde.Konsole.desktop"));
    runExcludeAppPicker(f.dialogs, f.fake.defaults);
    EXPECT_EQ(f.excluded(), (std::vector<std::string>{"org.gnome.gedit", "org.kde.Konsole"}));
}

TEST(ExcludeAppPicker, AbsentListStartsEmpty)
{
    PickerFixture f;
    f.choose(f.entry("share/applications/firefox.desktop"));
    runExcludeAppPicker(f.dialogs, f.fake.defaults);
    EXPECT_EQ(f.fake.log_.matching("defaults:"), std::vector<std::string>{"defaults: excludedApps = [firefox]"});
}

TEST(ExcludeAppPicker, AppAlreadyListedInOtherCaseIsNotAddedAgain)
{
    PickerFixture f;
    f.fake.defaults.setRaw("excludedApps", std::vector<std::string>{"ORG.KDE.KONSOLE"});
    f.choose(f.entry("share/applications/org.kde.Konsole.desktop"));
    runExcludeAppPicker(f.dialogs, f.fake.defaults);
    EXPECT_TRUE(f.fake.log_.matching("defaults:").empty());
    EXPECT_EQ(f.excluded(), std::vector<std::string>{"ORG.KDE.KONSOLE"});
}

TEST(ExcludeAppPicker, EntryWithoutIdentifierShowsTheAlertNamingIt)
{
    PickerFixture f;
    f.choose(f.entry("share/applications/Notes.desktop", "just some text\n"));
    runExcludeAppPicker(f.dialogs, f.fake.defaults);
    EXPECT_EQ(f.fake.log_.matching("alert:"),
              std::vector<std::string>{"alert: That app has no bundle identifier | Brimble matches excluded apps "
                                       "by bundle identifier, and Notes.desktop doesn't declare one. It can't be "
                                       "excluded this way."});
    EXPECT_TRUE(f.fake.log_.matching("defaults:").empty());
}

TEST(ExcludeAppPicker, VanishedFileShowsTheAlert)
{
    // The chosen file was removed while the chooser was open.
    PickerFixture f;
    f.choose((f.home / "share/applications/gone.desktop").string());
    runExcludeAppPicker(f.dialogs, f.fake.defaults);
    ASSERT_EQ(f.fake.dialogs.alerts.size(), 1u);
    EXPECT_NE(f.fake.dialogs.alerts[0].informative.find(" gone.desktop "), std::string::npos);
}

struct IdRow {
    const char* name;
    std::string relative;
    std::string content;
    std::optional<std::string> id;
};

class DesktopEntryId : public ::testing::TestWithParam<IdRow> {};

TEST_P(DesktopEntryId, FollowsTheDesktopFileIdRule)
{
    TempDir home;
    writeFile(home / GetParam().relative, GetParam().content);
    EXPECT_EQ(desktopEntryId(home / GetParam().relative), GetParam().id);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DesktopEntryId,
    ::testing::Values(
        IdRow{"Plain", "share/applications/org.gnome.gedit.desktop", desktopEntry, "org.gnome.gedit"},
        IdRow{"Subfolder", "share/applications/kde4/konsole.desktop", desktopEntry, "kde4-konsole"},
        // The nearest "applications" folder counts, not the first one on the path.
        IdRow{"NestedApplications", "applications/x/applications/y/app.desktop", desktopEntry, "y-app"},
        IdRow{"OutsideApplications", "Desktop/launcher.desktop", desktopEntry, "launcher"},
        IdRow{"NoDesktopEntryGroup", "share/applications/a.desktop", "[Other Group]\nName=A\n", std::nullopt},
        IdRow{"NotAKeyFile", "share/applications/b.desktop", "\x89PNG\r\n\x1a\n binary", std::nullopt},
        IdRow{"NotADesktopFile", "share/applications/c.txt", desktopEntry, std::nullopt},
        IdRow{"NothingButTheSuffix", "share/applications/.desktop", desktopEntry, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RemoveExcludedApp, RemovesEveryEntryEqualIgnoringCase)
{
    FakePlatform fake;
    fake.defaults.setRaw("excludedApps",
                         std::vector<std::string>{"Org.KDE.Konsole", "org.gnome.gedit", "org.kde.konsole"});
    removeExcludedApp(fake.defaults, "ORG.KDE.KONSOLE");
    EXPECT_EQ(fake.defaults.stringListValue("excludedApps"), std::vector<std::string>{"org.gnome.gedit"});
}

TEST(RemoveExcludedApp, UnknownIdStoresTheListBackUnchanged)
{
    FakePlatform fake;
    fake.defaults.setRaw("excludedApps", std::vector<std::string>{"a", "b"});
    removeExcludedApp(fake.defaults, "c");
    EXPECT_EQ(fake.log_.matching("defaults:"), std::vector<std::string>{"defaults: excludedApps = [a, b]"});
}

} // namespace
} // namespace brimble::test
