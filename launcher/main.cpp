// The installed `brimble` command. A start that finds Brimble running hands its options to it
// over the session bus and exits, without loading the toolkit or the web engine; every other start
// (the first, help, version, anything unknown) becomes the full program, in this same process.

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include <gio/gio.h>

#include "launcher/RemoteStart.h"

namespace {

constexpr const char* applicationId = "app.brimble.Brimble";

// The full program, from this command's own folder: installed, under the library executables
// folder; in the build tree, below the build folder.
std::string fullProgram()
{
    g_autofree gchar* self = g_file_read_link("/proc/self/exe", nullptr);
    if (!self)
        return {};
    g_autofree gchar* folder = g_path_get_dirname(self);
    for (const char* relative : {BRIMBLE_PROGRAM_FROM_LAUNCHER, BRIMBLE_PROGRAM_FROM_LAUNCHER_IN_BUILD}) {
        g_autofree gchar* candidate = g_build_filename(folder, relative, nullptr);
        if (g_file_test(candidate, G_FILE_TEST_IS_EXECUTABLE) && !g_file_test(candidate, G_FILE_TEST_IS_DIR))
            return candidate;
    }
    return {};
}

[[noreturn]] void becomeFullProgram(char** argv)
{
    const std::string program = fullProgram();
    if (program.empty()) {
        g_printerr("%s: %s\n", BRIMBLE_PROGRAM_FROM_LAUNCHER, g_strerror(ENOENT));
        std::exit(127);
    }
    execv(program.c_str(), argv);
    g_printerr("%s: %s\n", program.c_str(), g_strerror(errno));
    std::exit(127);
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (const std::optional<brimble::RemoteStart> start = brimble::readRemoteStart(arguments)) {
        g_autoptr(GDBusConnection) bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        if (bus) {
            const brimble::RemoteResult result =
                brimble::askRunningInstance(bus, applicationId, *start, argc > 0 ? argv[0] : "brimble",
                                            std::getenv("DESKTOP_STARTUP_ID"));
            if (result.answer == brimble::RemoteAnswer::Answered)
                return result.exitStatus;
            if (result.answer == brimble::RemoteAnswer::NoInstance && start->onlyQuits())
                return EXIT_SUCCESS;
        }
    }
    // No instance, no bus, or a start only the full program can answer: it registers on the bus
    // itself, so two starts at once still end with one instance.
    becomeFullProgram(argv);
}
