#include "platform/gtk/about/WugoView.h"

#include "about/AboutTexts.h"
#include "about/InkBurst.h"
#include "about/MascotMotion.h"
#include "platform/gtk/about/FrameTime.h"
#include "platform/gtk/about/InkOverlay.h"
#include "platform/gtk/about/PanelChrome.h"

namespace brimble {

WugoView::WugoView(MainLoop& loop, const std::filesystem::path& pictureFile, int height)
    : loop_(loop),
      picture_(pictureFile),
      width_(picture_.widthFor(height)),
      height_(height),
      clicks_(loop),
      area_(gtk_drawing_area_new())
{
    gtk_widget_set_size_request(area_, width_ + swingLeft + swingRight, height_);
    gtk_widget_set_halign(area_, GTK_ALIGN_CENTER);
    gtk_widget_set_valign(area_, GTK_ALIGN_CENTER);
    gtk_widget_add_events(area_, GDK_BUTTON_PRESS_MASK);
    gtk_widget_set_tooltip_text(area_, std::string(wugoTooltip).c_str());
    AtkObject* accessible = gtk_widget_get_accessible(area_);
    atk_object_set_role(accessible, ATK_ROLE_PUSH_BUTTON);
    setAccessibleName(tr(wugoAccessibleName));
    usePointerCursor(area_);
    g_signal_connect(area_, "button-press-event", G_CALLBACK(pressed), this);
    g_signal_connect(area_, "draw", G_CALLBACK(draw), this);
    clicks_.onShout = [this](int clicks) {
        if (onShout)
            onShout(clicks);
    };
}

void WugoView::setAccessibleName(const std::string& name)
{
    atk_object_set_name(gtk_widget_get_accessible(area_), name.c_str());
}

gboolean WugoView::pressed(GtkWidget* widget, GdkEventButton* event, WugoView* self)
{
    if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_PRIMARY)
        return TRUE;
    if (self->clicks_.click() == ClickOutcome::Ignored)
        return TRUE;
    // The click still counts towards a shout; only the recoil and the splash are left out.
    if (!animationsEnabled(widget))
        return TRUE;
    self->recoilStart_ = frameSeconds(widget);
    if (self->tick_ == 0)
        self->tick_ = gtk_widget_add_tick_callback(widget, tick, self, nullptr);
    self->squirt();
    return TRUE;
}

void WugoView::squirt()
{
    // Ink needs a window with an overlay to draw on; a mascot elsewhere only counts.
    GtkWidget* overlay = gtk_widget_get_ancestor(area_, GTK_TYPE_OVERLAY);
    if (!overlay || !gtk_widget_get_toplevel(area_))
        return;
    int x = 0;
    int y = 0;
    if (!gtk_widget_translate_coordinates(area_, overlay, swingLeft, 0, &x, &y))
        return;
    squirtInk(GTK_OVERLAY(overlay), makeInkBurst(inkOrigin(x, y, width_, height_), random_), loop_);
}

gboolean WugoView::draw(GtkWidget* widget, cairo_t* cr, WugoView* self)
{
    const double offset = recoilOffset(frameSeconds(widget) - self->recoilStart_);
    self->picture_.draw(cr, swingLeft + offset, 0.0, self->width_, self->height_,
                        gtk_widget_get_scale_factor(widget));
    return FALSE;
}

gboolean WugoView::tick(GtkWidget* widget, GdkFrameClock*, gpointer data)
{
    auto* self = static_cast<WugoView*>(data);
    gtk_widget_queue_draw(widget);
    if (frameSeconds(widget) - self->recoilStart_ < recoilDuration)
        return G_SOURCE_CONTINUE;
    self->tick_ = 0;
    return G_SOURCE_REMOVE;
}

} // namespace brimble
