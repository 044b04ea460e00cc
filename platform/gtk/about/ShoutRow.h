#pragma once

#include <array>
#include <limits>

#include <gtk/gtk.h>

#include "about/Fade.h"
#include "platform/gtk/GObjectPtr.h"

namespace brimble {

// The four shout words in a row, drawn in one area so that a word can grow past its own box while
// it pops. Each word has its own opacity and pop; all start transparent.
class ShoutRow {
public:
    // Extra room above and below the words for the pop's overshoot, in pixels.
    static constexpr int popRoom = 4;

    ShoutRow();
    ShoutRow(const ShoutRow&) = delete;
    ShoutRow& operator=(const ShoutRow&) = delete;

    GtkWidget* widget() const { return area_; }

    // Makes word `index` opaque and starts its pop.
    void popWord(int index);
    // Fades every word to transparent over `seconds`.
    void fadeAll(double seconds);
    // Makes every word transparent at once.
    void hideAll();

private:
    struct Word {
        GObjectPtr<PangoLayout> layout;
        int width = 0;
        int height = 0;
        Fade alpha = Fade::steady(0.0);
        double popStart = -std::numeric_limits<double>::infinity();
    };

    static gboolean draw(GtkWidget* widget, cairo_t* cr, ShoutRow* self);
    static gboolean tick(GtkWidget* widget, GdkFrameClock* clock, gpointer self);
    void buildLayouts();
    void keepTicking();
    bool animatingAt(double now) const;

    GtkWidget* area_;
    std::array<Word, 4> words_;
    guint tick_ = 0;
};

} // namespace brimble
