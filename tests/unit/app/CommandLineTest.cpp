#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace brimble {
namespace {

struct StartCase {
    std::vector<const char*> options;
    WindowAtLaunch atLaunch;
    WindowRequest window;
    std::optional<WindowAtLaunch> firstLaunch;
};

StartRequest requestFor(const std::vector<const char*>& options)
{
    g_autoptr(GVariantDict) dict = g_variant_dict_new(nullptr);
    for (const char* option : options)
        g_variant_dict_insert(dict, option, "b", TRUE);
    return readStartRequest(dict);
}

TEST(CommandLine, OptionsBecomeOneRequest)
{
    const std::vector<StartCase> cases = {
        {{}, WindowAtLaunch::Shown, WindowRequest::Reopen, WindowAtLaunch::Shown},
        {{"background"}, WindowAtLaunch::Hidden, WindowRequest::Keep, WindowAtLaunch::Hidden},
        {{"show"}, WindowAtLaunch::Shown, WindowRequest::Show, WindowAtLaunch::Shown},
        {{"hide"}, WindowAtLaunch::Shown, WindowRequest::Hide, WindowAtLaunch::Hidden},
        {{"toggle"}, WindowAtLaunch::Shown, WindowRequest::Toggle, WindowAtLaunch::Shown},
        // Nothing runs that could be quit; the start must not launch a recorder only to end it.
        {{"quit"}, WindowAtLaunch::Shown, WindowRequest::Quit, std::nullopt},
        // The strongest request wins, whatever the order on the command line.
        {{"toggle", "quit", "show"}, WindowAtLaunch::Shown, WindowRequest::Quit, std::nullopt},
        {{"show", "hide"}, WindowAtLaunch::Shown, WindowRequest::Hide, WindowAtLaunch::Hidden},
        {{"background", "show"}, WindowAtLaunch::Hidden, WindowRequest::Show, WindowAtLaunch::Shown},
    };
    for (const StartCase& row : cases) {
        std::string label;
        for (const char* option : row.options)
            label += std::string("--") + option + " ";
        const StartRequest request = requestFor(row.options);
        EXPECT_EQ(request.atLaunch, row.atLaunch) << label;
        EXPECT_EQ(request.window, row.window) << label;
        EXPECT_EQ(launchFor(request), row.firstLaunch) << label;
    }
}

// GApplication stores an option that was not given as absent, and one given as false is no request.
TEST(CommandLine, MissingDictionaryOrFalseValuesAskForAPlainStart)
{
    const StartRequest none = readStartRequest(nullptr);
    EXPECT_EQ(none.window, WindowRequest::Reopen);
    g_autoptr(GVariantDict) dict = g_variant_dict_new(nullptr);
    g_variant_dict_insert(dict, "quit", "b", FALSE);
    EXPECT_EQ(readStartRequest(dict).window, WindowRequest::Reopen);
}

TEST(CommandLine, EveryOptionButTheSyncFolderTakesNoValueAndEachHasAHelpText)
{
    std::vector<std::string> names;
    for (const GOptionEntry* entry = commandLineOptions(); entry->long_name; ++entry) {
        names.emplace_back(entry->long_name);
        EXPECT_EQ(entry->arg, names.back() == "sync-folder" ? G_OPTION_ARG_FILENAME : G_OPTION_ARG_NONE)
            << entry->long_name;
        // The program's own start again after the compositor went away is not the user's to give.
        EXPECT_EQ(entry->description == nullptr, (entry->flags & G_OPTION_FLAG_HIDDEN) != 0) << entry->long_name;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"background", "toggle", "show", "hide", "quit", "version", "sync-folder",
                                               "await-compositor"}));
}

// "--sync-folder" alone must not pop the window of the running instance up, and a relative
// folder is the starting shell's, not the running instance's.
TEST(CommandLine, SyncFolderIsMadeAbsoluteAndLeavesTheWindowAlone)
{
    g_autoptr(GVariantDict) options = g_variant_dict_new(nullptr);
    g_variant_dict_insert_value(options, "sync-folder", g_variant_new_bytestring("Sync/brimble"));
    StartRequest request = readStartRequest(options);
    EXPECT_EQ(request.syncFolder, "Sync/brimble");
    EXPECT_EQ(request.window, WindowRequest::Keep);
    EXPECT_EQ(absoluteSyncFolder(*request.syncFolder, "/home/u"), "/home/u/Sync/brimble");
    EXPECT_EQ(absoluteSyncFolder("/abs", "/home/u"), "/abs");
    EXPECT_EQ(absoluteSyncFolder("", "/home/u"), "") << "empty switches sync off";

    g_variant_dict_insert_value(options, "show", g_variant_new_boolean(TRUE));
    EXPECT_EQ(readStartRequest(options).window, WindowRequest::Show);
}

} // namespace
} // namespace brimble
