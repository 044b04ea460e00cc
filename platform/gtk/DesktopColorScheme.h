#pragma once

#include <functional>
#include <optional>

#include <gio/gio.h>

namespace brimble {

// Whether the desktop prefers dark: the freedesktop appearance setting "color-scheme" read
// through the settings portal and followed while it changes, else the GTK configuration the
// program started with (the dark-theme preference or a theme whose name ends in "-dark").
class DesktopColorScheme {
public:
    // `onChange` runs on the main loop whenever the answer may have changed.
    explicit DesktopColorScheme(std::function<void()> onChange);
    ~DesktopColorScheme();
    DesktopColorScheme(const DesktopColorScheme&) = delete;
    DesktopColorScheme& operator=(const DesktopColorScheme&) = delete;

    bool prefersDark() const;

private:
    static void onRead(GObject* source, GAsyncResult* result, gpointer self);
    static void onSettingChanged(GDBusConnection* connection, const char* sender, const char* path,
                                 const char* interface, const char* signal, GVariant* parameters, gpointer self);
    void takeSchemeValue(GVariant* value);

    std::function<void()> onChange_;
    bool startedDark_;
    // 0 no preference, 1 dark, 2 light; nothing until the portal answered.
    std::optional<guint32> portalScheme_;
    GCancellable* cancellable_;
    GDBusConnection* bus_ = nullptr;
    guint subscription_ = 0;
};

} // namespace brimble
