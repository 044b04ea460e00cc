#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace brimble {

// Keeps the shared pictures and formats folders to the files some device still names. Any device
// may remove a file, since every device reaches the same verdict from the same journals, but only
// one that no journal or snapshot in the folder names, that this device has watched go unnamed
// for a grace period (its journal line may still be on its way), and only a regular file of the
// program's own name form. A removal that was wrong after all (a device copied the entry again
// while away) is mended by the devices that hold the entry: each writes again the files of its
// history that the folder lacks.
class SharedFiles {
public:
    // Long enough for a journal line to follow its file between machines that are on.
    static constexpr double graceSeconds = 3600;
    // How often the folders are looked over: each look reads every journal and snapshot.
    static constexpr double pruneEverySeconds = 600;

    explicit SharedFiles(const std::filesystem::path& folder);

    // Every content name (64 hex digits) written in a journal or snapshot of any device (conflict
    // copies and half-arrived files included); nothing when one of them cannot be read or is too
    // large to, as a prune must then not run.
    std::optional<std::unordered_set<std::string>> namedInJournals() const;

    // Removes the pictures and formats (and the program's temporaries of them) whose content name
    // neither `held` nor the journals name and that have gone unnamed for the grace period by
    // `now`, at most every `pruneEverySeconds`. Returns how many files went.
    size_t prune(const std::unordered_set<std::string>& held, double now);
    bool pruneDue(double now) const { return now >= nextPrune_; }

    // Whether the pictures or formats folder changed since the last call: a file came or went.
    bool changed();

private:
    size_t pruneFolder(const std::filesystem::path& path, bool pictures, const std::unordered_set<std::string>& named,
                       double now, std::unordered_map<std::string, double>& unnamed);

    std::filesystem::path folder_;
    std::unordered_map<std::string, double> unnamedSince_; // by path within the folder
    double nextPrune_ = 0;
    timespec seen_[2] = {{-1, 0}, {-1, 0}};
};

} // namespace brimble
