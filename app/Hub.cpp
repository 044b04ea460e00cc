#include "app/Hub.h"

#include "app/MainMenu.h"
#include "app/PageDialogs.h"
#include "app/Settings.h"
#include "bridge/ClipCommands.h"
#include "bridge/Payload.h"
#include "bridge/VellumoScheme.h"
#include "history/AppSupport.h"
#include "history/Capture.h"
#include "history/CopyBack.h"
#include "history/ExcludedApps.h"
#include "import/ParleoImport.h"

namespace brimble {

namespace {

constexpr const char* pageScheme = "vellumo";

} // namespace

Hub::Hub(Platform platform, Locations locations)
    : clip(locations.dataHome, platform.defaults)
    , sessions(locations.dataHome)
    , platform_(platform)
    , locations_(std::move(locations))
{
}

Hub::~Hub() = default;

// The launch order is fixed: later steps rely on earlier ones.
void Hub::applicationDidFinishLaunching()
{
    platform_.menus.installMenuBar(mainMenuBar());
    applyAppearance();
    applyDockPolicy();
    installStatusItem();
    buildWindow();
    buildWebView();
    platform_.host.loadURL(indexURL);
    applyAppearance();
    platform_.host.showWindow();
    offerImportOnce();

    const Session first = sessions.ensureDefaultSession(clip, now());
    const auto stored = platform_.defaults.stringValue(Def::activeSessionId);
    if (!stored || !sessions.hasSession(*stored))
        platform_.defaults.setString(Def::activeSessionId, sessions.sessions.empty() ? std::string() : first.id);

    if (!clipTimerStarted_)
        startClipTimer();

    clip.applyHistoryLimit();
    clip.pruneImages();
    clip.save();
}

void Hub::buildWindow()
{
    platform_.host.createWindow({"Brimble", 980, 640, 520, 380, "BrimbleMainWindow"});
}

void Hub::buildWebView()
{
    WebViewSpec spec;
    spec.developerExtras = boolSetting(platform_.defaults, Def::devtools, false);
    spec.scheme = pageScheme;
    spec.messageChannel = std::string(clipChannel);
    platform_.host.createWebView(spec);
    webViewBuilt_ = true;
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
    platform_.menus.installStatusItem(icon, statusMenu(visible ? DockVisibility::Shown : DockVisibility::Hidden));
}

void Hub::startClipTimer()
{
    if (clipTimerStarted_)
        return;
    // Whatever is on the clipboard at start is not a new copy.
    clipLastChange = platform_.pasteboard.changeCount();
    platform_.pasteboard.watch([weak = weak_from_this()] {
        if (auto hub = weak.lock())
            hub->pollPasteboard();
    });
    clipTimerStarted_ = true;
}

void Hub::pollPasteboard()
{
    CaptureServices services{platform_.pasteboard, platform_.frontmost, platform_.codec, platform_.defaults,
                             platform_.clock};
    if (brimble::pollPasteboard(services, clip, clipLastChange, [this] { return currentSessionId(); })
        == PushNeeded::Yes)
        pushState();
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
    if (!webViewBuilt_)
        return;
    const Defaults& defaults = platform_.defaults;
    PayloadSettings settings;
    settings.paused = boolSetting(defaults, Def::clipboardPaused, false);
    settings.cap = historyLimitSetting(defaults);
    settings.excluded = excludedAppsSetting(defaults);
    settings.recordSecrets = boolSetting(defaults, Def::recordSecrets, false);
    settings.activeSessionId = currentSessionId();
    settings.appearanceMode = appearanceModeSetting(defaults);
    platform_.host.runScript(stateScript(payloadJSON(clip, settings, sessions.sessions, sessions.blocks)));
}

void Hub::applyAppearance()
{
    platform_.shell.setAppearance(appearanceForMode(appearanceModeSetting(platform_.defaults)));
}

void Hub::copyToPasteboard(const std::string& id)
{
    brimble::copyToPasteboard(clip, platform_.pasteboard, platform_.codec, id, now(), clipLastChange);
}

void Hub::openURL(const std::string& url)
{
    platform_.shell.openURL(url);
}

void Hub::excludeAppPicker()
{
    runExcludeAppPicker(platform_.dialogs, platform_.defaults);
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

void Hub::showMainWindow()
{
    platform_.shell.activate();
    platform_.host.showWindow();
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
        platform_.host.showWindow();
}

void Hub::didReceiveScriptMessage(std::string_view channel, std::string_view bodyJson)
{
    receiveScriptMessage(*this, channel, bodyJson);
}

SchemeResult Hub::startSchemeTask(std::string_view url)
{
    return VellumoScheme(locations_.resourcesDir, AppSupport::imagesFolder(locations_.dataHome)).serve(url);
}

void Hub::pageDidFinishLoading()
{
    applyAppearance();
}

PageDialogAnswer Hub::runPageDialog(const PageDialogRequest& request)
{
    return answerPageDialog(platform_.dialogs, request);
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
    default:
        return false;
    }
}

} // namespace brimble
