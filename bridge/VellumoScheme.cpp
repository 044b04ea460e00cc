#include "bridge/VellumoScheme.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string>
#include <variant>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <glib.h>

#include "bridge/PageCatalogue.h"
#include "history/ImageFiles.h"

namespace brimble {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view imageRoutePrefix = "/img/";
// The page's catalogue has one address whatever the language, so a page built anew reads the
// one chosen at start.
constexpr std::string_view catalogueRoute = "/i18n/catalogue.json";
// "/file-icon/<entry id>/<place in its list of files>".
constexpr std::string_view fileIconRoutePrefix = "/file-icon/";

struct ContentType {
    std::string_view extension;
    std::string_view mimeType;
};

constexpr std::array<ContentType, 6> contentTypes = {{
    {"html", "text/html"},
    {"js", "application/javascript"},
    {"css", "text/css"},
    {"png", "image/png"},
    {"svg", "image/svg+xml"},
    {"json", "application/json"},
}};

struct RequestTarget {
    std::string host;
    std::string path;
};

// The decoded host and path of a request; a query and a fragment are not part of the file. An
// address that does not parse counts as none (1); one whose path cannot be decoded, "%00" or a
// broken escape, names no file (404).
std::variant<RequestTarget, SchemeError> splitRequest(std::string_view url)
{
    if (url.empty() || url.find('\0') != std::string_view::npos)
        return SchemeError{1};
    const std::string text(url);
    g_autofree char* host = nullptr;
    g_autofree char* path = nullptr;
    // Kept encoded so that GLib does not fold "%2F" or ".." away: both are decided later, on the
    // final path, by one rule.
    if (!g_uri_split(text.c_str(), G_URI_FLAGS_ENCODED, nullptr, nullptr, &host, nullptr, &path,
                     nullptr, nullptr, nullptr))
        return SchemeError{1};
    RequestTarget target;
    target.host = host ? host : "";
    if (path) {
        g_autofree char* decoded = g_uri_unescape_string(path, nullptr);
        if (!decoded)
            return SchemeError{404};
        target.path = decoded;
    }
    return target;
}

// Resolves symbolic links in the longest existing leading part of a path that has no "." or
// ".." left; the rest is appended unchanged, so a missing file still gets a comparable path.
fs::path resolveLinks(const fs::path& path)
{
    fs::path existing = path;
    fs::path rest;
    for (;;) {
        char resolved[PATH_MAX];
        if (::realpath(existing.c_str(), resolved))
            return rest.empty() ? fs::path(resolved) : fs::path(resolved) / rest;
        const fs::path parent = existing.parent_path();
        if (parent == existing || parent.empty())
            return path;
        rest = rest.empty() ? existing.filename() : existing.filename() / rest;
        existing = parent;
    }
}

std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool liesWithin(const std::string& path, const std::string& root)
{
    if (path == root)
        return true;
    const std::string prefix = root == "/" ? root : root + "/";
    return path.starts_with(prefix);
}

// Whether an open file really lies within `root`, asked of the kernel after the open, so that a
// link swapped in after the path was checked is refused too.
bool openedWithin(int fd, const std::string& root)
{
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    char target[PATH_MAX];
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
    // Without /proc the check made before the open stands alone.
    if (length < 0)
        return errno == ENOENT;
    return liesWithin(std::string(target, static_cast<size_t>(length)), root);
}

// Reads a regular file inside `root` whole. The last component must not be a symbolic link, and
// nothing but a regular file is read, so a FIFO or device placed in a folder cannot block or leak.
std::optional<std::vector<uint8_t>> readRegularFile(const fs::path& path, const std::string& root)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::vector<uint8_t>> bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && openedWithin(fd, root)) {
        bytes.emplace();
        bytes->reserve(static_cast<size_t>(info.st_size));
        std::array<uint8_t, 65536> chunk{};
        for (;;) {
            const ssize_t count = ::read(fd, chunk.data(), chunk.size());
            if (count == 0)
                break;
            if (count < 0) {
                if (errno == EINTR)
                    continue;
                bytes.reset();
                break;
            }
            bytes->insert(bytes->end(), chunk.begin(), chunk.begin() + count);
        }
    }
    ::close(fd);
    return bytes;
}

std::string_view mimeTypeFor(const fs::path& requested)
{
    const std::string extension = requested.extension().string();
    if (extension.size() > 1) {
        const std::string_view bare = std::string_view(extension).substr(1);
        for (const ContentType& type : contentTypes) {
            if (type.extension == bare)
                return type.mimeType;
        }
    }
    return "application/octet-stream";
}

// A folder as an absolute path with its links resolved; nothing when it cannot be made absolute,
// since an empty root would let every path pass the prefix check.
std::optional<std::string> resolvedFolder(const fs::path& folder)
{
    std::error_code error;
    const fs::path absolute = fs::absolute(folder, error);
    if (error || absolute.empty())
        return std::nullopt;
    return withoutTrailingSlash(resolveLinks(absolute.lexically_normal()).string());
}

SchemeResult serveImage(const fs::path& imagesFolder, std::string_view name)
{
    // The name rule is checked before the disk is touched, so no other name is ever opened.
    if (!isImageFileName(name) || imagesFolder.empty())
        return SchemeError{404};
    const std::optional<std::string> folder = resolvedFolder(imagesFolder);
    if (!folder)
        return SchemeError{404};
    auto bytes = readRegularFile(fs::path(*folder) / std::string(name), *folder);
    if (!bytes)
        return SchemeError{404};
    return SchemeResponse{name.ends_with(".jpg") ? "image/jpeg" : "image/png", "", std::move(*bytes)};
}

SchemeResult serveResource(const fs::path& resourcesDir, const std::string& relative)
{
    const std::optional<std::string> rootPath = resolvedFolder(resourcesDir);
    if (!rootPath)
        return SchemeError{404};
    // The relative path is appended to the folder as text: one that starts with "/" stays below
    // the folder instead of replacing it. "." and ".." go first, then links are resolved.
    std::error_code error;
    const fs::path requested = fs::path(fs::absolute(resourcesDir, error).string() + "/" + relative);
    const std::string filePath = withoutTrailingSlash(resolveLinks(requested.lexically_normal()).string());
    if (!liesWithin(filePath, *rootPath))
        return SchemeError{403};

    auto bytes = readRegularFile(filePath, *rootPath);
    if (!bytes)
        return SchemeError{404};
    return SchemeResponse{std::string(mimeTypeFor(requested)), "utf-8", std::move(*bytes)};
}

SchemeResult serveCatalogue(const fs::path& catalogue)
{
    constexpr std::string_view json = "application/json";
    if (catalogue.empty()) {
        const std::string_view english = englishPageCatalogue();
        return SchemeResponse{std::string(json), "utf-8", std::vector<uint8_t>(english.begin(), english.end())};
    }
    const std::optional<std::string> folder = resolvedFolder(catalogue.parent_path());
    if (!folder)
        return SchemeError{404};
    auto bytes = readRegularFile(fs::path(*folder) / catalogue.filename(), *folder);
    if (!bytes)
        return SchemeError{404};
    return SchemeResponse{std::string(json), "utf-8", std::move(*bytes)};
}

// The entry and place a file-icon path names after its route, or nothing.
std::optional<FileIconRequest> fileIconOf(std::string_view rest)
{
    constexpr size_t longestId = 64;
    constexpr size_t longestIndex = 4;
    const size_t slash = rest.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const std::string_view id = rest.substr(0, slash);
    const std::string_view index = rest.substr(slash + 1);
    const bool idValid = !id.empty() && id.size() <= longestId
        && std::all_of(id.begin(), id.end(), [](char c) { return g_ascii_isalnum(c) || c == '-'; });
    const bool indexValid = !index.empty() && index.size() <= longestIndex
        && std::all_of(index.begin(), index.end(), [](char c) { return g_ascii_isdigit(c); });
    if (!idValid || !indexValid)
        return std::nullopt;
    return FileIconRequest{std::string(id), std::stoul(std::string(index))};
}

SchemeResult serveFileIcon(const FileIconSource& fileIcon, std::string_view rest)
{
    const std::optional<FileIconRequest> request = fileIconOf(rest);
    if (!fileIcon || !request)
        return SchemeError{404};
    std::optional<std::vector<uint8_t>> png = fileIcon(request->clipId, request->index);
    if (!png)
        return SchemeError{404};
    return SchemeResponse{"image/png", "", std::move(*png)};
}

} // namespace

std::optional<FileIconRequest> fileIconRequest(std::string_view url)
{
    const auto split = splitRequest(url);
    const auto* target = std::get_if<RequestTarget>(&split);
    if (!target || target->host != "clipboard" || !target->path.starts_with(fileIconRoutePrefix))
        return std::nullopt;
    return fileIconOf(std::string_view(target->path).substr(fileIconRoutePrefix.size()));
}

VellumoScheme::VellumoScheme(fs::path resourcesDir, fs::path imagesFolder, fs::path pageCatalogue,
                             FileIconSource fileIcon)
    : resourcesDir_(std::move(resourcesDir))
    , imagesFolder_(std::move(imagesFolder))
    , pageCatalogue_(std::move(pageCatalogue))
    , fileIcon_(std::move(fileIcon))
{
}

SchemeResult VellumoScheme::serve(std::string_view url) const
{
    const auto split = splitRequest(url);
    if (const auto* error = std::get_if<SchemeError>(&split); error && error->code == 1)
        return *error;
    if (resourcesDir_.empty())
        return SchemeError{1};
    if (const auto* error = std::get_if<SchemeError>(&split))
        return *error;
    const auto& [host, path] = std::get<RequestTarget>(split);
    if (host == "clipboard" && path.starts_with(imageRoutePrefix))
        return serveImage(imagesFolder_, std::string_view(path).substr(imageRoutePrefix.size()));
    if (host == "clipboard" && path.starts_with(fileIconRoutePrefix))
        return serveFileIcon(fileIcon_, std::string_view(path).substr(fileIconRoutePrefix.size()));
    if (host == "clipboard" && path == catalogueRoute)
        return serveCatalogue(pageCatalogue_);
    return serveResource(resourcesDir_, host + path);
}

} // namespace brimble
