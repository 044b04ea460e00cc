#pragma once

#include <cstdint>

#include <glib.h>

#include "platform/PasteSender.h"

struct wl_seat;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;

namespace brimble {

class WaylandConnection;
class WaylandFrontmostApp;

// Pastes on a Wayland compositor: the window noted is given the keyboard back through the
// foreign-toplevel protocol, then Control+V is typed on a virtual keyboard. Where either
// protocol is missing (KWin and Mutter offer neither to ordinary clients) it cannot work and
// says so.
class WaylandPasteSender final : public PasteSender {
public:
    WaylandPasteSender(WaylandConnection& connection, WaylandFrontmostApp& frontmost);
    ~WaylandPasteSender() override;

    void rememberFocus() override;
    void pasteIntoRemembered() override;
    bool isAvailable() const override;

private:
    static gboolean onFocusSettled(gpointer self);
    bool makeKeyboard();
    void typeControlV();

    WaylandConnection& connection_;
    WaylandFrontmostApp& frontmost_;
    wl_seat* seat_;
    zwp_virtual_keyboard_manager_v1* manager_;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    uint32_t controlMask_ = 0;
    uint64_t remembered_ = 0;
    guint typeSource_ = 0;
};

} // namespace brimble
