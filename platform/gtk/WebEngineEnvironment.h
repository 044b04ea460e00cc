#pragma once

#include <gio/gio.h>

namespace brimble {

// The environment the web engine must find. With the first web context, WebKit starts a thread
// in this process that reads the system's memory figures every five seconds for as long as the
// process lives, also once the page is released, which is most of the day for a program that
// waits in the background; it cannot be stopped once started. It is not started while
// WEBKIT_DISABLE_MEMORY_PRESSURE_MONITOR is "1" as the first context is made. WebKit 2.50 reads
// the variable once and remembers the answer: the same answer also switches off the web and
// network processes' own watch over their memory (measured: a burst of 500 large copies peaks at
// the same Pss either way, now that pushes are light).
//
// WEBKIT_DISABLE_DMABUF_RENDERER is "1" as well. The page is drawn in software, yet with the first
// web context WebKit probed the graphics stack for its DMA-BUF renderer (EGL and Mesa loaded, a GL
// context made): 20-40 ms on a quiet machine and up to 190 ms on a busy one, in one main-loop turn,
// and a desktop-wide key pressed meanwhile took the keyboard too late. The page's buffers are
// shared memory either way.
//
// The environment is not safe to change while other threads may read it (GLib's, WebKit's and
// GDBus's do), so it is set once, first thing in `main`, before any thread starts, and never
// touched again; where the user has set the variable, it is left as it is.
void setWebEngineEnvironment();

// Keeps what `setWebEngineEnvironment` set from the programs Brimble starts (a browser for a
// link), which must see the user's environment.
void keepWebEngineEnvironmentFrom(GAppLaunchContext* context);

// The environment as the user gave it, for a process that replaces this one; free with g_strfreev.
gchar** environmentOfUser();

} // namespace brimble
