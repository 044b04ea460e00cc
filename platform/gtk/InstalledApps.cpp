#include "platform/gtk/InstalledApps.h"

#include <gio/gdesktopappinfo.h>

#include <algorithm>
#include <string_view>

#include "common/UnicodeText.h"

namespace brimble {

std::string foldedForMatching(const char* text)
{
    return text ? caseFolded(text) : std::string();
}

bool includesEntry(const std::vector<DesktopEntryTraits>& entries, const std::string& id)
{
    const std::string wanted = foldedForMatching(id.c_str());
    return std::any_of(entries.begin(), entries.end(),
                       [&](const DesktopEntryTraits& entry) { return entry.foldedId == wanted; });
}

std::vector<DesktopEntryTraits> installedDesktopEntries()
{
    constexpr std::string_view desktopSuffix = ".desktop";
    std::vector<DesktopEntryTraits> entries;
    GList* all = g_app_info_get_all();
    for (GList* item = all; item; item = item->next) {
        auto* info = static_cast<GAppInfo*>(item->data);
        const char* rawId = g_app_info_get_id(info);
        if (!rawId)
            continue;
        std::string id(rawId);
        if (id.ends_with(desktopSuffix))
            id.resize(id.size() - desktopSuffix.size());
        const char* wmClass = G_IS_DESKTOP_APP_INFO(info)
            ? g_desktop_app_info_get_startup_wm_class(G_DESKTOP_APP_INFO(info))
            : nullptr;
        const char* executable = g_app_info_get_executable(info);
        const std::string program = executable ? programName(executable) : std::string();
        entries.push_back({id, foldedForMatching(id.c_str()), foldedForMatching(wmClass),
                           foldedForMatching(program.c_str())});
    }
    g_list_free_full(all, g_object_unref);
    return entries;
}

InstalledEntries::InstalledEntries() : monitor_(g_app_info_monitor_get())
{
    g_signal_connect(monitor_, "changed", G_CALLBACK(onAppsChanged), this);
}

InstalledEntries::~InstalledEntries()
{
    g_signal_handlers_disconnect_by_data(monitor_, this);
    g_object_unref(monitor_);
}

const std::vector<DesktopEntryTraits>& InstalledEntries::all()
{
    if (!loaded_) {
        entries_ = installedDesktopEntries();
        loaded_ = true;
    }
    return entries_;
}

void InstalledEntries::onAppsChanged(GAppInfoMonitor*, gpointer self)
{
    static_cast<InstalledEntries*>(self)->loaded_ = false;
}

} // namespace brimble
