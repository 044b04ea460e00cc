#include "sync/JournalReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <tuple>

#include "sync/SyncFold.h"
#include "sync/SyncFolder.h"
#include "sync/SyncSnapshot.h"

namespace brimble {
namespace {

constexpr size_t readChunkBytes = 1024 * 1024;

} // namespace

JournalReader::JournalReader(std::filesystem::path folder)
    : folder_(std::move(folder))
{
}

JournalScan JournalReader::readNew()
{
    std::vector<SyncEvent> events;
    JournalScan found = scan(
        [&](std::string_view line, const std::string& device, bool) {
            auto event = decodeSyncEvent(line);
            if (!event || event->device != device)
                return false;
            events.push_back(std::move(*event));
            return true;
        },
        false);
    found.events = std::move(events);
    return found;
}

JournalScan JournalReader::readInto(SyncFold& fold, double now)
{
    return scan(
        [&](std::string_view line, const std::string& device, bool snapshot) {
            if (snapshot)
                return foldSnapshotLine(line, device, fold, now);
            auto event = decodeSyncEvent(line);
            if (!event || event->device != device)
                return false;
            fold.add(std::move(*event), now);
            return true;
        },
        true);
}

JournalScan JournalReader::scan(const LineSink& sink, bool snapshots)
{
    JournalScan scan;
    if (!SyncFolder::isRealFolder(folder_)) {
        scan.folderMissing = true;
        return scan;
    }
    const std::filesystem::path devices = folder_ / SyncFolder::devicesName;
    if (!SyncFolder::isRealFolder(devices))
        return scan;
    std::error_code error;
    std::vector<std::pair<std::filesystem::path, bool>> files; // snapshots first: a journal's lines are newer
    for (const auto& deviceEntry : std::filesystem::directory_iterator(devices, error)) {
        const std::string device = deviceEntry.path().filename().string();
        if (!isSyncId(device) || !SyncFolder::isRealFolder(deviceEntry.path()))
            continue;
        std::error_code inner;
        for (const auto& fileEntry : std::filesystem::directory_iterator(deviceEntry.path(), inner)) {
            const std::string name = fileEntry.path().filename().string();
            if (SyncFolder::journalNumber(name))
                files.emplace_back(fileEntry.path(), false);
            else if (snapshots && SyncFolder::snapshotNumber(name))
                files.emplace_back(fileEntry.path(), true);
        }
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return std::tie(b.second, a.first) < std::tie(a.second, b.first);
    });
    // Files retired by their device are forgotten, so that what is kept stays as small as the folder.
    std::map<std::string, FileState> kept;
    for (const auto& [path, snapshot] : files)
        if (const auto found = files_.find(path.string()); found != files_.end())
            kept.insert(*found);
    files_ = std::move(kept);
    for (const auto& [path, snapshot] : files)
        readFile(path, path.parent_path().filename().string(), snapshot, sink, scan);
    return scan;
}

void JournalReader::readFile(const std::filesystem::path& path, const std::string& device, bool snapshot,
                             const LineSink& sink, JournalScan& scan)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return;
    }
    FileState& state = files_[path.string()];
    const auto size = static_cast<uint64_t>(info.st_size);
    // Journals only grow; one that shrank was replaced, and is read again from its start (what
    // was read before counts once, by event id).
    if (size < state.offset)
        state = FileState{};

    std::string carry;
    uint64_t position = state.offset;
    std::string chunk(readChunkBytes, '\0');
    while (position + carry.size() < size) {
        const ssize_t got = ::pread(fd, chunk.data(), chunk.size(), static_cast<off_t>(position + carry.size()));
        if (got <= 0)
            break;
        carry.append(chunk.data(), static_cast<size_t>(got));
        size_t start = 0;
        for (size_t end = carry.find('\n'); end != std::string::npos; end = carry.find('\n', start)) {
            const std::string_view line(carry.data() + start, end - start);
            if (state.skipping) {
                state.skipping = false;
                ++scan.badLines;
            } else if (!line.empty()) {
                if (line.size() <= SyncFolder::maxLineBytes && sink(line, device, snapshot))
                    scan.devices.insert(device);
                else
                    ++scan.badLines;
            }
            start = end + 1;
        }
        position += start;
        carry.erase(0, start);
        // A line too long to keep is dropped as it is read, and the rest of it skipped up to its end.
        if (carry.size() > SyncFolder::maxLineBytes) {
            position += carry.size();
            carry.clear();
            state.skipping = true;
        }
    }
    ::close(fd);
    state.offset = position;
}

} // namespace brimble
