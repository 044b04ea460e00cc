#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/Clip.h"
#include "platform/KeptFormats.h"

namespace brimble {

// The most the files of kept formats may add up to (256 MiB). Past it the oldest entries lose
// their formats, never their text.
inline constexpr uint64_t formatsBudgetBytes = 256ull * 1024 * 1024;

// Stores a format's bytes in the data folder's "clipboard-formats" (folder 0700, file 0600,
// written atomically) under the SHA-256 of the bytes, so equal bytes share one file. Returns the
// bare file name, or nothing when it cannot be written.
std::optional<std::string> writeFormatFile(const std::filesystem::path& dataHome, std::string_view bytes);

// The same without waiting for the disk: a file written is named in `unsynced`, for
// `syncFormatFiles`. Until then a crash may leave it short; its reader then finds the hash wrong
// and leaves the format out, so the entry naming it still reads as its text.
std::optional<std::string> writeFormatFile(const std::filesystem::path& dataHome, std::string_view bytes,
                                           std::vector<std::string>& unsynced);

// Makes the format files named in `unsynced` durable, with their folder, and empties the list.
void syncFormatFiles(const std::filesystem::path& dataHome, std::vector<std::string>& unsynced);

// The bytes of a format file, or nothing when the name is not one of ours, the file is missing,
// a link or anything but a plain file, larger than `cap`, or no longer holds the bytes its name
// was made from.
std::optional<std::string> readFormatFile(const std::filesystem::path& dataHome, std::string_view name,
                                          size_t cap);

// Whether `name` has the form `writeFormatFile` gives: 64 lowercase hexadecimal digits. No
// other file is ever read or deleted as a format.
bool isFormatFileName(std::string_view name);

// Whether `name` is the temporary an interrupted `writeFormatFile` leaves: a format name, ".",
// and six letters or digits.
bool isFormatTemporaryName(std::string_view name);

// Writes each format's file; a format that cannot be written is left out. With `unsynced`, the
// files are written as by the `writeFormatFile` that takes it.
std::vector<ClipFormat> storeFormats(const std::filesystem::path& dataHome, const std::vector<ExtraFormat>& formats,
                                     std::vector<std::string>* unsynced = nullptr);

// The bytes of an entry's formats, each as it was kept; a format whose file cannot be read is
// left out.
std::vector<ExtraFormat> loadFormats(const std::filesystem::path& dataHome, const Clip& clip);

} // namespace brimble
