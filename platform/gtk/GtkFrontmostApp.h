#pragma once

#include <optional>
#include <string>
#include <vector>

#include <gio/gio.h>

#include "platform/FrontmostApp.h"

namespace brimble {

// The application of the active X11 window, as a desktop-entry id ("org.gnome.gedit"): the
// window's _GTK_APPLICATION_ID, else its WM_CLASS matched to an installed desktop entry.
class GtkFrontmostApp final : public FrontmostApp {
public:
    GtkFrontmostApp();
    ~GtkFrontmostApp() override;

    std::optional<std::string> identifier() override;

private:
    struct Entry {
        std::string id;           // without ".desktop"
        std::string foldedId;     // case-folded, for matching
        std::string foldedWmClass; // StartupWMClass, case-folded; empty when none
    };

    static void onAppsChanged(GAppInfoMonitor* monitor, gpointer self);
    const std::vector<Entry>& entries();
    std::optional<std::string> entryForWindowClass(const std::vector<std::string>& classNames);

    GAppInfoMonitor* monitor_;
    bool entriesLoaded_ = false;
    std::vector<Entry> entries_;
};

} // namespace brimble
