#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "sync/JournalReader.h"
#include "sync/JournalWriter.h"
#include "sync/LocalChanges.h"
#include "sync/SharedFiles.h"
#include "sync/SyncFold.h"
#include "sync/SyncView.h"

namespace brimble {

class ClipboardStore;
class SessionStore;

enum class SyncHealth { Ok, FolderMissing, FolderUnwritable };

struct SyncStatus {
    SyncHealth health = SyncHealth::Ok;
    double lastArrival = 0; // when a change from another device last reached this one; 0: never
};

// One history on every machine through a folder that a file-sync tool shares. This device
// journals its own changes under its own folder and merges every device's journals into the local
// stores. While the folder is away (an unmounted drive) nothing is written or read, the status
// says so, and the changes made meanwhile are journaled when it comes back. Once a journal of
// this device is closed, the device writes a snapshot of the merged history in its place and
// retires its closed journals, so the folder stays as large as the history, not its past; the
// pictures no device names any more are removed (`SharedFiles`).
class Sync {
public:
    Sync(std::filesystem::path folder, std::string device);

    // Journals what the user changed since the last call. Changes that cannot be written yet
    // are kept and written with the next call that can.
    void recordLocal(const ClipboardStore& clips, const SessionStore& sessions, const SyncScope& scope, double now);

    // Reads what the journals gained and applies the merged history to the stores. The first
    // call that finds the folder reads every journal and journals what this device holds that
    // the shared history has never seen.
    ViewChange readIncoming(ClipboardStore& clips, SessionStore& sessions, const SyncScope& scope, double now,
                            size_t historyLimit);

    // An entry the history limit took out of this device's view, which is no delete.
    void limitedOut(const std::string& id) { changes_.limitedOut(id); }

    const SyncStatus& status() const { return status_; }
    const std::filesystem::path& folder() const { return folder_; }
    const std::string& device() const { return device_; }

private:
    void flush();
    ViewChange start(ClipboardStore& clips, SessionStore& sessions, const SyncScope& scope, double now,
                     size_t historyLimit);
    std::function<bool(const Clip&, SyncEvent&)> fileSharer(const ClipboardStore& clips) const;

    std::filesystem::path folder_;
    std::string device_;
    JournalReader reader_;
    JournalWriter writer_;
    LocalChanges changes_;
    void compactIfDue(double now, size_t historyLimit);
    void tendPictures(const ClipboardStore& clips, const SyncScope& scope, double now);
    bool awaitedFormatArrived() const;
    static std::vector<std::string> heldIds(const ClipboardStore& clips);

    SharedFiles pictures_;
    SyncFold fold_;                 // every line read from every journal and snapshot
    std::vector<SyncEvent> unsent_;  // this device's changes not yet written
    std::set<std::string> awaitedFormats_; // formats of entries held here that have not arrived
    bool started_ = false;
    SyncStatus status_;
};

} // namespace brimble
