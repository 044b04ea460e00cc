#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include <glib.h>
#include <wayland-client.h>

namespace brimble {

// Brimble's own connection to the compositor, apart from GDK's: the clipboard and the window
// list are watched here even while GTK's windows have no focus. Its events are read and
// dispatched by a GSource on the connection's file descriptor, on the main loop's thread, so
// nothing here ever polls or runs a thread.
class WaylandConnection {
public:
    // Connects to the compositor of $WAYLAND_DISPLAY and lists its globals; nothing when there is
    // no compositor to reach.
    static std::unique_ptr<WaylandConnection> open();
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    // The highest version of an interface the compositor offers, or 0 when it offers none.
    uint32_t versionOf(const std::string& interface) const;
    // Binds a global at min(offered, `version`); nothing when it is not offered.
    void* bind(const wl_interface& interface, uint32_t version);
    // Sends what is queued and waits until the compositor has answered all of it.
    bool roundtrip();
    // Sends what is queued now, so that a request such as a pipe hand-over is not left waiting
    // for the next event.
    void flush();
    // Starts dispatching events from the main loop.
    void attach();
    // `onLost` runs once if the connection to the compositor is lost; empty to stop listening.
    void setOnLost(std::function<void()> onLost) { onLost_ = std::move(onLost); }
    // `afterLost` runs once after `onLost`: the program's own answer to a compositor gone. GDK
    // ends the process as soon as it finds its own connection lost, so this connection is read
    // before GDK's, and whatever must happen before the end happens here.
    void setAfterLost(std::function<void()> afterLost) { afterLost_ = std::move(afterLost); }

    wl_display* display() const { return display_; }

private:
    struct Global {
        uint32_t name = 0;
        uint32_t version = 0;
    };
    struct Source;

    explicit WaylandConnection(wl_display* display);
    static void onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
    static void onGlobalRemove(void* data, wl_registry* registry, uint32_t name);
    static gboolean prepare(GSource* source, gint* timeout);
    static gboolean check(GSource* source);
    static gboolean dispatch(GSource* source, GSourceFunc, gpointer);
    static void finalize(GSource* source);
    void lose();

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    std::map<std::string, Global> globals_;
    Source* source_ = nullptr;
    std::function<void()> onLost_;
    std::function<void()> afterLost_;
};

} // namespace brimble
