#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace brimble {

// Replaces `path` with `bytes` so that a crash leaves either the old or the new file, never a
// mixture: the data reach the disk before the rename, and the folder is synced after it. The new
// file gets `mode` (0600 for everything the program keeps); the mode is applied to the old file
// too when the write fails. Nothing is left behind on failure. Returns whether the write landed.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, int mode);

// Renames a file that could not be decoded to "<name>.unreadable-<UTC time>" beside it (time as
// 20261207T083000Z, taken from `utcNow` in seconds since 1970), so that the next write does not
// destroy what may still be rescued by hand. At most three such copies are kept per file; the
// oldest go. Returns whether the file was moved.
bool moveAsideUnreadable(const std::filesystem::path& path, double utcNow);

// The whole content of a regular file, or nothing when it is missing or cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Seconds since 1970 by the system clock, for the move-aside names.
double utcNowSeconds();

} // namespace brimble
