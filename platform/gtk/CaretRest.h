#pragma once

#include <gtk/gtk.h>

namespace brimble {

// Stops the page's caret from blinking once the user has left the window alone, as GTK's own
// fields do after the desktop's blink timeout. WebKitGTK draws each blink of the caret as a fade,
// which wakes the program and the web process about a hundred times a second for as long as a
// field of the page has the keyboard, with nothing happening. So after the timeout without a key
// the blink is slowed to once an hour, which leaves the caret drawn and every process asleep, and
// a key, or the window getting the keyboard back, brings the desktop's blink back. A desktop that
// does not blink is left alone: an hour's blink would hide the caret half of each hour, and a
// steady caret is what its user chose. The setting is the application's, so it is handed back to
// the desktop whenever the main window loses the keyboard, and other windows blink as the desktop
// says.
class CaretRest {
public:
    explicit CaretRest(GtkWindow* window);
    ~CaretRest();
    CaretRest(const CaretRest&) = delete;
    CaretRest& operator=(const CaretRest&) = delete;

private:
    static gboolean onKey(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean onFocusIn(GtkWidget* widget, GdkEventFocus* event, gpointer self);
    static gboolean onFocusOut(GtkWidget* widget, GdkEventFocus* event, gpointer self);
    static gboolean onTimeout(gpointer self);

    // The desktop's blink, and the timeout started again.
    void wake();
    void rest();
    // No timeout running, and the desktop's own settings back.
    void leave();

    GtkWindow* window_;
    GtkSettings* settings_;
    guint timer_ = 0;
    bool resting_ = false;
};

} // namespace brimble
