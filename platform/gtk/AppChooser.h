#pragma once

#include <optional>
#include <string>

#include <gtk/gtk.h>

namespace brimble {

// A modal list of the installed applications the desktop shows, by icon and name, from every
// XDG applications folder (the user's, the system's, Flatpak's exports), with a search field.
// Returns the path of the chosen application's desktop entry, or nothing when cancelled.
// GTK's own application chooser lists only programs that open files, which leaves out terminals
// such as xterm, the very programs users exclude.
std::optional<std::string> runAppChooser(GtkWindow* parent, const std::string& message,
                                         const std::string& confirmLabel);

} // namespace brimble
