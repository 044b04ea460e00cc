#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace brimble {

// Replaces `path` with `bytes` so that a crash leaves either the old or the new file, never a
// mixture: the data reach the disk before the rename, and the folder is synced after it. The new
// file gets `mode` (0600 for everything the program keeps); the mode is applied to the old file
// too when the write fails. Nothing is left behind on failure. Returns whether the write landed.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, int mode);

// The same, with the new content given as pieces written one after another straight from where
// they lie, so that a large file is never first gathered into one buffer. A write that stops
// short (a full disk) fails the whole, as any other error does.
bool writePiecesAtomically(const std::filesystem::path& path, std::span<const std::string_view> pieces, int mode);

// The same as `writeFileAtomically` without waiting for the disk: the bytes are handed to it
// (their write-back started) and the temporary renamed into place, so a crash may leave the new
// name holding fewer bytes, or none. Only for files whose readers check what they read and
// that `syncFilesToDisk` makes durable soon after. Returns whether the file is in place.
bool writeFileAtomicallyUnsynced(const std::filesystem::path& path, std::string_view bytes, int mode);

// Waits until the named files in `folder` and the folder itself are on the disk: their data,
// then their names. A name that is gone or is not a plain file is passed over; links are
// never followed.
void syncFilesToDisk(const std::filesystem::path& folder, std::span<const std::string> names);

// Copies a file that could not be decoded to "<name>.unreadable-<UTC time>" beside it (time as
// 20261207T083000Z, taken from `utcNow` in seconds since 1970), so that the next write does not
// destroy what may still be rescued by hand. The file itself stays until that write replaces it;
// a folder standing in its place is renamed instead. At most three such copies are kept per file;
// the oldest go. Returns whether the copy was made.
bool moveAsideUnreadable(const std::filesystem::path& path, double utcNow);

// Whether an earlier copy of `path` set aside by `moveAsideUnreadable` still lies beside it.
bool hasUnreadableCopies(const std::filesystem::path& path);

// The whole content of a regular file, or nothing when it is missing or cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Whether `name` is GLib's temporary for an atomic write of `target`: the target's name, ".",
// six letters or digits.
bool isTemporaryOf(const std::string& name, const std::string& target);

// Whether a save may overwrite `path`. While `keepUnreadable` is set the file found at load could
// not be decoded: it is copied aside first, and the flag is cleared once the copy is made (or the
// file is gone). When no copy can be made the answer is no and the flag stays, so a save made while
// the folder is read-only or full does not let a later one destroy the only copy.
bool clearWayForWrite(const std::filesystem::path& path, bool& keepUnreadable);

// Removes the temporaries that an interrupted atomic write of `path` left beside it (GLib names
// them "<name>.XXXXXX", six letters or digits). A write is interrupted only when the process dies
// inside it, so any such file found at load belongs to a dead writer. Returns how many went.
int removeStaleTemporaries(const std::filesystem::path& path);

// Seconds since 1970 by the system clock, for the move-aside names.
double utcNowSeconds();

} // namespace brimble
