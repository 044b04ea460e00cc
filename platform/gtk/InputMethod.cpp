#include "platform/gtk/InputMethod.h"

#include <cstring>

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace brimble {

namespace {

bool named(const char* value)
{
    return value && *value;
}

// "@im=ibus" names a server; "@im=none", "@im=" or nothing name none.
bool namesInputMethodServer(const char* modifiers)
{
    if (!named(modifiers))
        return false;
    const char* server = std::strstr(modifiers, "@im=");
    if (!server)
        return false;
    server += 4;
    return *server && *server != '@' && std::strncmp(server, "none", 4) != 0;
}

} // namespace

bool needsBuiltInInputMethod(const InputMethodChoice& choice)
{
    // On Wayland GTK talks to the compositor's text input; the user's or the desktop's own choice
    // of a module is kept, and so is an X input method server the desktop runs.
    return choice.onX11 && !named(choice.moduleFromEnvironment) && !named(choice.moduleFromDesktop)
        && !namesInputMethodServer(choice.xModifiers);
}

void avoidLocaleOnlyInputMethod()
{
    GtkSettings* settings = gtk_settings_get_default();
    if (!settings)
        return;
    g_autofree char* desktopModule = nullptr;
    g_object_get(settings, "gtk-im-module", &desktopModule, nullptr);
    InputMethodChoice choice;
    choice.moduleFromEnvironment = g_getenv("GTK_IM_MODULE");
    choice.moduleFromDesktop = desktopModule;
    choice.xModifiers = g_getenv("XMODIFIERS");
#ifdef GDK_WINDOWING_X11
    choice.onX11 = GDK_IS_X11_DISPLAY(gdk_display_get_default());
#endif
    if (needsBuiltInInputMethod(choice))
        g_object_set(settings, "gtk-im-module", "gtk-im-context-simple", nullptr);
}

} // namespace brimble
