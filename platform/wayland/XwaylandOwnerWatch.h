#pragma once

#include <functional>
#include <memory>

#include <glib.h>

struct xcb_connection_t;

namespace brimble::wayland {

// Who owns the X11 clipboard under XWayland, through XFixes on a connection of its own. Only the
// going of an owner is reported; nothing is read from X11.
class XwaylandOwnerWatch {
public:
    // Nothing without an X server at DISPLAY or without XFixes there. `gone` runs when the
    // clipboard's owner quit or let go and none took it.
    static std::unique_ptr<XwaylandOwnerWatch> open(std::function<void()> gone);
    ~XwaylandOwnerWatch();
    XwaylandOwnerWatch(const XwaylandOwnerWatch&) = delete;
    XwaylandOwnerWatch& operator=(const XwaylandOwnerWatch&) = delete;

private:
    XwaylandOwnerWatch(xcb_connection_t* connection, uint8_t firstEvent, std::function<void()> gone);
    static gboolean onReadable(gint fd, GIOCondition condition, gpointer self);

    xcb_connection_t* connection_;
    uint8_t firstEvent_;
    std::function<void()> gone_;
    guint source_ = 0;
};

} // namespace brimble::wayland
