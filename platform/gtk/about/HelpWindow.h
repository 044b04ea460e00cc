#pragma once

#include <functional>

#include <gtk/gtk.h>

#include "about/PanelWindow.h"
#include "platform/gtk/about/PanelChrome.h"

namespace brimble {

// The Help window, "How to use Brimble": six short topics in a scrolling column and OK. Closing
// only hides it; it keeps its place in the text for the next time.
class HelpWindow final : public PanelWindow {
public:
    static constexpr int width = 460;
    static constexpr int height = 560;

    // `mainWindow` answers the main window, or null when there is none.
    explicit HelpWindow(std::function<GtkWindow*()> mainWindow);
    ~HelpWindow() override;

    void present() override;
    GtkWidget* window() const { return shell_.window; }

private:
    GtkWidget* buildColumn();
    static gboolean closeRequested(GtkWidget* widget, GdkEvent* event, HelpWindow* self);
    static gboolean keyPressed(GtkWidget* widget, GdkEventKey* event, HelpWindow* self);
    static void okClicked(GtkButton* button, HelpWindow* self);

    std::function<GtkWindow*()> mainWindow_;
    PanelShell shell_;
};

} // namespace brimble
