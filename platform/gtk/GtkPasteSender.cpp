#include "platform/gtk/GtkPasteSender.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gdk/gdkx.h>

#include "platform/gtk/X11Display.h"

namespace brimble {

namespace {

// How often, and how long, to wait for the other window to get the keyboard back.
constexpr guint waitIntervalMs = 20;
constexpr int waitTicksMax = 15;

// The EWMH source indication of a request made on the user's behalf by a tool, not the window.
constexpr long sourcePager = 2;

bool windowManagerActivates()
{
    return gdk_x11_screen_supports_net_wm_hint(gdk_screen_get_default(),
                                               gdk_atom_intern_static_string("_NET_ACTIVE_WINDOW"));
}

Window activeWindow(Display* display)
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const int status =
        XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_ACTIVE_WINDOW", False), 0,
                           1, False, XA_WINDOW, &type, &format, &items, &remaining, &data);
    Window window = None;
    if (status == Success && type == XA_WINDOW && format == 32 && items == 1 && data)
        window = static_cast<Window>(*reinterpret_cast<const long*>(data));
    if (data)
        XFree(data);
    return window;
}

bool isOwnWindow(Window window)
{
    return gdk_x11_window_lookup_for_display(gdk_display_get_default(), window) != nullptr;
}

// Whether a window is still there and on screen; it may have closed since it was noted.
bool isViewable(Display* display, Window window)
{
    GdkDisplay* gdkDisplay = gdk_display_get_default();
    gdk_x11_display_error_trap_push(gdkDisplay);
    XWindowAttributes attributes{};
    const Status found = XGetWindowAttributes(display, window, &attributes);
    return gdk_x11_display_error_trap_pop(gdkDisplay) == 0 && found && attributes.map_state == IsViewable;
}

Window keyboardFocus(Display* display)
{
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(display, &focus, &revertTo);
    return focus == PointerRoot || focus == DefaultRootWindow(display) ? None : focus;
}

} // namespace

GtkPasteSender::~GtkPasteSender()
{
    if (waitSource_)
        g_source_remove(waitSource_);
}

void GtkPasteSender::rememberFocus()
{
    Display* display = defaultX11Display();
    if (!display)
        return;
    const Window focus = keyboardFocus(display);
    const Window active = windowManagerActivates() ? activeWindow(display) : None;
    // While one of Brimble's windows has the keyboard, the window noted before it stays.
    if ((focus != None && isOwnWindow(focus)) || (active != None && isOwnWindow(active)))
        return;
    if (focus == None && active == None)
        return;
    focus_ = focus;
    active_ = active;
}

void GtkPasteSender::pasteIntoRemembered()
{
    Display* display = defaultX11Display();
    if (!display)
        return;
    if (waitSource_) {
        g_source_remove(waitSource_);
        waitSource_ = 0;
    }
    if (active_ != None && windowManagerActivates() && isViewable(display, active_)) {
        // A window manager decides who has the keyboard; it is asked, as a pager would.
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = active_;
        event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = sourcePager;
        event.xclient.data.l[1] = static_cast<long>(gdk_x11_display_get_user_time(gdk_display_get_default()));
        XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
    } else if (focus_ != None && isViewable(display, focus_)) {
        GdkDisplay* gdkDisplay = gdk_display_get_default();
        gdk_x11_display_error_trap_push(gdkDisplay);
        XSetInputFocus(display, focus_, RevertToParent, CurrentTime);
        gdk_x11_display_error_trap_pop_ignored(gdkDisplay);
    } else {
        return;
    }
    XFlush(display);
    waitTicks_ = 0;
    waitSource_ = g_timeout_add(waitIntervalMs, onWaitTick, this);
}

gboolean GtkPasteSender::onWaitTick(gpointer data)
{
    auto* self = static_cast<GtkPasteSender*>(data);
    ++self->waitTicks_;
    Display* display = defaultX11Display();
    if (!display) {
        self->waitSource_ = 0;
        return G_SOURCE_REMOVE;
    }
    if (!self->rememberedHasKeyboard() && self->waitTicks_ < waitTicksMax)
        return G_SOURCE_CONTINUE;
    self->waitSource_ = 0;
    // Where the window manager gave the keyboard elsewhere, the paste goes where the user now
    // sees the keyboard, as typing would; never into Brimble's own window.
    const Window focus = keyboardFocus(display);
    if (focus != None && !isOwnWindow(focus))
        self->sendControlV();
    return G_SOURCE_REMOVE;
}

bool GtkPasteSender::rememberedHasKeyboard() const
{
    Display* display = defaultX11Display();
    if (!display)
        return false;
    const Window focus = keyboardFocus(display);
    if (focus == None || isOwnWindow(focus))
        return false;
    return focus == focus_ || (active_ != None && activeWindow(display) == active_);
}

void GtkPasteSender::sendControlV()
{
    Display* display = defaultX11Display();
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!display || !XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor))
        return;
    const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
    const KeyCode v = XKeysymToKeycode(display, XK_v);
    if (!control || !v)
        return;
    XTestFakeKeyEvent(display, control, True, CurrentTime);
    XTestFakeKeyEvent(display, v, True, CurrentTime);
    XTestFakeKeyEvent(display, v, False, CurrentTime);
    XTestFakeKeyEvent(display, control, False, CurrentTime);
    XFlush(display);
}

} // namespace brimble
