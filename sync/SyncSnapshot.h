#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brimble {

class SyncFold;

// How long a delete is kept in snapshots. A machine away longer than this may bring back, on its
// next start, an entry deleted meanwhile elsewhere; nothing else depends on it.
inline constexpr double deleteKeptSeconds = 90 * 24 * 60 * 60;

// A device's snapshot: the history as it has merged it, written as lines of state with the
// stamp of each field's winning write, so that reading it is the same as reading every line it
// stands for. It keeps what a device with the same history limit could still show: every pinned
// entry, the newest `keep` others (0: all), the deletes of the last `deleteKeptSeconds`, and every
// block and session with their deletes. Each line ends with a line break.
std::string encodeSnapshot(const SyncFold& fold, const std::string& device, double now, size_t keep);

// Folds one snapshot line written by `device` into `fold`; false when the line is not one of
// ours or is malformed. A line dated too far ahead of `now` is kept in the fold until its time.
bool foldSnapshotLine(std::string_view line, const std::string& device, SyncFold& fold, double now);

} // namespace brimble
