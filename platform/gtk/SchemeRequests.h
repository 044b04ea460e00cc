#pragma once

#include <string>

#include <webkit2/webkit2.h>

#include "platform/gtk/DelegateLink.h"

namespace brimble {

// Answers every request of `scheme` in `context` through the delegate's scheme handler, in full,
// before the callback returns. A failure finishes the request with an error in the scheme's own
// domain and the handler's code. `delegate` must outlive the context.
void serveScheme(WebKitWebContext* context, const std::string& scheme, const DelegateLink& delegate);

} // namespace brimble
