#include "platform/gtk/about/LinkRow.h"

#include <string>

#include "about/AboutTexts.h"
#include "platform/gtk/about/PanelChrome.h"

namespace brimble {

namespace {

constexpr int rowSpacing = 6;

} // namespace

LinkRow::LinkRow(const std::filesystem::path& logoFile, int badgeHeight)
    : logo_(logoFile), badgeWidth_(logo_.widthFor(badgeHeight)), badgeHeight_(badgeHeight),
      row_(gtk_event_box_new())
{
    // The row has a window of its own so that the pointing hand shows over all of it.
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(row_), TRUE);
    gtk_widget_set_halign(row_, GTK_ALIGN_CENTER);
    AtkObject* accessible = gtk_widget_get_accessible(row_);
    atk_object_set_role(accessible, ATK_ROLE_PUSH_BUTTON);
    atk_object_set_name(accessible, tr(otherAppsAccessibleName));
    usePointerCursor(row_);
    g_signal_connect(row_, "button-press-event", G_CALLBACK(rowPressed), this);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, rowSpacing);
    gtk_container_add(GTK_CONTAINER(row_), box);

    GtkWidget* badge = gtk_drawing_area_new();
    gtk_widget_set_size_request(badge, badgeWidth_, badgeHeight_);
    gtk_widget_set_valign(badge, GTK_ALIGN_CENTER);
    gtk_widget_add_events(badge, GDK_BUTTON_PRESS_MASK);
    usePointerCursor(badge);
    g_signal_connect(badge, "button-press-event", G_CALLBACK(badgePressed), this);
    g_signal_connect(badge, "draw", G_CALLBACK(drawBadge), this);
    gtk_box_pack_start(GTK_BOX(box), badge, FALSE, FALSE, 0);

    GtkWidget* label = makePanelLabel(tr(otherAppsLabel), "brimble-link");
    // The theme's link colour, in light and dark alike.
    gtk_widget_set_state_flags(label, GTK_STATE_FLAG_LINK, FALSE);
    gtk_widget_set_valign(label, GTK_ALIGN_CENTER);
    gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
}

gboolean LinkRow::badgePressed(GtkWidget*, GdkEventButton* event, LinkRow* self)
{
    if (event->type == GDK_BUTTON_PRESS && event->button == GDK_BUTTON_PRIMARY && self->onBadgeClick)
        self->onBadgeClick();
    return TRUE;
}

gboolean LinkRow::rowPressed(GtkWidget*, GdkEventButton* event, LinkRow* self)
{
    if (event->type == GDK_BUTTON_PRESS && event->button == GDK_BUTTON_PRIMARY && self->onRowClick)
        self->onRowClick();
    return TRUE;
}

gboolean LinkRow::drawBadge(GtkWidget* widget, cairo_t* cr, LinkRow* self)
{
    self->logo_.draw(cr, 0.0, 0.0, self->badgeWidth_, self->badgeHeight_,
                     gtk_widget_get_scale_factor(widget));
    return FALSE;
}

} // namespace brimble
