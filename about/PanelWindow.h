#pragma once

#include <functional>
#include <memory>

namespace brimble {

// One of the floating About and Help windows, as the panel keeper sees it.
class PanelWindow {
public:
    PanelWindow() = default;
    PanelWindow(const PanelWindow&) = delete;
    PanelWindow& operator=(const PanelWindow&) = delete;
    virtual ~PanelWindow() = default;

    // Centres the window over the main window (on the screen when there is none), shows it and
    // gives it the keyboard.
    virtual void present() = 0;
};

// Makes the toolkit's About and Help windows.
class PanelFactory {
public:
    PanelFactory() = default;
    PanelFactory(const PanelFactory&) = delete;
    PanelFactory& operator=(const PanelFactory&) = delete;
    virtual ~PanelFactory() = default;

    // A new About window; it calls `onDismissed` once it has been closed in any way.
    virtual std::unique_ptr<PanelWindow> makeAbout(std::function<void()> onDismissed) = 0;
    // The Help window; closing only hides it.
    virtual std::unique_ptr<PanelWindow> makeHelp() = 0;
};

} // namespace brimble
