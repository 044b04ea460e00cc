// Loads the page in WebKitGTK the way the program does: through the
// "vellumo" scheme, with the "pr2Clip" channel, fed one Base64 snapshot after
// its "list". Then it runs a probe script and reports on stdout, one line each:
//   message <json>   for every command the page posts
//   result <json>    for the probe script's answer
// Usage: PageProbe <pageRoot> <imageRoot> <snapshot.b64> <probe.js> <width> <height> [<shot.png>]
#include <webkit2/webkit2.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Probe {
    std::string pageRoot;
    std::string imageRoot;
    std::string snapshot;
    std::string script;
    std::string shotPath;
    WebKitWebView* view = nullptr;
    bool fed = false;
};

Probe probe;

const char* contentType(const std::string& path)
{
    const auto ends = [&](const char* suffix) { return g_str_has_suffix(path.c_str(), suffix); };
    if (ends(".html")) return "text/html";
    if (ends(".js")) return "application/javascript";
    if (ends(".css")) return "text/css";
    if (ends(".png")) return "image/png";
    if (ends(".jpg")) return "image/jpeg";
    if (ends(".svg")) return "image/svg+xml";
    return "application/octet-stream";
}

void serve(WebKitURISchemeRequest* request, gpointer)
{
    const std::string path = webkit_uri_scheme_request_get_path(request);
    const bool image = path.rfind("/img/", 0) == 0;
    g_autofree char* file = image ? g_build_filename(probe.imageRoot.c_str(), path.c_str() + 5, nullptr)
                                  : g_build_filename(probe.pageRoot.c_str(), path.c_str(), nullptr);
    char* contents = nullptr;
    gsize length = 0;
    if (path.find("..") != std::string::npos || !g_file_get_contents(file, &contents, &length, nullptr)) {
        g_autoptr(GError) error = g_error_new_literal(g_quark_from_static_string("vellumo"), 404, "not found");
        webkit_uri_scheme_request_finish_error(request, error);
        return;
    }
    g_autoptr(GInputStream) stream = g_memory_input_stream_new_from_data(contents, length, g_free);
    webkit_uri_scheme_request_finish(request, stream, length, contentType(path));
}

void quitSoon(guint delayMs)
{
    g_timeout_add(delayMs, [](gpointer) -> gboolean { gtk_main_quit(); return G_SOURCE_REMOVE; }, nullptr);
}

void probed(GObject* view, GAsyncResult* result, gpointer)
{
    g_autoptr(GError) error = nullptr;
    g_autoptr(JSCValue) value = webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(view), result, &error);
    if (value) {
        g_autofree char* text = jsc_value_to_string(value);
        std::printf("result %s\n", text);
    } else {
        std::printf("result {\"probeError\": \"%s\"}\n", error ? error->message : "unknown");
    }
    std::fflush(stdout);
    // Commands posted by the probe's own clicks arrive asynchronously.
    quitSoon(300);
}

void runScript()
{
    webkit_web_view_call_async_javascript_function(probe.view, probe.script.c_str(), -1, nullptr, nullptr, nullptr,
                                                   nullptr, probed, nullptr);
}

// The shot is taken before the probe script runs, so that it shows what the
// page painted on its own, before any script asked for layout.
void shotTaken(GObject* view, GAsyncResult* result, gpointer)
{
    cairo_surface_t* surface = webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(view), result, nullptr);
    if (surface) {
        cairo_surface_write_to_png(surface, probe.shotPath.c_str());
        cairo_surface_destroy(surface);
    }
    runScript();
}

void feed()
{
    const std::string render = "window.__pr2clip && window.__pr2clip.render(window.__pr2clip.decode('" + probe.snapshot + "'))";
    webkit_web_view_evaluate_javascript(probe.view, render.c_str(), -1, nullptr, nullptr, nullptr, nullptr, nullptr);
    // Give pictures a moment to start loading, then wait until each is decoded and painted: on
    // a busy machine a fixed wait alone once took the shot before the picture was drawn.
    g_timeout_add(700, [](gpointer) -> gboolean {
        if (probe.shotPath.empty()) {
            runScript();
            return G_SOURCE_REMOVE;
        }
        const char* settled =
            "await Promise.race([Promise.all([...document.images].map((i) => i.decode().catch(() => {}))),"
            " new Promise((r) => setTimeout(r, 10000))]);"
            "await new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));";
        webkit_web_view_call_async_javascript_function(probe.view, settled, -1, nullptr, nullptr, nullptr, nullptr,
            [](GObject* view, GAsyncResult* result, gpointer) {
                g_autoptr(JSCValue) ignored = webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(view), result, nullptr);
                webkit_web_view_get_snapshot(probe.view, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr, shotTaken, nullptr);
            }, nullptr);
        return G_SOURCE_REMOVE;
    }, nullptr);
}

void received(WebKitUserContentManager*, WebKitJavascriptResult* message, gpointer)
{
    g_autofree char* json = jsc_value_to_json(webkit_javascript_result_get_js_value(message), 0);
    std::printf("message %s\n", json);
    std::fflush(stdout);
    if (!probe.fed) {
        probe.fed = true;
        feed();
    }
}

std::string readFile(const char* path)
{
    g_autofree char* contents = nullptr;
    if (!g_file_get_contents(path, &contents, nullptr, nullptr)) return {};
    return g_strstrip(contents);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 7) {
        std::fprintf(stderr, "usage: PageProbe pageRoot imageRoot snapshot.b64 probe.js width height [shot.png]\n");
        return 2;
    }
    gtk_init(&argc, &argv);
    probe.pageRoot = argv[1];
    probe.imageRoot = argv[2];
    probe.snapshot = readFile(argv[3]);
    probe.script = readFile(argv[4]);
    if (argc > 7) probe.shotPath = argv[7];

    WebKitWebContext* context = webkit_web_context_get_default();
    webkit_web_context_register_uri_scheme(context, "vellumo", serve, nullptr, nullptr);
    WebKitUserContentManager* content = webkit_user_content_manager_new();
    g_signal_connect(content, "script-message-received::pr2Clip", G_CALLBACK(received), nullptr);
    webkit_user_content_manager_register_script_message_handler(content, "pr2Clip");
    probe.view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "user-content-manager", content, nullptr));
    webkit_settings_set_enable_write_console_messages_to_stdout(webkit_web_view_get_settings(probe.view), TRUE);

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), std::atoi(argv[5]), std::atoi(argv[6]));
    gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(probe.view));
    gtk_widget_show_all(window);
    webkit_web_view_load_uri(probe.view, "vellumo://clipboard/index.html");
    g_timeout_add_seconds(30, [](gpointer) -> gboolean {
        std::printf("result {\"probeError\": \"timed out\"}\n");
        std::exit(3);
    }, nullptr);
    gtk_main();
    return 0;
}
