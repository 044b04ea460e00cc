#include "platform/gtk/AppChooser.h"

#include <algorithm>
#include <vector>

#include <gio/gdesktopappinfo.h>

#include "common/Translation.h"

namespace brimble {

namespace {

constexpr int chooserWidth = 440;
constexpr int chooserHeight = 480;
constexpr int iconPixels = 32;
constexpr const char* appInfoKey = "brimble-app-info";
constexpr const char* foldedNameKey = "brimble-folded-name";

// The applications a user can pick: desktop entries that menus show, sorted by name.
std::vector<GAppInfo*> shownApplications()
{
    std::vector<GAppInfo*> apps;
    GList* all = g_app_info_get_all();
    for (GList* item = all; item; item = item->next) {
        auto* info = static_cast<GAppInfo*>(item->data);
        if (G_IS_DESKTOP_APP_INFO(info) && g_app_info_should_show(info)
            && g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(info)))
            apps.push_back(G_APP_INFO(g_object_ref(info)));
    }
    g_list_free_full(all, g_object_unref);
    std::sort(apps.begin(), apps.end(), [](GAppInfo* a, GAppInfo* b) {
        return g_utf8_collate(g_app_info_get_display_name(a), g_app_info_get_display_name(b)) < 0;
    });
    return apps;
}

GtkWidget* applicationRow(GAppInfo* info)
{
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 10);
    gtk_widget_set_margin_start(box, 8);
    gtk_widget_set_margin_end(box, 8);
    gtk_widget_set_margin_top(box, 4);
    gtk_widget_set_margin_bottom(box, 4);
    GtkWidget* icon = gtk_image_new();
    if (GIcon* gicon = g_app_info_get_icon(info))
        gtk_image_set_from_gicon(GTK_IMAGE(icon), gicon, GTK_ICON_SIZE_DND);
    else
        gtk_image_set_from_icon_name(GTK_IMAGE(icon), "application-x-executable", GTK_ICON_SIZE_DND);
    gtk_image_set_pixel_size(GTK_IMAGE(icon), iconPixels);
    GtkWidget* name = gtk_label_new(g_app_info_get_display_name(info));
    gtk_label_set_xalign(GTK_LABEL(name), 0);
    gtk_label_set_ellipsize(GTK_LABEL(name), PANGO_ELLIPSIZE_END);
    gtk_box_pack_start(GTK_BOX(box), icon, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), name, TRUE, TRUE, 0);

    GtkWidget* row = gtk_list_box_row_new();
    gtk_container_add(GTK_CONTAINER(row), box);
    g_object_set_data_full(G_OBJECT(row), appInfoKey, g_object_ref(info), g_object_unref);
    g_object_set_data_full(G_OBJECT(row), foldedNameKey, g_utf8_casefold(g_app_info_get_display_name(info), -1),
                           g_free);
    return row;
}

gboolean matchesSearch(GtkListBoxRow* row, gpointer search)
{
    const char* text = gtk_entry_get_text(GTK_ENTRY(search));
    if (!text || !*text)
        return TRUE;
    g_autofree gchar* wanted = g_utf8_casefold(text, -1);
    const auto* name = static_cast<const char*>(g_object_get_data(G_OBJECT(row), foldedNameKey));
    return name && std::string_view(name).find(wanted) != std::string_view::npos;
}

// The first application that the search leaves is selected, so Return chooses it.
void selectFirstShown(GtkListBox* list)
{
    for (int index = 0; GtkListBoxRow* row = gtk_list_box_get_row_at_index(list, index); ++index) {
        if (gtk_widget_get_child_visible(GTK_WIDGET(row))) {
            gtk_list_box_select_row(list, row);
            return;
        }
    }
    gtk_list_box_unselect_all(list);
}

void onSearchChanged(GtkSearchEntry*, gpointer list)
{
    gtk_list_box_invalidate_filter(GTK_LIST_BOX(list));
    selectFirstShown(GTK_LIST_BOX(list));
}

// Double-click or Return on a row chooses it.
void onRowActivated(GtkListBox*, GtkListBoxRow*, gpointer dialog)
{
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
}

void onSelectionChanged(GtkListBox* list, gpointer dialog)
{
    gtk_dialog_set_response_sensitive(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT,
                                      gtk_list_box_get_selected_row(list) != nullptr);
}

// The search field takes Escape for itself: it clears a typed search, and with nothing typed it
// closes the picker, as Escape does anywhere else in a dialog.
void onStopSearch(GtkSearchEntry* search, gpointer dialog)
{
    if (gtk_entry_get_text_length(GTK_ENTRY(search)) == 0)
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
}

} // namespace

std::optional<std::string> runAppChooser(GtkWindow* parent, const std::string& message,
                                         const std::string& confirmLabel)
{
    // Titled after what it adds to, not the program's name, which the main window already bears.
    GtkWidget* dialog = gtk_dialog_new_with_buttons(_("Excluded apps"), parent, GTK_DIALOG_MODAL, _("Cancel"),
                                                    GTK_RESPONSE_CANCEL, confirmLabel.c_str(), GTK_RESPONSE_ACCEPT,
                                                    nullptr);
    gtk_window_set_default_size(GTK_WINDOW(dialog), chooserWidth, chooserHeight);
    gtk_window_set_position(GTK_WINDOW(dialog), parent ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);

    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_container_set_border_width(GTK_CONTAINER(content), 10);
    gtk_box_set_spacing(GTK_BOX(content), 8);
    GtkWidget* heading = gtk_label_new(message.c_str());
    gtk_label_set_line_wrap(GTK_LABEL(heading), TRUE);
    gtk_label_set_xalign(GTK_LABEL(heading), 0);
    GtkWidget* search = gtk_search_entry_new();
    gtk_entry_set_placeholder_text(GTK_ENTRY(search), _("Search applications"));
    GtkWidget* list = gtk_list_box_new();
    gtk_list_box_set_selection_mode(GTK_LIST_BOX(list), GTK_SELECTION_BROWSE);
    gtk_list_box_set_filter_func(GTK_LIST_BOX(list), matchesSearch, search, nullptr);
    for (GAppInfo* info : shownApplications()) {
        gtk_container_add(GTK_CONTAINER(list), applicationRow(info));
        g_object_unref(info);
    }
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(scroller), list);
    gtk_box_pack_start(GTK_BOX(content), heading, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(content), search, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(content), scroller, TRUE, TRUE, 0);

    g_signal_connect(search, "search-changed", G_CALLBACK(onSearchChanged), list);
    g_signal_connect(search, "stop-search", G_CALLBACK(onStopSearch), dialog);
    g_signal_connect(list, "row-activated", G_CALLBACK(onRowActivated), dialog);
    g_signal_connect(list, "selected-rows-changed", G_CALLBACK(onSelectionChanged), dialog);
    gtk_entry_set_activates_default(GTK_ENTRY(search), TRUE);
    selectFirstShown(GTK_LIST_BOX(list));
    onSelectionChanged(GTK_LIST_BOX(list), dialog);
    gtk_widget_show_all(content);
    gtk_widget_grab_focus(search);

    std::optional<std::string> chosen;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        if (GtkListBoxRow* row = gtk_list_box_get_selected_row(GTK_LIST_BOX(list))) {
            auto* info = static_cast<GAppInfo*>(g_object_get_data(G_OBJECT(row), appInfoKey));
            if (const char* file = g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(info)))
                chosen = file;
        }
    }
    gtk_widget_destroy(dialog);
    return chosen;
}

} // namespace brimble
