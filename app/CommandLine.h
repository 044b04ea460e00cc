#pragma once

#include <optional>
#include <string>

#include <glib.h>

namespace brimble {

// What a start of the program asks the running instance to do with its window. A start without
// options reopens it (shows it when hidden); `Keep` leaves it as it is.
enum class WindowRequest { Reopen, Keep, Show, Hide, Toggle, Quit };

// Whether the launch shows the window; a background launch builds no page until it is shown.
enum class WindowAtLaunch { Shown, Hidden };

struct StartRequest {
    WindowAtLaunch atLaunch = WindowAtLaunch::Shown;
    WindowRequest window = WindowRequest::Reopen;
    // "--sync-folder PATH": share the history through PATH ("" switches sync off). A start
    // that asks only this leaves the window as it is.
    std::optional<std::string> syncFolder;
};

// The options every start accepts ("background", "toggle", "show", "hide", "quit", "version",
// "sync-folder"), ended by an empty entry, for g_application_add_main_option_entries. GApplication
// hands them to the running instance in the start's options dictionary.
const GOptionEntry* commandLineOptions();

// Reads a start's options. Given more than one window option, the strongest wins: quit, then
// hide, show and toggle. "background" asks for a hidden launch and, to a running instance, for
// nothing at all.
StartRequest readStartRequest(GVariantDict* options);

// The sync folder a start named, made absolute against the starting process's folder `cwd`; ""
// stays "" (sync off).
std::string absoluteSyncFolder(const std::string& given, const char* cwd);

// How a start that finds no running instance launches: hidden for "background" and "hide",
// shown otherwise; nothing for "quit", which has nothing to end.
std::optional<WindowAtLaunch> launchFor(const StartRequest& request);

} // namespace brimble
