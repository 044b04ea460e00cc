// The caret's rest on a real GTK under Xvfb, with the desktop's blink settings given by a
// settings.ini of its own. "off": a desktop with blinking switched off (often an accessibility
// choice) keeps its settings whatever the window does; the rest used to switch blinking on with
// an hour's period, which hid an idle field's caret half of each hour. "on": after the desktop's
// timeout the blink slows to once an hour, and a key brings the desktop's blink back.
// Exits non-zero, saying what went wrong.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtk/gtk.h>

#include "platform/gtk/CaretRest.h"

namespace {

int faults = 0;

void expect(bool holds, const char* what)
{
    if (!holds) {
        std::printf("FAIL: %s\n", what);
        ++faults;
    }
}

struct Blink {
    gboolean on = FALSE;
    gint time = 0;
};

Blink blinkNow()
{
    Blink blink;
    g_object_get(gtk_settings_get_default(), "gtk-cursor-blink", &blink.on, "gtk-cursor-blink-time", &blink.time,
                 nullptr);
    return blink;
}

void runFor(guint milliseconds)
{
    bool done = false;
    g_timeout_add(milliseconds, [](gpointer flag) {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
    }, &done);
    while (!done)
        g_main_context_iteration(nullptr, TRUE);
}

void sendFocus(GtkWidget* window, bool in)
{
    GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
    event->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    event->focus_change.send_event = TRUE;
    event->focus_change.in = in;
    gtk_widget_send_focus_change(window, event);
    gdk_event_free(event);
}

void sendKey(GtkWidget* window)
{
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    event->key.send_event = TRUE;
    event->key.keyval = GDK_KEY_a;
    gboolean handled = FALSE;
    g_signal_emit_by_name(window, "key-press-event", event, &handled);
    gdk_event_free(event);
}

} // namespace

int main(int argc, char** argv)
{
    const bool desktopBlinks = argc > 1 && std::strcmp(argv[1], "on") == 0;
    // The desktop's settings, read by GTK at its start.
    g_autofree char* folder = g_dir_make_tmp("caret-rest-XXXXXX", nullptr);
    const std::filesystem::path config = std::filesystem::path(folder) / "gtk-3.0";
    std::filesystem::create_directories(config);
    std::ofstream(config / "settings.ini") << "[Settings]\ngtk-cursor-blink=" << (desktopBlinks ? "true" : "false")
                                           << "\ngtk-cursor-blink-time=1200\ngtk-cursor-blink-timeout=1\n";
    g_setenv("XDG_CONFIG_HOME", folder, TRUE);
    gtk_init(&argc, &argv);

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_widget_show_all(window);
    const Blink desktop = blinkNow();
    expect(desktop.on == desktopBlinks && desktop.time == 1200, "the desktop's settings were not read");
    {
        brimble::CaretRest rest(GTK_WINDOW(window));
        sendFocus(window, true);
        // The rest waits on a timer of whole seconds, which GLib may fire up to a second late to
        // wake once for many: the caret rests within two seconds of a one-second timeout.
        const gint64 deadline = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
        if (desktopBlinks) {
            while (blinkNow().time != 60 * 60 * 1000 && g_get_monotonic_time() < deadline)
                runFor(50);
        } else {
            runFor(2500);
        }
        const Blink resting = blinkNow();
        if (desktopBlinks) {
            expect(resting.on && resting.time == 60 * 60 * 1000, "the caret did not rest after the timeout");
        } else {
            expect(!resting.on, "blinking was switched on where the desktop has it off");
            expect(resting.time == 1200, "the blink time changed where the desktop does not blink");
        }
        sendKey(window);
        const Blink woken = blinkNow();
        expect(woken.on == desktop.on && woken.time == desktop.time, "a key did not bring the desktop's blink back");
        sendFocus(window, false);
        const Blink left = blinkNow();
        expect(left.on == desktop.on && left.time == desktop.time, "leaving the window kept a changed blink");
    }
    gtk_widget_destroy(window);
    std::filesystem::remove_all(folder);
    if (faults == 0)
        std::printf("caret rest with blinking %s: ok\n", desktopBlinks ? "on" : "off");
    return faults == 0 ? 0 : 1;
}
