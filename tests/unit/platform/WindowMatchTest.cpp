// Which installed desktop entries the window in front belongs to.

#include <cctype>

#include <gtest/gtest.h>

#include "platform/WindowMatch.h"

namespace brimble {
namespace {

DesktopEntryTraits entry(const std::string& id, const std::string& wmClass, const std::string& program)
{
    std::string folded = id;
    for (char& c : folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return {id, folded, wmClass, program};
}

const std::vector<DesktopEntryTraits>& installed()
{
    static const std::vector<DesktopEntryTraits> entries = {
        entry("debian-xterm", "", "xterm"),
        entry("debian-uxterm", "", "uxterm"),
        entry("org.gnome.gedit", "gedit", "gedit"),
        entry("firefox", "", ""),
        entry("e2e-notes", "offer_targets", ""),
        entry("foo-launcher", "", "foo-bin"),
        entry("shell-script", "", ""), // Exec=sh ...: no program of its own
    };
    return entries;
}

TEST(WindowMatch, EntriesOfTheWindowInFront)
{
    struct Row {
        const char* fault;
        WindowTraits window;
        std::vector<std::string> expected;
    };
    const std::vector<Row> rows = {
        // xterm's entry is named after Debian, not after its window class: it was never excluded.
        {"xterm by its program name", {"", {"xterm", "xterm"}, ""}, {"debian-xterm"}},
        {"GTK application id", {"org.gnome.gedit", {"gedit", "gedit"}, "gedit"}, {"org.gnome.gedit"}},
        // A window that names its application was taken for another entry of the same class.
        {"application id outranks a shared class", {"org.example.reader", {"offer_targets"}, ""}, {}},
        {"StartupWMClass", {"", {"offer_targets", "offer_targets"}, ""}, {"e2e-notes"}},
        {"class equal to the id", {"", {"firefox", "navigator"}, ""}, {"firefox"}},
        {"program of the window's process", {"", {"main", "main"}, "foo-bin"}, {"foo-launcher"}},
        // An entry without a program of its own must not match every window whose program is unknown.
        {"unknown program matches nothing", {"", {"unknown"}, ""}, {}},
        {"no window", {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        EXPECT_EQ(entriesOfWindow(row.window, installed()), row.expected);
    }
}

TEST(WindowMatch, SurestMatchFirstAndEachEntryOnce)
{
    const std::vector<DesktopEntryTraits> entries = {
        entry("terminal-by-program", "", "term"),
        entry("terminal-by-class", "term", "term"),
        entry("term", "term", "term"),
    };
    const WindowTraits window{"", {"term", "term"}, "term"};
    EXPECT_EQ(entriesOfWindow(window, entries),
              (std::vector<std::string>{"terminal-by-class", "term", "terminal-by-program"}));
}

TEST(WindowMatch, LaunchersAreNoProgramOfTheirOwn)
{
    EXPECT_EQ(programName("/usr/bin/xterm"), "xterm");
    EXPECT_EQ(programName("xterm"), "xterm");
    for (const char* launcher : {"env", "/usr/bin/env", "flatpak", "/bin/sh", "python3"})
        EXPECT_EQ(programName(launcher), "") << launcher;
}

} // namespace
} // namespace brimble
