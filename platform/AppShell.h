#pragma once

#include <string>

namespace brimble {

enum class ActivationPolicy { Regular, Accessory };
enum class Appearance { System, Light, Dark };

// The application object: taskbar presence, activation, appearance, the browser, quitting.
class AppShell {
public:
    AppShell() = default;
    AppShell(const AppShell&) = delete;
    AppShell& operator=(const AppShell&) = delete;
    virtual ~AppShell() = default;

    // Regular shows the program in the taskbar; Accessory keeps it in the tray only.
    virtual void setActivationPolicy(ActivationPolicy policy) = 0;
    // Brings the program to the front, ignoring other applications.
    virtual void activate() = 0;
    // Sets the appearance of the application, the main window and the web view (System: follow the desktop).
    virtual void setAppearance(Appearance appearance) = 0;
    // Opens an address in the user's default browser or mail program.
    virtual void openURL(const std::string& url) = 0;
    // Ends the program.
    virtual void quit() = 0;
};

} // namespace brimble
