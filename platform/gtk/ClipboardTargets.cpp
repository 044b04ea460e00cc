#include "platform/gtk/ClipboardTargets.h"

#include <algorithm>
#include <array>
#include <utility>

namespace brimble {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 6> knownTargets{{
    {"UTF8_STRING", "public.utf8-plain-text"},
    {"text/plain;charset=utf-8", "public.utf8-plain-text"},
    {"image/png", "public.png"},
    {"image/jpeg", "public.jpeg"},
    {"image/tiff", "public.tiff"},
    {"x-kde-passwordManagerHint", "org.nspasteboard.ConcealedType"},
}};

constexpr std::array<std::string_view, 3> imageTargetsByPreference{"image/png", "image/jpeg", "image/tiff"};

bool offers(const std::vector<std::string>& targets, std::string_view target)
{
    return std::find(targets.begin(), targets.end(), target) != targets.end();
}

} // namespace

std::string typeForTarget(std::string_view target)
{
    for (const auto& [name, type] : knownTargets) {
        if (name == target)
            return std::string(type);
    }
    return std::string(target);
}

std::set<std::string> typesForTargets(const std::vector<std::string>& targets)
{
    std::set<std::string> types;
    for (const std::string& target : targets)
        types.insert(typeForTarget(target));
    return types;
}

std::string preferredImageTarget(const std::vector<std::string>& targets)
{
    for (std::string_view target : imageTargetsByPreference) {
        if (offers(targets, target))
            return std::string(target);
    }
    for (const std::string& target : targets) {
        if (target.starts_with("image/"))
            return target;
    }
    return {};
}

} // namespace brimble
