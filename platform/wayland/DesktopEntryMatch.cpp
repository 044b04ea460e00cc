#include "platform/wayland/DesktopEntryMatch.h"

#include "common/UnicodeText.h"

namespace brimble::wayland {

namespace {

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
    const std::string wanted = caseFolded(appId);
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
