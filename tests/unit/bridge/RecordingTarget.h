#pragma once

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

#include "settings/Autostart.h"
#include "settings/Settings.h"
#include "bridge/CommandTarget.h"
#include "history/ClipboardStore.h"
#include "history/CopyBack.h"
#include "platform/fake/FakePlatform.h"
#include "sessions/SessionStore.h"

namespace brimble::test {

// What the page's commands act on, as the controller provides it: real stores on a temporary
// folder, the fake platform's settings, clipboard and shell. Every push and every hand-off to the
// controller becomes one line of the fake's log, so a test reads the effects in order.
class RecordingTarget final : public CommandTarget {
public:
    explicit RecordingTarget(const std::filesystem::path& dataHome)
        : clip(dataHome, fake.defaults), sessions(dataHome)
    {
    }

    FakePlatform fake;
    ClipboardStore clip;
    SessionStore sessions;
    int64_t clipLastChange = 0;

    const std::vector<std::string>& log() const { return fake.log(); }
    int pushes() const { return static_cast<int>(std::ranges::count(log(), std::string("push"))); }

    ClipboardStore& clipStore() override { return clip; }
    SessionStore& sessionStore() override { return sessions; }
    Defaults& settings() override { return fake.defaults; }
    double now() override { return fake.clock.now(); }

    std::string currentSessionId() override
    {
        const std::optional<std::string> stored = fake.defaults.stringValue(Def::activeSessionId);
        if (stored && sessions.hasSession(*stored))
            return *stored;
        return sessions.sessions.empty() ? std::string() : sessions.sessions.front().id;
    }

    void pushState() override { fake.log_.add("push"); }
    // The same push as far as these tests go; what it names is the page link's business.
    void pushStateToNewPage() override { fake.log_.add("push"); }

    void copyToPasteboard(const std::string& id, CopyAs as) override
    {
        brimble::copyToPasteboard(clip, fake.pasteboard, *fake.codec, id, now(), clipLastChange, as);
    }

    void copyTextToPasteboard(const std::string& text, const std::vector<ExtraFormat>& formats) override
    {
        brimble::writeTextToPasteboard(fake.pasteboard, text, clipLastChange, formats);
    }

    void keepForUndo(RemovalKind kind, std::vector<RemovedEntry> removed) override
    {
        undo.put(clip, kind, currentSessionId(), std::move(removed), now());
    }
    std::vector<std::string> undoRemoval() override
    {
        return undo.undo(clip, currentSessionId(), now(), [&](const std::string& blockId) {
            return std::ranges::any_of(sessions.blocks, [&](const Block& block) { return block.id == blockId; });
        });
    }

    void openURL(const std::string& url) override { fake.shell.openURL(url); }

    void applyAppearance() override
    {
        fake.shell.setAppearance(appearanceForMode(appearanceModeSetting(fake.defaults)));
    }

    void excludeAppPicker() override { fake.log_.add("exclude picker"); }
    void syncFolderPicker() override { fake.log_.add("sync folder picker"); }
    void setSyncFolder(const std::string& folder) override
    {
        fake.defaults.setString(Def::syncFolder, folder);
        fake.log_.add("sync folder: " + folder);
    }
    void showAbout() override { fake.panels.showAbout(); }
    void showHelp() override { fake.panels.showHelp(); }

    void setStartAtLogin(StartAtLogin wanted) override
    {
        fake.log_.add(wanted == StartAtLogin::On ? "start at login: on" : "start at login: off");
    }
    void setBlockCollapsed(const std::string& blockId, bool collapsed) override
    {
        fake.log_.add("collapsed " + blockId + (collapsed ? " yes" : " no"));
    }
    void setPageView(PageView view) override { pageView = std::move(view); }
    void pageReadyForKeys() override { fake.host.releaseKeys(); }
    void hideWindow() override { fake.host.hideWindow(); }
    void pasteIntoPreviousWindow() override { fake.log_.add("paste into previous window"); }

    std::optional<PageView> pageView;
    UndoShelf undo;
};

} // namespace brimble::test
