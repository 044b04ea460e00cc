#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FrontmostApp.h"
#include "platform/gtk/InstalledApps.h"
#include "platform/wayland/DesktopEntryMatch.h"
#include "platform/wayland/WindowList.h"

struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;
struct wl_array;
struct wl_seat;

namespace brimble {

class WaylandConnection;

// The application of the activated window, told by wlroots' foreign-toplevel protocol: its
// app_id matched to an installed desktop entry. Where the compositor does not offer the
// protocol (KWin, Mutter) the application in front cannot be told, and it is always unknown.
class WaylandFrontmostApp final : public FrontmostApp {
public:
    explicit WaylandFrontmostApp(WaylandConnection& connection);
    ~WaylandFrontmostApp() override;

    std::optional<std::string> identifier() override;
    bool recognises(const std::string& id) override;
    bool canTell() const override { return manager_ != nullptr; }

    // The window other than Brimble's own that had the keyboard last, as a number that stays
    // unique for the run; 0 when none is known.
    uint64_t lastOtherWindow() const { return windows_.lastOther(); }
    // Asks the compositor to give `window` the keyboard of `seat`; false when it has closed.
    bool activate(uint64_t window, wl_seat* seat);

private:
    static void onToplevel(void* self, zwlr_foreign_toplevel_manager_v1* manager,
                           zwlr_foreign_toplevel_handle_v1* handle);
    static void onFinished(void* self, zwlr_foreign_toplevel_manager_v1* manager);
    static void onAppId(void* self, zwlr_foreign_toplevel_handle_v1* handle, const char* appId);
    static void onState(void* self, zwlr_foreign_toplevel_handle_v1* handle, wl_array* state);
    static void onDone(void* self, zwlr_foreign_toplevel_handle_v1* handle);
    static void onClosed(void* self, zwlr_foreign_toplevel_handle_v1* handle);

    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    // The protocol's windows by their number in `windows_`.
    std::map<zwlr_foreign_toplevel_handle_v1*, uint64_t> handles_;
    wayland::WindowList windows_;
    InstalledEntries installed_;
};

} // namespace brimble
