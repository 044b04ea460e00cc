#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace brimble {

// The names in `folder`, or nothing when it cannot be listed. A listing cut short by an error
// keeps the names read so far.
std::optional<std::vector<std::string>> listFolderNames(const std::filesystem::path& folder);

// What of a data folder's files is Brimble's, and which of them may go.
struct LeftoverRules {
    bool (*isOurs)(std::string_view name);      // the names Brimble writes there
    bool (*isTemporary)(std::string_view name); // an interrupted write's temporary
    // While the history file did not load whole, a file that no entry of this run named may
    // belong to an entry of the copy set aside; it is kept unless it is a temporary or in `seen`.
    bool atRisk;
    const std::unordered_set<std::string>* seen;
};

// Deletes the listed files of ours that no entry references. The folder may be a link to one the
// user keeps other files in, so a name not of our form is never touched, nor is a folder.
void removeLeftovers(const std::filesystem::path& folder, const std::vector<std::string>& listed,
                     const std::unordered_set<std::string>& referenced, const LeftoverRules& rules);

} // namespace brimble
