/* Takes the CLIPBOARD selection as a program offering many formats does, and writes down every
 * target it is asked for, so a test can tell what a clipboard reader asked of it.
 *
 *   offer_formats LOG [--text TEXT] [--file TARGET FILE | TARGET]...
 *
 * --text offers TEXT under GTK's text targets (UTF8_STRING, STRING, text/plain, ...). Each
 * --file TARGET FILE offers the file's bytes under TARGET; a bare TARGET offers a few bytes of filler,
 * as the private formats of office programs stand in here. Every request is appended to LOG as
 * one line holding the target's name. Prints "ready" once it owns the selection and exits when
 * another program takes it. */

#include <stdio.h>
#include <string.h>

#include <gtk/gtk.h>

typedef struct {
    GBytes *bytes;
} Offer;

static const char *log_path;
static char *text;
static GPtrArray *offers;

static void note(const char *target)
{
    FILE *log = fopen(log_path, "a");
    if (!log)
        return;
    fprintf(log, "%s\n", target);
    fclose(log);
}

static void provide(GtkClipboard *clipboard, GtkSelectionData *data, guint info, gpointer unused)
{
    (void)clipboard;
    (void)unused;
    gchar *name = gdk_atom_name(gtk_selection_data_get_target(data));
    note(name);
    g_free(name);
    if (info == G_MAXUINT) {
        gtk_selection_data_set_text(data, text, -1);
        return;
    }
    Offer *offer = g_ptr_array_index(offers, info);
    gsize size = 0;
    const guchar *bytes = g_bytes_get_data(offer->bytes, &size);
    gtk_selection_data_set(data, gtk_selection_data_get_target(data), 8, bytes, (gint)size);
}

static void released(GtkClipboard *clipboard, gpointer unused)
{
    (void)clipboard;
    (void)unused;
    gtk_main_quit();
}

int main(int argc, char **argv)
{
    gtk_init(&argc, &argv);
    if (argc < 2) {
        fprintf(stderr, "usage: offer_formats LOG [--text TEXT] [--file TARGET FILE | TARGET]...\n");
        return 2;
    }
    log_path = argv[1];
    offers = g_ptr_array_new();
    GtkTargetList *list = gtk_target_list_new(NULL, 0);
    for (int i = 2; i < argc; ++i) {
        if (strcmp(argv[i], "--text") == 0 && i + 1 < argc) {
            text = argv[++i];
            gtk_target_list_add_text_targets(list, G_MAXUINT);
            continue;
        }
        const char *target = argv[i];
        Offer *offer = g_new0(Offer, 1);
        if (strcmp(argv[i], "--file") == 0 && i + 2 < argc) {
            target = argv[i + 1];
            const char *path = argv[i + 2];
            i += 2;
            gchar *contents = NULL;
            gsize length = 0;
            GError *error = NULL;
            if (!g_file_get_contents(path, &contents, &length, &error)) {
                fprintf(stderr, "offer_formats: %s\n", error->message);
                return 2;
            }
            offer->bytes = g_bytes_new_take(contents, length);
        } else {
            offer->bytes = g_bytes_new_static("filler", 6);
        }
        gtk_target_list_add(list, gdk_atom_intern(target, FALSE), 0, offers->len);
        g_ptr_array_add(offers, offer);
    }
    gint count = 0;
    GtkTargetEntry *targets = gtk_target_table_new_from_list(list, &count);
    GtkClipboard *clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    if (!gtk_clipboard_set_with_data(clipboard, targets, (guint)count, provide, released, NULL))
        return 1;
    printf("ready\n");
    fflush(stdout);
    gtk_main();
    return 0;
}
