#include "history/AtomicFile.h"

#include <algorithm>
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

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, int mode)
{
    g_autoptr(GError) error = nullptr;
    const auto flags =
        static_cast<GFileSetContentsFlags>(G_FILE_SET_CONTENTS_CONSISTENT | G_FILE_SET_CONTENTS_DURABLE);
    const bool written = g_file_set_contents_full(path.c_str(), bytes.data(),
                                                  static_cast<gssize>(bytes.size()), flags, mode, &error);
    // The mode is set again because a failed write leaves the old file, and a umask may have
    // narrowed the new one.
    g_chmod(path.c_str(), mode);
    return written;
}

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
    std::filesystem::rename(path, target, error);
    if (error)
        return false;

    std::vector<std::filesystem::path> copies = unreadableCopies(path);
    for (size_t i = 0; i + keptUnreadableCopies < copies.size(); ++i)
        std::filesystem::remove_all(copies[i], error);
    return true;
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
