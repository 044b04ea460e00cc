#include "platform/gtk/about/InkOverlay.h"

#include <memory>
#include <numbers>

#include "platform/gtk/GObjectPtr.h"
#include "platform/gtk/about/FrameTime.h"

namespace brimble {

namespace {

constexpr const char* burstKey = "brimble-ink-burst";

struct LiveBurst {
    InkBurst burst;
    double start = 0.0;
};

void drawDrop(cairo_t* cr, const InkDrop& drop, double elapsed)
{
    const InkDropFrame frame = sampleInkDrop(drop, elapsed);
    if (frame.opacity <= 0.0 || frame.radius <= 0.0)
        return;
    cairo_set_source_rgba(cr, InkBurst::colour[0], InkBurst::colour[1], InkBurst::colour[2],
                          frame.opacity);
    cairo_arc(cr, frame.centre.x, frame.centre.y, frame.radius, 0.0, 2.0 * std::numbers::pi);
    cairo_fill(cr);
}

gboolean drawBurst(GtkWidget* widget, cairo_t* cr, gpointer)
{
    const auto* live = static_cast<LiveBurst*>(g_object_get_data(G_OBJECT(widget), burstKey));
    if (!live)
        return FALSE;
    const double elapsed = frameSeconds(widget) - live->start;
    drawDrop(cr, live->burst.blob, elapsed);
    for (const InkDrop& drop : live->burst.droplets)
        drawDrop(cr, drop, elapsed);
    return FALSE;
}

gboolean redrawBurst(GtkWidget* widget, GdkFrameClock*, gpointer)
{
    gtk_widget_queue_draw(widget);
    return G_SOURCE_CONTINUE;
}

void forgetBurst(gpointer data)
{
    delete static_cast<LiveBurst*>(data);
}

} // namespace

void squirtInk(GtkOverlay* overlay, InkBurst burst, MainLoop& loop)
{
    // The splash is only motion: with animations off there is nothing to show.
    if (!animationsEnabled(GTK_WIDGET(overlay)))
        return;
    GtkWidget* layer = gtk_drawing_area_new();
    // Without a window of its own the layer draws into the overlay's pass-through window, so
    // clicks fall through to the widgets beneath; a window of its own would catch them.
    gtk_widget_set_has_window(layer, FALSE);
    g_object_set_data_full(G_OBJECT(layer), burstKey,
                           new LiveBurst{std::move(burst), frameSeconds(GTK_WIDGET(overlay))},
                           forgetBurst);
    gtk_widget_set_halign(layer, GTK_ALIGN_FILL);
    gtk_widget_set_valign(layer, GTK_ALIGN_FILL);
    g_signal_connect(layer, "draw", G_CALLBACK(drawBurst), nullptr);
    gtk_overlay_add_overlay(overlay, layer);
    gtk_overlay_set_overlay_pass_through(overlay, layer, TRUE);
    gtk_widget_show(layer);
    // Redrawn every frame until it goes; it lives only 1.2 s.
    gtk_widget_add_tick_callback(layer, redrawBurst, nullptr, nullptr);

    // The removal holds the layer itself, not the window: it goes even if the window went first.
    auto held = std::make_shared<GObjectPtr<GtkWidget>>(GTK_WIDGET(g_object_ref(layer)));
    loop.runLater(InkBurst::overlaySeconds, [held] {
        GtkWidget* widget = held->get();
        if (gtk_widget_get_parent(widget))
            gtk_widget_destroy(widget);
    });
}

} // namespace brimble
