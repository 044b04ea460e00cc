#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brimble {

// What an installed desktop entry says about the windows of its application. Every text but
// `id` is case-folded by the caller.
struct DesktopEntryTraits {
    std::string id;               // the desktop-entry id without ".desktop", as installed
    std::string foldedId;
    std::string foldedWmClass;    // StartupWMClass; empty when none
    std::string foldedExecutable; // see `programName`; empty when none
};

// What the window in front says about itself, case-folded.
struct WindowTraits {
    std::string appId;                 // _GTK_APPLICATION_ID; empty when none
    std::vector<std::string> classNames; // WM_CLASS, class first ("xterm"), then instance
    std::string executable;            // the file name of the window's program; empty when unknown
};

// The ids of every entry the window belongs to, best match first, each once. A window with an
// application id belongs to the entry of that id only. Any other belongs to each entry whose
// StartupWMClass or id is one of its class names, or whose program is the window's program or
// named like one of its class names (xterm's entry "debian-xterm" runs "xterm", whose windows
// are of class "XTerm").
std::vector<std::string> entriesOfWindow(const WindowTraits& window, const std::vector<DesktopEntryTraits>& entries);

// The file name of the program an Exec line starts ("/usr/bin/xterm" gives "xterm"), or nothing
// for a launcher that runs another program (env, flatpak, a shell, an interpreter), whose name
// would match the windows of every program it runs.
std::string programName(std::string_view executable);

} // namespace brimble
