#pragma once

#include <memory>

#include "platform/WindowHost.h"
#include "platform/gtk/DelegateLink.h"
#include "platform/gtk/GtkMainWindow.h"
#include "platform/gtk/PageWebView.h"

namespace brimble {

// The main window and the page's web view inside it.
class GtkWindowHost final : public WindowHost {
public:
    GtkWindowHost(GtkMainWindow& window, const DelegateLink& delegate);
    ~GtkWindowHost() override;

    void createWindow(const WindowSpec& spec) override;
    void createWebView(const WebViewSpec& spec) override;
    void loadURL(const std::string& url) override;
    void runScript(const std::string& script) override;
    bool evaluateScript(const std::string& script, std::function<void()> done) override;
    void releaseWebView() override;
    void showWindow() override;
    bool isWindowVisible() override;
    void hideWindow() override;
    bool isWindowFocused() override;
    void setDeveloperExtras(bool enabled) override;

    // The page, once made; the Edit menu's commands act on it.
    PageWebView* page() const { return page_.get(); }

private:
    GtkMainWindow& window_;
    const DelegateLink& delegate_;
    std::unique_ptr<PageWebView> page_;
};

} // namespace brimble
