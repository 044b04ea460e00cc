#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <gtk/gtk.h>

#include "platform/MainLoop.h"
#include "platform/Panels.h"

namespace brimble {

// The real About and Help windows.
// `mainWindow` answers the program's main window, or null while there is none; the panels are
// centred over it when it is on screen and on the screen otherwise. `resourcesDir` holds
// "AppIcon.png", "octopus-sidebar.png" and "Zorvane-logo.png" (a missing picture leaves its place
// blank). `openURL` opens the maker's other-apps page in the browser. `loop` runs the delayed steps
// of the mascot's animations and must outlive the panels.
std::unique_ptr<Panels> makeGtkPanels(MainLoop& loop, std::function<GtkWindow*()> mainWindow,
                                      std::filesystem::path resourcesDir,
                                      std::function<void(const std::string&)> openURL);

} // namespace brimble
