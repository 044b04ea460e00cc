#pragma once

#include <memory>
#include <vector>

#include <gtk/gtk.h>

namespace brimble {

class GtkMainWindow;

// Takes the keys typed into the main window to its page, in the order they were typed.
//
// - While the page cannot take keys (it is being built, or has not drawn its state), they are
//   kept and handed over once it can. A page that had not run its scripts yet dropped them, so
//   a search typed right after the desktop-wide key was lost.
// - Between the desktop-wide key and the moment the window has the keyboard, every key of the
//   X display is taken (X11 only), so the first letters do not go to the window behind. The
//   server is watched for the keyboard's arrival (GDK drops focus events that come while a grab
//   is held), and the grab ends at once, so other windows get their keys back.
// - Kept keys go to the page only. Should one of Brimble's dialogs hold the window meanwhile (a
//   confirm whose default button clears the history), they are dropped, never handed to it.
// - The Edit menu's keys (Control+A, C, V, X, Z) go to the page first, as ordinary keys, and reach
//   the menus only when the page has no use for them. The menus' editing commands used to
//   overtake the keys still queued for a busy page: Control+A, BackSpace, Control+V typed during
//   a redraw arrived as Select All, Paste, BackSpace.
class PageKeys {
public:
    explicit PageKeys(GtkMainWindow& window);
    ~PageKeys();
    PageKeys(const PageKeys&) = delete;
    PageKeys& operator=(const PageKeys&) = delete;

    // Keeps the keys typed from now on, until `release`.
    void hold();
    // Hands the kept keys to the page and lets later ones through.
    void release();
    // Takes every key of the display until the window has the keyboard, for two seconds at most.
    // `time` is the X time of the key press that asked for the window.
    void takeKeyboardUntilFocused(guint32 time);
    // The window went off the screen: what was kept is no longer meant for it.
    void drop();
    // Closes unanswered, as Escape would, a dialog that holds the window.
    void dismissDialog();

private:
    struct EventFree {
        void operator()(GdkEvent* event) const { gdk_event_free(event); }
    };
    using Event = std::unique_ptr<GdkEvent, EventFree>;

    static gboolean onKey(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean onFocusIn(GtkWidget* widget, GdkEventFocus* event, gpointer self);
    static void onUnmap(GtkWidget* widget, gpointer self);
    static GdkFilterReturn onDisplayEvent(GdkXEvent* xevent, GdkEvent* event, gpointer self);
    static gboolean onHoldTimeout(gpointer self);
    static gboolean onGrabTimeout(gpointer self);
    static gboolean onFocusWatch(gpointer self);
    static gboolean onHandOver(gpointer self);

    gboolean routeKey(GdkEventKey* event);
    void keep(Event event);
    void checkKeyboardArrived();
    void endGrab();
    void handOver();
    void stopWatching();
    GtkWidget* dialogHoldingWindow() const;
    void replay(std::vector<Event> events);

    GtkMainWindow& window_;
    bool held_ = false;
    bool grabbed_ = false;
    // The grab has ended; keys still arriving are kept behind the ones taken during it until
    // they are handed over together.
    bool handingOver_ = false;
    bool watching_ = false;
    std::vector<Event> kept_;
    guint holdTimer_ = 0;
    guint grabTimer_ = 0;
    guint focusWatch_ = 0;
    guint handOverSource_ = 0;
};

} // namespace brimble
