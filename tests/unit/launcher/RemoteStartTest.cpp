#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/CommandLine.h"
#include "launcher/RemoteStart.h"

namespace brimble {
namespace {

constexpr const char* testApplicationId = "app.brimble.LauncherTest";

using OptionMap = std::map<std::string, std::string>;

OptionMap optionMap(GVariant* vardict)
{
    OptionMap map;
    GVariantIter iter;
    const char* key = nullptr;
    GVariant* value = nullptr;
    g_variant_iter_init(&iter, vardict);
    while (g_variant_iter_next(&iter, "{&sv}", &key, &value)) {
        g_autofree gchar* printed = g_variant_print(value, TRUE);
        map[key] = printed;
        g_variant_unref(value);
    }
    return map;
}

// The options dictionary the full program's GApplication hands its command-line handler for
// `arguments`, or nothing when GOption refuses them.
std::optional<OptionMap> parsedByTheProgram(const std::vector<std::string>& arguments)
{
    g_autoptr(GApplication) application =
        g_application_new(testApplicationId, G_APPLICATION_HANDLES_COMMAND_LINE);
    g_application_add_main_option_entries(application, commandLineOptions());
    std::optional<OptionMap> parsed;
    g_signal_connect(application, "handle-local-options",
                     G_CALLBACK(+[](GApplication*, GVariantDict* options, gpointer data) -> gint {
                         g_autoptr(GVariant) packed = g_variant_ref_sink(g_variant_dict_end(options));
                         *static_cast<std::optional<OptionMap>*>(data) = optionMap(packed);
                         return 0;
                     }),
                     &parsed);
    std::vector<char*> argv{const_cast<char*>("brimble")};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    g_application_run(application, static_cast<int>(argv.size()), argv.data());
    return parsed;
}

std::optional<RemoteStart> readOf(const std::vector<std::string>& arguments)
{
    return readRemoteStart(std::vector<std::string_view>(arguments.begin(), arguments.end()));
}

// A start forwarded by the launcher must reach the running instance as the program's own second
// start would: the same options, so the same request. Guards a launcher that reads an option
// differently from GOption (the folder's two spellings, a value that looks like an option).
TEST(RemoteStart, ForwardsExactlyWhatTheProgramWouldParse)
{
    const std::vector<std::vector<std::string>> forwarded = {
        {},
        {"--show"},
        {"--toggle"},
        {"--hide", "--show"},
        {"--background"},
        {"--quit", "--quit"},
        {"--sync-folder", "/tmp/shared"},
        {"--sync-folder=relative/folder", "--show"},
        {"--sync-folder="},
        {"--sync-folder", "--show"},
        {"--sync-folder", "one", "--sync-folder", "two"},
    };
    for (const auto& arguments : forwarded) {
        SCOPED_TRACE(arguments.empty() ? std::string("(none)") : arguments.front());
        const std::optional<RemoteStart> start = readOf(arguments);
        ASSERT_TRUE(start.has_value());
        const std::optional<OptionMap> program = parsedByTheProgram(arguments);
        ASSERT_TRUE(program.has_value());
        g_autoptr(GVariant) packed = g_variant_ref_sink(packedOptions(*start));
        EXPECT_EQ(optionMap(packed), *program);
    }
}

TEST(RemoteStart, LeavesToTheProgramWhatOnlyItCanAnswer)
{
    const std::vector<std::vector<std::string>> leftToProgram = {
        {"--version"}, {"--help"}, {"-h"}, {"--show=yes"}, {"--sync-folder"}, {"--sync-folders=x"},
        {"--gapplication-service"}, {"file.txt"}, {"--show", "--"}, {"--unknown"}, {"-"},
    };
    for (const auto& arguments : leftToProgram)
        EXPECT_FALSE(readOf(arguments).has_value()) << arguments.front();
}

TEST(RemoteStart, OnlyAQuitAloneNeedsNoInstance)
{
    EXPECT_TRUE(readOf({"--quit"})->onlyQuits());
    EXPECT_TRUE(readOf({"--quit", "--show"})->onlyQuits());
    EXPECT_FALSE(readOf({"--quit", "--sync-folder", ""})->onlyQuits());
    EXPECT_FALSE(readOf({"--show"})->onlyQuits());
    EXPECT_FALSE(readOf({})->onlyQuits());
}

struct Received {
    std::optional<StartRequest> request;
    std::string cwd;
    std::string startupId;
};

// The whole road over a private session bus: no instance answers NoInstance at once; a running
// GApplication receives the start in its command-line handler, with the folder it ran in and its
// startup id, and its exit status comes back.
TEST(RemoteStart, ReachesTheRunningInstanceOverTheBus)
{
    g_autoptr(GTestDBus) testBus = g_test_dbus_new(G_TEST_DBUS_NONE);
    g_test_dbus_up(testBus);
    g_autoptr(GDBusConnection) bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    ASSERT_NE(bus, nullptr);
    const RemoteStart start = *readOf({"--toggle", "--sync-folder", "shared"});
    EXPECT_EQ(askRunningInstance(bus, testApplicationId, start, "brimble", nullptr).answer, RemoteAnswer::NoInstance);

    g_autoptr(GApplication) application =
        g_application_new(testApplicationId, G_APPLICATION_HANDLES_COMMAND_LINE);
    g_application_add_main_option_entries(application, commandLineOptions());
    Received received;
    g_signal_connect(application, "command-line",
                     G_CALLBACK(+[](GApplication*, GApplicationCommandLine* commandLine, gpointer data) -> gint {
                         auto& into = *static_cast<Received*>(data);
                         into.request = readStartRequest(g_application_command_line_get_options_dict(commandLine));
                         into.cwd = g_application_command_line_get_cwd(commandLine);
                         g_autoptr(GVariant) platform = g_application_command_line_get_platform_data(commandLine);
                         const char* id = nullptr;
                         if (g_variant_lookup(platform, "desktop-startup-id", "&s", &id))
                             into.startupId = id;
                         return 3;
                     }),
                     &received);
    ASSERT_TRUE(g_application_register(application, nullptr, nullptr));

    RemoteResult result;
    std::thread caller([&] { result = askRunningInstance(bus, testApplicationId, start, "brimble", "launcher-test_TIME42"); });
    while (!received.request)
        g_main_context_iteration(nullptr, TRUE);
    // The reply goes once the command line is let go, after the handler returns.
    for (int i = 0; i < 50 && g_main_context_pending(nullptr); ++i)
        g_main_context_iteration(nullptr, FALSE);
    caller.join();

    EXPECT_EQ(result.answer, RemoteAnswer::Answered);
    EXPECT_EQ(result.exitStatus, 3);
    EXPECT_EQ(received.request->window, WindowRequest::Toggle);
    ASSERT_TRUE(received.request->syncFolder.has_value());
    g_autofree gchar* cwd = g_get_current_dir();
    EXPECT_EQ(absoluteSyncFolder(*received.request->syncFolder, received.cwd.c_str()),
              std::string(cwd) + "/shared");
    EXPECT_EQ(received.startupId, "launcher-test_TIME42");

    // The test bus waits for every reference to its connection to go before it stops.
    g_clear_object(&application);
    g_clear_object(&bus);
    g_test_dbus_down(testBus);
}

} // namespace
} // namespace brimble
