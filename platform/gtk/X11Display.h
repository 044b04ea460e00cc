#pragma once

#include <gdk/gdkx.h>

namespace brimble {

// The X display under GTK, or nothing when GTK runs on another backend.
inline Display* defaultX11Display()
{
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display))
        return nullptr;
    return GDK_DISPLAY_XDISPLAY(display);
}

} // namespace brimble
