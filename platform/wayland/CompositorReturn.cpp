#include "platform/wayland/CompositorReturn.h"

#include <cerrno>
#include <string>
#include <string_view>

#include <poll.h>
#include <unistd.h>

#include <glib.h>
#include <wayland-client.h>

#include "platform/gtk/WebEngineEnvironment.h"

namespace brimble {

bool askedToAwaitCompositor(int argc, char** argv)
{
    const std::string option = std::string("--") + awaitCompositorOption;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] && option == argv[i])
            return true;
    }
    return false;
}

namespace {

struct Listing {
    bool seat = false;
    bool done = false;
};

// Whether the compositor lists a seat by `deadline` (monotonic microseconds): one that has just
// opened its socket may not have made it yet, and a start without it would take the X11 road.
// The answer is awaited with a limit, so a compositor stuck in its start cannot hold this up.
bool listsSeat(wl_display* display, gint64 deadline)
{
    Listing listing;
    static const wl_registry_listener registryListener{
        [](void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
            if (std::string_view(interface) == wl_seat_interface.name)
                static_cast<Listing*>(data)->seat = true;
        },
        [](void*, wl_registry*, uint32_t) {}};
    static const wl_callback_listener doneListener{
        [](void* data, wl_callback*, uint32_t) { static_cast<Listing*>(data)->done = true; }};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &listing);
    wl_callback* sync = wl_display_sync(display);
    wl_callback_add_listener(sync, &doneListener, &listing);
    while (!listing.done) {
        const gint64 left = deadline - g_get_monotonic_time();
        if (wl_display_flush(display) < 0 || left <= 0)
            break;
        pollfd readable{wl_display_get_fd(display), POLLIN, 0};
        if (poll(&readable, 1, static_cast<int>(left / 1000) + 1) <= 0 || wl_display_dispatch(display) < 0)
            break;
    }
    wl_callback_destroy(sync);
    wl_registry_destroy(registry);
    return listing.done && listing.seat;
}

} // namespace

bool awaitCompositor(std::chrono::milliseconds limit)
{
    const gint64 deadline = g_get_monotonic_time() + std::chrono::microseconds(limit).count();
    for (;;) {
        if (wl_display* display = wl_display_connect(nullptr)) {
            const bool ready = listsSeat(display, deadline);
            wl_display_disconnect(display);
            if (ready)
                return true;
        }
        if (g_get_monotonic_time() >= deadline)
            return false;
        g_usleep(200 * G_TIME_SPAN_MILLISECOND);
    }
}

void startAgainOnceCompositorIsBack(const std::string& executable)
{
    const std::string await = std::string("--") + awaitCompositorOption;
    const char* const arguments[] = {"brimble", "--background", await.c_str(), nullptr};
    g_auto(GStrv) environment = environmentOfUser();
    execve(executable.c_str(), const_cast<char* const*>(arguments), environment);
    g_warning("Brimble: cannot start again (%s)", g_strerror(errno));
}

} // namespace brimble
