#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/FrontmostApp.h"
#include "platform/gtk/InstalledApps.h"

namespace brimble {

// The application of the active X11 window, as desktop-entry ids ("org.gnome.gedit"): the
// window's _GTK_APPLICATION_ID, and the installed entries that its WM_CLASS or its program
// matches (by id, StartupWMClass or the entry's program name).
class GtkFrontmostApp final : public FrontmostApp {
public:
    std::optional<std::string> identifier() override;
    std::vector<std::string> identifiers() override;
    bool recognises(const std::string& id) override;

private:
    InstalledEntries installed_;
};

} // namespace brimble
