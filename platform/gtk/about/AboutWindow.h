#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <gtk/gtk.h>

#include "about/AboutShout.h"
#include "about/PanelWindow.h"
#include "about/ShoutStage.h"
#include "platform/MainLoop.h"
#include "platform/gtk/about/PanelChrome.h"

namespace brimble {

class LinkRow;
class ShoutRow;
class WugoView;

// What the About window needs from the program around it.
struct AboutWindowHooks {
    // The main window, or null when there is none.
    std::function<GtkWindow*()> mainWindow;
    // Opens an address in the user's browser.
    std::function<void(const std::string&)> openURL;
    // Called once when the window has been closed in any way.
    std::function<void()> onDismissed;
};

// The About window: the mascot Wugo, the product's name and tagline, the link to the maker's other
// apps, the shout and the fun facts, the credits and OK. Closed for good by OK, Escape or the close
// button; a new one is made for the next request.
class AboutWindow final : public PanelWindow, private ShoutStage {
public:
    static constexpr int width = 420;
    static constexpr int height = 620;

    AboutWindow(MainLoop& loop, const std::filesystem::path& resourcesDir, AboutWindowHooks hooks);
    ~AboutWindow() override;

    void present() override;
    GtkWidget* window() const { return shell_.window; }

private:
    // ShoutStage
    void popWord(int index) override;
    void fadeWords(double seconds) override;
    void setFact(const std::string& text) override;
    void fadeFact(double alpha, double seconds) override;
    void hideAll() override;

    GtkWidget* buildColumn(MainLoop& loop, const std::filesystem::path& resourcesDir);
    GtkWidget* buildCreditRow(MainLoop& loop, const std::filesystem::path& resourcesDir);
    void openOtherAppsPage();
    void dismiss();
    static gboolean closeRequested(GtkWidget* widget, GdkEvent* event, AboutWindow* self);
    static gboolean keyPressed(GtkWidget* widget, GdkEventKey* event, AboutWindow* self);
    static void okClicked(GtkButton* button, AboutWindow* self);

    AboutWindowHooks hooks_;
    PanelShell shell_;
    std::unique_ptr<WugoView> mascot_;
    std::unique_ptr<WugoView> smallMascot_;
    std::unique_ptr<LinkRow> linkRow_;
    std::unique_ptr<ShoutRow> shoutRow_;
    GtkWidget* factLabel_ = nullptr;
    AboutShout shout_;
    bool dismissed_ = false;
};

} // namespace brimble
