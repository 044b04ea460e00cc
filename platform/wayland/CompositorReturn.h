#pragma once

#include <chrono>
#include <string>

namespace brimble {

// What the program does when its Wayland compositor goes away (it crashed, or was restarted).
// GTK 3 cannot carry on without its display: GDK ends the process at once when it finds its
// connection lost. So the program quits in order first and starts again in the same process
// (the same PID, which a service manager keeps watching), in the background, waiting for the
// compositor to come back on the same WAYLAND_DISPLAY.

// The hidden option that asks a start to wait for the compositor first.
inline constexpr const char* awaitCompositorOption = "await-compositor";

// Whether this start was made by `startAgainOnceCompositorIsBack`.
bool askedToAwaitCompositor(int argc, char** argv);

// Waits until the compositor of WAYLAND_DISPLAY answers again with a seat, trying every 200 ms;
// false when it did not within `limit`.
bool awaitCompositor(std::chrono::milliseconds limit);

// Replaces this process by a background start of `executable` that first waits for the
// compositor. Returns only when that cannot be done.
void startAgainOnceCompositorIsBack(const std::string& executable);

} // namespace brimble
