#include "sync/SharedFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <glib.h>

#include "common/AtomicFile.h"
#include "history/FormatFiles.h"
#include "history/LeftoverFiles.h"
#include "sync/SyncEvent.h"
#include "sync/SyncFolder.h"

namespace brimble {
namespace {

constexpr size_t hashBytes = 64;

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// Every run of exactly 64 lowercase hex digits in `text`, wherever it stands: a text that happens
// to hold one keeps a file longer, which costs nothing but room.
void collectNames(std::string_view text, std::unordered_set<std::string>& names)
{
    size_t run = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && isHexDigit(text[i])) {
            ++run;
            continue;
        }
        if (run == hashBytes)
            names.emplace(text.substr(i - hashBytes, hashBytes));
        run = 0;
    }
}

// The content name of a file of ours in the pictures ("<hash>.png") or formats ("<hash>")
// folder, or of our temporary of one (the name, ".", six letters or digits); "" for anything else.
std::string contentName(const std::string& name, bool pictures)
{
    const size_t base = pictures ? hashBytes + 4 : hashBytes;
    if (name.size() < base)
        return {};
    const std::string target = name.substr(0, base);
    const bool ours = pictures ? isPictureName(target) : isFormatFileName(target);
    if (!ours || (name.size() != base && !isTemporaryOf(name, target)))
        return {};
    return target.substr(0, hashBytes);
}

} // namespace

SharedFiles::SharedFiles(const std::filesystem::path& folder)
    : folder_(folder)
{
}

std::optional<std::unordered_set<std::string>> SharedFiles::namedInJournals() const
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
            const auto text = SyncFolder::readRegularFile(file->path(), SyncFolder::maxPictureBytes);
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

size_t SharedFiles::prune(const std::unordered_set<std::string>& held, double now)
{
    if (now < nextPrune_)
        return 0;
    nextPrune_ = now + pruneEverySeconds;
    auto named = namedInJournals();
    if (!named)
        return 0;
    named->insert(held.begin(), held.end());
    std::unordered_map<std::string, double> unnamed;
    const size_t removed = pruneFolder(SyncFolder::picturesName, true, *named, now, unnamed) +
                           pruneFolder(SyncFolder::formatsName, false, *named, now, unnamed);
    // A file named again, or gone, starts its grace anew should it come back unnamed.
    unnamedSince_ = std::move(unnamed);
    return removed;
}

size_t SharedFiles::pruneFolder(const std::filesystem::path& path, bool pictures,
                                const std::unordered_set<std::string>& named, double now,
                                std::unordered_map<std::string, double>& unnamed)
{
    const std::filesystem::path folder = folder_ / path;
    if (!SyncFolder::isRealFolder(folder))
        return 0;
    const auto listed = listFolderNames(folder);
    if (!listed)
        return 0;
    size_t removed = 0;
    for (const std::string& name : *listed) {
        const std::string content = contentName(name, pictures);
        if (content.empty() || named.contains(content))
            continue;
        struct stat info {};
        const std::filesystem::path file = folder / name;
        if (::lstat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        const std::string key = (path / name).string();
        const auto seen = unnamedSince_.find(key);
        const double since = seen == unnamedSince_.end() ? now : seen->second;
        if (now - since >= graceSeconds && ::unlink(file.c_str()) == 0)
            ++removed;
        else
            unnamed.emplace(key, since);
    }
    return removed;
}

bool SharedFiles::changed()
{
    bool different = false;
    const std::string_view names[2] = {SyncFolder::picturesName, SyncFolder::formatsName};
    for (size_t i = 0; i < 2; ++i) {
        struct stat info {};
        timespec now{-2, 0};
        if (::stat((folder_ / names[i]).c_str(), &info) == 0)
            now = info.st_mtim;
        different = different || now.tv_sec != seen_[i].tv_sec || now.tv_nsec != seen_[i].tv_nsec;
        seen_[i] = now;
    }
    return different;
}

} // namespace brimble
