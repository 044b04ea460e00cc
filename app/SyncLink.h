#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "sync/Sync.h"
#include "sync/SyncWatch.h"

namespace brimble {

class Clock;
class ClipboardStore;
class Defaults;
class MainLoop;
class SessionStore;

// What the page says about sync.
struct SyncState {
    SyncHealth health = SyncHealth::Ok;
    double lastArrival = 0;
    std::string folder;
};

// Keeps sync running as the "syncFolder" setting says: journals local changes after each one,
// reads other devices' journals shortly after they change (notices are gathered for a moment, so
// a burst of lines is read once), and looks again every few seconds so that a folder that went
// away, or came back, is noticed without any notice at all.
class SyncLink {
public:
    SyncLink(ClipboardStore& clips, SessionStore& sessions, Defaults& defaults, MainLoop& loop, Clock& clock,
             std::filesystem::path dataFolder, std::function<void()> changedByOthers);
    ~SyncLink();

    // Starts, moves to another folder, or stops, as the setting now says.
    void applySetting();
    // After every change the program made to the stores.
    void localChanged();
    // An entry the history limit took out of this device's view.
    void limitedOut(const std::string& id);
    // Reads what arrived at once (what the timer and the watcher do a moment later).
    void readNow();

    // Nothing while sync is off.
    std::optional<SyncState> state() const;

private:
    SyncScope scope() const;
    void scheduleRead(double delay);
    void schedulePoll();

    ClipboardStore& clips_;
    SessionStore& sessions_;
    Defaults& defaults_;
    MainLoop& loop_;
    Clock& clock_;
    std::filesystem::path dataFolder_;
    std::function<void()> changedByOthers_;
    std::optional<std::string> device_;
    std::unique_ptr<Sync> sync_;
    std::unique_ptr<SyncWatch> watch_;
    bool readScheduled_ = false;
    // Scheduled work holds this weakly; a new folder makes a new one, so older polls end.
    std::shared_ptr<int> life_;
};

} // namespace brimble
