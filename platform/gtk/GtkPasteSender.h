#pragma once

#include <glib.h>

#include "platform/PasteSender.h"

namespace brimble {

// Pastes into the window that had the keyboard before Brimble's: gives the keyboard back to it
// (through the window manager where there is one) and, once it has it, sends Control+V through
// the XTest extension as if typed.
class GtkPasteSender final : public PasteSender {
public:
    GtkPasteSender() = default;
    ~GtkPasteSender() override;
    GtkPasteSender(const GtkPasteSender&) = delete;
    GtkPasteSender& operator=(const GtkPasteSender&) = delete;

    void rememberFocus() override;
    void pasteIntoRemembered() override;

private:
    static gboolean onWaitTick(gpointer self);
    bool rememberedHasKeyboard() const;
    void sendControlV();

    // The X ids of the window X reports as having the keyboard and of the window manager's active
    // window; 0 when unknown. (Xlib's own types stay out of the header: its macros clash.)
    unsigned long focus_ = 0;
    unsigned long active_ = 0;
    guint waitSource_ = 0;
    int waitTicks_ = 0;
};

} // namespace brimble
