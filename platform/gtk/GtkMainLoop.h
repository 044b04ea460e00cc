#pragma once

#include "platform/MainLoop.h"

namespace brimble {

// Deferred work as one-shot GLib timeouts on the default main context.
class GtkMainLoop final : public MainLoop {
public:
    void runLater(double seconds, std::function<void()> work) override;
    void runWhenIdle(std::function<void()> work) override;
};

} // namespace brimble
