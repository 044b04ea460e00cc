#include "platform/gtk/SchemeRequests.h"

#include <malloc.h>

#include <variant>
#include <vector>

namespace brimble {

namespace {

struct SchemeServer {
    const DelegateLink& delegate;
    GQuark errorDomain;
};

// Code 1: nobody is there to answer, as when there is no resource folder.
constexpr int noHandlerCode = 1;

void finishWithError(WebKitURISchemeRequest* request, GQuark domain, int code)
{
    g_autoptr(GError) error = g_error_new_literal(domain, code, "");
    webkit_uri_scheme_request_finish_error(request, error);
}

// A body this large (a snapshot of a long history) came from the allocator's heap, which keeps
// the memory once it is freed until it is trimmed.
constexpr size_t largeBodyBytes = 1 << 20;

void freeBody(gpointer data)
{
    auto* body = static_cast<std::vector<uint8_t>*>(data);
    const bool large = body->size() >= largeBodyBytes;
    delete body;
    if (large)
        g_idle_add_full(G_PRIORITY_LOW, [](gpointer) {
            malloc_trim(0);
            return G_SOURCE_REMOVE;
        }, nullptr, nullptr);
}

void finishWithResponse(WebKitURISchemeRequest* request, SchemeResponse& response)
{
    // The body moves to the heap and is freed by the stream once WebKit has read it.
    auto* body = new std::vector<uint8_t>(std::move(response.body));
    g_autoptr(GBytes) bytes = g_bytes_new_with_free_func(body->data(), body->size(), freeBody, body);
    g_autoptr(GInputStream) stream = g_memory_input_stream_new_from_bytes(bytes);
    g_autoptr(WebKitURISchemeResponse) reply =
        webkit_uri_scheme_response_new(stream, static_cast<gint64>(g_bytes_get_size(bytes)));
    std::string contentType = response.mimeType;
    if (!response.encoding.empty())
        contentType += "; charset=" + response.encoding;
    webkit_uri_scheme_response_set_content_type(reply, contentType.c_str());
    webkit_uri_scheme_request_finish_with_response(request, reply);
}

void onRequest(WebKitURISchemeRequest* request, gpointer data)
{
    auto* server = static_cast<SchemeServer*>(data);
    const char* uri = webkit_uri_scheme_request_get_uri(request);
    const std::shared_ptr<AppDelegate> delegate = server->delegate.lock();
    if (!uri || !delegate) {
        finishWithError(request, server->errorDomain, noHandlerCode);
        return;
    }
    // The request is held until answered, which may be after a file was read away from the
    // main loop.
    delegate->startSchemeTaskLater(
        uri, [request = WEBKIT_URI_SCHEME_REQUEST(g_object_ref(request)), domain = server->errorDomain](
                 SchemeResult result) {
            if (const auto* error = std::get_if<SchemeError>(&result))
                finishWithError(request, domain, error->code);
            else
                finishWithResponse(request, std::get<SchemeResponse>(result));
            g_object_unref(request);
        });
}

} // namespace

void serveScheme(WebKitWebContext* context, const std::string& scheme, const DelegateLink& delegate)
{
    auto* server = new SchemeServer{delegate, g_quark_from_string(scheme.c_str())};
    webkit_web_context_register_uri_scheme(context, scheme.c_str(), onRequest, server,
                                           [](gpointer data) { delete static_cast<SchemeServer*>(data); });
}

} // namespace brimble
