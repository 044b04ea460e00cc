#include "sync/JournalWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "common/AtomicFile.h"
#include "sync/SyncFolder.h"

namespace brimble {

JournalWriter::JournalWriter(std::filesystem::path folder, std::string device)
    : folder_(std::move(folder))
    , device_(std::move(device))
{
}

std::filesystem::path JournalWriter::deviceFolder() const
{
    return folder_ / SyncFolder::devicesName / device_;
}

std::filesystem::path JournalWriter::currentJournal() const
{
    return deviceFolder() / SyncFolder::journalName(std::max(number_, 1u));
}

unsigned JournalWriter::newestNumber() const
{
    unsigned newest = 1;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(deviceFolder(), error)) {
        bool conflict = false;
        const auto number = SyncFolder::journalNumber(entry.path().filename().string(), &conflict);
        if (number && !conflict)
            newest = std::max(newest, *number);
    }
    return newest;
}

bool JournalWriter::append(std::span<const SyncEvent> events)
{
    if (events.empty())
        return true;
    if (!SyncFolder::isRealFolder(folder_))
        return false;
    const std::filesystem::path devices = folder_ / SyncFolder::devicesName;
    for (const std::filesystem::path& path : {devices, deviceFolder()})
        if (!SyncFolder::isRealFolder(path) && ::mkdir(path.c_str(), 0700) != 0 && !SyncFolder::isRealFolder(path))
            return false;
    if (number_ == 0)
        number_ = newestNumber();

    // Starts with a line break, written only after a line cut short.
    std::string lines = "\n";
    for (const SyncEvent& event : events) {
        lines += encodeSyncEvent(event);
        lines += '\n';
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::filesystem::path path = currentJournal();
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            return false;
        }
        if (static_cast<uint64_t>(info.st_size) >= SyncFolder::journalRollBytes && attempt == 0) {
            ::close(fd);
            ++number_;
            continue;
        }
        // A line cut short by a crash stays a line of its own, which every reader skips, rather
        // than spoiling the first line written after it.
        char last = '\n';
        const bool cutShort = info.st_size > 0 && ::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n';
        const std::string_view out = cutShort ? std::string_view(lines) : std::string_view(lines).substr(1);
        size_t done = 0;
        bool ok = true;
        while (done < out.size()) {
            const ssize_t wrote = ::write(fd, out.data() + done, out.size() - done);
            if (wrote <= 0) {
                ok = false;
                break;
            }
            done += static_cast<size_t>(wrote);
        }
        ::close(fd);
        return ok;
    }
    return false;
}

bool JournalWriter::hasClosedJournals() const
{
    const unsigned current = number_ == 0 ? newestNumber() : number_;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(deviceFolder(), error)) {
        const auto number = SyncFolder::journalNumber(entry.path().filename().string());
        if (number && *number < current)
            return true;
    }
    return false;
}

bool JournalWriter::compact(std::string_view snapshot)
{
    if (!SyncFolder::isRealFolder(deviceFolder()))
        return false;
    if (number_ == 0)
        number_ = newestNumber();
    const unsigned covered = number_ - 1;
    if (covered == 0 || !writeFileAtomically(deviceFolder() / SyncFolder::snapshotName(covered), snapshot, 0600))
        return false;
    // Conflict copies of this device's own files go too: their lines were this device's, and are
    // in the snapshot.
    std::error_code error;
    std::vector<std::filesystem::path> retired;
    for (const auto& entry : std::filesystem::directory_iterator(deviceFolder(), error)) {
        const std::string name = entry.path().filename().string();
        bool conflict = false;
        const auto journal = SyncFolder::journalNumber(name);
        const auto older = SyncFolder::snapshotNumber(name, &conflict);
        if ((journal && *journal <= covered) || (older && (*older < covered || conflict)))
            retired.push_back(entry.path());
    }
    for (const auto& path : retired)
        std::filesystem::remove(path, error);
    return true;
}

} // namespace brimble
