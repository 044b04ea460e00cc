#pragma once

namespace brimble {

// The native About and Help windows.
class Panels {
public:
    Panels() = default;
    Panels(const Panels&) = delete;
    Panels& operator=(const Panels&) = delete;
    virtual ~Panels() = default;

    // Shows the About window (made anew after each close), centred over the main window.
    virtual void showAbout() = 0;
    // Shows the one Help window, centred over the main window.
    virtual void showHelp() = 0;
};

} // namespace brimble
