#include "platform/gtk/GtkMainWindow.h"

#include <algorithm>

namespace brimble {

namespace {

// Moving or resizing sends a stream of configure events; the frame is written once it settles.
constexpr guint saveDelayMs = 500;

bool intersectsSomeMonitor(GdkDisplay* display, const WindowFrame& frame)
{
    const int monitors = gdk_display_get_n_monitors(display);
    for (int i = 0; i < monitors; ++i) {
        GdkRectangle area;
        gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &area);
        const GdkRectangle window{frame.x, frame.y, frame.width, frame.height};
        if (gdk_rectangle_intersect(&area, &window, nullptr))
            return true;
    }
    return false;
}

} // namespace

GtkMainWindow::GtkMainWindow(GtkApplication* application, std::filesystem::path stateFile)
    : window_(gtk_window_new(GTK_WINDOW_TOPLEVEL))
    , box_(gtk_box_new(GTK_ORIENTATION_VERTICAL, 0))
    , accelerators_(gtk_accel_group_new())
    , frames_(std::move(stateFile))
{
    // The window is ours until the destructor destroys it, whatever GTK does with toplevels.
    g_object_ref_sink(window_);
    if (application)
        gtk_window_set_application(GTK_WINDOW(window_), application);
    gtk_window_add_accel_group(GTK_WINDOW(window_), accelerators_);
    gtk_container_add(GTK_CONTAINER(window_), box_);
    gtk_widget_show(box_);
    g_signal_connect(window_, "delete-event", G_CALLBACK(onDelete), this);
    g_signal_connect(window_, "configure-event", G_CALLBACK(onConfigure), this);
    g_signal_connect(window_, "window-state-event", G_CALLBACK(onWindowState), this);
    g_signal_connect(window_, "map", G_CALLBACK(onMapChange), this);
    g_signal_connect(window_, "unmap", G_CALLBACK(onMapChange), this);
}

GtkMainWindow::~GtkMainWindow()
{
    if (saveTimer_) {
        g_source_remove(saveTimer_);
        saveTimer_ = 0;
        saveFrameNow();
    }
    g_signal_handlers_disconnect_by_data(window_, this);
    gtk_widget_destroy(window_);
    g_object_unref(window_);
    g_object_unref(accelerators_);
}

void GtkMainWindow::setMenuBar(GtkWidget* menuBar)
{
    if (menuBar_)
        gtk_widget_destroy(menuBar_);
    menuBar_ = menuBar;
    gtk_box_pack_start(GTK_BOX(box_), menuBar_, FALSE, FALSE, 0);
    gtk_box_reorder_child(GTK_BOX(box_), menuBar_, 0);
    gtk_widget_show_all(menuBar_);
}

void GtkMainWindow::setContent(GtkWidget* content)
{
    if (content_)
        gtk_widget_destroy(content_);
    content_ = content;
    if (!content_)
        return;
    gtk_box_pack_end(GTK_BOX(box_), content_, TRUE, TRUE, 0);
    gtk_widget_show(content_);
}

void GtkMainWindow::configure(const WindowSpec& spec)
{
    gtk_window_set_title(GTK_WINDOW(window_), spec.title.c_str());
    GdkGeometry limits{};
    limits.min_width = spec.minWidth;
    limits.min_height = spec.minHeight;
    gtk_window_set_geometry_hints(GTK_WINDOW(window_), nullptr, &limits, GDK_HINT_MIN_SIZE);
    gtk_window_set_default_size(GTK_WINDOW(window_), spec.width, spec.height);
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
    autosaveName_ = spec.frameAutosaveName;
    restoreFrame(spec);
}

void GtkMainWindow::restoreFrame(const WindowSpec& spec)
{
    if (autosaveName_.empty())
        return;
    const std::optional<WindowFrame> saved = frames_.load(autosaveName_);
    // A frame left on a monitor that is gone would put the window out of reach.
    if (!saved || !intersectsSomeMonitor(gtk_widget_get_display(window_), *saved))
        return;
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_NONE);
    gtk_window_set_default_size(GTK_WINDOW(window_), std::max(saved->width, spec.minWidth),
                                std::max(saved->height, spec.minHeight));
    gtk_window_move(GTK_WINDOW(window_), saved->x, saved->y);
    lastSaved_ = saved;
}

void GtkMainWindow::present(guint32 time)
{
    gtk_window_deiconify(GTK_WINDOW(window_));
    gtk_window_present_with_time(GTK_WINDOW(window_), time);
}

void GtkMainWindow::hide()
{
    if (!gtk_widget_get_visible(window_))
        return;
    if (saveTimer_) {
        g_source_remove(saveTimer_);
        saveTimer_ = 0;
    }
    saveFrameNow();
    gtk_widget_hide(window_);
}

void GtkMainWindow::minimize()
{
    gtk_window_iconify(GTK_WINDOW(window_));
}

void GtkMainWindow::toggleZoom()
{
    if (state_ & GDK_WINDOW_STATE_MAXIMIZED)
        gtk_window_unmaximize(GTK_WINDOW(window_));
    else
        gtk_window_maximize(GTK_WINDOW(window_));
}

bool GtkMainWindow::isOnScreen() const
{
    return gtk_widget_get_visible(window_) && !(state_ & GDK_WINDOW_STATE_ICONIFIED);
}

void GtkMainWindow::scheduleSave()
{
    if (!saveTimer_ && !autosaveName_.empty())
        saveTimer_ = g_timeout_add(saveDelayMs, onSaveTimer, this);
}

void GtkMainWindow::saveFrameNow()
{
    // A maximised or minimised window has no frame of its own worth restoring.
    if (autosaveName_.empty() || !gtk_widget_get_visible(window_)
        || (state_ & (GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_FULLSCREEN)))
        return;
    WindowFrame frame;
    gtk_window_get_position(GTK_WINDOW(window_), &frame.x, &frame.y);
    gtk_window_get_size(GTK_WINDOW(window_), &frame.width, &frame.height);
    if (lastSaved_ == frame)
        return;
    frames_.save(autosaveName_, frame);
    lastSaved_ = frame;
}

gboolean GtkMainWindow::onDelete(GtkWidget*, GdkEvent*, gpointer self)
{
    static_cast<GtkMainWindow*>(self)->hide();
    return TRUE;
}

gboolean GtkMainWindow::onConfigure(GtkWidget*, GdkEvent*, gpointer self)
{
    static_cast<GtkMainWindow*>(self)->scheduleSave();
    return FALSE;
}

gboolean GtkMainWindow::onWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data)
{
    auto* self = static_cast<GtkMainWindow*>(data);
    self->state_ = event->new_window_state;
    self->noticeVisibility();
    return FALSE;
}

void GtkMainWindow::onMapChange(GtkWidget*, gpointer self)
{
    static_cast<GtkMainWindow*>(self)->noticeVisibility();
}

void GtkMainWindow::noticeVisibility()
{
    const bool onScreen = isOnScreen();
    if (onScreen == toldOnScreen_)
        return;
    toldOnScreen_ = onScreen;
    if (visibilityChanged_)
        visibilityChanged_(onScreen);
}

gboolean GtkMainWindow::onSaveTimer(gpointer data)
{
    auto* self = static_cast<GtkMainWindow*>(data);
    self->saveTimer_ = 0;
    self->saveFrameNow();
    return G_SOURCE_REMOVE;
}

} // namespace brimble
