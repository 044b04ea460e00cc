#pragma once

#include <optional>

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
};

// The options every start accepts ("background", "toggle", "show", "hide", "quit", "version"),
// ended by an empty entry, for g_application_add_main_option_entries. They carry no value, so
// GApplication hands them to the running instance in the start's options dictionary.
const GOptionEntry* commandLineOptions();

// Reads a start's options. Given more than one window option, the strongest wins: quit, then
// hide, show and toggle. "background" asks for a hidden launch and, to a running instance, for
// nothing at all.
StartRequest readStartRequest(GVariantDict* options);

// How a start that finds no running instance launches: hidden for "background" and "hide",
// shown otherwise; nothing for "quit", which has nothing to end.
std::optional<WindowAtLaunch> launchFor(const StartRequest& request);

} // namespace brimble
