#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "settings/Autostart.h"
#include "app/CommandLine.h"
#include "app/MainMenu.h"
#include "app/PageLink.h"
#include "app/SyncLink.h"
#include "bridge/CommandTarget.h"
#include "bridge/FilePresence.h"
#include "history/Capture.h"
#include "history/ClipboardStore.h"
#include "platform/AppDelegate.h"
#include "platform/Locations.h"
#include "platform/Platform.h"
#include "sessions/SessionStore.h"

namespace brimble {

inline constexpr const char* indexURL = "vellumo://clipboard/index.html";

// Where the keyboard goes when the window is shown: the search field, and whether a settings
// sheet left open is closed for it.
enum class SearchFocus { KeepSheet, CloseSheet };

// The application controller: owns the stores, fixes the launch order, answers the platform and
// the page. Made once by `main` as a shared object, so callbacks can hold it weakly.
class Hub final : public AppDelegate, public CommandTarget, public std::enable_shared_from_this<Hub> {
public:
    // Loads "clipboard.json", then "sessions.json" and "blocks.json".
    Hub(Platform platform, Locations locations);
    ~Hub() override;

    // Set before the launch; a hidden launch builds no page until the window is first shown.
    void setWindowAtLaunch(WindowAtLaunch atLaunch) { windowAtLaunch_ = atLaunch; }
    // What a later start of the program asked for.
    void handleWindowRequest(WindowRequest request);

    // AppDelegate
    void applicationDidFinishLaunching() override;
    void applicationShouldHandleReopen(bool hasVisibleWindows) override;
    void didReceiveScriptMessage(std::string_view channel, std::string_view bodyJson) override;
    SchemeResult startSchemeTask(std::string_view url) override;
    void startSchemeTaskLater(std::string_view url, std::function<void(SchemeResult)> reply) override;
    void pageDidFinishLoading() override;
    PageDialogAnswer runPageDialog(const PageDialogRequest& request) override;
    void performMenuAction(MenuAction action) override;
    bool isMenuItemChecked(MenuAction action) override;
    void windowDidChangeVisibility(WindowVisibility visibility) override;

    // CommandTarget
    ClipboardStore& clipStore() override { return clip; }
    SessionStore& sessionStore() override { return sessions; }
    Defaults& settings() override { return platform_.defaults; }
    double now() override { return platform_.clock.now(); }
    std::string currentSessionId() override;
    void pushState() override;
    void pushStateToNewPage() override;
    void copyToPasteboard(const std::string& id, CopyAs as = CopyAs::Copied) override;
    void copyTextToPasteboard(const std::string& text, const std::vector<ExtraFormat>& formats) override;
    void keepForUndo(RemovalKind kind, std::vector<RemovedEntry> removed) override;
    std::vector<std::string> undoRemoval() override;
    void openURL(const std::string& url) override;
    void applyAppearance() override;
    void excludeAppPicker() override;
    void syncFolderPicker() override;
    void showAbout() override;
    void showHelp() override;
    void setStartAtLogin(StartAtLogin wanted) override;
    void setBlockCollapsed(const std::string& blockId, bool collapsed) override;
    void setPageView(PageView view) override;
    void pageReadyForKeys() override;
    void hideWindow() override;
    void pasteIntoPreviousWindow() override;

    void installStatusItem();
    void startClipTimer();
    void pollPasteboard();
    // The kept formats of a copy, read after its entry was recorded, are in.
    void attachLateFormats();
    // Shows the window with the keyboard in the search field; an open settings sheet keeps it
    // unless `focus` closes the sheet, as the desktop-wide key does.
    void showMainWindow(SearchFocus focus = SearchFocus::KeepSheet);
    // The desktop-wide key: shows the window with the search field ready, or hides it when it
    // has the keyboard already.
    void toggleFromShortcut();
    // The desktop-wide key went down: what showing the window will need is started.
    void prepareForShortcut();
    void toggleStartAtLogin();
    void toggleDockVisible();
    void togglePauseMenu();
    void offerImportOnce();
    void importFromParleoMenu();
    // The settings file was edited by another program: what depends on it follows at once.
    void settingsChangedOutside();
    // Shares the history through `folder` from now on; an empty one switches sync off.
    void setSyncFolder(const std::string& folder) override;
    SyncLink& syncLink() { return sync_; }

    ClipboardStore clip;
    SessionStore sessions;
    int64_t clipLastChange = 0;
    // What the clipboard held before it last emptied, for the keep-alive.
    LastCapture lastCapture;

private:
    void syncFormatFilesLater();
    // The path of the copied file at `index` of entry `id`, when one stands there now.
    std::optional<std::string> copiedFileAt(std::string_view id, size_t index) const;
    void buildWindow();
    WebViewSpec webViewSpec() const;
    std::string stateScriptNow(PageLink::Push& push);
    // The snapshot of the push in flight, until the page fetches it.
    std::string pendingState_;
    // The page took its first snapshot.
    void pageDrawn();
    // Builds the page if it was released, then shows the window.
    void presentWindow();
    void applyDockPolicy();
    void bindShortcut();
    void catchUpUnsavedFiles();

    Platform platform_;
    Locations locations_;
    // The page's catalogue, chosen once from the desktop's language at start (empty: English).
    std::filesystem::path pageCatalogue_;
    Autostart autostart_;
    ShortcutState shortcut_ = ShortcutState::Unbound;
    bool clipTimerStarted_ = false;
    WindowAtLaunch windowAtLaunch_ = WindowAtLaunch::Shown;
    PageLink page_;
    // Outlives the page, which is released while the window is hidden.
    std::set<std::string> collapsedBlocks_;
    PageView pageView_;
    // A show road asked for the search field before the page had drawn.
    std::optional<SearchFocus> focusOnDraw_;
    // The application in front when the clipboard last changed owner, until a tick takes it.
    std::optional<std::vector<std::string>> frontmostAtCopy_;
    LastPicture lastPicture_;
    bool clipboardConnected_ = true;
    SyncLink sync_;
    UndoShelf undo_;
    // Whether copied files are still there, looked at off the main loop; made with the first
    // snapshot.
    std::unique_ptr<FilePresence> filePresence_;
};

} // namespace brimble
