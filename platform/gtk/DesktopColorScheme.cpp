#include "platform/gtk/DesktopColorScheme.h"

#include <string_view>

#include <gtk/gtk.h>

namespace brimble {

namespace {

constexpr const char* portalName = "org.freedesktop.portal.Desktop";
constexpr const char* portalPath = "/org/freedesktop/portal/desktop";
constexpr const char* settingsInterface = "org.freedesktop.portal.Settings";
constexpr const char* appearanceNamespace = "org.freedesktop.appearance";
constexpr const char* colorSchemeKey = "color-scheme";
constexpr guint32 schemePrefersDark = 1;
constexpr guint32 schemePrefersLight = 2;
constexpr int portalTimeoutMs = 2000;

bool gtkConfigurationIsDark()
{
    GtkSettings* settings = gtk_settings_get_default();
    if (!settings)
        return false;
    gboolean preferDark = FALSE;
    g_autofree gchar* themeName = nullptr;
    g_object_get(settings, "gtk-application-prefer-dark-theme", &preferDark, "gtk-theme-name", &themeName, nullptr);
    if (preferDark)
        return true;
    if (!themeName)
        return false;
    g_autofree gchar* lowered = g_ascii_strdown(themeName, -1);
    return std::string_view(lowered).ends_with("-dark");
}

// The portal wraps the value in one or two variants, depending on its version.
GVariant* unwrapped(GVariant* value)
{
    GVariant* current = g_variant_ref(value);
    while (current && g_variant_is_of_type(current, G_VARIANT_TYPE_VARIANT)) {
        GVariant* inner = g_variant_get_variant(current);
        g_variant_unref(current);
        current = inner;
    }
    return current;
}

} // namespace

DesktopColorScheme::DesktopColorScheme(std::function<void()> onChange)
    : onChange_(std::move(onChange)), startedDark_(gtkConfigurationIsDark()), cancellable_(g_cancellable_new())
{
    bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus_)
        return;
    subscription_ = g_dbus_connection_signal_subscribe(bus_, portalName, settingsInterface, "SettingChanged",
                                                       portalPath, appearanceNamespace, G_DBUS_SIGNAL_FLAGS_NONE,
                                                       onSettingChanged, this, nullptr);
    g_dbus_connection_call(bus_, portalName, portalPath, settingsInterface, "Read",
                           g_variant_new("(ss)", appearanceNamespace, colorSchemeKey), G_VARIANT_TYPE("(v)"),
                           G_DBUS_CALL_FLAGS_NONE, portalTimeoutMs, cancellable_, onRead, this);
}

DesktopColorScheme::~DesktopColorScheme()
{
    g_cancellable_cancel(cancellable_);
    g_object_unref(cancellable_);
    if (bus_) {
        if (subscription_)
            g_dbus_connection_signal_unsubscribe(bus_, subscription_);
        g_object_unref(bus_);
    }
}

bool DesktopColorScheme::prefersDark() const
{
    if (portalScheme_ == schemePrefersDark)
        return true;
    if (portalScheme_ == schemePrefersLight)
        return false;
    return startedDark_;
}

void DesktopColorScheme::onRead(GObject* source, GAsyncResult* result, gpointer data)
{
    g_autoptr(GError) error = nullptr;
    g_autoptr(GVariant) reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    // A cancelled call means the object is gone; a missing portal leaves the GTK configuration.
    if (!reply)
        return;
    g_autoptr(GVariant) value = g_variant_get_child_value(reply, 0);
    static_cast<DesktopColorScheme*>(data)->takeSchemeValue(value);
}

void DesktopColorScheme::onSettingChanged(GDBusConnection*, const char*, const char*, const char*, const char*,
                                          GVariant* parameters, gpointer data)
{
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ssv)")))
        return;
    const char* nameSpace = nullptr;
    const char* key = nullptr;
    g_autoptr(GVariant) value = nullptr;
    g_variant_get(parameters, "(&s&sv)", &nameSpace, &key, &value);
    if (std::string_view(nameSpace) == appearanceNamespace && std::string_view(key) == colorSchemeKey)
        static_cast<DesktopColorScheme*>(data)->takeSchemeValue(value);
}

void DesktopColorScheme::takeSchemeValue(GVariant* value)
{
    g_autoptr(GVariant) scheme = unwrapped(value);
    if (!scheme || !g_variant_is_of_type(scheme, G_VARIANT_TYPE_UINT32))
        return;
    portalScheme_ = g_variant_get_uint32(scheme);
    if (onChange_)
        onChange_();
}

} // namespace brimble
