#include "platform/wayland/OfferedTypes.h"

#include <algorithm>
#include <array>

#include "platform/gtk/ClipboardTargets.h"

namespace brimble::wayland {

namespace {

// "text/plain" without a charset is UTF-8 among Wayland programs. The older X11 names in other
// encodings (STRING, TEXT) are never read: capture keeps UTF-8 only.
constexpr std::array<std::string_view, 3> textTypesByPreference{"text/plain;charset=utf-8", "UTF8_STRING",
                                                                "text/plain"};

bool offers(const std::vector<std::string>& mimeTypes, std::string_view mimeType)
{
    return std::find(mimeTypes.begin(), mimeTypes.end(), mimeType) != mimeTypes.end();
}

} // namespace

void addOfferedType(std::vector<std::string>& mimeTypes, std::string_view mimeType)
{
    if (!mimeType.empty() && !offers(mimeTypes, mimeType))
        mimeTypes.emplace_back(mimeType);
}

std::set<std::string> typesForOffer(const std::vector<std::string>& mimeTypes, std::string_view ownMarker)
{
    std::set<std::string> types;
    for (const std::string& mimeType : mimeTypes) {
        if (mimeType != ownMarker)
            types.insert(typeForTarget(mimeType));
    }
    return types;
}

std::string preferredTextType(const std::vector<std::string>& mimeTypes)
{
    for (std::string_view mimeType : textTypesByPreference) {
        if (offers(mimeTypes, mimeType))
            return std::string(mimeType);
    }
    return {};
}

const std::vector<std::string>& textTypesWritten()
{
    static const std::vector<std::string> types{"text/plain;charset=utf-8", "text/plain", "UTF8_STRING"};
    return types;
}

std::string ownMarkerType(std::string_view token)
{
    return "application/x-brimble-copy-" + std::string(token);
}

bool isOwnOffer(const std::vector<std::string>& mimeTypes, std::string_view ownMarker)
{
    return !ownMarker.empty() && offers(mimeTypes, ownMarker);
}

} // namespace brimble::wayland
