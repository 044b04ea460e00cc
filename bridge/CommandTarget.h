#pragma once

#include <string>
#include <vector>

#include "history/CopyBack.h"
#include "history/UndoShelf.h"
#include "platform/KeptFormats.h"

#include "bridge/PageView.h"

namespace brimble {

class ClipboardStore;
class Defaults;
class SessionStore;
enum class StartAtLogin;

// What the page's commands act on; the controller implements it.
class CommandTarget {
public:
    CommandTarget() = default;
    CommandTarget(const CommandTarget&) = delete;
    CommandTarget& operator=(const CommandTarget&) = delete;
    virtual ~CommandTarget() = default;

    virtual ClipboardStore& clipStore() = 0;
    virtual SessionStore& sessionStore() = 0;
    virtual Defaults& settings() = 0;
    // Seconds since 1970.
    virtual double now() = 0;
    // The session the window shows.
    virtual std::string currentSessionId() = 0;
    // Sends the whole state to the page once.
    virtual void pushState() = 0;
    // Sends the whole state with every text: the page asking holds none the program could name
    // (it has just started, or it was handed the name of a text it does not hold).
    virtual void pushStateToNewPage() = 0;
    // Puts an entry back on the clipboard, with its formats or as plain text, and moves it to the
    // front.
    virtual void copyToPasteboard(const std::string& id, CopyAs as) = 0;
    // Puts text made by the program itself on the clipboard, with kept formats made with it; it
    // is not recorded as a new entry.
    virtual void copyTextToPasteboard(const std::string& text, const std::vector<ExtraFormat>& formats) = 0;
    // Keeps what a delete or a clear took, for the user to take back for a few seconds.
    virtual void keepForUndo(RemovalKind kind, std::vector<RemovedEntry> removed) = 0;
    // Takes back the latest removal in the session shown; the fresh ids of the entries back.
    virtual std::vector<std::string> undoRemoval() = 0;
    // Opens an already checked address in the browser.
    virtual void openURL(const std::string& url) = 0;
    // Applies "appearanceMode" to the application, the window and the page.
    virtual void applyAppearance() = 0;
    // Runs the excluded-application picker, which pushes on its own.
    virtual void excludeAppPicker() = 0;
    // Runs the sync folder picker, which starts sync in the folder chosen and pushes on its own.
    virtual void syncFolderPicker() = 0;
    // Shares the history through `folder` from now on; an empty one switches sync off.
    virtual void setSyncFolder(const std::string& folder) = 0;
    virtual void showAbout() = 0;
    virtual void showHelp() = 0;
    // Writes or removes the autostart entry and shows the new state in the tray menu.
    virtual void setStartAtLogin(StartAtLogin wanted) = 0;
    // Notes whether the page shows a block collapsed, for the next page the program builds; kept
    // while the program runs, never written to disk.
    virtual void setBlockCollapsed(const std::string& blockId, bool collapsed) = 0;
    // Notes what the user left on the page as its window was hidden, for the next page the
    // program builds; kept while the program runs, never written to disk.
    virtual void setPageView(PageView view) = 0;
    // A new page is drawn and has the keyboard where it belongs: the keys typed while it was
    // being built may come now.
    virtual void pageReadyForKeys() = 0;
    // Takes the main window off the screen; the program keeps running.
    virtual void hideWindow() = 0;
    // Hides the window and, a moment later, pastes the clipboard into the window that had the
    // keyboard before Brimble's was shown.
    virtual void pasteIntoPreviousWindow() = 0;
};

} // namespace brimble
