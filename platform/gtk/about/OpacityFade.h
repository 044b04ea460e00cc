#pragma once

#include <gtk/gtk.h>

namespace brimble {

// Fades `widget`'s opacity to `alpha` over `seconds` on its frame clock, starting from where it
// stands; a new fade replaces a running one, and zero seconds sets the opacity at once.
void fadeOpacity(GtkWidget* widget, double alpha, double seconds);

} // namespace brimble
