#include "sync/SharedPictures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <glib.h>

#include "common/AtomicFile.h"
#include "history/LeftoverFiles.h"
#include "sync/SyncEvent.h"
#include "sync/SyncFolder.h"

namespace brimble {
namespace {

constexpr size_t nameBytes = 68; // 64 hex digits, ".png" or ".jpg"

// Every picture name in `text`, wherever it stands: a text that happens to hold one keeps a
// picture longer, which costs nothing but room.
void collectNames(std::string_view text, std::unordered_set<std::string>& names)
{
    for (size_t at = text.find('.', 64); at != std::string_view::npos && at + 4 <= text.size();
         at = text.find('.', at + 1)) {
        const std::string_view name = text.substr(at - 64, nameBytes);
        if (isPictureName(name))
            names.emplace(name);
    }
}

// The whole of a regular file, never through a link; nothing when it cannot be read whole.
std::optional<std::string> readRegularFile(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<std::string> bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<uint64_t>(info.st_size) <= SyncFolder::maxPictureBytes) {
        bytes.emplace(static_cast<size_t>(info.st_size), '\0');
        size_t done = 0;
        while (bytes && done < bytes->size()) {
            const ssize_t got = ::read(fd, bytes->data() + done, bytes->size() - done);
            if (got < 0)
                bytes.reset();
            else if (got == 0)
                bytes->resize(done); // shortened while read
            else
                done += static_cast<size_t>(got);
        }
    }
    ::close(fd);
    return bytes;
}

bool isPictureTemporary(std::string_view name)
{
    return name.size() == nameBytes + 7 && isPictureName(name.substr(0, nameBytes)) &&
           isTemporaryOf(std::string(name), std::string(name.substr(0, nameBytes)));
}

} // namespace

SharedPictures::SharedPictures(const std::filesystem::path& folder)
    : folder_(folder)
    , pictures_(folder / SyncFolder::picturesName)
{
}

std::optional<std::unordered_set<std::string>> SharedPictures::namedInJournals() const
{
    std::unordered_set<std::string> names;
    const std::filesystem::path devices = folder_ / SyncFolder::devicesName;
    if (!SyncFolder::isRealFolder(devices))
        return std::nullopt;
    std::error_code error;
    for (std::filesystem::directory_iterator device(devices, error), end; !error && device != end;
         device.increment(error)) {
        if (!isSyncId(device->path().filename().string()) || !SyncFolder::isRealFolder(device->path()))
            continue;
        std::error_code inner;
        for (std::filesystem::directory_iterator file(device->path(), inner), last; !inner && file != last;
             file.increment(inner)) {
            // Whatever the device folder holds may name a picture: a file the sync tool is still
            // receiving, a conflict copy.
            if (!file->is_regular_file(inner) || file->is_symlink(inner))
                continue;
            const auto text = readRegularFile(file->path());
            if (!text)
                return std::nullopt;
            collectNames(*text, names);
        }
        if (inner)
            return std::nullopt;
    }
    if (error)
        return std::nullopt;
    return names;
}

size_t SharedPictures::prune(const std::unordered_set<std::string>& named, double now)
{
    if (now < nextPrune_)
        return 0;
    nextPrune_ = now + pruneEverySeconds;
    const auto listed = listFolderNames(pictures_);
    const auto journals = namedInJournals();
    if (!listed || !journals || !SyncFolder::isRealFolder(pictures_))
        return 0;
    std::unordered_map<std::string, double> unnamed;
    size_t removed = 0;
    for (const std::string& name : *listed) {
        const std::string target = name.substr(0, nameBytes);
        const bool ours = isPictureName(name) || isPictureTemporary(name);
        if (!ours || named.contains(target) || journals->contains(target))
            continue;
        struct stat info {};
        if (::lstat((pictures_ / name).c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        const auto seen = unnamedSince_.find(name);
        const double since = seen == unnamedSince_.end() ? now : seen->second;
        if (now - since >= graceSeconds && ::unlink((pictures_ / name).c_str()) == 0)
            ++removed;
        else
            unnamed.emplace(name, since);
    }
    // A picture named again, or gone, starts its grace anew should it come back unnamed.
    unnamedSince_ = std::move(unnamed);
    return removed;
}

bool SharedPictures::changed()
{
    struct stat info {};
    timespec now{-2, 0};
    if (::stat(pictures_.c_str(), &info) == 0)
        now = info.st_mtim;
    const bool different = now.tv_sec != seen_.tv_sec || now.tv_nsec != seen_.tv_nsec;
    seen_ = now;
    return different;
}

} // namespace brimble
