#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace brimble {

// The shared folder's layout. Each device writes only under "devices/<its id>/", so no file is
// ever written by two devices and a file-sync tool never has a conflict to settle; pictures live
// once under "pictures/" by their content's hash, so two devices storing one picture write the
// same bytes under the same name.
namespace SyncFolder {

inline constexpr std::string_view devicesName = "devices";
inline constexpr std::string_view picturesName = "pictures";
// Kept formats (HTML, rich text, lists of copied files), once each under "<sha-256>".
inline constexpr std::string_view formatsName = "formats";
// The device id is kept beside the history, not in the shared folder, so a copied folder never
// makes two machines one device.
inline constexpr std::string_view deviceIdFileName = "sync-device-id";
// A journal is closed once it passes this size and never written again.
inline constexpr uint64_t journalRollBytes = 1024 * 1024;
// The longest journal line read: the longest text kept, each byte escaped. Longer lines are
// skipped unread.
inline constexpr size_t maxLineBytes = 16 * 1024 * 1024;
// The largest picture taken from the shared folder.
inline constexpr uint64_t maxPictureBytes = 64 * 1024 * 1024;

// "journal-000001.jsonl" for 1.
std::string journalName(unsigned number);
// "snapshot-000001.jsonl" for 1: the device's merged history once its journals up to that number
// were retired. Written whole under a temporary name and renamed, and replaced only by a newer one.
std::string snapshotName(unsigned number);
// The number of a snapshot's name, or of a file-sync tool's conflict copy of one.
std::optional<unsigned> snapshotNumber(std::string_view name, bool* conflictCopy = nullptr);
// The number of a journal's name; a file-sync tool's conflict copy of one
// ("journal-000001.sync-conflict-<date>-<time>-<device>.jsonl") is read too, as what it holds
// was written by that device. Nothing for any other name, temporaries included.
std::optional<unsigned> journalNumber(std::string_view name, bool* conflictCopy = nullptr);

// This machine's id, read from `dataFolder` or made there once (mode 0600). Nothing when it can
// neither be read nor written.
std::optional<std::string> loadOrMakeDeviceId(const std::filesystem::path& dataFolder);

// "<sha-256>.<ext>" of picture bytes.
std::string pictureName(std::span<const uint8_t> bytes, std::string_view ext);
// Stores picture bytes once under their content name (a temporary name, then a rename). Returns
// the name, or nothing when the folder cannot be written.
std::optional<std::string> storePicture(const std::filesystem::path& folder, std::span<const uint8_t> bytes,
                                        std::string_view ext);
// The bytes of a shared picture: nothing while it has not arrived, or when the file is not a
// regular file, is too large, or holds bytes other than its name says.
std::optional<std::string> readPicture(const std::filesystem::path& folder, const std::string& name);

// Stores a kept format's bytes once under "formats/<sha-256>", as `storePicture` does pictures.
std::optional<std::string> storeFormat(const std::filesystem::path& folder, std::string_view bytes);
// The bytes of a shared format, on the terms of `readPicture`, at most `cap` of them.
std::optional<std::string> readFormat(const std::filesystem::path& folder, const std::string& name, size_t cap);

// The whole of a regular file, never read through a link; nothing when it is anything else,
// larger than `cap`, or cannot be read whole.
std::optional<std::string> readRegularFile(const std::filesystem::path& path, uint64_t cap);

// Whether `path` is a real folder (not a link to one elsewhere).
bool isRealFolder(const std::filesystem::path& path);

} // namespace SyncFolder
} // namespace brimble
