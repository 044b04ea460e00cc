#pragma once

#include <functional>
#include <string>

namespace brimble {

// What a desktop-wide key does.
struct ShortcutHandlers {
    // At once when the key goes down, before the press is answered: the program may start
    // what the press will need.
    std::function<void()> keyDown;
    // The press itself.
    std::function<void()> pressed;
};

// A key combination that reaches the program from anywhere on the desktop.
class GlobalShortcut {
public:
    GlobalShortcut() = default;
    GlobalShortcut(const GlobalShortcut&) = delete;
    GlobalShortcut& operator=(const GlobalShortcut&) = delete;
    virtual ~GlobalShortcut() = default;

    // Grabs `accelerator` (GTK syntax, "<Control><Alt>v") for the whole desktop and calls the
    // handlers on the main loop at each press. False when it cannot be grabbed, such as when
    // another program holds it; the program then goes on without it.
    virtual bool bind(const std::string& accelerator, ShortcutHandlers handlers) = 0;
    // Whether this desktop lets a program grab a key for itself at all. Wayland compositors do
    // not; there the desktop's own shortcut settings start the program's commands instead.
    virtual bool isAvailable() const { return true; }
};

} // namespace brimble
