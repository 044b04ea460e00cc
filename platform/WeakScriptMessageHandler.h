#pragma once

#include <memory>
#include <string_view>

#include "platform/AppDelegate.h"

namespace brimble {

// Forwards the page's script messages to the controller without owning it. The web view keeps
// its message handlers for as long as it lives; holding the controller weakly here keeps the
// controller and its web view free of a reference cycle.
class WeakScriptMessageHandler {
public:
    explicit WeakScriptMessageHandler(std::weak_ptr<AppDelegate> target) : target_(std::move(target)) {}

    // Hands the message on while the target lives; afterwards does nothing.
    void didReceiveScriptMessage(std::string_view channel, std::string_view bodyJson) const
    {
        if (const std::shared_ptr<AppDelegate> target = target_.lock())
            target->didReceiveScriptMessage(channel, bodyJson);
    }

private:
    std::weak_ptr<AppDelegate> target_;
};

} // namespace brimble
