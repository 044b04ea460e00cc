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

void OfferedTypeList::add(std::string_view mimeType)
{
    if (mimeType.empty() || !complete_)
        return;
    if (types_.size() >= maxOfferedTypes || bytes_ + mimeType.size() > maxOfferedTypeBytes) {
        complete_ = false;
        return;
    }
    if (!seen_.emplace(mimeType).second)
        return;
    bytes_ += mimeType.size();
    types_.emplace_back(mimeType);
}

std::vector<std::string> OfferedTypeList::take()
{
    std::vector<std::string> result = std::move(types_);
    types_.clear();
    seen_.clear();
    bytes_ = 0;
    return result;
}

std::string preferredPictureType(const std::vector<std::string>& mimeTypes)
{
    const std::string picture = preferredImageTarget(mimeTypes);
    return isCapturedPictureType(picture) ? picture : std::string();
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
