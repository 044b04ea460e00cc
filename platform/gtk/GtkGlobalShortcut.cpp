#include "platform/gtk/GtkGlobalShortcut.h"

#include <gdk/gdkx.h>

#include "platform/gtk/X11Display.h"
#include <keybinder.h>

namespace brimble {

namespace {

// How often, and at most how long, to wait for the keys to be let go. The keys typed meanwhile
// are kept for the window (see PageKeys), so the wait costs only the time to the first look:
// half the interval on average, after the keys are up.
constexpr guint releaseIntervalMs = 10;
constexpr int releaseTicksMax = 100;

} // namespace

GtkGlobalShortcut::GtkGlobalShortcut(GtkWindowHost& host) : host_(host)
{
    // Only the X11 backend is ever used (see main); keybinder needs GTK to be up already.
    static const bool initialised = [] {
        keybinder_init();
        return true;
    }();
    (void)initialised;
}

GtkGlobalShortcut::~GtkGlobalShortcut()
{
    if (releaseSource_)
        g_source_remove(releaseSource_);
    if (!accelerator_.empty())
        keybinder_unbind(accelerator_.c_str(), onKey);
}

bool GtkGlobalShortcut::isAvailable() const
{
    // keybinder grabs keys on an X server only.
    return keybinder_supported();
}

bool GtkGlobalShortcut::bind(const std::string& accelerator, ShortcutHandlers handlers)
{
    if (!accelerator_.empty() || !keybinder_supported())
        return false;
    // keybinder traps the X error of a key grabbed by another client and reports it as failure.
    if (!keybinder_bind(accelerator.c_str(), onKey, this))
        return false;
    accelerator_ = accelerator;
    handlers_ = std::move(handlers);
    guint keyval = 0;
    GdkModifierType modifiers = GdkModifierType(0);
    gtk_accelerator_parse(accelerator.c_str(), &keyval, &modifiers);
    if (Display* display = defaultX11Display())
        keycode_ = XKeysymToKeycode(display, keyval);
    // GDK's Shift, Control and Alt bits are X's own.
    modifiers_ = modifiers & (GDK_SHIFT_MASK | GDK_CONTROL_MASK | GDK_MOD1_MASK);
    return true;
}

void GtkGlobalShortcut::onKey(const char*, void* data)
{
    auto* self = static_cast<GtkGlobalShortcut*>(data);
    // A key held down repeats; its repeats are the same request.
    if (self->releaseSource_)
        return;
    // The key press is the user's request to see the window: its time lets the window manager's
    // focus-stealing prevention give the window the keyboard, and what is typed from now on is
    // meant for the window.
    self->host_.keyRequestedWindow(keybinder_get_current_event_time());
    self->releaseTicks_ = 0;
    self->releaseSource_ = g_timeout_add(releaseIntervalMs, onReleaseTick, self);
    if (self->handlers_.keyDown)
        self->handlers_.keyDown();
}

gboolean GtkGlobalShortcut::onReleaseTick(gpointer data)
{
    auto* self = static_cast<GtkGlobalShortcut*>(data);
    // A key held for long is answered anyway, so the window never waits on a stuck key.
    if (self->keyIsDown() && ++self->releaseTicks_ < releaseTicksMax)
        return G_SOURCE_CONTINUE;
    self->releaseSource_ = 0;
    self->answer();
    return G_SOURCE_REMOVE;
}

bool GtkGlobalShortcut::keyIsDown() const
{
    Display* display = defaultX11Display();
    if (!display || keycode_ == 0 || keycode_ > 255)
        return false;
    char keys[32] = {};
    XQueryKeymap(display, keys);
    if ((keys[keycode_ / 8] >> (keycode_ % 8)) & 1)
        return true;
    Window root = None;
    Window child = None;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned int mask = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return (mask & modifiers_) != 0;
}

void GtkGlobalShortcut::answer()
{
    if (handlers_.pressed)
        handlers_.pressed();
}

} // namespace brimble
