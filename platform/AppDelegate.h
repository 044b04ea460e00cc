#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Menus.h"
#include "platform/SchemeResponse.h"
#include "platform/WindowHost.h"

namespace brimble {

enum class PageDialogKind { Alert, Confirm, Prompt };

struct PageDialogRequest {
    PageDialogKind kind = PageDialogKind::Alert;
    std::string message;
    std::string defaultText; // prompt only
};

struct PageDialogAnswer {
    bool confirmed = false;           // confirm: OK was pressed
    std::optional<std::string> text;  // prompt: the field's text after OK, else nothing
};

// What the platform calls in the program. The platform holds the delegate weakly and does
// nothing once it is gone.
class AppDelegate {
public:
    AppDelegate() = default;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;
    virtual ~AppDelegate() = default;

    // Once, when the main loop runs.
    virtual void applicationDidFinishLaunching() = 0;
    // The program was started again, or its taskbar entry activated.
    virtual void applicationShouldHandleReopen(bool hasVisibleWindows) = 0;
    // A message posted by the page; `bodyJson` is the body as JSON text.
    virtual void didReceiveScriptMessage(std::string_view channel, std::string_view bodyJson) = 0;
    // Answers one request of the private URL scheme.
    virtual SchemeResult startSchemeTask(std::string_view url) = 0;
    // The same, answered through `reply` on the main loop, at once or later.
    virtual void startSchemeTaskLater(std::string_view url, std::function<void(SchemeResult)> reply)
    {
        reply(startSchemeTask(url));
    }
    // The page finished loading (also after a reload).
    virtual void pageDidFinishLoading() = 0;
    // The page called alert, confirm or prompt.
    virtual PageDialogAnswer runPageDialog(const PageDialogRequest& request) = 0;
    // The main window came on screen, or left it (closed, hidden or minimised).
    virtual void windowDidChangeVisibility(WindowVisibility visibility) = 0;
    // A menu item aimed at the program was chosen.
    virtual void performMenuAction(MenuAction action) = 0;
    // Asked before a checkable menu item is shown.
    virtual bool isMenuItemChecked(MenuAction action) = 0;
};

} // namespace brimble
