#include "platform/gtk/about/FrameTime.h"

namespace brimble {

double frameSeconds(GtkWidget* widget)
{
    GdkFrameClock* clock = gtk_widget_get_frame_clock(widget);
    // Outside a frame the clock answers with a time close to now, so a new animation starts from
    // the moment it was asked for.
    const gint64 micros = clock ? gdk_frame_clock_get_frame_time(clock) : g_get_monotonic_time();
    return static_cast<double>(micros) / G_USEC_PER_SEC;
}

bool animationsEnabled(GtkWidget* widget)
{
    gboolean enabled = TRUE;
    g_object_get(gtk_widget_get_settings(widget), "gtk-enable-animations", &enabled, nullptr);
    return enabled;
}

} // namespace brimble
