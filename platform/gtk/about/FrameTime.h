#pragma once

#include <gtk/gtk.h>

namespace brimble {

// Seconds on the widget's frame clock (the monotonic clock when it has none yet), the common time
// base of every animation in the panels.
double frameSeconds(GtkWidget* widget);

// Whether the desktop wants animations (GTK's gtk-enable-animations, which desktops turn off for
// reduced motion). Without them, every fade ends at once and nothing moves or splashes.
bool animationsEnabled(GtkWidget* widget);

} // namespace brimble
