#include "platform/gtk/GtkMainLoop.h"

#include <cmath>

#include <glib.h>

namespace brimble {

namespace {

using Work = std::function<void()>;

gboolean runOnce(gpointer data)
{
    (*static_cast<Work*>(data))();
    return G_SOURCE_REMOVE;
}

void dropWork(gpointer data)
{
    delete static_cast<Work*>(data);
}

} // namespace

void GtkMainLoop::runLater(double seconds, std::function<void()> work)
{
    const double milliseconds = std::isfinite(seconds) && seconds > 0 ? std::ceil(seconds * 1000) : 0;
    const guint interval = milliseconds > G_MAXUINT ? G_MAXUINT : static_cast<guint>(milliseconds);
    g_timeout_add_full(G_PRIORITY_DEFAULT, interval, runOnce, new Work(std::move(work)), dropWork);
}

void GtkMainLoop::runWhenIdle(std::function<void()> work)
{
    // Below GTK's redraws and every event, so nothing the user sees waits for it.
    g_idle_add_full(G_PRIORITY_LOW, runOnce, new Work(std::move(work)), dropWork);
}

} // namespace brimble
