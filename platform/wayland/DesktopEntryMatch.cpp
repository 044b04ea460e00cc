#include "platform/wayland/DesktopEntryMatch.h"

#include <glib.h>

namespace brimble::wayland {

namespace {

std::string folded(std::string_view text)
{
    g_autofree gchar* result = g_utf8_casefold(text.data(), static_cast<gssize>(text.size()));
    return result ? std::string(result) : std::string();
}

bool endsWithPart(const std::string& id, const std::string& part)
{
    return id.size() > part.size() && id.ends_with(part) && id[id.size() - part.size() - 1] == '.';
}

} // namespace

std::optional<std::string> desktopEntryForAppId(std::string_view appId, const std::vector<DesktopEntryTraits>& entries)
{
    if (appId.empty())
        return std::nullopt;
    for (const DesktopEntryTraits& entry : entries) {
        if (entry.id == appId)
            return entry.id;
    }
    const std::string wanted = folded(appId);
    for (const DesktopEntryTraits& entry : entries) {
        if (entry.foldedId == wanted || (!entry.foldedWmClass.empty() && entry.foldedWmClass == wanted))
            return entry.id;
    }
    for (const DesktopEntryTraits& entry : entries) {
        if (endsWithPart(entry.foldedId, wanted))
            return entry.id;
    }
    return std::string(appId);
}

} // namespace brimble::wayland
