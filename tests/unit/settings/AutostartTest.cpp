// The autostart entry: written and removed whole, read back from what lies on disk.

#include <glib.h>
#include <gtest/gtest.h>

#include "settings/Autostart.h"
#include "support/TempDir.h"

namespace brimble {
namespace {

using test::TempDir;

struct AutostartFixture {
    TempDir config;
    Autostart autostart{config.path(), "/opt/brimble/bin/brimble"};

    std::filesystem::path entry() const { return config / "autostart" / "brimble.desktop"; }

    // The entry's value for `key`, as the session's desktop-entry reader sees it.
    std::string value(const char* key) const
    {
        g_autoptr(GKeyFile) file = g_key_file_new();
        if (!g_key_file_load_from_file(file, entry().c_str(), G_KEY_FILE_NONE, nullptr))
            return "<unreadable>";
        g_autofree gchar* text = g_key_file_get_string(file, "Desktop Entry", key, nullptr);
        return text ? text : "<absent>";
    }
};

TEST(Autostart, OffOnTheFirstRun)
{
    AutostartFixture f;
    EXPECT_EQ(f.autostart.state(), StartAtLogin::Off);
    EXPECT_FALSE(std::filesystem::exists(f.config / "autostart"));
}

TEST(Autostart, OnWritesAnEntryThatStartsThisProgramAndReadsBackOn)
{
    AutostartFixture f;
    EXPECT_TRUE(f.autostart.set(StartAtLogin::On));
    EXPECT_EQ(f.autostart.entryPath(), f.entry());
    EXPECT_EQ(f.autostart.state(), StartAtLogin::On);
    EXPECT_EQ(f.value("Type"), "Application");
    EXPECT_EQ(f.value("Name"), "Brimble");
    // At login the program starts without its window.
    EXPECT_EQ(f.value("Exec"), "/opt/brimble/bin/brimble --background");
    // The session manager and the desktop's settings read other users' entries too.
    EXPECT_EQ(test::fileMode(f.entry()), 0644);
}

TEST(Autostart, OffRemovesTheEntryAndOffAgainIsHarmless)
{
    AutostartFixture f;
    f.autostart.set(StartAtLogin::On);
    EXPECT_TRUE(f.autostart.set(StartAtLogin::Off));
    EXPECT_FALSE(std::filesystem::exists(f.entry()));
    EXPECT_EQ(f.autostart.state(), StartAtLogin::Off);
    EXPECT_TRUE(f.autostart.set(StartAtLogin::Off));
}

// A program found on the PATH only (no /proc) still gets an entry that starts it.
TEST(Autostart, UnknownExecutableNamesTheProgramOnThePath)
{
    TempDir config;
    Autostart autostart(config.path(), {});
    autostart.set(StartAtLogin::On);
    EXPECT_NE(autostart.entryText().find("\nExec=brimble --background\n"), std::string::npos) << autostart.entryText();
}

// GNOME's and other desktops' settings switch an entry off without removing it; Brimble must
// not claim to start at login when the session will skip it.
TEST(Autostart, EntrySwitchedOffOrDamagedByHandReadsAsOff)
{
    struct Row {
        const char* name;
        const char* text;
        StartAtLogin expected;
    };
    const Row rows[] = {
        {"gnome switch", "[Desktop Entry]\nType=Application\nExec=brimble\nX-GNOME-Autostart-enabled=false\n",
         StartAtLogin::Off},
        {"hidden", "[Desktop Entry]\nType=Application\nExec=brimble\nHidden=true\n", StartAtLogin::Off},
        {"not a key file", "\x01\x02 garbage", StartAtLogin::Off},
        {"empty", "", StartAtLogin::Off},
        {"starts nothing", "[Desktop Entry]\nType=Application\n", StartAtLogin::Off},
        {"switched on", "[Desktop Entry]\nType=Application\nExec=brimble\nX-GNOME-Autostart-enabled=true\n",
         StartAtLogin::On},
        {"plain", "[Desktop Entry]\nType=Application\nExec=brimble\n", StartAtLogin::On},
    };
    for (const Row& row : rows) {
        AutostartFixture f;
        test::writeFile(f.entry(), row.text);
        EXPECT_EQ(f.autostart.state(), row.expected) << row.name;
        // Switching on replaces whatever lies there with a working entry.
        EXPECT_TRUE(f.autostart.set(StartAtLogin::On)) << row.name;
        EXPECT_EQ(f.value("Exec"), "/opt/brimble/bin/brimble --background") << row.name;
    }
}

// A file where the folder should be: the write fails, and says so, without throwing.
TEST(Autostart, UnwritableFolderReportsFailure)
{
    AutostartFixture f;
    test::writeFile(f.config / "autostart", "not a folder");
    EXPECT_FALSE(f.autostart.set(StartAtLogin::On));
    EXPECT_EQ(f.autostart.state(), StartAtLogin::Off);
}

TEST(DesktopExecArgument, QuotesWhatTheExecLineReserves)
{
    struct Row {
        std::string path;
        std::string expected;
    };
    const Row rows[] = {
        {"/usr/bin/brimble", "/usr/bin/brimble"},
        {"/home/ann/My Apps/brimble", "\"/home/ann/My Apps/brimble\""},
        {"/tmp/$HOME/brimble", "\"/tmp/\\$HOME/brimble\""},
        {"/tmp/a\"b`c\\d", "\"/tmp/a\\\"b\\`c\\\\d\""},
        // A percent sign would otherwise start a field code such as %f.
        {"/tmp/100%/brimble", "\"/tmp/100%%/brimble\""},
        {"/tmp/it's", "\"/tmp/it's\""},
        {"", "\"\""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(desktopExecArgument(row.path), row.expected) << row.path;
}

// The quoting must survive the key file's own escaping: read back and split as a launcher does,
// the Exec line is the one path again.
TEST(DesktopExecArgument, PathWithSpacesAndBackslashesRoundTripsThroughTheEntry)
{
    TempDir config;
    const std::string path = "/home/ann/My Apps/back\\slash $dollar/brimble";
    Autostart autostart(config.path(), path);
    ASSERT_TRUE(autostart.set(StartAtLogin::On));
    g_autoptr(GKeyFile) file = g_key_file_new();
    ASSERT_TRUE(g_key_file_load_from_file(file, autostart.entryPath().c_str(), G_KEY_FILE_NONE, nullptr));
    g_autofree gchar* exec = g_key_file_get_string(file, "Desktop Entry", "Exec", nullptr);
    ASSERT_NE(exec, nullptr);
    gint argc = 0;
    g_auto(GStrv) argv = nullptr;
    ASSERT_TRUE(g_shell_parse_argv(exec, &argc, &argv, nullptr)) << exec;
    ASSERT_EQ(argc, 2);
    EXPECT_EQ(std::string(argv[0]), path);
    EXPECT_EQ(std::string(argv[1]), "--background");
}

} // namespace
} // namespace brimble
