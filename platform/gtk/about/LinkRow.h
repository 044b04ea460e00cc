#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include <gtk/gtk.h>

#include "platform/gtk/about/Picture.h"

namespace brimble {

// The About window's "Try our other apps" row: the maker's logo as a clickable badge, then the
// link text. A click on the badge is the badge's own; a click anywhere else on the row is the row's.
class LinkRow {
public:
    LinkRow(const std::filesystem::path& logoFile, int badgeHeight);
    LinkRow(const LinkRow&) = delete;
    LinkRow& operator=(const LinkRow&) = delete;

    GtkWidget* widget() const { return row_; }

    std::function<void()> onBadgeClick;
    std::function<void()> onRowClick;

private:
    static gboolean badgePressed(GtkWidget* widget, GdkEventButton* event, LinkRow* self);
    static gboolean rowPressed(GtkWidget* widget, GdkEventButton* event, LinkRow* self);
    static gboolean drawBadge(GtkWidget* widget, cairo_t* cr, LinkRow* self);

    Picture logo_;
    int badgeWidth_;
    int badgeHeight_;
    GtkWidget* row_;
};

} // namespace brimble
