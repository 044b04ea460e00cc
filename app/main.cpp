// The process entry of the desktop program: one GtkApplication, so that starting Brimble again
// shows the running instance's window instead of starting a second recorder.

#include <filesystem>
#include <memory>

#include <csignal>

#include <glib-unix.h>
#include <gtk/gtk.h>

#include "app/Hub.h"
#include "platform/JsonFileDefaults.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/ResourcesFolder.h"
#include "platform/pixbuf/PixbufImageCodec.h"
#include "platform/wayland/WaylandDesktop.h"

namespace {

constexpr const char* applicationId = "app.brimble.Brimble";

struct Program {
    // Brimble's own connection to a Wayland compositor that offers data-control, or nothing.
    std::unique_ptr<brimble::WaylandConnection> wayland;
    std::unique_ptr<brimble::GtkPlatform> platform;
    std::shared_ptr<brimble::Hub> hub;
};

// The running program's file, which the autostart entry names; empty when it cannot be told.
std::filesystem::path runningExecutable()
{
    g_autofree gchar* target = g_file_read_link("/proc/self/exe", nullptr);
    if (!target)
        return {};
    // A program replaced while it runs is reported with this mark; the new file is the one to start.
    std::string path(target);
    constexpr std::string_view replaced = " (deleted)";
    if (path.ends_with(replaced))
        path.resize(path.size() - replaced.size());
    return path;
}

brimble::Locations userLocations()
{
    brimble::Locations locations;
    locations.dataHome = g_get_user_data_dir();
    locations.configHome = g_get_user_config_dir();
    locations.resourcesDir = brimble::findResourcesFolder();
    locations.executable = runningExecutable();
    return locations;
}

void launch(GtkApplication* application, Program& program)
{
    const brimble::Locations locations = userLocations();
    // Installed, the icon comes from the theme; in the build tree, from the resources.
    const std::filesystem::path iconFile = locations.resourcesDir / "AppIcon.png";
    if (gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), "brimble") || !std::filesystem::exists(iconFile))
        gtk_window_set_default_icon_name("brimble");
    else
        gtk_window_set_default_icon_from_file(iconFile.c_str(), nullptr);
    auto defaults =
        std::make_unique<brimble::JsonFileDefaults>(locations.configHome / "Brimble" / "settings.json");
    brimble::DesktopServicesFactory desktopServices;
    if (program.wayland)
        desktopServices = [&program](brimble::ImageCodec& codec) {
            return brimble::makeWaylandServices(*program.wayland, codec);
        };
    program.platform = std::make_unique<brimble::GtkPlatform>(application, locations, std::move(defaults),
                                                              brimble::makePixbufImageCodec(), desktopServices);
    program.hub = std::make_shared<brimble::Hub>(program.platform->platform(), locations);
    program.platform->setDelegate(program.hub);
    program.hub->applicationDidFinishLaunching();
}

// The first activation launches; every later one comes from Brimble being started again.
void onActivate(GtkApplication* application, gpointer data)
{
    auto& program = *static_cast<Program*>(data);
    if (!program.hub) {
        launch(application, program);
        return;
    }
    program.hub->applicationShouldHandleReopen(program.platform->host().isWindowVisible());
}

// Ending by signal goes through the ordinary quit, so the window frame is saved on the way out.
gboolean onTerminate(gpointer application)
{
    g_application_quit(G_APPLICATION(application));
    return G_SOURCE_CONTINUE;
}

// Picks the desktop backend once, before GTK starts: GDK runs natively on Wayland where the
// compositor lets a clipboard manager watch the clipboard (data-control), and on X11 (or
// XWayland) everywhere else, where the clipboard, the window in front and the global key speak X11.
std::unique_ptr<brimble::WaylandConnection> chooseDesktopBackend()
{
    std::unique_ptr<brimble::WaylandConnection> wayland = brimble::openDataControlConnection();
    gdk_set_allowed_backends(wayland ? "wayland" : "x11");
    return wayland;
}

} // namespace

int main(int argc, char** argv)
{
    g_set_prgname("brimble");
    g_set_application_name("Brimble");

    Program program;
    program.wayland = chooseDesktopBackend();
    g_autoptr(GtkApplication) application = gtk_application_new(applicationId, G_APPLICATION_DEFAULT_FLAGS);
    g_signal_connect(application, "activate", G_CALLBACK(onActivate), &program);
    g_unix_signal_add(SIGTERM, onTerminate, application);
    g_unix_signal_add(SIGINT, onTerminate, application);
    // The program takes no arguments; only the program name is handed on.
    const int status = g_application_run(G_APPLICATION(application), argc > 0 ? 1 : 0, argv);

    // The controller goes first: it refers to the platform's services.
    program.hub.reset();
    program.platform.reset();
    program.wayland.reset();
    return status;
}
