#include "platform/gtk/PageWebView.h"

#include <memory>
#include <string_view>

#include "platform/gtk/DesktopFonts.h"
#include "platform/gtk/SchemeRequests.h"

namespace brimble {

namespace {

// Settings for the web and network processes' own watch over their memory, which applies only
// where the user has let WebKit's memory monitor run (see setWebEngineEnvironment): each process
// then reads its smaps file once per poll interval, which wakes it even when nothing happens.
// Since a push carries only the texts the page does not hold yet, little garbage is left between
// polls and a long interval is enough.
constexpr double memoryPollSeconds = 30;

// The page's words for a screen reader ("Copied", "3 of 12 clips"). WebKitGTK 2.50 reports no
// change of a live region's text, nor any change of a name, to AT-SPI, so the page hands them to
// the program, which has the toolkit announce them.
constexpr const char* announceChannel = "pr2Announce";

WebKitMemoryPressureSettings* memoryPressure()
{
    WebKitMemoryPressureSettings* settings = webkit_memory_pressure_settings_new();
    webkit_memory_pressure_settings_set_memory_limit(settings, 100); // MB
    webkit_memory_pressure_settings_set_conservative_threshold(settings, 0.33);
    webkit_memory_pressure_settings_set_strict_threshold(settings, 0.5);
    webkit_memory_pressure_settings_set_poll_interval(settings, memoryPollSeconds);
    return settings;
}

// WebKit's memory monitor stays off through the environment set at the program's start
// (setWebEngineEnvironment).
WebKitWebContext* contextWith(WebKitMemoryPressureSettings* pressure)
{
    return WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "memory-pressure-settings", pressure, nullptr));
}

WebKitWebContext* makeContext(const std::string& scheme, const DelegateLink& delegate)
{
    // The network processes take their settings once, before the first one starts.
    static const bool networkSettingsSet = [] {
        WebKitMemoryPressureSettings* settings = memoryPressure();
        webkit_website_data_manager_set_memory_pressure_settings(settings);
        webkit_memory_pressure_settings_free(settings);
        return true;
    }();
    (void)networkSettingsSet;
    WebKitMemoryPressureSettings* pressure = memoryPressure();
    WebKitWebContext* context = contextWith(pressure);
    webkit_memory_pressure_settings_free(pressure);
    // One page that is never navigated away from: no back-forward or page cache is worth keeping.
    webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
    if (!scheme.empty()) {
        serveScheme(context, scheme, delegate);
        // Secure and CORS-enabled, so module scripts and fetch work from the page. It is not
        // registered as local: a local scheme blocks both.
        WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
        webkit_security_manager_register_uri_scheme_as_secure(security, scheme.c_str());
        webkit_security_manager_register_uri_scheme_as_cors_enabled(security, scheme.c_str());
    }
    return context;
}

std::string_view withoutFragment(std::string_view uri)
{
    const size_t hash = uri.find('#');
    return hash == std::string_view::npos ? uri : uri.substr(0, hash);
}

} // namespace

WebKitWebContext* PageWebView::newContext(const WebViewSpec& spec, const DelegateLink& delegate)
{
    return makeContext(spec.scheme, delegate);
}

PageWebView::PageWebView(const WebViewSpec& spec, const DelegateLink& delegate, WebKitWebContext* context)
    : delegate_(delegate), messages_(delegate.weak()), channel_(spec.messageChannel)
{
    if (!context)
        context = makeContext(spec.scheme, delegate);
    WebKitUserContentManager* content = webkit_user_content_manager_new();
    if (!channel_.empty()) {
        // Connected before the channel is registered, so not even the first message is missed.
        const std::string signal = "script-message-received::" + channel_;
        g_signal_connect(content, signal.c_str(), G_CALLBACK(onScriptMessage), this);
        webkit_user_content_manager_register_script_message_handler(content, channel_.c_str());
        g_signal_connect(content, (std::string("script-message-received::") + announceChannel).c_str(),
                         G_CALLBACK(onAnnounce), this);
        webkit_user_content_manager_register_script_message_handler(content, announceChannel);
    }
    view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "user-content-manager",
                                         content, nullptr));
    g_object_ref_sink(view_);
    g_object_unref(context);
    g_object_unref(content);

    WebKitSettings* settings = webkit_web_view_get_settings(view_);
    webkit_settings_set_enable_developer_extras(settings, spec.developerExtras);
    webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
    // A list of cards needs no GL compositing; drawing in software saves about 40 MiB.
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    // The page names its fonts generically: the interface font is set here, where it costs one
    // lookup, not one for each family of a list, at every size and weight of the first layout.
    useDesktopFonts(settings);

    g_signal_connect(view_, "script-dialog", G_CALLBACK(onScriptDialog), this);
    g_signal_connect(view_, "decide-policy", G_CALLBACK(onDecidePolicy), this);
    g_signal_connect(view_, "load-changed", G_CALLBACK(onLoadChanged), this);
    g_signal_connect(view_, "load-failed", G_CALLBACK(onLoadFailed), this);
    g_signal_connect(view_, "web-process-terminated", G_CALLBACK(onWebProcessTerminated), this);
    // The engine's own menu (Back, Reload...) has nothing for a page that never navigates; the
    // page shows its own card menu for the same click or key, and text fields keep theirs.
    g_signal_connect(view_, "context-menu", G_CALLBACK(onContextMenu), this);
}

PageWebView::~PageWebView()
{
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_user_content_manager(view_), this);
    g_signal_handlers_disconnect_by_data(view_, this);
    g_object_unref(view_);
}

void PageWebView::load(const std::string& url)
{
    pageURL_ = std::string(withoutFragment(url));
    webkit_web_view_load_uri(view_, url.c_str());
}

void PageWebView::runScript(const std::string& script)
{
    if (!committed_)
        return;
    webkit_web_view_evaluate_javascript(view_, script.c_str(), static_cast<gssize>(script.size()), nullptr,
                                        nullptr, nullptr, nullptr, nullptr);
}

bool PageWebView::evaluateScript(const std::string& script, std::function<void()> done)
{
    if (!committed_)
        return false;
    // Called as a function body, so that a promise it gives is awaited. The view stays alive
    // until the completion has run: the call holds a reference to it.
    const std::string body = "return " + script;
    webkit_web_view_call_async_javascript_function(view_, body.c_str(), static_cast<gssize>(body.size()), nullptr,
                                                   nullptr, nullptr, nullptr, onScriptFinished,
                                                   new std::function<void()>(std::move(done)));
    return true;
}

void PageWebView::onScriptFinished(GObject* view, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<std::function<void()>> done(static_cast<std::function<void()>*>(data));
    // The script's value and any error (a page that went away, an exception) are of no use here.
    g_autoptr(JSCValue) value =
        webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(view), result, nullptr);
    if (*done)
        (*done)();
}

void PageWebView::executeEditingCommand(const char* command)
{
    webkit_web_view_execute_editing_command(view_, command);
}

void PageWebView::undo()
{
    if (!committed_) {
        executeEditingCommand(WEBKIT_EDITING_COMMAND_UNDO);
        return;
    }
    // A page that is not drawn yet has no Undo of its own to offer; its answer is then "text".
    static constexpr char script[] = "window.__pr2clip?.menuUndo?.() ?? 'text'";
    webkit_web_view_evaluate_javascript(view_, script, -1, nullptr, nullptr, nullptr, onUndoAnswered, nullptr);
}

void PageWebView::onUndoAnswered(GObject* view, GAsyncResult* result, gpointer)
{
    g_autoptr(JSCValue) value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, nullptr);
    if (!value || !jsc_value_is_string(value))
        return;
    g_autofree char* answer = jsc_value_to_string(value);
    if (g_strcmp0(answer, "text") == 0)
        webkit_web_view_execute_editing_command(WEBKIT_WEB_VIEW(view), WEBKIT_EDITING_COMMAND_UNDO);
}

bool PageWebView::isThePage(const char* uri) const
{
    return uri && !pageURL_.empty() && withoutFragment(uri) == pageURL_;
}

void PageWebView::onScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data)
{
    auto* self = static_cast<PageWebView*>(data);
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    // Values without a JSON form (undefined, functions) arrive as null, which the program ignores.
    g_autofree char* json = value ? jsc_value_to_json(value, 0) : nullptr;
    self->messages_.didReceiveScriptMessage(self->channel_, json ? std::string_view(json) : "null");
}

void PageWebView::onAnnounce(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data)
{
    auto* self = static_cast<PageWebView*>(data);
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    if (!value || !jsc_value_is_string(value))
        return;
    g_autofree char* text = jsc_value_to_string(value);
    if (!text || !*text || !g_utf8_validate(text, -1, nullptr))
        return;
    // AT-SPI's announcement (ATK's "announcement" signal, 2.46), which screen readers speak at once.
    // Said by the window, which a reader names, rather than by the view inside it, which it does not.
    AtkObject* accessible = gtk_widget_get_accessible(gtk_widget_get_toplevel(GTK_WIDGET(self->view_)));
    if (accessible && g_signal_lookup("announcement", ATK_TYPE_OBJECT))
        g_signal_emit_by_name(accessible, "announcement", text);
}

gboolean PageWebView::onContextMenu(WebKitWebView* view, WebKitContextMenu* menu, GdkEvent*, WebKitHitTestResult* hit,
                                    gpointer)
{
    // A text field keeps its Cut, Copy and Paste.
    if (hit && webkit_hit_test_result_context_is_editable(hit))
        return FALSE;
    // A developer who turned the inspector on keeps "Inspect Element", and only that.
    if (!webkit_settings_get_enable_developer_extras(webkit_web_view_get_settings(view)))
        return TRUE;
    GList* items = g_list_copy(webkit_context_menu_get_items(menu));
    for (GList* item = items; item; item = item->next) {
        auto* entry = WEBKIT_CONTEXT_MENU_ITEM(item->data);
        if (webkit_context_menu_item_get_stock_action(entry) != WEBKIT_CONTEXT_MENU_ACTION_INSPECT_ELEMENT)
            webkit_context_menu_remove(menu, entry);
    }
    g_list_free(items);
    return webkit_context_menu_get_n_items(menu) == 0 ? TRUE : FALSE;
}

gboolean PageWebView::onScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data)
{
    auto* self = static_cast<PageWebView*>(data);
    PageDialogRequest request;
    switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_ALERT:
        request.kind = PageDialogKind::Alert;
        break;
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
        request.kind = PageDialogKind::Confirm;
        break;
    case WEBKIT_SCRIPT_DIALOG_PROMPT: {
        request.kind = PageDialogKind::Prompt;
        const char* defaultText = webkit_script_dialog_prompt_get_default_text(dialog);
        request.defaultText = defaultText ? defaultText : "";
        break;
    }
    default:
        // The page never leaves itself, so there is no unload to confirm.
        return FALSE;
    }
    const char* message = webkit_script_dialog_get_message(dialog);
    request.message = message ? message : "";

    const std::shared_ptr<AppDelegate> delegate = self->delegate_.lock();
    if (!delegate)
        return TRUE;
    const PageDialogAnswer answer = delegate->runPageDialog(request);
    if (request.kind == PageDialogKind::Confirm)
        webkit_script_dialog_confirm_set_confirmed(dialog, answer.confirmed);
    // Leaving a prompt's text unset is what makes the page's prompt() return null.
    if (request.kind == PageDialogKind::Prompt && answer.text)
        webkit_script_dialog_prompt_set_text(dialog, answer.text->c_str());
    return TRUE;
}

gboolean PageWebView::onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                     WebKitPolicyDecisionType type, gpointer data)
{
    auto* self = static_cast<PageWebView*>(data);
    switch (type) {
    case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION:
        webkit_policy_decision_ignore(decision);
        return TRUE;
    case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION: {
        // Links open through the page's "open" command; the view itself only ever shows the page.
        WebKitNavigationAction* action =
            webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
        if (self->isThePage(uri))
            webkit_policy_decision_use(decision);
        else
            webkit_policy_decision_ignore(decision);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void PageWebView::onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data)
{
    auto* self = static_cast<PageWebView*>(data);
    switch (event) {
    case WEBKIT_LOAD_STARTED:
        self->committed_ = false;
        self->loadFailed_ = false;
        break;
    case WEBKIT_LOAD_COMMITTED:
        self->committed_ = true;
        break;
    case WEBKIT_LOAD_FINISHED:
        if (!self->loadFailed_) {
            if (const std::shared_ptr<AppDelegate> delegate = self->delegate_.lock())
                delegate->pageDidFinishLoading();
        }
        break;
    default:
        break;
    }
}

gboolean PageWebView::onLoadFailed(WebKitWebView*, WebKitLoadEvent, char*, GError*, gpointer data)
{
    static_cast<PageWebView*>(data)->loadFailed_ = true;
    return FALSE;
}

void PageWebView::onWebProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason, gpointer)
{
    // The page holds no state of its own: after a crash a reload asks for the state again.
    if (reason != WEBKIT_WEB_PROCESS_TERMINATED_BY_API)
        webkit_web_view_reload(view);
}

} // namespace brimble
