// Opens the About and Help windows on their own, over a stand-in main window, so they can be
// looked at, clicked and photographed without the whole program.
//
//   about_demo RESOURCES_DIR [--no-main-window] [about] [help]
//
// Each line on standard input is a further request: "about", "help" or "quit"; the end of the
// input quits too. Addresses the windows ask to open are printed as "open <url>".

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include <gtk/gtk.h>

#include "platform/gtk/GtkMainLoop.h"
#include "platform/gtk/Translations.h"
#include "platform/gtk/about/GtkPanels.h"
#include "common/Translation.h"

namespace {

struct Demo {
    std::unique_ptr<brimble::Panels> panels;
};

void run(Demo& demo, const std::string& request)
{
    if (request == "about")
        demo.panels->showAbout();
    else if (request == "help")
        demo.panels->showHelp();
    else if (request == "quit")
        gtk_main_quit();
}

gboolean readRequest(GIOChannel* channel, GIOCondition condition, gpointer data)
{
    g_autofree gchar* line = nullptr;
    if ((condition & G_IO_IN) && g_io_channel_read_line(channel, &line, nullptr, nullptr, nullptr) ==
                                      G_IO_STATUS_NORMAL) {
        g_strstrip(line);
        run(*static_cast<Demo*>(data), line);
        return G_SOURCE_CONTINUE;
    }
    gtk_main_quit();
    return G_SOURCE_REMOVE;
}

GtkWindow* makeStandInMainWindow()
{
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Brimble");
    gtk_window_set_default_size(GTK_WINDOW(window), 900, 680);
    gtk_window_move(GTK_WINDOW(window), 40, 30);
    gtk_container_add(GTK_CONTAINER(window), gtk_label_new("The main window stands here."));
    g_signal_connect(window, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete), nullptr);
    gtk_widget_show_all(window);
    return GTK_WINDOW(window);
}

} // namespace

int main(int argc, char** argv)
{
    // The windows speak the desktop's language (LANGUAGE=de ...) from the build's catalogues.
    brimble::setUpTranslations();
    bindtextdomain(brimble::translationDomain, BRIMBLE_LOCALE_BUILD_DIR);
    gtk_init(&argc, &argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s RESOURCES_DIR [--no-main-window] [about] [help]\n", argv[0]);
        return 2;
    }
    bool withMainWindow = true;
    for (int i = 2; i < argc; ++i)
        withMainWindow = withMainWindow && std::strcmp(argv[i], "--no-main-window") != 0;

    GtkWindow* mainWindow = withMainWindow ? makeStandInMainWindow() : nullptr;
    brimble::GtkMainLoop loop;
    Demo demo;
    demo.panels = brimble::makeGtkPanels(
        loop, [mainWindow] { return mainWindow; }, std::filesystem::path(argv[1]),
        [](const std::string& url) { std::cout << "open " << url << std::endl; });

    for (int i = 2; i < argc; ++i)
        run(demo, argv[i]);

    GIOChannel* input = g_io_channel_unix_new(0);
    g_io_add_watch(input, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP), readRequest, &demo);
    g_io_channel_unref(input);
    gtk_main();
    demo.panels.reset();
    return 0;
}
