/* A native Wayland window whose app_id is the first argument, for telling windows apart by the
 * application in front, with a text field that a paste can land in. Prints "ready" once the
 * window is mapped, then "text: <the field's text>" at each change. */
#include <stdio.h>

#include <gtk/gtk.h>

static void on_changed(GtkEditable* editable, gpointer data)
{
    (void)data;
    printf("text: %s\n", gtk_entry_get_text(GTK_ENTRY(editable)));
    fflush(stdout);
}

static gboolean on_map(GtkWidget* widget, GdkEvent* event, gpointer data)
{
    (void)widget, (void)event, (void)data;
    printf("ready\n");
    fflush(stdout);
    return FALSE;
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: wl_window APP_ID\n");
        return 2;
    }
    /* GTK names the window's app_id after the program. */
    g_set_prgname(argv[1]);
    gdk_set_allowed_backends("wayland");
    gtk_init(NULL, NULL);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), argv[1]);
    gtk_window_set_default_size(GTK_WINDOW(window), 300, 200);
    GtkWidget* field = gtk_entry_new();
    gtk_container_add(GTK_CONTAINER(window), field);
    g_signal_connect(field, "changed", G_CALLBACK(on_changed), NULL);
    g_signal_connect(window, "map-event", G_CALLBACK(on_map), NULL);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
