#pragma once

#include <filesystem>
#include <functional>
#include <limits>
#include <string>

#include <gtk/gtk.h>

#include "about/RandomSource.h"
#include "about/WugoClicks.h"
#include "platform/MainLoop.h"
#include "platform/gtk/about/Picture.h"

namespace brimble {

// The clickable mascot: every counted click makes it recoil and squirt ink over its window (on the
// nearest GtkOverlay above it); every third one reports a shout.
class WugoView {
public:
    // Room left and right of the picture for the recoil's swing, in pixels; owners lay the view
    // out with this in mind so the picture itself sits where it should.
    static constexpr int swingLeft = 2;
    static constexpr int swingRight = 9;

    // A mascot `height` pixels high showing `pictureFile` (nothing when it cannot be read).
    WugoView(MainLoop& loop, const std::filesystem::path& pictureFile, int height);
    WugoView(const WugoView&) = delete;
    WugoView& operator=(const WugoView&) = delete;

    GtkWidget* widget() const { return area_; }
    // Replaces the accessible name "Wugo — click him".
    void setAccessibleName(const std::string& name);

    // Called with the click count on every third counted click.
    std::function<void(int clicks)> onShout;

private:
    static gboolean pressed(GtkWidget* widget, GdkEventButton* event, WugoView* self);
    static gboolean draw(GtkWidget* widget, cairo_t* cr, WugoView* self);
    static gboolean tick(GtkWidget* widget, GdkFrameClock* clock, gpointer self);
    void squirt();

    MainLoop& loop_;
    Picture picture_;
    int width_;
    int height_;
    WugoClicks clicks_;
    RandomSource random_;
    double recoilStart_ = -std::numeric_limits<double>::infinity();
    guint tick_ = 0;
    GtkWidget* area_;
};

} // namespace brimble
