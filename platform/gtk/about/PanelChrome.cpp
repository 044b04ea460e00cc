#include "platform/gtk/about/PanelChrome.h"

#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace brimble {

namespace {

// A panel opens only at the user's asking, but the page's About and Help buttons reach the
// program as script messages, which carry no event time. Presented without one, a window manager
// that prevents focus stealing (openbox) leaves the keyboard in the main window, where Escape then
// hides the main window instead of closing the panel. The X server's time now is the request's.
guint32 requestTime(GtkWindow* panel)
{
    guint32 time = gtk_get_current_event_time();
#ifdef GDK_WINDOWING_X11
    if (time == GDK_CURRENT_TIME && GDK_IS_X11_DISPLAY(gtk_widget_get_display(GTK_WIDGET(panel)))) {
        gtk_widget_realize(GTK_WIDGET(panel));
        time = gdk_x11_get_server_time(gtk_widget_get_window(GTK_WIDGET(panel)));
    }
#endif
    return time;
}

// The panels' own look: a title bar in the window's own background, so the panel reads as one
// surface, and the type sizes, weights and dimmed colours of their labels. Sizes are in pixels,
// as the layout is.
constexpr const char* panelCss = R"css(
window.brimble-panel headerbar {
    background-color: @theme_bg_color;
    background-image: none;
    border: none;
    box-shadow: none;
    min-height: 0;
    padding: 4px 6px;
}
window.brimble-panel headerbar:backdrop { background-color: @theme_unfocused_bg_color; }
window.brimble-panel headerbar button.titlebutton { min-height: 20px; min-width: 20px; padding: 2px; }
.brimble-name { font-size: 19px; font-weight: 600; }
.brimble-text13 { font-size: 13px; }
.brimble-text12 { font-size: 12px; }
.brimble-text11 { font-size: 11px; }
.brimble-text10 { font-size: 10px; }
.brimble-link { font-size: 12px; font-weight: 500; }
.brimble-secondary { color: alpha(@theme_fg_color, 0.62); }
.brimble-tertiary { color: alpha(@theme_fg_color, 0.42); }
.brimble-help-heading { font-size: 17px; font-weight: 600; }
.brimble-help-title { font-size: 13px; font-weight: 600; }
.brimble-help-body { font-size: 12.5px; }
)css";

void installPanelCss()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, panelCss, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
}

// Moves the window when its background is dragged; clickable children take their own clicks first.
gboolean dragByBackground(GtkWidget* window, GdkEventButton* event, gpointer)
{
    if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_PRIMARY)
        return FALSE;
    gtk_window_begin_move_drag(GTK_WINDOW(window), static_cast<int>(event->button),
                               static_cast<int>(event->x_root), static_cast<int>(event->y_root),
                               event->time);
    return TRUE;
}

void setPointerCursor(GtkWidget* widget, gpointer)
{
    GdkWindow* window = gtk_widget_get_window(widget);
    if (!window)
        return;
    GdkCursor* cursor = gdk_cursor_new_from_name(gtk_widget_get_display(widget), "pointer");
    gdk_window_set_cursor(window, cursor);
    if (cursor)
        g_object_unref(cursor);
}

GdkRectangle screenArea(GtkWindow* panel)
{
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(panel));
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (!monitor)
        monitor = gdk_display_get_monitor(display, 0);
    GdkRectangle area{0, 0, 1024, 768};
    if (monitor)
        gdk_monitor_get_workarea(monitor, &area);
    return area;
}

} // namespace

PanelShell makePanelWindow(const char* title, TitleVisibility visibility, int width, int height)
{
    installPanelCss();
    PanelShell shell;
    GtkWindow* window = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
    shell.window = GTK_WIDGET(window);
    // A dialog, not a utility window: window managers give a utility window no keyboard when it
    // maps, and a panel that a key opened must take the keys that follow (Escape, Return).
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_keep_above(window, TRUE);
    gtk_window_set_skip_taskbar_hint(window, TRUE);
    gtk_window_set_resizable(window, FALSE);
    gtk_style_context_add_class(gtk_widget_get_style_context(shell.window), "brimble-panel");

    GtkWidget* titlebar = gtk_header_bar_new();
    gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(titlebar), TRUE);
    // Only the close button: panels are neither minimised nor maximised.
    gtk_header_bar_set_decoration_layout(GTK_HEADER_BAR(titlebar), ":close");
    // The window takes its title from its header bar; an empty custom title keeps it unshown.
    gtk_header_bar_set_title(GTK_HEADER_BAR(titlebar), title);
    if (visibility == TitleVisibility::Hidden)
        gtk_header_bar_set_custom_title(GTK_HEADER_BAR(titlebar), gtk_label_new(nullptr));
    gtk_widget_show_all(titlebar);
    gtk_window_set_titlebar(window, titlebar);

    int minimum = 0;
    gtk_widget_get_preferred_height(titlebar, &minimum, &shell.titlebarHeight);
    // The default size is the area below the title bar; a fixed-size window keeps to it.
    gtk_window_set_default_size(window, width, height - shell.titlebarHeight);

    gtk_widget_add_events(shell.window, GDK_BUTTON_PRESS_MASK);
    g_signal_connect(shell.window, "button-press-event", G_CALLBACK(dragByBackground), nullptr);
    return shell;
}

void presentPanel(GtkWindow* panel, GtkWindow* mainWindow, int width, int height)
{
    const bool overMain = mainWindow && gtk_widget_get_visible(GTK_WIDGET(mainWindow));
    gtk_window_set_transient_for(panel, overMain ? mainWindow : nullptr);
    int x = 0;
    int y = 0;
    if (overMain) {
        int mainX = 0, mainY = 0, mainWidth = 0, mainHeight = 0;
        gtk_window_get_position(mainWindow, &mainX, &mainY);
        gtk_window_get_size(mainWindow, &mainWidth, &mainHeight);
        x = mainX + mainWidth / 2 - width / 2;
        y = mainY + mainHeight / 2 - height / 2;
    } else {
        const GdkRectangle area = screenArea(panel);
        x = area.x + (area.width - width) / 2;
        y = area.y + (area.height - height) / 2;
    }
    gtk_window_move(panel, x, y);
    gtk_window_present_with_time(panel, requestTime(panel));
}

GtkWidget* makePanelLabel(const char* text, const char* cssClasses)
{
    GtkWidget* label = gtk_label_new(text);
    GtkStyleContext* style = gtk_widget_get_style_context(label);
    g_auto(GStrv) classes = g_strsplit(cssClasses, " ", -1);
    for (gchar** name = classes; *name; ++name) {
        if (**name)
            gtk_style_context_add_class(style, *name);
    }
    return label;
}

void fixWrapWidth(GtkWidget* label, int width)
{
    // A wrapping label asks for the width of its whole text; capping that at one character and
    // setting the width as its least leaves exactly `width`.
    gtk_label_set_max_width_chars(GTK_LABEL(label), 1);
    gtk_widget_set_size_request(label, width, -1);
}

void usePointerCursor(GtkWidget* widget)
{
    g_signal_connect(widget, "realize", G_CALLBACK(setPointerCursor), nullptr);
    if (gtk_widget_get_realized(widget))
        setPointerCursor(widget, nullptr);
}

} // namespace brimble
