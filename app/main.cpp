// The process entry of the desktop program: one GtkApplication, so that starting Brimble again
// acts on the running instance (shows its window, or what the options ask) instead of starting a
// second recorder.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include <csignal>

#include <glib-unix.h>
#include <gtk/gtk.h>

#include "app/CommandLine.h"
#include "app/Hub.h"
#include "common/Translation.h"
#include "platform/JsonFileDefaults.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/LibraryPages.h"
#include "platform/gtk/ResourcesFolder.h"
#include "platform/gtk/Translations.h"
#include "platform/gtk/WebEngineEnvironment.h"
#include "platform/pixbuf/PixbufImageCodec.h"
#include "platform/wayland/CompositorReturn.h"
#include "platform/wayland/WaylandDesktop.h"
#include "settings/Settings.h"

namespace {

constexpr const char* applicationId = "app.brimble.Brimble";
// Seconds after a start in the background before the start-up's pages are let go.
constexpr guint backgroundSettleSeconds = 2;
// How long a start made after the compositor went away waits for it to come back.
constexpr std::chrono::seconds compositorReturnLimit{60};

struct Program {
    // Brimble's own connection to a Wayland compositor that offers data-control, or nothing.
    std::unique_ptr<brimble::WaylandConnection> wayland;
    std::unique_ptr<brimble::GtkPlatform> platform;
    std::shared_ptr<brimble::Hub> hub;
    // The compositor went away: the program quits in order and starts again once it is back.
    bool compositorLost = false;
};

// The running program's file; empty when it cannot be told.
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

// The command that starts this program, which the autostart entry names: the `brimble` launcher
// that execs it (installed, or in the build tree), or the program itself run without one.
std::filesystem::path startingCommand()
{
    const std::filesystem::path program = runningExecutable();
    if (program.empty())
        return {};
    std::error_code error;
    for (const char* relative : {BRIMBLE_LAUNCHER_FROM_PROGRAM, BRIMBLE_LAUNCHER_FROM_PROGRAM_IN_BUILD}) {
        const std::filesystem::path launcher = (program.parent_path() / relative).lexically_normal();
        if (std::filesystem::is_regular_file(launcher, error))
            return launcher;
    }
    return program;
}

brimble::Locations userLocations()
{
    brimble::Locations locations;
    locations.dataHome = g_get_user_data_dir();
    locations.configHome = g_get_user_config_dir();
    locations.resourcesDir = brimble::findResourcesFolder();
    locations.executable = startingCommand();
    return locations;
}

void launch(GtkApplication* application, Program& program, brimble::WindowAtLaunch atLaunch)
{
    const brimble::Locations locations = userLocations();
    // Installed, the icon comes from the theme; in the build tree, from the resources.
    const std::filesystem::path iconFile = locations.resourcesDir / "AppIcon.png";
    if (gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), "brimble") || !std::filesystem::exists(iconFile))
        gtk_window_set_default_icon_name("brimble");
    else
        gtk_window_set_default_icon_from_file(iconFile.c_str(), nullptr);
    auto defaults =
        std::make_unique<brimble::JsonFileDefaults>(locations.configHome / "Brimble" / "settings.json",
                                                    brimble::settingKind);
    brimble::DesktopServicesFactory desktopServices;
    if (program.wayland)
        desktopServices = [&program](brimble::ImageCodec& codec) {
            return brimble::makeWaylandServices(*program.wayland, codec);
        };
    program.platform = std::make_unique<brimble::GtkPlatform>(application, locations, std::move(defaults),
                                                              brimble::makePixbufImageCodec(), desktopServices);
    program.hub = std::make_shared<brimble::Hub>(program.platform->platform(), locations);
    program.platform->setDelegate(program.hub);
    program.hub->setWindowAtLaunch(atLaunch);
    program.hub->applicationDidFinishLaunching();
    if (atLaunch == brimble::WindowAtLaunch::Hidden) {
        // Started at login, the program may wait hours for its window: the libraries' code and
        // tables read in while it started are let go once the tray and the desktop services
        // have settled.
        g_timeout_add_seconds(backgroundSettleSeconds, [](gpointer) {
            brimble::releaseLibraryFilePages();
            return G_SOURCE_REMOVE;
        }, nullptr);
    }
}

// Options that need no running instance are answered by the starting process itself.
gint onLocalOptions(GApplication*, GVariantDict* options, gpointer)
{
    if (g_variant_dict_contains(options, "version")) {
        std::printf("Brimble %s\n", BRIMBLE_VERSION);
        return EXIT_SUCCESS;
    }
    return -1;
}

// Runs in the one running instance, for its own start and for every later one, whose options
// arrive here over the session bus; the later process exits once this returns.
gint onCommandLine(GApplication* application, GApplicationCommandLine* commandLine, gpointer data)
{
    auto& program = *static_cast<Program*>(data);
    const brimble::StartRequest request =
        brimble::readStartRequest(g_application_command_line_get_options_dict(commandLine));
    if (!program.hub) {
        if (const std::optional<brimble::WindowAtLaunch> atLaunch = brimble::launchFor(request))
            launch(GTK_APPLICATION(application), program, *atLaunch);
    } else {
        program.hub->handleWindowRequest(request.window);
    }
    if (program.hub && request.syncFolder)
        program.hub->setSyncFolder(brimble::absoluteSyncFolder(
            *request.syncFolder, g_application_command_line_get_cwd(commandLine)));
    return EXIT_SUCCESS;
}

// The desktop activates the program (a launcher, D-Bus activation) like a start without options.
void onActivate(GApplication* application, gpointer data)
{
    auto& program = *static_cast<Program*>(data);
    if (!program.hub)
        launch(GTK_APPLICATION(application), program, brimble::WindowAtLaunch::Shown);
    else
        program.hub->handleWindowRequest(brimble::WindowRequest::Reopen);
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
    // Before anything can start a thread that reads the environment.
    brimble::setWebEngineEnvironment();
    brimble::setUpTranslations();
    g_set_prgname("brimble");
    g_set_application_name("Brimble");

    // Started again after the compositor went away: nothing can run before it is back.
    if (brimble::askedToAwaitCompositor(argc, argv) && !brimble::awaitCompositor(compositorReturnLimit))
        return EXIT_FAILURE;

    Program program;
    program.wayland = chooseDesktopBackend();
    g_autoptr(GtkApplication) application = gtk_application_new(applicationId, G_APPLICATION_HANDLES_COMMAND_LINE);
    if (program.wayland)
        program.wayland->setAfterLost([&program, raw = application] {
            program.compositorLost = true;
            g_application_quit(G_APPLICATION(raw));
        });
    g_application_add_main_option_entries(G_APPLICATION(application), brimble::commandLineOptions());
    g_application_set_option_context_summary(
        G_APPLICATION(application),
        _("Keeps every text and picture you copy. Started again, Brimble acts on the running instance."));
    g_signal_connect(application, "handle-local-options", G_CALLBACK(onLocalOptions), nullptr);
    g_signal_connect(application, "command-line", G_CALLBACK(onCommandLine), &program);
    g_signal_connect(application, "activate", G_CALLBACK(onActivate), &program);
    g_unix_signal_add(SIGTERM, onTerminate, application);
    g_unix_signal_add(SIGINT, onTerminate, application);
    const int status = g_application_run(G_APPLICATION(application), argc, argv);

    // The controller goes first: it refers to the platform's services.
    program.hub.reset();
    program.platform.reset();
    program.wayland.reset();
    if (program.compositorLost) {
        brimble::startAgainOnceCompositorIsBack(runningExecutable());
        return EXIT_FAILURE;
    }
    return status;
}
