#pragma once

#include <gtk/gtk.h>

#include "platform/AppShell.h"
#include "platform/gtk/DesktopColorScheme.h"
#include "platform/gtk/GtkMainWindow.h"

namespace brimble {

// The application as a whole: taskbar presence of the main window, the dark-theme preference
// that GTK and the web view follow, the default browser, and quitting.
class GtkAppShell final : public AppShell {
public:
    GtkAppShell(GApplication* application, GtkMainWindow& window);

    void setActivationPolicy(ActivationPolicy policy) override;
    void activate() override;
    void setAppearance(Appearance appearance) override;
    void openURL(const std::string& url) override;
    void quit() override;

private:
    void applyAppearance();

    GApplication* application_;
    GtkMainWindow& window_;
    Appearance appearance_ = Appearance::System;
    DesktopColorScheme desktop_;
};

} // namespace brimble
