#include "platform/wayland/WaylandConnection.h"

#include <algorithm>
#include <cerrno>

#include <poll.h>

namespace brimble {

// A GSource that reads the connection in the way libwayland asks of a foreign main loop:
// announce the read before polling (prepare_read), read when the descriptor is ready or cancel
// the read, then dispatch what was queued.
struct WaylandConnection::Source {
    GSource base;
    WaylandConnection* owner;
    gpointer tag;
    bool reading;
    bool hungUp;
};

std::unique_ptr<WaylandConnection> WaylandConnection::open()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return nullptr;
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display));
    if (!connection->roundtrip())
        return nullptr;
    return connection;
}

WaylandConnection::WaylandConnection(wl_display* display) : display_(display)
{
    static const wl_registry_listener listener{onGlobal, onGlobalRemove};
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &listener, this);
}

WaylandConnection::~WaylandConnection()
{
    if (source_) {
        source_->owner = nullptr;
        g_source_destroy(&source_->base);
        g_source_unref(&source_->base);
    }
    if (registry_)
        wl_registry_destroy(registry_);
    wl_display_disconnect(display_);
}

uint32_t WaylandConnection::versionOf(const std::string& interface) const
{
    const auto found = globals_.find(interface);
    return found == globals_.end() ? 0 : found->second.version;
}

void* WaylandConnection::bind(const wl_interface& interface, uint32_t version)
{
    const auto found = globals_.find(interface.name);
    if (found == globals_.end())
        return nullptr;
    return wl_registry_bind(registry_, found->second.name, &interface, std::min(version, found->second.version));
}

bool WaylandConnection::roundtrip()
{
    return wl_display_roundtrip(display_) >= 0;
}

void WaylandConnection::flush()
{
    // A full socket buffer is flushed again before the next poll, by `prepare`.
    wl_display_flush(display_);
}

void WaylandConnection::attach()
{
    if (source_)
        return;
    static GSourceFuncs funcs{prepare, check, dispatch, finalize, nullptr, nullptr};
    GSource* source = g_source_new(&funcs, sizeof(Source));
    source_ = reinterpret_cast<Source*>(source);
    source_->owner = this;
    source_->reading = false;
    source_->hungUp = false;
    source_->tag = g_source_add_unix_fd(source, wl_display_get_fd(display_),
                                        static_cast<GIOCondition>(G_IO_IN | G_IO_ERR | G_IO_HUP));
    g_source_set_name(source, "Brimble Wayland");
    // Ahead of GDK's own reader, which ends the process at once (_exit) when the compositor goes
    // away: both connections break together, and this one must be the first to be told.
    g_source_set_priority(source, G_PRIORITY_HIGH);
    g_source_attach(source, nullptr);
}

void WaylandConnection::onGlobal(void* data, wl_registry*, uint32_t name, const char* interface, uint32_t version)
{
    static_cast<WaylandConnection*>(data)->globals_[interface] = Global{name, version};
}

void WaylandConnection::onGlobalRemove(void* data, wl_registry*, uint32_t name)
{
    auto& globals = static_cast<WaylandConnection*>(data)->globals_;
    std::erase_if(globals, [name](const auto& item) { return item.second.name == name; });
}

gboolean WaylandConnection::prepare(GSource* base, gint* timeout)
{
    auto* source = reinterpret_cast<Source*>(base);
    *timeout = -1;
    if (!source->owner || source->reading)
        return FALSE;
    wl_display* display = source->owner->display_;
    // A compositor that went away while the loop was busy is noticed here, before GDK's reader
    // is prepared: with a request of its own waiting to be sent, that one would end the process.
    pollfd hangUp{wl_display_get_fd(display), 0, 0};
    if (poll(&hangUp, 1, 0) > 0 && (hangUp.revents & (POLLHUP | POLLERR))) {
        source->hungUp = true;
        return TRUE;
    }
    // Events already queued are dispatched before anything is read.
    if (wl_display_prepare_read(display) != 0)
        return TRUE;
    source->reading = true;
    wl_display_flush(display);
    return FALSE;
}

gboolean WaylandConnection::check(GSource* base)
{
    auto* source = reinterpret_cast<Source*>(base);
    if (!source->owner || !source->reading)
        return source->owner != nullptr;
    wl_display* display = source->owner->display_;
    source->reading = false;
    const GIOCondition events = g_source_query_unix_fd(base, source->tag);
    // A failed read leaves its error on the display, where `dispatch` finds it.
    if (events & G_IO_IN)
        wl_display_read_events(display);
    else
        wl_display_cancel_read(display);
    return (events & (G_IO_IN | G_IO_ERR | G_IO_HUP)) != 0;
}

gboolean WaylandConnection::dispatch(GSource* base, GSourceFunc, gpointer)
{
    auto* source = reinterpret_cast<Source*>(base);
    WaylandConnection* owner = source->owner;
    if (!owner)
        return G_SOURCE_REMOVE;
    const GIOCondition events = g_source_query_unix_fd(base, source->tag);
    if (source->hungUp || wl_display_dispatch_pending(owner->display_) < 0 || wl_display_get_error(owner->display_)
        || (events & (G_IO_ERR | G_IO_HUP))) {
        owner->lose();
        return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
}

void WaylandConnection::finalize(GSource* base)
{
    auto* source = reinterpret_cast<Source*>(base);
    // A read announced but never finished would stall every other reader of the display.
    if (source->reading && source->owner)
        wl_display_cancel_read(source->owner->display_);
    source->reading = false;
}

void WaylandConnection::lose()
{
    g_warning("Brimble: the connection to the Wayland compositor was lost (error %d)", wl_display_get_error(display_));
    if (source_) {
        source_->owner = nullptr;
        g_source_destroy(&source_->base);
        g_source_unref(&source_->base);
        source_ = nullptr;
    }
    if (auto onLost = std::move(onLost_))
        onLost();
    if (auto afterLost = std::move(afterLost_))
        afterLost();
}

} // namespace brimble
