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
};

enum class ImportOffer { FirstLaunch, Menu };

// The companion's folder: `dataHome`/"Parleo 2.0".
std::filesystem::path parleoFolder(const std::filesystem::path& dataHome);

// Merges the companion's history into the store; nothing when its file cannot be read or
// decoded (then nothing anywhere has changed). The companion's files are only read.
std::optional<ImportResult> importHistory(ClipboardStore& store, const std::filesystem::path& historyFile,
                                          const std::filesystem::path& imagesFolder);

// "Copied 12 entries (3 images). 1 image entry could not be copied ..."
std::string importResultText(const ImportResult& result);

// The whole dialog flow; `pushState` runs after the result alert.
void importFromParleo(Dialogs& dialogs, ClipboardStore& store, ImportOffer offer,
                      const std::function<void()>& pushState);

// At the first launch only, offers the import when there is no own history but a companion one.
void offerImportOnce(Defaults& defaults, Dialogs& dialogs, ClipboardStore& store,
                     const std::function<void()>& pushState);

} // namespace brimble
