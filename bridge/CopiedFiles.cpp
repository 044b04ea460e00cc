#include "bridge/CopiedFiles.h"

#include <algorithm>
#include <string_view>

#include <glib.h>

#include "platform/KeptFormats.h"

namespace brimble {

namespace {

bool hasFormat(const Clip& clip, std::initializer_list<std::string_view> types)
{
    return std::any_of(clip.formats.begin(), clip.formats.end(), [&](const ClipFormat& format) {
        return std::find(types.begin(), types.end(), format.type) != types.end();
    });
}

// The local path a line of a copied-files text names, or "" when it names none.
std::string pathOfLine(std::string_view line)
{
    if (line.starts_with("/"))
        return std::string(line);
    if (!line.starts_with("file:"))
        return {};
    const std::string uri(line);
    g_autofree gchar* path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
    return path ? path : "";
}

} // namespace

bool isFormatted(const Clip& clip)
{
    return hasFormat(clip, {KeptFormats::html, KeptFormats::rtf, KeptFormats::richText, "application/rtf"});
}

bool isCopiedFiles(const Clip& clip)
{
    return hasFormat(clip, {KeptFormats::uriList, KeptFormats::gnomeFiles});
}

std::vector<CopiedFile> copiedFiles(const Clip& clip, size_t limit, size_t& count,
                                    const std::function<bool(const std::string&)>& isMissing)
{
    std::vector<CopiedFile> files;
    count = 0;
    const std::string_view text = clip.text;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string path = pathOfLine(line);
        if (path.empty())
            continue;
        ++count;
        if (files.size() == limit)
            continue;
        g_autofree gchar* base = g_path_get_basename(path.c_str());
        g_autofree gchar* shown = g_filename_display_name(base);
        const bool missing = isMissing ? isMissing(path) : !g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
        files.push_back({shown, missing, path});
    }
    return files;
}

std::optional<std::string> copiedFilePath(const Clip& clip, size_t index)
{
    if (!isCopiedFiles(clip))
        return std::nullopt;
    size_t count = 0;
    std::vector<CopiedFile> files = copiedFiles(clip, index + 1, count);
    if (index >= files.size() || files[index].missing)
        return std::nullopt;
    return std::move(files[index].path);
}

} // namespace brimble
