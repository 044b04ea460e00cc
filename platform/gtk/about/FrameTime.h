#pragma once

#include <gtk/gtk.h>

namespace brimble {

// Seconds on the widget's frame clock (the monotonic clock when it has none yet), the common time
// base of every animation in the panels.
double frameSeconds(GtkWidget* widget);

} // namespace brimble
