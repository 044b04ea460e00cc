#pragma once

#include <memory>

#include "platform/WindowHost.h"
#include "platform/gtk/CaretRest.h"
#include "platform/gtk/DelegateLink.h"
#include "platform/gtk/GObjectPtr.h"
#include "platform/gtk/GtkMainWindow.h"
#include "platform/gtk/PageKeys.h"
#include "platform/gtk/PageWebView.h"

namespace brimble {

// The main window and the page's web view inside it.
class GtkWindowHost final : public WindowHost {
public:
    GtkWindowHost(GtkMainWindow& window, const DelegateLink& delegate);
    ~GtkWindowHost() override;

    void createWindow(const WindowSpec& spec) override;
    void prepareWebView(const WebViewSpec& spec) override;
    void createWebView(const WebViewSpec& spec) override;
    void loadURL(const std::string& url) override;
    void runScript(const std::string& script) override;
    bool evaluateScript(const std::string& script, std::function<void()> done) override;
    void releaseWebView() override;
    void showWindow() override;
    bool isWindowVisible() override;
    void hideWindow() override;
    bool isWindowFocused() override;
    void holdKeys() override;
    void releaseKeys() override;
    void setDeveloperExtras(bool enabled) override;

    // The desktop-wide key went down at X time `time`. Unless the window has the keyboard (then
    // the key hides it), the keys typed from now on are taken until it has, and the window is
    // shown with this time, so the window manager lets it have the keyboard.
    void keyRequestedWindow(guint32 time);
    // As the key, with the time of the command's launch (its startup id) or the server's now.
    void commandRequestedWindow() override;

    // The page, once made; the Edit menu's commands act on it.
    PageWebView* page() const { return page_.get(); }

private:
    guint32 requestTime();

    GtkMainWindow& window_;
    const DelegateLink& delegate_;
    std::unique_ptr<PageWebView> page_;
    // The web context made ahead for the next view.
    GObjectPtr<WebKitWebContext> context_;
    // Before the keys' router, which may keep a key from the window's later handlers.
    CaretRest caret_;
    PageKeys keys_;
    // The time of the user's request that the next showing answers, or 0.
    guint32 requestTime_ = 0;
};

} // namespace brimble
