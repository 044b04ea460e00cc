#include "platform/KeptFormats.h"

#include <algorithm>
#include <array>

#include <glib.h>

namespace brimble::KeptFormats {

namespace {

constexpr std::array<std::string_view, 3> richTexts{rtf, richText, "application/rtf"};
constexpr std::array<std::string_view, 3> fileNames{uriList, gnomeFiles, kdeCut};
constexpr std::array<std::string_view, 3> pictureTypes{"image/png", "image/jpeg", "image/tiff"};
// The plain-text names of X11 and of Wayland; "text/plain" also stands for its charset variants.
constexpr std::array<std::string_view, 4> plainTextNames{"UTF8_STRING", "COMPOUND_TEXT", "STRING", "TEXT"};

bool offers(const std::vector<std::string>& offered, std::string_view type)
{
    return std::find(offered.begin(), offered.end(), type) != offered.end();
}

bool isPlainText(std::string_view type)
{
    return type == "text/plain" || type.starts_with("text/plain;")
        || std::find(plainTextNames.begin(), plainTextNames.end(), type) != plainTextNames.end();
}

bool isHtmlVariant(std::string_view type)
{
    return type.starts_with("text/html;");
}

std::string lowered(std::string_view text)
{
    g_autofree gchar* down = g_ascii_strdown(text.data(), static_cast<gssize>(text.size()));
    return down;
}

} // namespace

bool isKept(std::string_view type)
{
    return capFor(type) > 0;
}

size_t capFor(std::string_view type)
{
    if (type == html || std::find(richTexts.begin(), richTexts.end(), type) != richTexts.end())
        return maxFormattedBytes;
    if (std::find(fileNames.begin(), fileNames.end(), type) != fileNames.end())
        return maxFilesBytes;
    return 0;
}

std::vector<Read> formatsToRead(const std::vector<std::string>& offered)
{
    std::vector<Read> reads;
    if (offers(offered, html)) {
        reads.push_back({std::string(html), std::string(html)});
    } else {
        // A charset variant alone: UTF-8 named first, else whichever comes first.
        auto variant = std::find_if(offered.begin(), offered.end(), [](const std::string& type) {
            return isHtmlVariant(type) && lowered(type).find("utf-8") != std::string::npos;
        });
        if (variant == offered.end())
            variant = std::find_if(offered.begin(), offered.end(),
                                   [](const std::string& type) { return isHtmlVariant(type); });
        if (variant != offered.end())
            reads.push_back({*variant, std::string(html)});
    }
    for (std::string_view type : richTexts) {
        if (offers(offered, type)) {
            reads.push_back({std::string(type), std::string(type)});
            break;
        }
    }
    for (std::string_view type : fileNames) {
        if (offers(offered, type))
            reads.push_back({std::string(type), std::string(type)});
    }
    return reads;
}

bool readsPicture(const std::vector<std::string>& offered)
{
    const bool picture = std::any_of(pictureTypes.begin(), pictureTypes.end(),
                                     [&](std::string_view type) { return offers(offered, type); });
    return picture && std::none_of(offered.begin(), offered.end(), [](const std::string& type) { return isPlainText(type); });
}

std::optional<std::string> normalised(std::string_view offered, std::string_view keptAs, std::string bytes)
{
    if (keptAs != html)
        return bytes;
    const bool bom16 = bytes.size() >= 2
        && ((bytes[0] == '\xff' && bytes[1] == '\xfe') || (bytes[0] == '\xfe' && bytes[1] == '\xff'));
    if (bom16 || lowered(offered).find("utf-16") != std::string::npos) {
        // "UTF-16" reads the byte-order mark; without one the owner meant little-endian, as X11
        // programs that send it run on little-endian machines.
        const char* from = bom16 ? "UTF-16" : "UTF-16LE";
        gsize written = 0;
        g_autofree gchar* utf8 =
            g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", from, nullptr, &written, nullptr);
        if (!utf8)
            return std::nullopt;
        bytes.assign(utf8, written);
    }
    // Some owners end the text with a NUL, as C strings do.
    while (!bytes.empty() && bytes.back() == '\0')
        bytes.pop_back();
    if (bytes.empty() || !g_utf8_validate_len(bytes.data(), bytes.size(), nullptr))
        return std::nullopt;
    return bytes;
}

std::vector<std::string> filesOfUriList(std::string_view list, size_t limit)
{
    std::vector<std::string> files;
    size_t start = 0;
    while (start < list.size() && files.size() < limit) {
        size_t end = list.find('\n', start);
        if (end == std::string_view::npos)
            end = list.size();
        std::string_view line = list.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\0'))
            line.remove_suffix(1);
        // "copy" or "cut" heads GNOME's list; "#" starts a comment in a URI list.
        if (line.empty() || line.front() == '#' || line.find(':') == std::string_view::npos)
            continue;
        const std::string uri(line);
        g_autofree gchar* path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
        if (path) {
            g_autofree gchar* shown = g_filename_display_name(path);
            files.emplace_back(shown);
        } else if (g_utf8_validate_len(uri.data(), uri.size(), nullptr)) {
            files.push_back(uri);
        }
    }
    return files;
}

} // namespace brimble::KeptFormats
