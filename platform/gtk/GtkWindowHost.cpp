#include "platform/gtk/GtkWindowHost.h"

#include <malloc.h>

#include <utility>

#include <gdk/gdkx.h>

#include "platform/gtk/LibraryPages.h"

namespace brimble {

GtkWindowHost::GtkWindowHost(GtkMainWindow& window, const DelegateLink& delegate)
    : window_(window), delegate_(delegate), caret_(window.window()), keys_(window)
{
    window_.onVisibilityChange([this](bool onScreen) {
        if (const std::shared_ptr<AppDelegate> target = delegate_.lock())
            target->windowDidChangeVisibility(onScreen ? WindowVisibility::Shown : WindowVisibility::Hidden);
    });
}

GtkWindowHost::~GtkWindowHost()
{
    window_.onVisibilityChange({});
}

void GtkWindowHost::createWindow(const WindowSpec& spec)
{
    window_.configure(spec);
}

void GtkWindowHost::prepareWebView(const WebViewSpec& spec)
{
    if (!context_ && !page_)
        context_.reset(PageWebView::newContext(spec, delegate_));
}

void GtkWindowHost::createWebView(const WebViewSpec& spec)
{
    page_ = std::make_unique<PageWebView>(spec, delegate_, context_.release());
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

bool GtkWindowHost::evaluateScript(const std::string& script, std::function<void()> done)
{
    if (!page_)
        return false;
    return page_->evaluateScript(script, std::move(done));
}

void GtkWindowHost::releaseWebView()
{
    context_.reset();
    if (!page_)
        return;
    // The window's box holds the view too; both let go, and the view's web context with it,
    // which ends the web and network processes.
    window_.setContent(nullptr);
    page_.reset();
    malloc_trim(0);
    // The libraries that served the page (the web engine, its script engine, the software
    // renderer) stay mapped, with tens of MiB of their code and tables read in; nothing runs
    // them until the next page.
    releaseLibraryFilePages();
}

void GtkWindowHost::showWindow()
{
    const bool wasHidden = !gtk_widget_get_visible(GTK_WIDGET(window_.window()));
    const guint32 time = requestTime();
    window_.present(time);
    // GTK maps a hidden window and leaves the keyboard to the window manager; where there is
    // none, the window would come up without it. Presented again, now mapped, it is focused.
    if (wasHidden)
        window_.present(time);
    // The page gets the keyboard afresh (see hideWindow).
    if (page_)
        gtk_widget_grab_focus(page_->widget());
}

bool GtkWindowHost::isWindowVisible()
{
    return window_.isOnScreen();
}

void GtkWindowHost::hideWindow()
{
    // Hidden by the desktop-wide key, the page has seen Control and Alt go down but not up (the
    // releases went to the key's grab). Taking its focus away makes it drop that state, which
    // would otherwise swallow the first key typed when the window comes back.
    gtk_window_set_focus(window_.window(), nullptr);
    window_.hide();
}

bool GtkWindowHost::isWindowFocused()
{
    if (!window_.isOnScreen())
        return false;
    GdkWindow* own = gtk_widget_get_window(GTK_WIDGET(window_.window()));
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window_.window()));
    if (!own || !GDK_IS_X11_DISPLAY(display))
        return gtk_window_is_active(window_.window());
    // X is asked rather than GTK's "is-active": a desktop-wide key grab takes the focus from the
    // window for as long as the key is down, and GTK may already have seen that when the key's
    // press arrives.
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(GDK_DISPLAY_XDISPLAY(display), &focus, &revertTo);
    if (focus == None || focus == PointerRoot)
        return false;
    GdkWindow* focused = gdk_x11_window_lookup_for_display(display, focus);
    return focused && gdk_window_get_toplevel(focused) == own;
}

void GtkWindowHost::holdKeys()
{
    keys_.hold();
}

void GtkWindowHost::releaseKeys()
{
    keys_.release();
}

void GtkWindowHost::keyRequestedWindow(guint32 time)
{
    if (isWindowFocused())
        return;
    // The key asks for the search. A question the window still asks (the Clear confirm, whose
    // default button clears) is put away unanswered, so that the letters and the Return typed
    // next go to the search and can never answer it.
    keys_.dismissDialog();
    requestTime_ = time;
    keys_.takeKeyboardUntilFocused(time);
}

void GtkWindowHost::commandRequestedWindow()
{
    // A second start returns in a few milliseconds, long before the window manager has given
    // the new window the keyboard: the letters typed next would go to the window behind.
    keyRequestedWindow(0);
}

// A window manager that prevents focus stealing gives the keyboard only to a window shown with
// the time of the user's request: the desktop-wide key's press, the click of a menu item, or the
// launch time of a second start (which GTK takes from its startup id). A request that carries no
// time, such as a tray menu driven over D-Bus, is answered with the X server's time now.
guint32 GtkWindowHost::requestTime()
{
    guint32 time = std::exchange(requestTime_, 0);
    if (time == 0)
        time = gtk_get_current_event_time();
    GtkWidget* widget = GTK_WIDGET(window_.window());
    GdkDisplay* display = gtk_widget_get_display(widget);
    if (time == 0 && GDK_IS_X11_DISPLAY(display))
        time = gdk_x11_display_get_user_time(display);
    if (time == 0 && GDK_IS_X11_DISPLAY(display)) {
        gtk_widget_realize(widget);
        time = gdk_x11_get_server_time(gtk_widget_get_window(widget));
    }
    return time;
}

void GtkWindowHost::setDeveloperExtras(bool enabled)
{
    if (!page_)
        return;
    WebKitSettings* settings = webkit_web_view_get_settings(WEBKIT_WEB_VIEW(page_->widget()));
    webkit_settings_set_enable_developer_extras(settings, enabled);
}

} // namespace brimble
