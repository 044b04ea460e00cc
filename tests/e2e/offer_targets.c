/* Takes the CLIPBOARD selection offering one text under UTF8_STRING and under every further
 * target named on the command line, as password managers do with their marker targets. Prints
 * "ready" once it owns the selection and exits when another program takes it.
 *
 * With "--window", it first shows a window and names it the active one on the root window, as
 * a window manager would, so the copy comes from a program in front. "--app-id ID" does the
 * same and also marks the window with ID as its GTK application id; "--wm-class CLASS" gives the
 * window that WM_CLASS instead of its own (the instance is CLASS in lower case), as xterm's
 * windows are of class "XTerm". */

#include <stdio.h>
#include <string.h>

#include <X11/Xatom.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

static void provide(GtkClipboard *clipboard, GtkSelectionData *data, guint info, gpointer text)
{
    (void)clipboard;
    (void)info;
    gtk_selection_data_set(data, gtk_selection_data_get_target(data), 8, (const guchar *)text,
                           (gint)strlen((const char *)text));
}

static void released(GtkClipboard *clipboard, gpointer text)
{
    (void)clipboard;
    (void)text;
    gtk_main_quit();
}

static void show_active_window(const char *app_id, const char *wm_class)
{
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "offer_targets");
    gtk_window_set_default_size(GTK_WINDOW(window), 200, 100);
    gtk_widget_show(window);
    GdkDisplay *display = gdk_display_get_default();
    Display *xdisplay = GDK_DISPLAY_XDISPLAY(display);
    Window id = GDK_WINDOW_XID(gtk_widget_get_window(window));
    if (wm_class) {
        gchar *instance = g_ascii_strdown(wm_class, -1);
        XClassHint hint = {instance, (char *)wm_class};
        XSetClassHint(xdisplay, id, &hint);
        g_free(instance);
    }
    if (app_id)
        XChangeProperty(xdisplay, id, XInternAtom(xdisplay, "_GTK_APPLICATION_ID", False),
                        XInternAtom(xdisplay, "UTF8_STRING", False), 8, PropModeReplace,
                        (const unsigned char *)app_id, (int)strlen(app_id));
    XChangeProperty(xdisplay, DefaultRootWindow(xdisplay), XInternAtom(xdisplay, "_NET_ACTIVE_WINDOW", False),
                    XA_WINDOW, 32, PropModeReplace, (unsigned char *)&id, 1);
    XSync(xdisplay, False);
    printf("window 0x%lx\n", id);
}

int main(int argc, char **argv)
{
    gtk_init(&argc, &argv);
    int first = 1;
    if (argc > 1 && strcmp(argv[1], "--window") == 0) {
        show_active_window(NULL, NULL);
        first = 2;
    } else if (argc > 2 && strcmp(argv[1], "--app-id") == 0) {
        show_active_window(argv[2], NULL);
        first = 3;
    } else if (argc > 2 && strcmp(argv[1], "--wm-class") == 0) {
        show_active_window(NULL, argv[2]);
        first = 3;
    }
    if (argc <= first) {
        fprintf(stderr, "usage: offer_targets [--window | --app-id ID | --wm-class CLASS] TEXT [TARGET...]\n");
        return 2;
    }
    const int count = argc - first;
    GtkTargetEntry *targets = g_new0(GtkTargetEntry, count);
    targets[0].target = "UTF8_STRING";
    for (int i = 1; i < count; ++i)
        targets[i].target = argv[first + i];
    GtkClipboard *clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    if (!gtk_clipboard_set_with_data(clipboard, targets, (guint)count, provide, released, argv[first]))
        return 1;
    printf("ready\n");
    fflush(stdout);
    gtk_main();
    g_free(targets);
    return 0;
}
