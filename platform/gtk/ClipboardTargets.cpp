#include "platform/gtk/ClipboardTargets.h"

#include <algorithm>
#include <array>
#include <utility>

#include <glib.h>

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

// GTK's own order: UTF-8, then the two older encodings of X11, then the names that leave the
// encoding to the owner (TEXT answers in any of the three).
constexpr std::array<std::string_view, 6> textTargetsByPreference{
    "UTF8_STRING", "text/plain;charset=utf-8", "COMPOUND_TEXT", "STRING", "TEXT", "text/plain"};

std::string withUnixLineBreaks(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            result += text[i];
            continue;
        }
        result += '\n';
        if (i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
    }
    return result;
}

bool offers(const std::vector<std::string>& targets, std::string_view target)
{
    return std::find(targets.begin(), targets.end(), target) != targets.end();
}

} // namespace

bool isCapturedPictureType(std::string_view target)
{
    return std::find(imageTargetsByPreference.begin(), imageTargetsByPreference.end(), target)
        != imageTargetsByPreference.end();
}

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

std::string preferredTextTarget(const std::vector<std::string>& targets)
{
    for (std::string_view target : textTargetsByPreference) {
        if (offers(targets, target))
            return std::string(target);
    }
    return {};
}

std::vector<std::string> textTargetsToTry(const std::vector<std::string>& targets)
{
    if (targets.empty())
        return {"UTF8_STRING", "COMPOUND_TEXT", "STRING"};
    std::vector<std::string> result;
    for (std::string_view target : textTargetsByPreference) {
        if (offers(targets, target))
            result.emplace_back(target);
    }
    return result;
}

std::optional<std::string> textFromSelection(std::string_view type, std::string_view bytes)
{
    if (type == "UTF8_STRING" || type == "text/plain;charset=utf-8" || type == "text/plain")
        return withUnixLineBreaks(bytes);
    if (type == "STRING") {
        // STRING is Latin-1 by definition; every byte has a character, so this cannot fail.
        gsize written = 0;
        g_autofree gchar* utf8 = g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", "ISO-8859-1",
                                           nullptr, &written, nullptr);
        if (!utf8)
            return std::nullopt;
        return withUnixLineBreaks(std::string_view(utf8, written));
    }
    return std::nullopt;
}

} // namespace brimble
