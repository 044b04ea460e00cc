#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gio/gio.h>

namespace brimble {

// A start whose options the running instance can be handed as they are, without the full program:
// the window options and the sync folder. Anything else (help, version, an unknown option, a
// stray argument) is left to the full program, which answers it or reports it.
struct RemoteStart {
    // The flags given ("background", "toggle", "show", "hide", "quit"), each once, in the order given.
    std::vector<std::string> flags;
    // "--sync-folder PATH" or "--sync-folder=PATH", the last one given.
    std::optional<std::string> syncFolder;

    // A start that only asks the running instance to quit has nothing to do when none runs.
    bool onlyQuits() const;
};

// Reads the arguments after the program's name as GOption reads the program's own options;
// nothing when any of them is not a window option or the sync folder.
std::optional<RemoteStart> readRemoteStart(const std::vector<std::string_view>& arguments);

// The options as GApplication packs them for the primary instance (a{sv}: "b" true for each flag
// given, a byte string for the folder), floating.
GVariant* packedOptions(const RemoteStart& start);

// The parameters of org.gtk.Application.CommandLine, floating: the caller's object path, the
// arguments left after the options (the program's name), and the platform data GTK sends (the
// folder the start ran in, its options, the startup notification id when there is one).
GVariant* commandLineParameters(const RemoteStart& start, const char* programName, const char* cwd,
                                const char* startupId);

// How the running instance answered a forwarded start.
enum class RemoteAnswer { Answered, NoInstance, Failed };

struct RemoteResult {
    RemoteAnswer answer = RemoteAnswer::Failed;
    int exitStatus = 0;
};

// Hands `start` to the instance that owns `applicationId` on `bus` and waits for its exit status;
// `startupId` is the desktop's startup notification id for this start, or null. A bus with no
// such name answers NoInstance at once: nothing is started on the bus's behalf.
RemoteResult askRunningInstance(GDBusConnection* bus, const char* applicationId, const RemoteStart& start,
                                const char* programName, const char* startupId);

} // namespace brimble
