#pragma once

#include <functional>
#include <memory>

#include <glib.h>

struct xcb_connection_t;

namespace brimble::wayland {

// Who owns the X11 clipboard under XWayland, through XFixes on a connection of its own. Only the
// take and the going of an owner are reported; nothing is read from X11.
class XwaylandOwnerWatch {
public:
    struct Events {
        std::function<void()> taken; // a window took the clipboard
        std::function<void()> gone;  // its owner quit or let go, and none took it
    };

    // Nothing without an X server at DISPLAY or without XFixes there.
    static std::unique_ptr<XwaylandOwnerWatch> open(Events events);
    ~XwaylandOwnerWatch();
    XwaylandOwnerWatch(const XwaylandOwnerWatch&) = delete;
    XwaylandOwnerWatch& operator=(const XwaylandOwnerWatch&) = delete;

private:
    XwaylandOwnerWatch(xcb_connection_t* connection, uint8_t firstEvent, Events events);
    static gboolean onReadable(gint fd, GIOCondition condition, gpointer self);

    xcb_connection_t* connection_;
    uint8_t firstEvent_;
    Events events_;
    guint source_ = 0;
};

} // namespace brimble::wayland
