#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>

typedef struct _GFileMonitor GFileMonitor;

namespace brimble {

// Watches the shared folder's device folders for journals that grow or appear, and its pictures
// and formats folders for files that arrive, and says so. It
// says nothing about what changed: the reader finds that out by itself, so a missed or merged
// notice costs only time.
class SyncWatch {
public:
    SyncWatch(std::filesystem::path folder, std::function<void()> changed);
    SyncWatch(const SyncWatch&) = delete;
    SyncWatch& operator=(const SyncWatch&) = delete;
    ~SyncWatch();

    // Watches the device folders that appeared since the last call, and the folder holding them
    // once it exists.
    void refresh();

private:
    void watch(const std::filesystem::path& path);
    static void onChanged(GFileMonitor*, void*, void*, int, void* self);

    std::filesystem::path folder_;
    std::function<void()> changed_;
    std::map<std::string, GFileMonitor*> monitors_;
};

} // namespace brimble
