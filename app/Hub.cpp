#include "app/Hub.h"

#include <algorithm>
#include <utility>

#include "app/MainMenu.h"
#include "app/PageDialogs.h"
#include "settings/Settings.h"
#include "bridge/ClipCommands.h"
#include "bridge/CopiedFiles.h"
#include "bridge/PageCatalogue.h"
#include "bridge/Payload.h"
#include "bridge/VellumoScheme.h"
#include "common/Translation.h"
#include "history/AppSupport.h"
#include "history/Capture.h"
#include "history/CopyBack.h"
#include "history/ExcludedApps.h"
#include "history/KeepAlive.h"
#include "import/ParleoImport.h"

namespace brimble {

namespace {

constexpr const char* pageScheme = "vellumo";

// A new page, once drawn, puts the keyboard where it belongs and then tells when the keys held for
// it may come ("keysReady"): only after it has drawn that, since the web view forwards keys on the
// strength of what it last heard of the page's focus.
std::string readyForKeysScript(std::optional<SearchFocus> focus)
{
    const char* how = !focus ? "" : *focus == SearchFocus::CloseSheet ? "summon" : "focus";
    return std::string("window.__pr2clip.readyForKeys('") + how + "')";
}

// A new page's first snapshot sends the beginnings of longer texts (see PageLink): far more than
// a card shows, little beside a text of 50,000 characters.
constexpr size_t newPageHeadBytes = 4096;

// Time for the window that had the keyboard to get it back once Brimble's is gone.
constexpr double pasteDelaySeconds = 0.15;

// How long an emptied clipboard is left to other programs before Brimble takes it over.
constexpr double keepAliveDelaySeconds = 0.3;

} // namespace

Hub::Hub(Platform platform, Locations locations)
    : clip(locations.dataHome, platform.defaults)
    , sessions(locations.dataHome)
    , platform_(platform)
    , locations_(std::move(locations))
    , pageCatalogue_(choosePageCatalogue(desktopLanguageNames(), pageCataloguesFolder(locations_.resourcesDir)))
    , autostart_(locations_.configHome, locations_.executable)
    , page_(platform.host, platform.loop, indexURL,
            {[this] { return webViewSpec(); },
             [this](PageLink::Push& push) { return stateScriptNow(push); },
             [this] { pageDrawn(); }})
    , sync_(clip, sessions, platform.defaults, platform.loop, platform.clock, AppSupport::directory(locations_.dataHome),
            [this] { page_.push(); })
{
    clip.limitedOut = [this](const std::string& id) { sync_.limitedOut(id); };
    clip.setSessionLookup([this](const std::string& id) { return sessions.hasSession(id); });
}

Hub::~Hub() = default;

// The launch order is fixed: later steps rely on earlier ones.
void Hub::applicationDidFinishLaunching()
{
    platform_.menus.installMenuBar(mainMenuBar());
    applyAppearance();
    applyDockPolicy();
    bindShortcut();
    installStatusItem();
    buildWindow();
    if (windowAtLaunch_ == WindowAtLaunch::Shown) {
        page_.ensurePage();
        applyAppearance();
        platform_.host.showWindow();
    }
    offerImportOnce();

    const Session first = sessions.ensureDefaultSession(clip, now());
    // A session in use that is not known now is kept: the sessions file may come back, and with
    // it the session the user left. Until then the first session is the one in use.
    const auto stored = platform_.defaults.stringValue(Def::activeSessionId);
    if (!stored || stored->empty())
        platform_.defaults.setString(Def::activeSessionId, first.id);

    if (!clipTimerStarted_)
        startClipTimer();
    platform_.defaults.watch([weak = weak_from_this()] {
        if (auto hub = weak.lock())
            hub->settingsChangedOutside();
    });

    clip.applyHistoryLimit();
    clip.pruneImages();
    sessions.saveIfUnsaved();
    clip.save();
    sync_.applySetting();
}

// Every change starts from a tick or a page command. A file whose last write failed (a full disk,
// a read-only folder) is written again first, sessions before the history, so the files catch up
// once the fault clears and the history never names a session that is not on disk.
void Hub::catchUpUnsavedFiles()
{
    sessions.saveIfUnsaved();
    clip.saveIfUnsaved();
}

void Hub::buildWindow()
{
    // TRANSLATORS: the main window's title is the program's name; keep it as it is unless your
    // language writes the name in another script.
    platform_.host.createWindow({_("Brimble"), 980, 640, 520, 380, "BrimbleMainWindow"});
}

WebViewSpec Hub::webViewSpec() const
{
    WebViewSpec spec;
    spec.developerExtras = boolSetting(platform_.defaults, Def::devtools, false);
    spec.scheme = pageScheme;
    spec.messageChannel = std::string(clipChannel);
    return spec;
}

void Hub::presentWindow()
{
    page_.ensurePage();
    platform_.host.showWindow();
}

void Hub::applyDockPolicy()
{
    const bool visible = boolSetting(platform_.defaults, Def::dockVisible, true);
    platform_.shell.setActivationPolicy(visible ? ActivationPolicy::Regular : ActivationPolicy::Accessory);
}

void Hub::installStatusItem()
{
    const bool visible = boolSetting(platform_.defaults, Def::dockVisible, true);
    const std::string icon =
        locations_.resourcesDir.empty() ? std::string() : (locations_.resourcesDir / "clipboard" / "icon.png").string();
    const StatusMenuState state{visible ? DockVisibility::Shown : DockVisibility::Hidden, autostart_.state(),
                                shortcut_};
    platform_.menus.installStatusItem(icon, statusMenu(state));
}

void Hub::bindShortcut()
{
    // Where no program may grab a key, nobody holds it either: the tray stays silent about it.
    if (!platform_.shortcut.isAvailable())
        return;
    const bool bound = platform_.shortcut.bind(
        showWindowShortcut, {[weak = weak_from_this()] {
                                 if (auto hub = weak.lock())
                                     hub->prepareForShortcut();
                             },
                             [weak = weak_from_this()] {
                                 if (auto hub = weak.lock())
                                     hub->toggleFromShortcut();
                             }});
    shortcut_ = bound ? ShortcutState::Bound : ShortcutState::Taken;
}

void Hub::startClipTimer()
{
    if (clipTimerStarted_)
        return;
    // Whatever is on the clipboard at start is not a new copy.
    clipLastChange = platform_.pasteboard.changeCount();
    platform_.pasteboard.watch({[weak = weak_from_this()] {
                                    // The privacy filter judges the application that was in front
                                    // when the copy was made, not when its read ended.
                                    if (auto hub = weak.lock())
                                        hub->frontmostAtCopy_ = hub->platform_.frontmost.identifiers();
                                },
                                [weak = weak_from_this()] {
                                    if (auto hub = weak.lock())
                                        hub->pollPasteboard();
                                },
                                [weak = weak_from_this()] {
                                    if (auto hub = weak.lock())
                                        hub->attachLateFormats();
                                }});
    clipTimerStarted_ = true;
}

void Hub::pollPasteboard()
{
    catchUpUnsavedFiles();
    CaptureServices services{platform_.pasteboard, platform_.frontmost, platform_.codec, platform_.defaults,
                             platform_.clock, frontmostAtCopy_, &lastPicture_};
    const int64_t seen = clipLastChange;
    PushNeeded push =
        brimble::pollPasteboard(services, clip, clipLastChange, lastCapture, [this] { return currentSessionId(); });
    if (clipLastChange != seen) {
        frontmostAtCopy_.reset();
        // Only a key the program grabs itself is read on the main loop; a desktop's own shortcut
        // runs a command, which a page built at once shows sooner.
        page_.userActive(pageReleaseDelaySetting(platform_.defaults),
                         shortcut_ == ShortcutState::Bound ? buildAheadPauseSeconds : 0.0);
    }
    // A clipboard that can no longer be watched is said in the page, never left to look as if
    // copies were still being recorded.
    if (const bool connected = platform_.pasteboard.isConnected(); connected != clipboardConnected_) {
        clipboardConnected_ = connected;
        push = PushNeeded::Yes;
    }
    // Only a change can leave the clipboard without its owner; an empty clipboard found at launch
    // is left alone. The take-over waits a moment and is decided afresh when due, so a program
    // that copies right after another quits is never overwritten.
    if (clipLastChange != seen && platform_.pasteboard.isOwnerless()) {
        platform_.loop.runLater(keepAliveDelaySeconds, [weak = weak_from_this()] {
            if (auto hub = weak.lock())
                keepClipboardAlive(hub->clip, hub->platform_.pasteboard, hub->platform_.codec,
                                   hub->platform_.defaults, hub->currentSessionId(), hub->lastCapture,
                                   hub->clipLastChange);
        });
    }
    if (push == PushNeeded::Yes)
        pushState();
    syncFormatFilesLater();
}

void Hub::attachLateFormats()
{
    // The change they belong to is judged first, should its tick not have run yet.
    pollPasteboard();
    if (brimble::attachLateFormats(platform_.pasteboard, clip, lastCapture) == PushNeeded::Yes)
        pushState();
    syncFormatFilesLater();
}

void Hub::syncFormatFilesLater()
{
    // The entry is saved and on its way to the page; its format files reach the disk after.
    if (clip.hasUnsyncedFormatFiles()) {
        platform_.loop.runWhenIdle([weak = weak_from_this()] {
            if (auto hub = weak.lock())
                hub->clip.syncFormatFiles();
        });
    }
}

std::string Hub::currentSessionId()
{
    const auto stored = platform_.defaults.stringValue(Def::activeSessionId);
    if (stored && sessions.hasSession(*stored))
        return *stored;
    return sessions.sessions.empty() ? std::string() : sessions.sessions.front().id;
}

void Hub::pushState()
{
    // Every change ends here, whatever made it, so this is where it is journaled.
    sync_.localChanged();
    page_.push();
}

void Hub::setSyncFolder(const std::string& folder)
{
    platform_.defaults.setString(Def::syncFolder, folder);
    sync_.applySetting();
    pushState();
}

void Hub::pushStateToNewPage()
{
    page_.pageStarted();
}

std::string Hub::stateScriptNow(PageLink::Push& push)
{
    const Defaults& defaults = platform_.defaults;
    PayloadSettings settings;
    if (!filePresence_)
        filePresence_ = std::make_unique<FilePresence>([weak = weak_from_this()] {
            // A copied file found gone, or back: its card's mark follows.
            if (auto hub = weak.lock())
                hub->pushState();
        });
    settings.fileMissing = [presence = filePresence_.get()](const std::string& path) {
        return presence->isMissing(path);
    };
    settings.paused = boolSetting(defaults, Def::clipboardPaused, false);
    settings.cap = historyLimitSetting(defaults);
    settings.excluded = excludedAppsSetting(defaults);
    for (const std::string& id : settings.excluded)
        if (!platform_.frontmost.recognises(id))
            settings.excludedUnmatched.push_back(id);
    settings.recordSecrets = boolSetting(defaults, Def::recordSecrets, false);
    settings.activeSessionId = currentSessionId();
    settings.appearanceMode = appearanceModeSetting(defaults);
    settings.autostart = autostart_.state() == StartAtLogin::On;
    settings.pasteAfterChoosing = boolSetting(defaults, Def::pasteAfterChoosing, false);
    settings.frontmostKnown = platform_.frontmost.canTell();
    settings.pasteAvailable = platform_.paste.isAvailable();
    settings.clipboardWatched = clipboardConnected_;
    if (const std::optional<SyncState> sync = sync_.state()) {
        const char* state = sync->health == SyncHealth::Ok              ? "ok"
                            : sync->health == SyncHealth::FolderMissing ? "missing"
                                                                        : "unwritable";
        settings.sync = PayloadSync{state, sync->lastArrival, sync->folder, syncLocalSessionsSetting(defaults)};
    }
    if (const std::optional<UndoShelf::Offer> offer = undo_.offer(settings.activeSessionId, now()))
        settings.undo = PayloadUndo{offer->kind == RemovalKind::Cleared ? "clear" : "delete", offer->count, offer->serial};
    settings.collapsedBlocks.assign(collapsedBlocks_.begin(), collapsedBlocks_.end());
    settings.view = pageView_;
    PayloadTexts texts;
    texts.headBytes = push.headsOnly ? newPageHeadBytes : 0;
    // One push is in flight at a time; a page that never fetches its snapshot leaves it to the next.
    pendingState_ = payloadJSON(clip, settings, sessions.sessions, sessions.blocks, push.held, &push.wholeTextIds, &texts);
    push.cut = texts.cut;
    return stateScript();
}

void Hub::applyAppearance()
{
    platform_.shell.setAppearance(appearanceForMode(appearanceModeSetting(platform_.defaults)));
}

void Hub::copyToPasteboard(const std::string& id, CopyAs as)
{
    // Copied first: `id` may live in the entry that the copy moves.
    const std::string chosen = id;
    const int64_t before = clipLastChange;
    brimble::copyToPasteboard(clip, platform_.pasteboard, platform_.codec, chosen, now(), clipLastChange, as);
    // The entry chosen in the window is what the clipboard holds now.
    if (clipLastChange != before) {
        // Formats still being read for this very entry are still its own when they come.
        const int64_t awaited = lastCapture.clipId == chosen ? lastCapture.formatsChange : 0;
        lastCapture = LastCapture{CaptureOutcome::Recorded, chosen, false, awaited};
    }
}

void Hub::keepForUndo(RemovalKind kind, std::vector<RemovedEntry> removed)
{
    if (undo_.put(clip, kind, currentSessionId(), std::move(removed), now()) == 0)
        return;
    // Once the offer is over the page must stop offering it, and the files it held may go.
    platform_.loop.runLater(UndoShelf::keepSeconds + 0.05, [weak = weak_from_this()] {
        if (auto self = weak.lock(); self && self->undo_.expire(self->clip, self->now()))
            self->pushState();
    });
}

std::vector<std::string> Hub::undoRemoval()
{
    return undo_.undo(clip, currentSessionId(), now(), [this](const std::string& blockId) {
        return std::ranges::any_of(sessions.blocks, [&](const Block& block) { return block.id == blockId; });
    });
}

void Hub::copyTextToPasteboard(const std::string& text, const std::vector<ExtraFormat>& formats)
{
    brimble::writeTextToPasteboard(platform_.pasteboard, text, clipLastChange, formats);
}

void Hub::openURL(const std::string& url)
{
    platform_.shell.openURL(url);
}

void Hub::excludeAppPicker()
{
    page_.dialogOpened();
    runExcludeAppPicker(platform_.dialogs, platform_.defaults);
    page_.dialogClosed(pageReleaseDelaySetting(platform_.defaults));
    pushState();
}

void Hub::syncFolderPicker()
{
    page_.dialogOpened();
    const auto chosen = platform_.dialogs.chooseFolder(
        _("Choose the folder to share with your other machines"),
        platform_.defaults.stringValue(Def::syncFolder).value_or(std::string()));
    page_.dialogClosed(pageReleaseDelaySetting(platform_.defaults));
    if (chosen)
        setSyncFolder(*chosen);
    else
        pushState();
}

void Hub::showAbout()
{
    platform_.panels.showAbout();
}

void Hub::showHelp()
{
    platform_.panels.showHelp();
}

void Hub::showMainWindow(SearchFocus focus)
{
    // Noted before Brimble takes the keyboard: the window that a chosen entry is pasted into.
    platform_.paste.rememberFocus();
    platform_.shell.activate();
    presentWindow();
    // Whoever asked for the window is about to type a search. A page that has not drawn yet
    // is asked once it has, before the keys typed meanwhile reach it. A drawn page is asked now,
    // and the keys wait for it too: the keyboard comes to the window at once, and letters
    // handed on before the search field had it were lost.
    if (page_.hasDrawn()) {
        platform_.host.holdKeys();
        platform_.host.runScript(readyForKeysScript(focus));
    } else {
        focusOnDraw_ = focus;
    }
}

void Hub::pageDrawn()
{
    // The new page has taken the view kept for it and owns it now; were its web process to end
    // while the window is shown, the next page must not go back to the last hide's view.
    pageView_ = PageView{};
    platform_.host.runScript(readyForKeysScript(std::exchange(focusOnDraw_, std::nullopt)));
}

void Hub::pageReadyForKeys()
{
    platform_.host.releaseKeys();
}

// The press is answered only once the keys are let go; a released page is rebuilt meanwhile, so
// that its web process starts that much sooner. Should the window stay hidden after all, the new
// page is released as a hidden one is.
void Hub::prepareForShortcut()
{
    if (page_.hasPage() || platform_.host.isWindowVisible())
        return;
    page_.ensurePage();
    page_.windowHidden(pageReleaseDelaySetting(platform_.defaults));
}

void Hub::toggleFromShortcut()
{
    if (platform_.host.isWindowFocused())
        platform_.host.hideWindow();
    else
        showMainWindow(SearchFocus::CloseSheet);
}

void Hub::setBlockCollapsed(const std::string& blockId, bool collapsed)
{
    if (collapsed)
        collapsedBlocks_.insert(blockId);
    else
        collapsedBlocks_.erase(blockId);
}

void Hub::setPageView(PageView view)
{
    pageView_ = std::move(view);
}

void Hub::hideWindow()
{
    platform_.host.hideWindow();
}

void Hub::pasteIntoPreviousWindow()
{
    // Where no paste can happen, hiding the window would only lose the user's place.
    if (!platform_.paste.isAvailable())
        return;
    platform_.host.hideWindow();
    platform_.loop.runLater(pasteDelaySeconds, [weak = weak_from_this()] {
        if (auto hub = weak.lock())
            hub->platform_.paste.pasteIntoRemembered();
    });
}

void Hub::setStartAtLogin(StartAtLogin wanted)
{
    autostart_.set(wanted);
    // The tray menu's check mark is set when it is built.
    installStatusItem();
}

void Hub::toggleStartAtLogin()
{
    setStartAtLogin(autostart_.state() == StartAtLogin::On ? StartAtLogin::Off : StartAtLogin::On);
    pushState();
}

void Hub::toggleDockVisible()
{
    platform_.defaults.setBool(Def::dockVisible, !boolSetting(platform_.defaults, Def::dockVisible, true));
    applyDockPolicy();
    installStatusItem();
}

void Hub::togglePauseMenu()
{
    platform_.defaults.setBool(Def::clipboardPaused, !boolSetting(platform_.defaults, Def::clipboardPaused, false));
    pushState();
}

// Every key read once and kept in effect is applied again; the rest are read afresh where they
// are used. A lower limit trims the history as the page's limit control does.
void Hub::settingsChangedOutside()
{
    applyAppearance();
    applyDockPolicy();
    installStatusItem();
    if (page_.hasPage())
        platform_.host.setDeveloperExtras(boolSetting(platform_.defaults, Def::devtools, false));
    const size_t entries = clip.items.size();
    clip.applyHistoryLimit();
    if (clip.items.size() != entries) {
        clip.pruneImages();
        clip.save();
    }
    sync_.applySetting();
    pushState();
}

void Hub::offerImportOnce()
{
    brimble::offerImportOnce(platform_.defaults, platform_.dialogs, clip, [this] { pushState(); });
}

void Hub::importFromParleoMenu()
{
    importFromParleo(platform_.dialogs, clip, ImportOffer::Menu, [this] { pushState(); });
}

// Platform callbacks

void Hub::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    if (!hasVisibleWindows)
        showMainWindow();
}

void Hub::handleWindowRequest(WindowRequest request)
{
    switch (request) {
    case WindowRequest::Reopen:
        applicationShouldHandleReopen(platform_.host.isWindowVisible());
        break;
    case WindowRequest::Keep:
        break;
    case WindowRequest::Show:
        platform_.host.commandRequestedWindow();
        showMainWindow();
        break;
    case WindowRequest::Hide:
        hideWindow();
        break;
    case WindowRequest::Toggle:
        if (platform_.host.isWindowVisible()) {
            hideWindow();
        } else {
            platform_.host.commandRequestedWindow();
            showMainWindow();
        }
        break;
    case WindowRequest::Quit:
        platform_.shell.quit();
        break;
    }
}

void Hub::windowDidChangeVisibility(WindowVisibility visibility)
{
    if (visibility == WindowVisibility::Shown) {
        // A page kept through the hide shows what the user left; the kept view is stale from now.
        if (page_.hasDrawn())
            pageView_ = PageView{};
        page_.windowShown();
    }
    else
        page_.windowHidden(pageReleaseDelaySetting(platform_.defaults));
}

void Hub::didReceiveScriptMessage(std::string_view channel, std::string_view bodyJson)
{
    catchUpUnsavedFiles();
    receiveScriptMessage(*this, channel, bodyJson);
}

namespace {

// Twice the size a card draws, for screens that double it.
constexpr int fileIconPixels = 64;

} // namespace

std::optional<std::string> Hub::copiedFileAt(std::string_view id, size_t index) const
{
    const auto found =
        std::find_if(clip.items.begin(), clip.items.end(), [&](const Clip& entry) { return entry.id == id; });
    if (found == clip.items.end())
        return std::nullopt;
    return copiedFilePath(*found, index);
}

void Hub::startSchemeTaskLater(std::string_view url, std::function<void(SchemeResult)> reply)
{
    // A file's icon may need the file read and decoded: that is done away from the main loop.
    const std::optional<FileIconRequest> icon = fileIconRequest(url);
    if (!icon || locations_.resourcesDir.empty()) {
        reply(startSchemeTask(url));
        return;
    }
    const std::optional<std::string> path = copiedFileAt(icon->clipId, icon->index);
    if (!path) {
        reply(SchemeError{404});
        return;
    }
    platform_.icons.iconForLater(*path, fileIconPixels, [reply = std::move(reply)](std::optional<Bytes> png) {
        if (png)
            reply(SchemeResponse{"image/png", "", std::move(*png)});
        else
            reply(SchemeError{404});
    });
}

SchemeResult Hub::startSchemeTask(std::string_view url)
{
    if (url == stateURL) {
        // Taken once: the engine holds the answer, and the program need not hold it twice.
        if (pendingState_.empty())
            return SchemeError{};
        SchemeResponse response{"application/json", "utf-8", Bytes(pendingState_.begin(), pendingState_.end())};
        std::string().swap(pendingState_);
        return response;
    }
    auto fileIcon = [this](std::string_view id, size_t index) -> std::optional<Bytes> {
        const std::optional<std::string> path = copiedFileAt(id, index);
        return path ? platform_.icons.iconFor(*path, fileIconPixels) : std::nullopt;
    };
    return VellumoScheme(locations_.resourcesDir, AppSupport::imagesFolder(locations_.dataHome), pageCatalogue_,
                         std::move(fileIcon))
        .serve(url);
}

void Hub::pageDidFinishLoading()
{
    applyAppearance();
}

PageDialogAnswer Hub::runPageDialog(const PageDialogRequest& request)
{
    // The dialog runs inside the page's own call; releasing the page meanwhile would destroy
    // the web view from inside its handler.
    page_.dialogOpened();
    PageDialogAnswer answer = answerPageDialog(platform_.dialogs, request);
    page_.dialogClosed(pageReleaseDelaySetting(platform_.defaults));
    return answer;
}

void Hub::performMenuAction(MenuAction action)
{
    switch (action) {
    case MenuAction::ShowAbout:
        showAbout();
        break;
    case MenuAction::ImportFromParleo:
        importFromParleoMenu();
        break;
    case MenuAction::TogglePause:
        togglePauseMenu();
        break;
    case MenuAction::ShowMainWindow:
        showMainWindow();
        break;
    case MenuAction::ToggleDockVisible:
        toggleDockVisible();
        break;
    case MenuAction::ToggleStartAtLogin:
        toggleStartAtLogin();
        break;
    case MenuAction::Quit:
        platform_.shell.quit();
        break;
    default:
        // Window and editing commands belong to the focused window and are handled where it lives.
        break;
    }
}

bool Hub::isMenuItemChecked(MenuAction action)
{
    switch (action) {
    case MenuAction::TogglePause:
        return boolSetting(platform_.defaults, Def::clipboardPaused, false);
    case MenuAction::ToggleDockVisible:
        return boolSetting(platform_.defaults, Def::dockVisible, true);
    case MenuAction::ToggleStartAtLogin:
        return autostart_.state() == StartAtLogin::On;
    default:
        return false;
    }
}

} // namespace brimble
