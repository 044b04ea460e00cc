#pragma once

#include <gtk/gtk.h>

#include "about/InkBurst.h"
#include "platform/MainLoop.h"

namespace brimble {

// Draws `burst` on a new transparent layer over everything in `overlay` that lets every click
// through to the widgets beneath; the layer removes itself 1.2 s later. Each burst has its own
// layer, so rapid clicks pile up layers that each go on their own schedule.
void squirtInk(GtkOverlay* overlay, InkBurst burst, MainLoop& loop);

} // namespace brimble
