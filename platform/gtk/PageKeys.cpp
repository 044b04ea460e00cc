#include "platform/gtk/PageKeys.h"

#include <cstring>
#include <utility>

#include <gdk/gdkx.h>

#include "platform/gtk/GtkMainWindow.h"
#include "platform/gtk/X11Display.h"

namespace brimble {

namespace {

// Kept keys are handed over at the latest this long after the first was kept, so a page that
// never draws cannot leave the window deaf. A page built on a busy machine was seen to take
// several seconds; keys handed to it before it is ready are lost.
constexpr guint holdLimitMs = 10000;
// The window manager normally gives the window the keyboard within a few hundredths of a second;
// one that does not is not waited for long, since the grab takes every key of the desktop.
constexpr guint grabLimitMs = 2000;
// While the keyboard is taken, the server is also asked this often who has the focus: the focus
// events are the quick road, this the sure one.
constexpr guint focusWatchMs = 10;

// The key of an X key event, as GDK would have made it for `target`.
GdkEvent* keyEventFor(const XKeyEvent& key, GdkWindow* target)
{
    GdkDisplay* display = gdk_window_get_display(target);
    GdkKeymap* keymap = gdk_keymap_get_for_display(display);
    GdkEvent* event = gdk_event_new(key.type == KeyPress ? GDK_KEY_PRESS : GDK_KEY_RELEASE);
    event->key.window = GDK_WINDOW(g_object_ref(target));
    event->key.send_event = FALSE;
    event->key.time = key.time;
    // The core state carries the keyboard group in bits 13 and 14.
    const int group = (key.state >> 13) & 3;
    auto state = static_cast<GdkModifierType>(key.state & ~(3u << 13));
    gdk_keymap_add_virtual_modifiers(keymap, &state);
    event->key.state = state;
    event->key.hardware_keycode = static_cast<guint16>(key.keycode);
    event->key.group = static_cast<guint8>(group);
    guint keyval = GDK_KEY_VoidSymbol;
    gdk_keymap_translate_keyboard_state(keymap, key.keycode, state, group, &keyval, nullptr, nullptr, nullptr);
    event->key.keyval = keyval;
    event->key.is_modifier = gdk_x11_keymap_key_is_modifier(keymap, key.keycode);
    const gunichar character = gdk_keyval_to_unicode(keyval);
    event->key.string = character ? g_ucs4_to_utf8(&character, 1, nullptr, nullptr, nullptr) : g_strdup("");
    event->key.length = static_cast<gint>(strlen(event->key.string));
    GdkDevice* keyboard = gdk_seat_get_keyboard(gdk_display_get_default_seat(display));
    gdk_event_set_device(event, keyboard);
    gdk_event_set_source_device(event, keyboard);
    return event;
}

// The Edit menu's keys, which act on text and so must keep their place among the keys typed
// around them. The menus' other keys (Control+W, Control+Q, ...) do not depend on that order and
// still go to the menus first.
bool isEditingKey(const GdkEventKey* event)
{
    constexpr auto modifiers = GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SUPER_MASK;
    if (event->type != GDK_KEY_PRESS || (event->state & modifiers) != GDK_CONTROL_MASK)
        return false;
    switch (gdk_keyval_to_lower(event->keyval)) {
    case GDK_KEY_a:
    case GDK_KEY_c:
    case GDK_KEY_v:
    case GDK_KEY_x:
    case GDK_KEY_z:
        return true;
    default:
        return false;
    }
}

} // namespace

PageKeys::PageKeys(GtkMainWindow& window) : window_(window)
{
    GtkWidget* widget = GTK_WIDGET(window_.window());
    g_signal_connect(widget, "key-press-event", G_CALLBACK(onKey), this);
    g_signal_connect(widget, "key-release-event", G_CALLBACK(onKey), this);
    g_signal_connect(widget, "focus-in-event", G_CALLBACK(onFocusIn), this);
    g_signal_connect(widget, "unmap", G_CALLBACK(onUnmap), this);
}

PageKeys::~PageKeys()
{
    drop();
    g_signal_handlers_disconnect_by_data(window_.window(), this);
}

void PageKeys::hold()
{
    held_ = true;
}

void PageKeys::release()
{
    held_ = false;
    if (holdTimer_) {
        g_source_remove(holdTimer_);
        holdTimer_ = 0;
    }
    // Keys taken by the grab are handed over once it has ended, with those typed since, in order.
    if (grabbed_ || handingOver_)
        return;
    replay(std::exchange(kept_, {}));
}

void PageKeys::drop()
{
    kept_.clear();
    if (holdTimer_) {
        g_source_remove(holdTimer_);
        holdTimer_ = 0;
    }
    stopWatching();
}

void PageKeys::takeKeyboardUntilFocused(guint32 time)
{
    Display* display = defaultX11Display();
    if (!display || grabbed_)
        return;
    // The key's own time may be refused once the server has moved on; the grab matters more.
    if (XGrabKeyboard(display, DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync, time) != GrabSuccess &&
        XGrabKeyboard(display, DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync, CurrentTime) !=
            GrabSuccess)
        return;
    grabbed_ = true;
    // The keys taken are handed to the window, which must exist on the X server for that. Made
    // after the grab (a first realize costs a few round trips): the keys come in only once this
    // handler has returned.
    gtk_widget_realize(GTK_WIDGET(window_.window()));
    if (handOverSource_) {
        // A hand-over under way joins this grab's.
        g_source_remove(std::exchange(handOverSource_, 0));
        handingOver_ = false;
    }
    if (!watching_) {
        gdk_window_add_filter(nullptr, onDisplayEvent, this);
        watching_ = true;
    }
    grabTimer_ = g_timeout_add(grabLimitMs, onGrabTimeout, this);
    focusWatch_ = g_timeout_add(focusWatchMs, onFocusWatch, this);
}

// Ends the grab as soon as a window of this program has the keyboard: the main window, or a
// dialog of it that the window manager chose instead.
void PageKeys::checkKeyboardArrived()
{
    Display* display = defaultX11Display();
    if (!grabbed_ || !display)
        return;
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(display, &focus, &revertTo);
    if (focus == None || focus == PointerRoot)
        return;
    if (gdk_x11_window_lookup_for_display(gdk_display_get_default(), focus))
        endGrab();
}

void PageKeys::endGrab()
{
    if (!grabbed_)
        return;
    grabbed_ = false;
    for (guint* source : {&grabTimer_, &focusWatch_}) {
        if (*source)
            g_source_remove(std::exchange(*source, 0));
    }
    if (Display* display = defaultX11Display()) {
        XUngrabKeyboard(display, CurrentTime);
        // Every key the server sent to the grab is in hand after this.
        XSync(display, False);
    }
    // Keys reach the window from now on; they are kept behind the ones the grab took until every
    // event read so far has been through GDK, then all are handed over in the order typed.
    handingOver_ = true;
    handOverSource_ = g_idle_add_full(G_PRIORITY_DEFAULT + 1, onHandOver, this, nullptr);
}

void PageKeys::handOver()
{
    handingOver_ = false;
    if (watching_) {
        gdk_window_remove_filter(nullptr, onDisplayEvent, this);
        watching_ = false;
    }
    if (!held_)
        release();
}

void PageKeys::stopWatching()
{
    const bool wasGrabbed = grabbed_;
    grabbed_ = false;
    handingOver_ = false;
    for (guint* source : {&grabTimer_, &focusWatch_, &handOverSource_}) {
        if (*source)
            g_source_remove(std::exchange(*source, 0));
    }
    if (watching_) {
        gdk_window_remove_filter(nullptr, onDisplayEvent, this);
        watching_ = false;
    }
    if (Display* display = defaultX11Display(); display && wasGrabbed) {
        XUngrabKeyboard(display, CurrentTime);
        XFlush(display);
    }
}

GtkWidget* PageKeys::dialogHoldingWindow() const
{
    GtkWidget* window = GTK_WIDGET(window_.window());
    GtkWidget* grab = gtk_window_group_get_current_grab(gtk_window_get_group(window_.window()));
    return grab && grab != window && !gtk_widget_is_ancestor(grab, window) ? grab : nullptr;
}

void PageKeys::dismissDialog()
{
    GtkWidget* dialog = dialogHoldingWindow();
    if (dialog && GTK_IS_DIALOG(dialog))
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_DELETE_EVENT);
}

gboolean PageKeys::onKey(GtkWidget*, GdkEventKey* event, gpointer self)
{
    return static_cast<PageKeys*>(self)->routeKey(event);
}

gboolean PageKeys::routeKey(GdkEventKey* event)
{
    if (held_ || grabbed_ || handingOver_) {
        keep(Event(gdk_event_copy(reinterpret_cast<GdkEvent*>(event))));
        return TRUE;
    }
    GtkWindow* window = window_.window();
    GtkWidget* focus = gtk_window_get_focus(window);
    if (!isEditingKey(event) || !focus || !window_.content() ||
        (focus != window_.content() && !gtk_widget_is_ancestor(focus, window_.content())))
        return FALSE;
    // The page answers asynchronously; a key it does not use comes back here, and only then do
    // the menus see it.
    if (!gtk_window_propagate_key_event(window, event))
        gtk_window_activate_key(window, event);
    return TRUE;
}

void PageKeys::keep(Event event)
{
    if (kept_.empty() && !holdTimer_)
        holdTimer_ = g_timeout_add(holdLimitMs, onHoldTimeout, this);
    kept_.push_back(std::move(event));
}

void PageKeys::replay(std::vector<Event> events)
{
    // A modal dialog takes every key sent to the window it belongs to: a kept Return would
    // answer a question the user has not seen yet.
    if (dialogHoldingWindow())
        return;
    // Each goes the way a key typed now would, so one kept while the page was held is kept again
    // if the page is held once more.
    for (const Event& event : events)
        gtk_main_do_event(event.get());
}

gboolean PageKeys::onFocusIn(GtkWidget*, GdkEventFocus*, gpointer data)
{
    static_cast<PageKeys*>(data)->endGrab();
    return FALSE;
}

void PageKeys::onUnmap(GtkWidget*, gpointer self)
{
    static_cast<PageKeys*>(self)->drop();
}

GdkFilterReturn PageKeys::onDisplayEvent(GdkXEvent* xevent, GdkEvent*, gpointer data)
{
    auto* self = static_cast<PageKeys*>(data);
    const auto* event = static_cast<const XEvent*>(xevent);
    if (event->type == FocusIn) {
        self->checkKeyboardArrived();
        return GDK_FILTER_CONTINUE;
    }
    if (event->type != KeyPress && event->type != KeyRelease)
        return GDK_FILTER_CONTINUE;
    // Only what the grab took comes to the root window; keys typed into the window once the grab
    // has ended arrive there and are kept behind these.
    if ((!self->grabbed_ && !self->handingOver_) || event->xkey.window != event->xkey.root)
        return GDK_FILTER_CONTINUE;
    GdkWindow* target = gtk_widget_get_window(GTK_WIDGET(self->window_.window()));
    if (target)
        self->keep(Event(keyEventFor(event->xkey, target)));
    // The desktop-wide key's own handler still sees the key, so pressing it again hides the window.
    return GDK_FILTER_CONTINUE;
}

gboolean PageKeys::onHoldTimeout(gpointer data)
{
    auto* self = static_cast<PageKeys*>(data);
    self->holdTimer_ = 0;
    self->release();
    return G_SOURCE_REMOVE;
}

gboolean PageKeys::onGrabTimeout(gpointer data)
{
    auto* self = static_cast<PageKeys*>(data);
    self->grabTimer_ = 0;
    self->endGrab();
    return G_SOURCE_REMOVE;
}

gboolean PageKeys::onFocusWatch(gpointer data)
{
    auto* self = static_cast<PageKeys*>(data);
    self->checkKeyboardArrived();
    return self->grabbed_ ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

gboolean PageKeys::onHandOver(gpointer data)
{
    auto* self = static_cast<PageKeys*>(data);
    self->handOverSource_ = 0;
    self->handOver();
    return G_SOURCE_REMOVE;
}

} // namespace brimble
