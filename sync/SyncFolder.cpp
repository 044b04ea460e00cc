#include "sync/SyncFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <glib.h>

#include "common/AtomicFile.h"
#include "common/Uuid.h"
#include "history/ImageFiles.h"
#include "platform/KeptFormats.h"
#include "sync/SyncEvent.h"

namespace brimble::SyncFolder {

std::string journalName(unsigned number)
{
    char name[32];
    std::snprintf(name, sizeof name, "journal-%06u.jsonl", number);
    return name;
}

std::string snapshotName(unsigned number)
{
    char name[32];
    std::snprintf(name, sizeof name, "snapshot-%06u.jsonl", number);
    return name;
}

namespace {

std::optional<unsigned> fileNumber(std::string_view name, std::string_view prefix, bool* conflictCopy)
{
    constexpr std::string_view suffix = ".jsonl";
    constexpr std::string_view conflict = ".sync-conflict-";
    constexpr size_t digits = 6;
    if (!name.starts_with(prefix) || !name.ends_with(suffix) || name.size() < prefix.size() + digits + suffix.size())
        return std::nullopt;
    unsigned number = 0;
    for (char c : name.substr(prefix.size(), digits)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    const std::string_view middle = name.substr(prefix.size() + digits, name.size() - prefix.size() - digits - suffix.size());
    if (conflictCopy)
        *conflictCopy = !middle.empty();
    if (middle.empty())
        return number;
    if (!middle.starts_with(conflict) || middle.size() == conflict.size())
        return std::nullopt;
    for (char c : middle.substr(conflict.size()))
        if (!g_ascii_isalnum(c) && c != '-')
            return std::nullopt;
    return number;
}

} // namespace

std::optional<unsigned> journalNumber(std::string_view name, bool* conflictCopy)
{
    return fileNumber(name, "journal-", conflictCopy);
}

std::optional<unsigned> snapshotNumber(std::string_view name, bool* conflictCopy)
{
    return fileNumber(name, "snapshot-", conflictCopy);
}

bool isRealFolder(const std::filesystem::path& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<std::string> loadOrMakeDeviceId(const std::filesystem::path& dataFolder)
{
    const std::filesystem::path file = dataFolder / deviceIdFileName;
    if (const auto text = readWholeFile(file)) {
        const std::string id(g_strstrip(std::string(*text).data()));
        if (isSyncId(id))
            return id;
    }
    std::error_code error;
    std::filesystem::create_directories(dataFolder, error);
    const std::string id = newUuid();
    if (!writeFileAtomically(file, id + "\n", 0600))
        return std::nullopt;
    return id;
}

std::string pictureName(std::span<const uint8_t> bytes, std::string_view ext)
{
    return sha256Hex(bytes) + "." + std::string(ext);
}

std::optional<std::string> readRegularFile(const std::filesystem::path& path, uint64_t cap)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::string bytes;
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) <= cap;
    if (ok) {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got <= 0)
                ok = false;
            else
                done += static_cast<size_t>(got);
        }
    }
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return bytes;
}

namespace {

// The bytes of "<subfolder>/<name>" when they are what the name's first 64 digits say; nothing
// while the file has not arrived, or when it is not a regular file or larger than `cap`.
std::optional<std::string> readHashed(const std::filesystem::path& folder, std::string_view subfolder,
                                      const std::string& name, uint64_t cap)
{
    if (name.size() < 64 || name.find('/') != std::string::npos || !isRealFolder(folder / subfolder))
        return std::nullopt;
    auto bytes = readRegularFile(folder / subfolder / name, cap);
    // A half-arrived file, or a foreign file under one of our names, is not the content named.
    if (!bytes || sha256Hex(*bytes) != name.substr(0, 64))
        return std::nullopt;
    return bytes;
}

// Writes `bytes` once under "<subfolder>/<name>" (a temporary name, then a rename); content
// already there under that name, stored by any device, is left alone, so a file-sync tool never
// sees it change.
bool storeHashed(const std::filesystem::path& folder, std::string_view subfolder, const std::string& name,
                 std::string_view bytes, uint64_t cap)
{
    if (!isRealFolder(folder))
        return false;
    const std::filesystem::path shared = folder / subfolder;
    if (!isRealFolder(shared) && ::mkdir(shared.c_str(), 0700) != 0 && !isRealFolder(shared))
        return false;
    return readHashed(folder, subfolder, name, cap) || writeFileAtomically(shared / name, bytes, 0600);
}

} // namespace

std::optional<std::string> storePicture(const std::filesystem::path& folder, std::span<const uint8_t> bytes,
                                        std::string_view ext)
{
    std::string name = pictureName(bytes, ext);
    const std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!storeHashed(folder, picturesName, name, data, maxPictureBytes))
        return std::nullopt;
    return name;
}

std::optional<std::string> readPicture(const std::filesystem::path& folder, const std::string& name)
{
    if (name.size() != 68)
        return std::nullopt;
    return readHashed(folder, picturesName, name, maxPictureBytes);
}

std::optional<std::string> storeFormat(const std::filesystem::path& folder, std::string_view bytes)
{
    std::string name = sha256Hex(bytes);
    if (!storeHashed(folder, formatsName, name, bytes, KeptFormats::maxEntryBytes))
        return std::nullopt;
    return name;
}

std::optional<std::string> readFormat(const std::filesystem::path& folder, const std::string& name, size_t cap)
{
    if (name.size() != 64)
        return std::nullopt;
    return readHashed(folder, formatsName, name, cap);
}

} // namespace brimble::SyncFolder
