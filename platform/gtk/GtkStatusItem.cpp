#include "platform/gtk/GtkStatusItem.h"

#include <libayatana-appindicator/app-indicator.h>

#include "common/Translation.h"
#include "platform/gtk/X11Display.h"

// The indicator with no stand-in away from X11. Where no tray host is on the bus the library puts
// a GtkStatusIcon in its place, which only an X11 tray can show; on Wayland that icon has no widget
// behind it and every update of it logs a critical. There the item simply waits for a host.
struct BrimbleIndicator {
    AppIndicator parent;
};
struct BrimbleIndicatorClass {
    AppIndicatorClass parent;
};
G_DEFINE_TYPE(BrimbleIndicator, brimble_indicator, APP_INDICATOR_TYPE)

static void brimble_indicator_init(BrimbleIndicator*) {}

static void brimble_indicator_class_init(BrimbleIndicatorClass* type)
{
    if (!brimble::defaultX11Display()) {
        type->parent.fallback = nullptr;
        type->parent.unfallback = nullptr;
    }
}

namespace brimble {

namespace {

constexpr const char* indicatorId = "brimble";
constexpr const char* indicatorTitle = N_("Brimble");

// The old menu may be the one whose item is being activated right now: it goes once that is over.
gboolean destroyLater(gpointer menu)
{
    gtk_widget_destroy(GTK_WIDGET(menu));
    g_object_unref(menu);
    return G_SOURCE_REMOVE;
}

} // namespace

GtkStatusItem::~GtkStatusItem()
{
    if (indicator_)
        g_object_unref(indicator_);
    if (menu_)
        g_object_unref(menu_);
}

void GtkStatusItem::install(const std::string& iconPath, GtkWidget* menu)
{
    // An icon name that names no icon leaves the item blank but still there and clickable.
    const bool hasIcon = !iconPath.empty() && g_file_test(iconPath.c_str(), G_FILE_TEST_IS_REGULAR);
    const char* icon = hasIcon ? iconPath.c_str() : "";
    if (!indicator_) {
        // As app_indicator_new makes it, of the type above.
        indicator_ = APP_INDICATOR(g_object_new(brimble_indicator_get_type(), "id", indicatorId, "category",
                                                "ApplicationStatus", "icon-name", icon, nullptr));
        app_indicator_set_title(indicator_, _(indicatorTitle));
        app_indicator_set_status(indicator_, APP_INDICATOR_STATUS_ACTIVE);
    }
    app_indicator_set_icon_full(indicator_, icon, _(indicatorTitle));

    GtkWidget* previous = menu_;
    menu_ = GTK_WIDGET(g_object_ref_sink(menu));
    app_indicator_set_menu(indicator_, GTK_MENU(menu_));
    if (previous)
        g_idle_add(destroyLater, previous);
}

} // namespace brimble
