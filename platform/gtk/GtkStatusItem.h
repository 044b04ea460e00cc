#pragma once

#include <string>

#include <gtk/gtk.h>

struct _AppIndicator;

namespace brimble {

// The tray item: an AppIndicator (StatusNotifierItem), which falls back to an XEmbed tray icon
// where an X11 desktop has no StatusNotifier host, and simply stays unseen where there is no tray.
class GtkStatusItem {
public:
    GtkStatusItem() = default;
    ~GtkStatusItem();
    GtkStatusItem(const GtkStatusItem&) = delete;
    GtkStatusItem& operator=(const GtkStatusItem&) = delete;

    // Creates the item on first use, then sets its icon (none when the file is missing) and
    // replaces its menu. Takes ownership of `menu`.
    void install(const std::string& iconPath, GtkWidget* menu);

private:
    ::_AppIndicator* indicator_ = nullptr;
    GtkWidget* menu_ = nullptr;
};

} // namespace brimble
