#pragma once

#include <functional>
#include <string>

#include <webkit2/webkit2.h>

#include "platform/WeakScriptMessageHandler.h"
#include "platform/WindowHost.h"
#include "platform/gtk/DelegateLink.h"

namespace brimble {

// The web view that shows the page: its own web context serving the private scheme through the
// delegate, the page's message channel and its announcements for screen readers, the page's
// dialogs, no engine menu, and a navigation policy that keeps the view on the page.
class PageWebView {
public:
    // The view's own web context, which serves the private scheme through the delegate. Made on
    // its own so that a page built ahead of need can make it in a main-loop turn of its own: the
    // first one sets up much of the web engine.
    static WebKitWebContext* newContext(const WebViewSpec& spec, const DelegateLink& delegate);

    // Takes over `context`, which newContext made for the same spec; one is made when it is null.
    PageWebView(const WebViewSpec& spec, const DelegateLink& delegate, WebKitWebContext* context = nullptr);
    ~PageWebView();
    PageWebView(const PageWebView&) = delete;
    PageWebView& operator=(const PageWebView&) = delete;

    GtkWidget* widget() const { return GTK_WIDGET(view_); }
    void load(const std::string& url);
    // Evaluates a script in the page once it has committed; earlier scripts would run in the
    // blank document before it and are dropped.
    void runScript(const std::string& script);
    // As runScript, and `done` is called once the page has finished with the script, also when it
    // failed or the view went away. Returns false, without calling `done`, for a dropped script.
    bool evaluateScript(const std::string& script, std::function<void()> done);
    // One of WebKit's editing commands ("Copy", "Undo"...) on the page's selection or field.
    void executeEditingCommand(const char* command);
    // Edit ▸ Undo: the page's Undo of a delete or a clear, or the engine's undo of typing in a
    // text field that holds text of its own, as the page decides (as for Control+Z).
    void undo();

private:
    static void onScriptFinished(GObject* view, GAsyncResult* result, gpointer done);
    static void onUndoAnswered(GObject* view, GAsyncResult* result, gpointer);
    static void onScriptMessage(WebKitUserContentManager* manager, WebKitJavascriptResult* result, gpointer self);
    static void onAnnounce(WebKitUserContentManager* manager, WebKitJavascriptResult* result, gpointer self);
    static gboolean onContextMenu(WebKitWebView* view, WebKitContextMenu* menu, GdkEvent* event,
                                  WebKitHitTestResult* hit, gpointer self);
    static gboolean onScriptDialog(WebKitWebView* view, WebKitScriptDialog* dialog, gpointer self);
    static gboolean onDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, gpointer self);
    static void onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
    static gboolean onLoadFailed(WebKitWebView* view, WebKitLoadEvent event, char* uri, GError* error,
                                 gpointer self);
    static void onWebProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                                       gpointer self);

    bool isThePage(const char* uri) const;

    const DelegateLink& delegate_;
    WeakScriptMessageHandler messages_;
    std::string channel_;
    std::string pageURL_;
    WebKitWebView* view_;
    bool committed_ = false;
    bool loadFailed_ = false;
};

} // namespace brimble
