#pragma once

#include <functional>
#include <string>

#include <glib.h>

#include "platform/GlobalShortcut.h"
#include "platform/gtk/GtkWindowHost.h"

namespace brimble {

// A desktop-wide key through keybinder, which grabs it on the X11 root window (with and without
// Num Lock and Caps Lock) and reports each press from GDK's event filter on the main loop.
//
// The key going down is reported at once. The press is answered once the key and its modifiers
// are let go, and not before a tenth of a second: a window shown and given the keyboard straight
// from the key's event was seen to lose the first key typed into it.
class GtkGlobalShortcut final : public GlobalShortcut {
public:
    explicit GtkGlobalShortcut(GtkWindowHost& host);
    ~GtkGlobalShortcut() override;

    bool bind(const std::string& accelerator, ShortcutHandlers handlers) override;
    bool isAvailable() const override;

private:
    static void onKey(const char* keystring, void* self);
    static gboolean onReleaseTick(gpointer self);
    bool keyIsDown() const;
    void answer();

    GtkWindowHost& host_;
    std::string accelerator_;
    ShortcutHandlers handlers_;
    unsigned keycode_ = 0;
    unsigned modifiers_ = 0;
    guint releaseSource_ = 0;
    int releaseTicks_ = 0;
};

} // namespace brimble
