#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "sync/SyncEvent.h"

namespace brimble {

class SyncFold;

// What one look at the shared folder found.
struct JournalScan {
    std::vector<SyncEvent> events; // new since the last look (`readNew` only)
    std::set<std::string> devices; // the devices whose lines were read
    size_t badLines = 0;           // lines skipped: malformed, too long, or from another device
    bool folderMissing = false;
};

// Reads every device's journals and snapshots as they grow. Each file is read from where the last look ended; a
// line not yet ended by a line break (a journal still arriving) is left for the next look. The
// shared folder is hostile ground: links are never followed, only names the writer gives (and a
// file-sync tool's conflict copies of them) are read, a line must come from the device whose
// folder holds it, and a line longer than `SyncFolder::maxLineBytes` is skipped without being
// held whole in memory.
class JournalReader {
public:
    explicit JournalReader(std::filesystem::path folder);

    // The journals' new lines as events; snapshots are left unread.
    JournalScan readNew();
    // Folds the new lines of journals and snapshots into `fold` as they are read, so that no
    // more than one line is held at a time.
    JournalScan readInto(SyncFold& fold, double now);

private:
    struct FileState {
        uint64_t offset = 0;
        bool skipping = false; // inside a line too long to keep
    };
    using LineSink = std::function<bool(std::string_view line, const std::string& device, bool snapshot)>;
    JournalScan scan(const LineSink& sink, bool snapshots);
    void readFile(const std::filesystem::path& path, const std::string& device, bool snapshot, const LineSink& sink,
                  JournalScan& scan);

    std::filesystem::path folder_;
    std::map<std::string, FileState> files_;
};

} // namespace brimble
