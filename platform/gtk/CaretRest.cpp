#include "platform/gtk/CaretRest.h"

#include <algorithm>

namespace brimble {

namespace {

// Once an hour: the caret stays drawn, and nothing wakes for it.
constexpr int restingBlinkMilliseconds = 60 * 60 * 1000;

bool desktopBlinks(GtkSettings* settings)
{
    gboolean blinks = TRUE;
    g_object_get(settings, "gtk-cursor-blink", &blinks, nullptr);
    return blinks;
}

} // namespace

CaretRest::CaretRest(GtkWindow* window) : window_(window), settings_(gtk_settings_get_default())
{
    g_signal_connect(window_, "key-press-event", G_CALLBACK(onKey), this);
    g_signal_connect(window_, "focus-in-event", G_CALLBACK(onFocusIn), this);
    g_signal_connect(window_, "focus-out-event", G_CALLBACK(onFocusOut), this);
}

CaretRest::~CaretRest()
{
    g_signal_handlers_disconnect_by_data(window_, this);
    leave();
}

gboolean CaretRest::onKey(GtkWidget*, GdkEventKey*, gpointer self)
{
    // Each key starts the wait again; the settings change only when the caret was resting.
    static_cast<CaretRest*>(self)->wake();
    return FALSE;
}

gboolean CaretRest::onFocusIn(GtkWidget*, GdkEventFocus*, gpointer self)
{
    static_cast<CaretRest*>(self)->wake();
    return FALSE;
}

gboolean CaretRest::onFocusOut(GtkWidget*, GdkEventFocus*, gpointer self)
{
    static_cast<CaretRest*>(self)->leave();
    return FALSE;
}

gboolean CaretRest::onTimeout(gpointer self)
{
    auto* rest = static_cast<CaretRest*>(self);
    rest->timer_ = 0;
    rest->rest();
    return G_SOURCE_REMOVE;
}

void CaretRest::wake()
{
    leave();
    // A desktop without blinking (often an accessibility choice) keeps its settings: a slow blink
    // would hide the caret for half of each period.
    if (!desktopBlinks(settings_))
        return;
    gint timeoutSeconds = 10;
    g_object_get(settings_, "gtk-cursor-blink-timeout", &timeoutSeconds, nullptr);
    timer_ = g_timeout_add_seconds(static_cast<guint>(std::max(1, timeoutSeconds)), onTimeout, this);
}

void CaretRest::rest()
{
    resting_ = true;
    g_object_set(settings_, "gtk-cursor-blink", TRUE, "gtk-cursor-blink-time", restingBlinkMilliseconds, nullptr);
}

void CaretRest::leave()
{
    if (timer_) {
        g_source_remove(timer_);
        timer_ = 0;
    }
    if (resting_) {
        resting_ = false;
        gtk_settings_reset_property(settings_, "gtk-cursor-blink");
        gtk_settings_reset_property(settings_, "gtk-cursor-blink-time");
    }
}

} // namespace brimble
