#include "sync/SyncWatch.h"

#include <gio/gio.h>

#include "sync/SyncEvent.h"
#include "sync/SyncFolder.h"

namespace brimble {

SyncWatch::SyncWatch(std::filesystem::path folder, std::function<void()> changed)
    : folder_(std::move(folder))
    , changed_(std::move(changed))
{
    refresh();
}

SyncWatch::~SyncWatch()
{
    for (auto& [path, monitor] : monitors_) {
        g_signal_handlers_disconnect_by_data(monitor, this);
        g_file_monitor_cancel(monitor);
        g_object_unref(monitor);
    }
}

void SyncWatch::onChanged(GFileMonitor*, void*, void*, int, void* self)
{
    static_cast<SyncWatch*>(self)->changed_();
}

void SyncWatch::watch(const std::filesystem::path& path)
{
    // A folder that went (an unmounted drive) is watched anew once it is back.
    if (const auto found = monitors_.find(path.string()); found != monitors_.end()) {
        if (!g_file_monitor_is_cancelled(found->second) && SyncFolder::isRealFolder(path))
            return;
        g_signal_handlers_disconnect_by_data(found->second, this);
        g_object_unref(found->second);
        monitors_.erase(found);
    }
    if (!SyncFolder::isRealFolder(path))
        return;
    g_autoptr(GFile) file = g_file_new_for_path(path.c_str());
    GFileMonitor* monitor = g_file_monitor_directory(file, G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr);
    if (!monitor)
        return;
    g_signal_connect(monitor, "changed", G_CALLBACK(onChanged), this);
    monitors_.emplace(path.string(), monitor);
}

void SyncWatch::refresh()
{
    watch(folder_);
    // Pictures arrive after the journal lines naming them: their placeholders wait for them.
    watch(folder_ / SyncFolder::picturesName);
    watch(folder_ / SyncFolder::formatsName);
    const std::filesystem::path devices = folder_ / SyncFolder::devicesName;
    watch(devices);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(devices, error))
        if (isSyncId(entry.path().filename().string()))
            watch(entry.path());
}

} // namespace brimble
