#include "platform/wayland/WaylandFrontmostApp.h"

#include "platform/gtk/InstalledApps.h"
#include "platform/wayland/WaylandConnection.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace brimble {

WaylandFrontmostApp::WaylandFrontmostApp(WaylandConnection& connection)
    // GTK names the program's own windows after it.
    : windows_(g_get_prgname() ? g_get_prgname() : "")
{
    manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        connection.bind(zwlr_foreign_toplevel_manager_v1_interface, 3));
    if (!manager_)
        return;
    static const zwlr_foreign_toplevel_manager_v1_listener listener{onToplevel, onFinished};
    zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &listener, this);
}

WaylandFrontmostApp::~WaylandFrontmostApp()
{
    for (auto& [handle, window] : handles_)
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
    if (manager_)
        zwlr_foreign_toplevel_manager_v1_destroy(manager_);
}

std::optional<std::string> WaylandFrontmostApp::identifier()
{
    const std::optional<std::string> appId = windows_.activeAppId();
    return appId ? wayland::desktopEntryForAppId(*appId, installed_.all()) : std::nullopt;
}

bool WaylandFrontmostApp::activate(uint64_t window, wl_seat* seat)
{
    for (const auto& [handle, number] : handles_) {
        if (number == window) {
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
    self->handles_[handle] = self->windows_.add();
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
    auto* self = static_cast<WaylandFrontmostApp*>(data);
    if (auto found = self->handles_.find(handle); found != self->handles_.end())
        self->windows_.announceAppId(found->second, appId ? appId : "");
}

void WaylandFrontmostApp::onState(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* state)
{
    auto* self = static_cast<WaylandFrontmostApp*>(data);
    auto found = self->handles_.find(handle);
    if (found == self->handles_.end())
        return;
    bool activated = false;
    const auto* values = static_cast<const uint32_t*>(state->data);
    for (size_t i = 0; i < state->size / sizeof(uint32_t); ++i)
        activated = activated || values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
    self->windows_.announceActivated(found->second, activated);
}

void WaylandFrontmostApp::onDone(void* data, zwlr_foreign_toplevel_handle_v1* handle)
{
    auto* self = static_cast<WaylandFrontmostApp*>(data);
    if (auto found = self->handles_.find(handle); found != self->handles_.end())
        self->windows_.done(found->second);
}

void WaylandFrontmostApp::onClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle)
{
    auto* self = static_cast<WaylandFrontmostApp*>(data);
    if (auto found = self->handles_.find(handle); found != self->handles_.end()) {
        self->windows_.close(found->second);
        self->handles_.erase(found);
    }
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
}

bool WaylandFrontmostApp::recognises(const std::string& id)
{
    return installed_.includes(id);
}

} // namespace brimble
