#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "sync/SyncEvent.h"

namespace brimble {

// Appends this device's events to its own journal in the shared folder, one JSON line each. A
// journal past `SyncFolder::journalRollBytes` is closed and the next number begun; a closed
// journal is never written again, and no other device ever writes here.
class JournalWriter {
public:
    JournalWriter(std::filesystem::path folder, std::string device);

    // Appends the events' lines in one write. False when the shared folder is missing (an
    // unmounted drive is never created anew) or cannot be written; a line cut short by a full
    // disk is skipped by every reader.
    bool append(std::span<const SyncEvent> events);

    // The journal that the next append goes to.
    std::filesystem::path currentJournal() const;

    // Whether closed journals of this device are still in the folder.
    bool hasClosedJournals() const;
    // Writes `snapshot` as this device's snapshot of everything before its current journal, then
    // removes the journals and older snapshots it stands for. A snapshot that cannot be written
    // retires nothing.
    bool compact(std::string_view snapshot);

private:
    std::filesystem::path deviceFolder() const;
    unsigned newestNumber() const;

    std::filesystem::path folder_;
    std::string device_;
    unsigned number_ = 0; // 0 until the device's folder has been looked at
};

} // namespace brimble
