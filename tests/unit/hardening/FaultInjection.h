#pragma once

#include <pwd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace brimble::test {

// Writes into regular files fail past `bytes`: a short write, then EFBIG, the same road through
// the writers as a full disk's ENOSPC. SIGXFSZ is ignored meanwhile, so the failure is an error
// return and not the end of the test program; both are restored at the end of the scope.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = std::min(bytes, saved_.rlim_max);
        active_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;
    ~ScopedFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    bool active() const { return active_; }

private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
    bool active_ = false;
};

// Folders that this process may read but not change. Permission bits do not hold root back, so
// under root the whole temporary tree is handed to "nobody" and the process takes "nobody" as its
// effective user for the scope (the saved user id keeps the way back); a normal user only needs
// the bits. `effective` says whether writing really fails, so a test never passes on a fault
// that was not there.
class ScopedReadOnlyFolders {
public:
    ScopedReadOnlyFolders(std::filesystem::path tree, std::vector<std::filesystem::path> folders)
        : tree_(std::move(tree)), folders_(std::move(folders))
    {
        if (geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            const uid_t uid = nobody ? nobody->pw_uid : 65534;
            const gid_t gid = nobody ? nobody->pw_gid : 65534;
            chownTree(uid, gid);
            droppedRoot_ = setegid(gid) == 0 && seteuid(uid) == 0;
        }
        for (const auto& folder : folders_)
            std::filesystem::permissions(folder, std::filesystem::perms(0500), std::filesystem::perm_options::replace,
                                         ignored_);
        effective_ = !canCreateFileIn(folders_.front());
    }
    ScopedReadOnlyFolders(const ScopedReadOnlyFolders&) = delete;
    ScopedReadOnlyFolders& operator=(const ScopedReadOnlyFolders&) = delete;
    ~ScopedReadOnlyFolders()
    {
        for (const auto& folder : folders_)
            std::filesystem::permissions(folder, std::filesystem::perms(0700), std::filesystem::perm_options::replace,
                                         ignored_);
        if (droppedRoot_) {
            if (seteuid(0) == 0)
                setegid(0);
            chownTree(0, 0);
        }
    }
    bool effective() const { return effective_; }

private:
    static bool canCreateFileIn(const std::filesystem::path& folder)
    {
        const std::filesystem::path probe = folder / ".write-probe";
        FILE* file = std::fopen(probe.c_str(), "w");
        if (!file)
            return false;
        std::fclose(file);
        std::filesystem::remove(probe);
        return true;
    }
    void chownTree(uid_t uid, gid_t gid)
    {
        [[maybe_unused]] int result = lchown(tree_.c_str(), uid, gid);
        for (auto it = std::filesystem::recursive_directory_iterator(tree_, ignored_);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored_))
            result = lchown(it->path().c_str(), uid, gid);
    }

    std::filesystem::path tree_;
    std::vector<std::filesystem::path> folders_;
    std::error_code ignored_;
    bool droppedRoot_ = false;
    bool effective_ = false;
};

// Everything under a folder as it lies on disk: kind, mode and content of each path. Equal
// snapshots mean nothing was written, removed, added or re-moded.
inline std::map<std::string, std::string> treeSnapshot(const std::filesystem::path& root)
{
    std::map<std::string, std::string> out;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        const auto status = std::filesystem::symlink_status(it->path(), error);
        const std::string relative = std::filesystem::relative(it->path(), root, error).string();
        const auto mode = static_cast<unsigned>(status.permissions()) & 07777;
        if (std::filesystem::is_directory(status))
            out[relative] = "folder " + std::to_string(mode);
        else
            out[relative] = "file " + std::to_string(mode) + " " + readFile(it->path());
    }
    return out;
}

} // namespace brimble::test
