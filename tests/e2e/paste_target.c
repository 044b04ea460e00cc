/* A window with one text field that stands for "another program" to paste into. It prints
 * "window 0x<id>" once shown, then "text <content>" each time the field's text changes, so a
 * test can tell what was pasted without reading the screen. */

#include <stdio.h>

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

static void changed(GtkEditable *field, gpointer data)
{
    (void)data;
    g_autofree gchar *text = gtk_editable_get_chars(field, 0, -1);
    printf("text %s\n", text);
    fflush(stdout);
}

int main(int argc, char **argv)
{
    gtk_init(&argc, &argv);
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "paste_target");
    gtk_window_set_default_size(GTK_WINDOW(window), 300, 80);
    gtk_window_move(GTK_WINDOW(window), 10, 10);
    GtkWidget *field = gtk_entry_new();
    gtk_container_add(GTK_CONTAINER(window), field);
    g_signal_connect(field, "changed", G_CALLBACK(changed), NULL);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    gtk_widget_show_all(window);
    gtk_widget_grab_focus(field);
    /* The id is printed once the window is on the server, so the test can focus it at once. */
    gdk_display_sync(gdk_display_get_default());
    printf("window 0x%lx\n", GDK_WINDOW_XID(gtk_widget_get_window(window)));
    fflush(stdout);
    gtk_main();
    return 0;
}
