#include "platform/wayland/XwaylandOwnerWatch.h"

#include <cstdlib>
#include <cstring>

#include <glib-unix.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace brimble::wayland {

std::unique_ptr<XwaylandOwnerWatch> XwaylandOwnerWatch::open(Events events)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return nullptr;
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(display, &screenNumber);
    const xcb_query_extension_reply_t* xfixes =
        xcb_connection_has_error(connection) ? nullptr : xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present) {
        xcb_disconnect(connection);
        return nullptr;
    }
    // XFixes answers selection events only to a client that said which version it speaks.
    free(xcb_xfixes_query_version_reply(connection, xcb_xfixes_query_version(connection, 5, 0), nullptr));

    static constexpr char name[] = "CLIPBOARD";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!atom || !screens.rem) {
        free(atom);
        xcb_disconnect(connection);
        return nullptr;
    }
    xcb_xfixes_select_selection_input(connection, screens.data->root, atom->atom,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    free(atom);
    xcb_flush(connection);
    return std::unique_ptr<XwaylandOwnerWatch>(
        new XwaylandOwnerWatch(connection, xfixes->first_event, std::move(events)));
}

XwaylandOwnerWatch::XwaylandOwnerWatch(xcb_connection_t* connection, uint8_t firstEvent, Events events)
    : connection_(connection), firstEvent_(firstEvent), events_(std::move(events))
{
    source_ = g_unix_fd_add(xcb_get_file_descriptor(connection_), static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                            onReadable, this);
}

XwaylandOwnerWatch::~XwaylandOwnerWatch()
{
    if (source_)
        g_source_remove(source_);
    xcb_disconnect(connection_);
}

gboolean XwaylandOwnerWatch::onReadable(gint, GIOCondition, gpointer data)
{
    auto* self = static_cast<XwaylandOwnerWatch*>(data);
    while (xcb_generic_event_t* event = xcb_poll_for_event(self->connection_)) {
        if ((event->response_type & 0x7f) == self->firstEvent_ + XCB_XFIXES_SELECTION_NOTIFY) {
            const auto* notify = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(event);
            // A destroyed owner window or a closed owner client leaves the clipboard to no one.
            if (notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER && notify->owner != XCB_NONE) {
                if (self->events_.taken)
                    self->events_.taken();
            } else if (self->events_.gone) {
                self->events_.gone();
            }
        }
        free(event);
    }
    // The X server went away (XWayland ends with its last client on some desktops): stop here.
    if (xcb_connection_has_error(self->connection_)) {
        self->source_ = 0;
        return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
}

} // namespace brimble::wayland
