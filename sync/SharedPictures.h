#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace brimble {

// Keeps the shared pictures folder to the pictures some device still names. Any device may remove
// a picture, since every device reaches the same verdict from the same files, but only one that
// no journal or snapshot in the folder names, that this device has watched go unnamed for a
// grace period (its journal line may still be on its way, or a device away may name it again),
// and only a regular file of the program's own name form. A removal that was wrong after all (a
// device copied the picture again while away) is mended by the devices that hold the picture:
// each writes again the pictures of its history that the folder lacks.
class SharedPictures {
public:
    // Long enough for a journal line to follow its picture between machines that are on.
    static constexpr double graceSeconds = 3600;
    // How often the folder is looked over: each look reads every journal and snapshot.
    static constexpr double pruneEverySeconds = 600;

    explicit SharedPictures(const std::filesystem::path& folder);

    // Every picture name written in a journal or snapshot of any device (conflict copies and
    // half-arrived files included); nothing when one of them cannot be read or is too large to,
    // as a prune must then not run.
    std::optional<std::unordered_set<std::string>> namedInJournals() const;

    // Removes the pictures (and the program's temporaries of them) that neither `named` nor the
    // journals name and that have gone unnamed for the grace period by `now`, at most every
    // `pruneEverySeconds`. Returns how many files went.
    size_t prune(const std::unordered_set<std::string>& named, double now);

    bool pruneDue(double now) const { return now >= nextPrune_; }

    // Whether the pictures folder changed since the last call: a picture came or went.
    bool changed();

private:
    std::filesystem::path folder_;
    std::filesystem::path pictures_;
    std::unordered_map<std::string, double> unnamedSince_;
    double nextPrune_ = 0;
    timespec seen_{-1, 0};
};

} // namespace brimble
