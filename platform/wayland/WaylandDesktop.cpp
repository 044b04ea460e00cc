#include "platform/wayland/WaylandDesktop.h"

#include <cstdlib>

#include "platform/wayland/WaylandFrontmostApp.h"
#include "platform/wayland/WaylandPasteSender.h"
#include "platform/wayland/WaylandPasteboard.h"

namespace brimble {

std::unique_ptr<WaylandConnection> openDataControlConnection()
{
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (!display || !*display)
        return nullptr;
    std::unique_ptr<WaylandConnection> connection = WaylandConnection::open();
    if (!connection)
        return nullptr;
    // Data-control works on a seat's clipboard; a compositor without a seat has none to offer.
    if (!connection->versionOf("wl_seat"))
        return nullptr;
    if (!connection->versionOf("ext_data_control_manager_v1") && !connection->versionOf("zwlr_data_control_manager_v1"))
        return nullptr;
    return connection;
}

DesktopServices makeWaylandServices(WaylandConnection& connection, ImageCodec& codec)
{
    DesktopServices services;
    services.pasteboard = WaylandPasteboard::create(connection, codec);
    auto frontmost = std::make_unique<WaylandFrontmostApp>(connection);
    services.paste = std::make_unique<WaylandPasteSender>(connection, *frontmost);
    services.frontmost = std::move(frontmost);
    // Bound above; every later event arrives through the main loop.
    connection.roundtrip();
    connection.attach();
    return services;
}

} // namespace brimble
