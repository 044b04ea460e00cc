#include "sync/JournalReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "sync/SyncFolder.h"

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
    JournalScan scan;
    if (!SyncFolder::isRealFolder(folder_)) {
        scan.folderMissing = true;
        return scan;
    }
    const std::filesystem::path devices = folder_ / SyncFolder::devicesName;
    if (!SyncFolder::isRealFolder(devices))
        return scan;
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (const auto& deviceEntry : std::filesystem::directory_iterator(devices, error)) {
        const std::string device = deviceEntry.path().filename().string();
        if (!isSyncId(device) || !SyncFolder::isRealFolder(deviceEntry.path()))
            continue;
        std::error_code inner;
        for (const auto& fileEntry : std::filesystem::directory_iterator(deviceEntry.path(), inner))
            if (SyncFolder::journalNumber(fileEntry.path().filename().string()))
                files.push_back(fileEntry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& path : files)
        readFile(path, path.parent_path().filename().string(), scan);
    return scan;
}

void JournalReader::readFile(const std::filesystem::path& path, const std::string& device, JournalScan& scan)
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
                auto event = line.size() <= SyncFolder::maxLineBytes ? decodeSyncEvent(line) : std::nullopt;
                if (event && event->device == device)
                    scan.events.push_back(std::move(*event));
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
