#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include <gtk/gtk.h>

#include "platform/WindowHost.h"
#include "platform/gtk/WindowFrameStore.h"

namespace brimble {

// The one main window: a menu bar on top, the page below. It exists from the start (the menu
// bar is installed before the window is configured), closing only hides it, and its frame is
// saved under the autosave name whenever it moves, resizes or hides.
class GtkMainWindow {
public:
    GtkMainWindow(GtkApplication* application, std::filesystem::path stateFile);
    ~GtkMainWindow();
    GtkMainWindow(const GtkMainWindow&) = delete;
    GtkMainWindow& operator=(const GtkMainWindow&) = delete;

    GtkWindow* window() const { return GTK_WINDOW(window_); }
    GtkAccelGroup* accelerators() const { return accelerators_; }
    // The widget that fills the window below the menu bar, or null before it is set.
    GtkWidget* content() const { return content_; }

    void setMenuBar(GtkWidget* menuBar);
    // Replaces the widget below the menu bar; null leaves the space empty.
    void setContent(GtkWidget* content);
    // Called whenever the window comes on screen or leaves it (hidden or minimised).
    void onVisibilityChange(std::function<void(bool onScreen)> changed) { visibilityChanged_ = std::move(changed); }
    // Title, size limits, and the saved frame or else the centre of the screen.
    void configure(const WindowSpec& spec);

    // Shows the window and asks for the keyboard with the X time of the user's request (0: none).
    void present(guint32 time);
    void hide();
    void minimize();
    void toggleZoom();
    // Shown and not minimised.
    bool isOnScreen() const;

private:
    static gboolean onDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
    static gboolean onConfigure(GtkWidget* widget, GdkEvent* event, gpointer self);
    static gboolean onWindowState(GtkWidget* widget, GdkEventWindowState* event, gpointer self);
    static gboolean onSaveTimer(gpointer self);
    static void onMapChange(GtkWidget* widget, gpointer self);

    void restoreFrame(const WindowSpec& spec);
    void scheduleSave();
    void saveFrameNow();
    void noticeVisibility();

    GtkWidget* window_;
    GtkWidget* box_;
    GtkAccelGroup* accelerators_;
    GtkWidget* menuBar_ = nullptr;
    GtkWidget* content_ = nullptr;
    WindowFrameStore frames_;
    std::string autosaveName_;
    std::optional<WindowFrame> lastSaved_;
    guint saveTimer_ = 0;
    GdkWindowState state_ = GdkWindowState(0);
    bool toldOnScreen_ = false;
    std::function<void(bool)> visibilityChanged_;
};

} // namespace brimble
