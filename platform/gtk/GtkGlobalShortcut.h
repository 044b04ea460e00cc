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
// are let go: a window shown straight from the key's event, while the window manager was still
// putting away a dialog or the keys were still down, was seen to come up without the keyboard or
// to lose the first key typed into it.
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
