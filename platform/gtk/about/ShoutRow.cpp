#include "platform/gtk/about/ShoutRow.h"

#include <algorithm>
#include <string>

#include "about/AboutTexts.h"
#include "about/MascotMotion.h"
#include "platform/gtk/about/FrameTime.h"

namespace brimble {

namespace {

constexpr int wordSpacing = 7;
constexpr double wordPixels = 15.0;
constexpr double emojiPixels = 18.0;
// The shout's opaque red.
constexpr double shoutRed = 0.72, shoutGreen = 0.12, shoutBlue = 0.12;

} // namespace

ShoutRow::ShoutRow() : area_(gtk_drawing_area_new())
{
    buildLayouts();
    int width = 0;
    int height = 0;
    for (const Word& word : words_) {
        width += word.width;
        height = std::max(height, word.height);
    }
    width += wordSpacing * (static_cast<int>(words_.size()) - 1);
    gtk_widget_set_size_request(area_, width, height + 2 * popRoom);
    g_signal_connect(area_, "draw", G_CALLBACK(draw), this);
}

void ShoutRow::buildLayouts()
{
    for (size_t i = 0; i < words_.size(); ++i) {
        Word& word = words_[i];
        const bool emoji = i + 1 == words_.size();
        word.layout.reset(gtk_widget_create_pango_layout(area_, tr(shoutWords[i])));
        PangoFontDescription* font = pango_font_description_copy(
            pango_context_get_font_description(pango_layout_get_context(word.layout.get())));
        pango_font_description_set_absolute_size(font, (emoji ? emojiPixels : wordPixels) * PANGO_SCALE);
        pango_font_description_set_weight(font, PANGO_WEIGHT_ULTRABOLD);
        pango_layout_set_font_description(word.layout.get(), font);
        pango_font_description_free(font);
        pango_layout_get_pixel_size(word.layout.get(), &word.width, &word.height);
    }
}

gboolean ShoutRow::draw(GtkWidget* widget, cairo_t* cr, ShoutRow* self)
{
    const double now = frameSeconds(widget);
    int total = wordSpacing * (static_cast<int>(self->words_.size()) - 1);
    for (const Word& word : self->words_)
        total += word.width;
    const int areaWidth = gtk_widget_get_allocated_width(widget);
    const int areaHeight = gtk_widget_get_allocated_height(widget);
    GdkRGBA foreground;
    gtk_style_context_get_color(gtk_widget_get_style_context(widget),
                                gtk_widget_get_state_flags(widget), &foreground);

    double x = (areaWidth - total) / 2.0;
    for (size_t i = 0; i < self->words_.size(); ++i) {
        const Word& word = self->words_[i];
        const double alpha = word.alpha.valueAt(now);
        if (alpha > 0.0) {
            const PopPose pose = popPose(now - word.popStart);
            const double y = (areaHeight - word.height) / 2.0;
            cairo_save(cr);
            cairo_translate(cr, x + word.width / 2.0, y + word.height / 2.0);
            cairo_scale(cr, pose.scale, pose.scale);
            // Screen y grows downwards, so a counter-clockwise turn is a negative cairo angle.
            cairo_rotate(cr, -pose.angle);
            cairo_translate(cr, -word.width / 2.0, -word.height / 2.0);
            cairo_push_group(cr);
            if (i + 1 == self->words_.size())
                gdk_cairo_set_source_rgba(cr, &foreground);
            else
                cairo_set_source_rgb(cr, shoutRed, shoutGreen, shoutBlue);
            pango_cairo_show_layout(cr, word.layout.get());
            cairo_pop_group_to_source(cr);
            cairo_paint_with_alpha(cr, alpha);
            cairo_restore(cr);
        }
        x += word.width + wordSpacing;
    }
    return FALSE;
}

void ShoutRow::popWord(int index)
{
    if (index < 0 || index >= static_cast<int>(words_.size()))
        return;
    const double now = frameSeconds(area_);
    words_[index].alpha = Fade::steady(1.0);
    // Without animations a word simply appears, without its pop.
    words_[index].popStart = animationsEnabled(area_) ? now : -std::numeric_limits<double>::infinity();
    keepTicking();
}

void ShoutRow::fadeAll(double seconds)
{
    const double now = frameSeconds(area_);
    if (!animationsEnabled(area_))
        seconds = 0.0;
    for (Word& word : words_)
        word.alpha = word.alpha.toward(0.0, now, seconds);
    keepTicking();
}

void ShoutRow::hideAll()
{
    for (Word& word : words_) {
        word.alpha = Fade::steady(0.0);
        word.popStart = -std::numeric_limits<double>::infinity();
    }
    gtk_widget_queue_draw(area_);
}

bool ShoutRow::animatingAt(double now) const
{
    return std::any_of(words_.begin(), words_.end(), [now](const Word& word) {
        return !word.alpha.finishedAt(now) || now - word.popStart < popDuration;
    });
}

void ShoutRow::keepTicking()
{
    gtk_widget_queue_draw(area_);
    if (tick_ == 0)
        tick_ = gtk_widget_add_tick_callback(area_, tick, this, nullptr);
}

gboolean ShoutRow::tick(GtkWidget* widget, GdkFrameClock*, gpointer data)
{
    auto* self = static_cast<ShoutRow*>(data);
    gtk_widget_queue_draw(widget);
    if (self->animatingAt(frameSeconds(widget)))
        return G_SOURCE_CONTINUE;
    self->tick_ = 0;
    return G_SOURCE_REMOVE;
}

} // namespace brimble
