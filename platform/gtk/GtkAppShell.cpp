#include "platform/gtk/GtkAppShell.h"

#include "platform/gtk/WebEngineEnvironment.h"

namespace brimble {

GtkAppShell::GtkAppShell(GApplication* application, GtkMainWindow& window)
    : application_(application), window_(window), desktop_([this] {
        if (appearance_ == Appearance::System)
            applyAppearance();
    })
{
}

void GtkAppShell::setActivationPolicy(ActivationPolicy policy)
{
    // Without a taskbar entry the tray item is the way back to the window.
    const gboolean skip = policy == ActivationPolicy::Accessory;
    gtk_window_set_skip_taskbar_hint(window_.window(), skip);
    gtk_window_set_skip_pager_hint(window_.window(), skip);
}

void GtkAppShell::activate()
{
    // An X11 program comes to the front through one of its windows, which the window host
    // presents with the time of the user's request; presenting it here as well, without that
    // time, made window managers that prevent focus stealing refuse it the keyboard.
}

void GtkAppShell::setAppearance(Appearance appearance)
{
    appearance_ = appearance;
    applyAppearance();
}

void GtkAppShell::applyAppearance()
{
    GtkSettings* settings = gtk_settings_get_default();
    if (!settings)
        return;
    bool dark = false;
    switch (appearance_) {
    case Appearance::Light:
        dark = false;
        break;
    case Appearance::Dark:
        dark = true;
        break;
    case Appearance::System:
        dark = desktop_.prefersDark();
        break;
    }
    // GTK's preference reaches every window, and WebKit answers the page's prefers-color-scheme
    // from it.
    g_object_set(settings, "gtk-application-prefer-dark-theme", dark ? TRUE : FALSE, nullptr);
}

void GtkAppShell::openURL(const std::string& url)
{
    // The display's context also tells the desktop that a program is starting.
    GdkDisplay* display = gdk_display_get_default();
    g_autoptr(GAppLaunchContext) context =
        display ? G_APP_LAUNCH_CONTEXT(gdk_display_get_app_launch_context(display)) : g_app_launch_context_new();
    keepWebEngineEnvironmentFrom(context);
    g_app_info_launch_default_for_uri_async(url.c_str(), context, nullptr, nullptr, nullptr);
}

void GtkAppShell::quit()
{
    if (application_)
        g_application_quit(application_);
}

} // namespace brimble
