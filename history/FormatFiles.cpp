#include "history/FormatFiles.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <glib.h>

#include "common/AtomicFile.h"
#include "common/Sha256.h"
#include "history/AppSupport.h"
#include "history/ClipboardStore.h"
#include "history/LeftoverFiles.h"

namespace brimble {

namespace {

constexpr int formatsFolderMode = 0700;
constexpr int formatFileMode = 0600;
constexpr size_t hashLength = 64;

// The size of a plain file of that name, not through a link; nothing for anything else.
std::optional<uint64_t> plainFileSize(const std::filesystem::path& path)
{
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return static_cast<uint64_t>(info.st_size);
}

} // namespace

bool isFormatFileName(std::string_view name)
{
    return name.size() == hashLength && std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

bool isFormatTemporaryName(std::string_view name)
{
    constexpr size_t randomPart = 6;
    if (name.size() != hashLength + 1 + randomPart || name[hashLength] != '.'
        || !isFormatFileName(name.substr(0, hashLength)))
        return false;
    return std::all_of(name.end() - randomPart, name.end(), [](char c) { return g_ascii_isalnum(c); });
}

namespace {

std::optional<std::string> writeFormat(const std::filesystem::path& dataHome, std::string_view bytes,
                                       std::vector<std::string>* unsynced)
{
    const std::filesystem::path folder = AppSupport::formatsFolder(dataHome);
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    if (std::filesystem::is_directory(std::filesystem::symlink_status(folder, ignored)))
        std::filesystem::permissions(folder, static_cast<std::filesystem::perms>(formatsFolderMode),
                                     std::filesystem::perm_options::replace, ignored);
    std::string name = sha256Hex(bytes);
    if (!isFormatFileName(name))
        return std::nullopt;
    // The same bytes kept before: the file stays. Anything else standing under the name (a
    // link, a file cut short) is replaced whole by the atomic write, never written through.
    if (plainFileSize(folder / name) == bytes.size())
        return name;
    if (!unsynced)
        return writeFileAtomically(folder / name, bytes, formatFileMode) ? std::optional(std::move(name)) : std::nullopt;
    if (!writeFileAtomicallyUnsynced(folder / name, bytes, formatFileMode))
        return std::nullopt;
    unsynced->push_back(name);
    return name;
}

} // namespace

std::optional<std::string> writeFormatFile(const std::filesystem::path& dataHome, std::string_view bytes)
{
    return writeFormat(dataHome, bytes, nullptr);
}

std::optional<std::string> writeFormatFile(const std::filesystem::path& dataHome, std::string_view bytes,
                                           std::vector<std::string>& unsynced)
{
    return writeFormat(dataHome, bytes, &unsynced);
}

void syncFormatFiles(const std::filesystem::path& dataHome, std::vector<std::string>& unsynced)
{
    syncFilesToDisk(AppSupport::formatsFolder(dataHome), unsynced);
    unsynced.clear();
}

std::optional<std::string> readFormatFile(const std::filesystem::path& dataHome, std::string_view name, size_t cap)
{
    if (!isFormatFileName(name))
        return std::nullopt;
    const std::filesystem::path path = AppSupport::formatsFolder(dataHome) / std::string(name);
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<std::string> bytes;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) <= cap) {
        std::string read(static_cast<size_t>(info.st_size), '\0');
        size_t done = 0;
        while (done < read.size()) {
            const ssize_t got = ::read(fd, read.data() + done, read.size() - done);
            if (got <= 0)
                break;
            done += static_cast<size_t>(got);
        }
        if (done == read.size())
            bytes = std::move(read);
    }
    close(fd);
    // A file changed behind the program's back is not put on anyone's clipboard.
    if (bytes && sha256Hex(*bytes) != name)
        return std::nullopt;
    return bytes;
}

std::vector<ClipFormat> storeFormats(const std::filesystem::path& dataHome, const std::vector<ExtraFormat>& formats,
                                     std::vector<std::string>* unsynced)
{
    std::vector<ClipFormat> stored;
    for (const ExtraFormat& format : formats) {
        if (stored.size() == KeptFormats::maxFormats || !KeptFormats::isKept(format.type)
            || format.bytes.size() > KeptFormats::capFor(format.type))
            continue;
        if (std::optional<std::string> name = writeFormat(dataHome, format.bytes, unsynced))
            stored.push_back({format.type, std::move(*name)});
    }
    return stored;
}

std::vector<ExtraFormat> loadFormats(const std::filesystem::path& dataHome, const Clip& clip)
{
    std::vector<ExtraFormat> formats;
    for (const ClipFormat& format : clip.formats) {
        if (std::optional<std::string> bytes = readFormatFile(dataHome, format.file, KeptFormats::capFor(format.type)))
            formats.push_back({format.type, std::move(*bytes)});
    }
    return formats;
}

void ClipboardStore::pruneFormats(uint64_t budget)
{
    const std::filesystem::path folder = AppSupport::formatsFolder(dataHome_);
    const std::optional<std::vector<std::string>> listed = listFolderNames(folder);
    if (!listed)
        return;

    // Past the budget, the oldest entries (the list's end; pinned ones lead it) lose their
    // formats first; their texts stay. A file shared by several entries counts once.
    std::unordered_map<std::string, uint64_t> sizes;
    uint64_t total = 0;
    for (Clip& clip : items) {
        uint64_t added = 0;
        for (const ClipFormat& format : clip.formats) {
            if (sizes.contains(format.file))
                continue;
            added += plainFileSize(folder / format.file).value_or(0);
        }
        if (!clip.formats.empty() && total + added > budget) {
            clip.formats.clear();
            continue;
        }
        for (const ClipFormat& format : clip.formats)
            sizes.emplace(format.file, 0);
        total += added;
    }

    std::unordered_set<std::string> referenced;
    for (const Clip& clip : items)
        for (const ClipFormat& format : clip.formats)
            referenced.insert(format.file);
    namesSeen_.insert(referenced.begin(), referenced.end());
    referenced.insert(heldFiles_.begin(), heldFiles_.end());
    // While the history file did not load whole, a format named only by an entry set aside
    // is kept for its rescue.
    removeLeftovers(folder, *listed, referenced,
                    {isFormatFileName, isFormatTemporaryName, picturesAtRisk_, &namesSeen_});
}

} // namespace brimble
