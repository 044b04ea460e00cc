#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace brimble {

class ClipboardStore;
class Defaults;
class Dialogs;

struct ImportResult {
    int copied = 0;
    int images = 0;
    int skipped = 0;
    // Entries that could not be read, or whose text is longer than capture records.
    int leftOut = 0;
};

enum class ImportOffer { FirstLaunch, Menu };

// The companion's folder: `dataHome`/"Parleo 2.0".
std::filesystem::path parleoFolder(const std::filesystem::path& dataHome);

// Merges the companion's history into the store, entry by entry; nothing when its file cannot be
// read or is not a history at all (then nothing anywhere has changed). The companion's files are
// only read, and only where they lie inside the history file's folder once links are followed:
// a history file or picture that a link puts elsewhere is not read. An entry that cannot be read,
// or whose text passes capture's limits, is left out and counted.
std::optional<ImportResult> importHistory(ClipboardStore& store, const std::filesystem::path& historyFile,
                                          const std::filesystem::path& imagesFolder);

// "Copied 12 entries (3 images). 1 image entry could not be copied ..." and, when entries were
// left out, "2 entries could not be read or held a longer text than Brimble records, and were
// left out."
std::string importResultText(const ImportResult& result);

// The whole dialog flow; `pushState` runs after the result alert.
void importFromParleo(Dialogs& dialogs, ClipboardStore& store, ImportOffer offer,
                      const std::function<void()>& pushState);

// At the first launch only, offers the import when there is no own history but a companion one.
void offerImportOnce(Defaults& defaults, Dialogs& dialogs, ClipboardStore& store,
                     const std::function<void()>& pushState);

} // namespace brimble
