#pragma once

#include <memory>

#include "platform/gtk/GtkPlatform.h"
#include "platform/wayland/WaylandConnection.h"

namespace brimble {

// Brimble's own connection to the Wayland compositor of this session, when the compositor lets
// a clipboard manager watch the clipboard (data-control); nothing otherwise: on X11, where no
// compositor answers, and on GNOME's Mutter, which offers no data-control.
std::unique_ptr<WaylandConnection> openDataControlConnection();

// The clipboard, the application in front and pasting over `connection`, whose events are then
// dispatched from the main loop. The connection outlives both.
DesktopServices makeWaylandServices(WaylandConnection& connection, ImageCodec& codec);

} // namespace brimble
