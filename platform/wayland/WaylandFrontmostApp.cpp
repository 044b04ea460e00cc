#include "platform/wayland/WaylandFrontmostApp.h"

#include <gio/gdesktopappinfo.h>

#include "platform/wayland/WaylandConnection.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace brimble {

namespace {

constexpr std::string_view desktopSuffix = ".desktop";

} // namespace

WaylandFrontmostApp::WaylandFrontmostApp(WaylandConnection& connection)
    : monitor_(g_app_info_monitor_get()), ownAppId_(g_get_prgname() ? g_get_prgname() : "")
{
    g_signal_connect(monitor_, "changed", G_CALLBACK(onAppsChanged), this);
    manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        connection.bind(zwlr_foreign_toplevel_manager_v1_interface, 3));
    if (!manager_)
        return;
    static const zwlr_foreign_toplevel_manager_v1_listener listener{onToplevel, onFinished};
    zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &listener, this);
}

WaylandFrontmostApp::~WaylandFrontmostApp()
{
    g_signal_handlers_disconnect_by_data(monitor_, this);
    g_object_unref(monitor_);
    for (auto& [handle, toplevel] : toplevels_)
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
    if (manager_)
        zwlr_foreign_toplevel_manager_v1_destroy(manager_);
}

std::optional<std::string> WaylandFrontmostApp::identifier()
{
    for (const auto& [handle, toplevel] : toplevels_) {
        if (toplevel.activated)
            return wayland::desktopEntryForAppId(toplevel.appId, entries());
    }
    return std::nullopt;
}

bool WaylandFrontmostApp::activate(uint64_t window, wl_seat* seat)
{
    for (const auto& [handle, toplevel] : toplevels_) {
        if (toplevel.number == window) {
            zwlr_foreign_toplevel_handle_v1_activate(handle, seat);
            return true;
        }
    }
    return false;
}

void WaylandFrontmostApp::onToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                                     zwlr_foreign_toplevel_handle_v1* handle)
{
    auto* self = static_cast<WaylandFrontmostApp*>(data);
    static const zwlr_foreign_toplevel_handle_v1_listener listener{
        .title = [](void*, zwlr_foreign_toplevel_handle_v1*, const char*) {},
        .app_id = onAppId,
        .output_enter = [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
        .output_leave = [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
        .state = onState,
        .done = onDone,
        .closed = onClosed,
        .parent = [](void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {},
    };
    self->toplevels_[handle].number = ++self->lastNumber_;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &listener, self);
}

void WaylandFrontmostApp::onFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager)
{
    // The compositor stopped reporting windows; what is known is no longer kept up to date.
    auto* self = static_cast<WaylandFrontmostApp*>(data);
    zwlr_foreign_toplevel_manager_v1_destroy(manager);
    self->manager_ = nullptr;
}

void WaylandFrontmostApp::onAppId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* appId)
{
    auto& toplevels = static_cast<WaylandFrontmostApp*>(data)->toplevels_;
    if (auto found = toplevels.find(handle); found != toplevels.end())
        found->second.pendingAppId = appId ? appId : "";
}

void WaylandFrontmostApp::onState(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* state)
{
    auto& toplevels = static_cast<WaylandFrontmostApp*>(data)->toplevels_;
    auto found = toplevels.find(handle);
    if (found == toplevels.end())
        return;
    bool activated = false;
    const auto* values = static_cast<const uint32_t*>(state->data);
    for (size_t i = 0; i < state->size / sizeof(uint32_t); ++i)
        activated = activated || values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
    found->second.pendingActivated = activated;
}

void WaylandFrontmostApp::onDone(void* data, zwlr_foreign_toplevel_handle_v1* handle)
{
    auto* self = static_cast<WaylandFrontmostApp*>(data);
    auto& toplevels = self->toplevels_;
    auto found = toplevels.find(handle);
    if (found == toplevels.end())
        return;
    Toplevel& toplevel = found->second;
    // The app_id is sent only when it changes; the state each time with the full set.
    // Each "done" applies only what was announced since the last one: a window whose title
    // changed keeps its state, and a state seen before must not come back with it.
    if (toplevel.pendingAppId) {
        toplevel.appId = *toplevel.pendingAppId;
        toplevel.pendingAppId.reset();
    }
    if (toplevel.pendingActivated) {
        toplevel.activated = *toplevel.pendingActivated;
        toplevel.pendingActivated.reset();
    }
    // One window is active at a time; the one that lost the keyboard may say so only later.
    if (toplevel.activated) {
        if (toplevel.appId != self->ownAppId_)
            self->lastOther_ = toplevel.number;
        for (auto& [other, otherToplevel] : toplevels) {
            if (other != handle)
                otherToplevel.activated = false;
        }
    }
}

void WaylandFrontmostApp::onClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle)
{
    auto* self = static_cast<WaylandFrontmostApp*>(data);
    if (auto found = self->toplevels_.find(handle); found != self->toplevels_.end()) {
        if (found->second.number == self->lastOther_)
            self->lastOther_ = 0;
        self->toplevels_.erase(found);
    }
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
}

const std::vector<wayland::DesktopEntry>& WaylandFrontmostApp::entries()
{
    if (entriesLoaded_)
        return entries_;
    entriesLoaded_ = true;
    entries_.clear();
    GList* all = g_app_info_get_all();
    for (GList* item = all; item; item = item->next) {
        auto* info = static_cast<GAppInfo*>(item->data);
        const char* rawId = g_app_info_get_id(info);
        if (!rawId)
            continue;
        std::string id(rawId);
        if (id.ends_with(desktopSuffix))
            id.resize(id.size() - desktopSuffix.size());
        const char* wmClass = G_IS_DESKTOP_APP_INFO(info)
            ? g_desktop_app_info_get_startup_wm_class(G_DESKTOP_APP_INFO(info))
            : nullptr;
        entries_.push_back({id, wmClass ? wmClass : ""});
    }
    g_list_free_full(all, g_object_unref);
    return entries_;
}

void WaylandFrontmostApp::onAppsChanged(GAppInfoMonitor*, gpointer self)
{
    static_cast<WaylandFrontmostApp*>(self)->entriesLoaded_ = false;
}

} // namespace brimble
