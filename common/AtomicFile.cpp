#include "common/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include <glib.h>
#include <glib/gstdio.h>

namespace brimble {

namespace {

constexpr size_t keptUnreadableCopies = 3;
constexpr std::string_view unreadableInfix = ".unreadable-";

std::string utcStamp(double utcNow)
{
    const double seconds = std::isfinite(utcNow) ? std::floor(utcNow) : 0.0;
    g_autoptr(GDateTime) time = g_date_time_new_from_unix_utc(static_cast<gint64>(seconds));
    if (!time)
        time = g_date_time_new_from_unix_utc(0);
    g_autofree char* text = g_date_time_format(time, "%Y%m%dT%H%M%SZ");
    return text ? text : "19700101T000000Z";
}

// The earlier copies of one file, oldest first: their stamps sort as their times do.
std::vector<std::filesystem::path> unreadableCopies(const std::filesystem::path& path)
{
    std::vector<std::filesystem::path> copies;
    const std::string prefix = path.filename().string() + std::string(unreadableInfix);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path(), error)) {
        if (entry.path().filename().string().starts_with(prefix))
            copies.push_back(entry.path());
    }
    std::sort(copies.begin(), copies.end());
    return copies;
}

bool isRegularFile(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::symlink_status(path, error));
}

// Writes the pieces in order, as many as the system takes in one call at a time. A call that
// writes part of what it was given is continued from there; an error, or a call that writes
// nothing, fails the whole.
bool writeAll(int fd, std::span<const std::string_view> pieces)
{
    std::vector<iovec> left;
    left.reserve(pieces.size());
    for (const std::string_view piece : pieces) {
        if (!piece.empty())
            left.push_back({const_cast<char*>(piece.data()), piece.size()});
    }
    size_t next = 0;
    while (next < left.size()) {
        const int count = static_cast<int>(std::min<size_t>(left.size() - next, IOV_MAX));
        const ssize_t result = writev(fd, left.data() + next, count);
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0)
            return false;
        auto done = static_cast<size_t>(result);
        while (next < left.size() && done >= left[next].iov_len)
            done -= left[next++].iov_len;
        if (done > 0) {
            left[next].iov_base = static_cast<char*>(left[next].iov_base) + done;
            left[next].iov_len -= done;
        }
    }
    return true;
}

// Makes a rename inside `folder` durable. A failure here changes nothing about the file, which
// is in place either way, so it is not reported.
void syncFolder(const std::filesystem::path& folder)
{
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

bool writeFileAtomicallyUnsynced(const std::filesystem::path& path, std::string_view bytes, int mode)
{
    std::string temporary = path.string() + ".XXXXXX";
    const int fd = g_mkstemp_full(temporary.data(), O_RDWR | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    bool written = writeAll(fd, std::span(&bytes, 1));
    // The disk starts on the bytes now, so the later fsync mostly finds them written.
    if (written)
        sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    written = close(fd) == 0 && written;
    written = written && g_rename(temporary.c_str(), path.c_str()) == 0;
    if (!written)
        g_unlink(temporary.c_str());
    if (isRegularFile(path))
        g_chmod(path.c_str(), mode);
    return written;
}

void syncFilesToDisk(const std::filesystem::path& folder, std::span<const std::string> names)
{
    if (names.empty())
        return;
    for (const std::string& name : names) {
        const int fd = open((folder / name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat info {};
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
            fdatasync(fd);
        close(fd);
    }
    syncFolder(folder);
}

bool isTemporaryOf(const std::string& name, const std::string& target)
{
    constexpr size_t randomPart = 6;
    if (name.size() != target.size() + 1 + randomPart || !name.starts_with(target) || name[target.size()] != '.')
        return false;
    return std::all_of(name.end() - randomPart, name.end(), [](char c) { return g_ascii_isalnum(c); });
}

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, int mode)
{
    return writePiecesAtomically(path, std::span(&bytes, 1), mode);
}

bool writePiecesAtomically(const std::filesystem::path& path, std::span<const std::string_view> pieces, int mode)
{
    // The temporary is named as GLib names its own ("<name>.XXXXXX"), so that one left by a
    // crash is found and removed at the next start.
    std::string temporary = path.string() + ".XXXXXX";
    const int fd = g_mkstemp_full(temporary.data(), O_RDWR | O_CLOEXEC, mode);
    bool written = fd >= 0;
    if (written) {
        // The data must be on the disk before the rename makes them the file.
        written = writeAll(fd, pieces) && fsync(fd) == 0;
        written = close(fd) == 0 && written;
        written = written && g_rename(temporary.c_str(), path.c_str()) == 0;
        if (written)
            syncFolder(path.parent_path());
        else
            g_unlink(temporary.c_str());
    }
    // The mode is set again because a failed write leaves the old file, and a umask may have
    // narrowed the new one. Only a plain file is touched: a failed write may have left a folder
    // or a link in the file's place, and neither it nor what a link points to is ours to change.
    if (isRegularFile(path))
        g_chmod(path.c_str(), mode);
    return written;
}

namespace {

// A file stays where it is and is copied beside it, so that it is never missing on disk between
// being set aside and the write that replaces it. The copy is a file of its own, not a second
// link, so that an editor writing the original in place cannot change it. A folder in the file's
// place has to make way.
bool keepCopy(const std::filesystem::path& path, const std::filesystem::path& target)
{
    if (!isRegularFile(path)) {
        std::error_code error;
        std::filesystem::rename(path, target, error);
        return !error;
    }
    const std::optional<std::string> bytes = readWholeFile(path);
    return bytes && writeFileAtomically(target, *bytes, 0600);
}

} // namespace

bool moveAsideUnreadable(const std::filesystem::path& path, double utcNow)
{
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, error)))
        return false;

    const std::string base = path.filename().string() + std::string(unreadableInfix) + utcStamp(utcNow);
    std::filesystem::path target = path.parent_path() / base;
    // Two failures within one second get numbered names rather than replacing each other.
    for (int attempt = 1; std::filesystem::exists(std::filesystem::symlink_status(target, error)); ++attempt) {
        if (attempt > 9)
            return false;
        target = path.parent_path() / (base + "-" + std::to_string(attempt));
    }
    if (!keepCopy(path, target))
        return false;

    std::vector<std::filesystem::path> copies = unreadableCopies(path);
    // Only files go: a folder that stood in the file's place is left for its owner to look at.
    for (size_t i = 0; i + keptUnreadableCopies < copies.size(); ++i) {
        if (isRegularFile(copies[i]))
            std::filesystem::remove(copies[i], error);
    }
    return true;
}

bool hasUnreadableCopies(const std::filesystem::path& path)
{
    return !unreadableCopies(path).empty();
}

bool clearWayForWrite(const std::filesystem::path& path, bool& keepUnreadable)
{
    if (!keepUnreadable)
        return true;
    std::error_code error;
    if (moveAsideUnreadable(path, utcNowSeconds())
        || !std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
        keepUnreadable = false;
        return true;
    }
    return false;
}

int removeStaleTemporaries(const std::filesystem::path& path)
{
    const std::string target = path.filename().string();
    std::vector<std::filesystem::path> stale;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path(), error)) {
        if (isTemporaryOf(entry.path().filename().string(), target) && isRegularFile(entry.path()))
            stale.push_back(entry.path());
    }
    int removed = 0;
    for (const auto& file : stale) {
        if (std::filesystem::remove(file, error))
            ++removed;
    }
    return removed;
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return std::nullopt;

    std::string bytes;
    const uintmax_t expected = std::filesystem::file_size(path, error);
    if (!error && expected > 0) {
        bytes.resize(static_cast<size_t>(expected));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    }
    // Reading on to the end copes with a file that grew after its size was taken.
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        bytes.append(chunk, got);
    if (std::ferror(file.get()))
        return std::nullopt;
    return bytes;
}

double utcNowSeconds()
{
    return static_cast<double>(g_get_real_time()) / G_USEC_PER_SEC;
}

} // namespace brimble
