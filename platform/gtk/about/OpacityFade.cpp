#include "platform/gtk/about/OpacityFade.h"

#include "about/Fade.h"
#include "platform/gtk/about/FrameTime.h"

namespace brimble {

namespace {

constexpr const char* fadeKey = "brimble-opacity-fade";

struct RunningFade {
    Fade fade;
    guint tick = 0;
};

gboolean stepFade(GtkWidget* widget, GdkFrameClock*, gpointer data)
{
    auto* running = static_cast<RunningFade*>(data);
    const double now = frameSeconds(widget);
    gtk_widget_set_opacity(widget, running->fade.valueAt(now));
    if (!running->fade.finishedAt(now))
        return G_SOURCE_CONTINUE;
    running->tick = 0;
    return G_SOURCE_REMOVE;
}

void forgetFade(gpointer data)
{
    delete static_cast<RunningFade*>(data);
}

} // namespace

void fadeOpacity(GtkWidget* widget, double alpha, double seconds)
{
    auto* running = static_cast<RunningFade*>(g_object_get_data(G_OBJECT(widget), fadeKey));
    if (!running) {
        running = new RunningFade{Fade::steady(gtk_widget_get_opacity(widget))};
        g_object_set_data_full(G_OBJECT(widget), fadeKey, running, forgetFade);
    }
    if (running->tick != 0) {
        gtk_widget_remove_tick_callback(widget, running->tick);
        running->tick = 0;
    }
    if (!animationsEnabled(widget))
        seconds = 0.0;
    const double now = frameSeconds(widget);
    running->fade = Fade{gtk_widget_get_opacity(widget), alpha, now, seconds};
    if (seconds <= 0.0) {
        gtk_widget_set_opacity(widget, alpha);
        return;
    }
    running->tick = gtk_widget_add_tick_callback(widget, stepFade, running, nullptr);
}

} // namespace brimble
