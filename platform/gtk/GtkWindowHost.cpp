#include "platform/gtk/GtkWindowHost.h"

namespace brimble {

GtkWindowHost::GtkWindowHost(GtkMainWindow& window, const DelegateLink& delegate)
    : window_(window), delegate_(delegate)
{
}

GtkWindowHost::~GtkWindowHost() = default;

void GtkWindowHost::createWindow(const WindowSpec& spec)
{
    window_.configure(spec);
}

void GtkWindowHost::createWebView(const WebViewSpec& spec)
{
    page_ = std::make_unique<PageWebView>(spec, delegate_);
    window_.setContent(page_->widget());
    gtk_widget_grab_focus(page_->widget());
}

void GtkWindowHost::loadURL(const std::string& url)
{
    if (page_)
        page_->load(url);
}

void GtkWindowHost::runScript(const std::string& script)
{
    if (page_)
        page_->runScript(script);
}

void GtkWindowHost::showWindow()
{
    window_.present();
}

bool GtkWindowHost::isWindowVisible()
{
    return window_.isOnScreen();
}

} // namespace brimble
