#include "history/ImageFiles.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <glib.h>

#include "history/AppSupport.h"
#include "common/AtomicFile.h"
#include "history/ClipboardStore.h"
#include "history/LeftoverFiles.h"
#include "common/Uuid.h"

namespace brimble {

namespace {

constexpr int imageFolderMode = 0700;
constexpr int imageFileMode = 0600;

bool isBase64Letter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+'
        || c == '/';
}

// The size the file system reports, 0 for a missing or unreadable file.
uint64_t fileBytes(const std::filesystem::path& path)
{
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<uint64_t>(size);
}

} // namespace

std::optional<EncodedImage> encodeImage(ImageCodec& codec, const PlatformImage& image,
                                        ImageFormat format, int maxSide)
{
    return codec.encode(image, format, maxSide);
}

std::optional<std::string> writeImage(const std::filesystem::path& dataHome,
                                      std::span<const uint8_t> bytes, const std::string& ext)
{
    const std::filesystem::path folder = AppSupport::imagesFolder(dataHome);
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    // Only our own folder is narrowed: a file standing in its place, or a link to a folder
    // elsewhere, keeps the mode its owner gave it.
    if (std::filesystem::is_directory(std::filesystem::symlink_status(folder, ignored)))
        std::filesystem::permissions(folder, static_cast<std::filesystem::perms>(imageFolderMode),
                                     std::filesystem::perm_options::replace, ignored);

    std::string name = newUuid() + "." + ext;
    const std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!writeFileAtomically(folder / name, data, imageFileMode))
        return std::nullopt;
    return name;
}

bool isImageFileName(std::string_view name)
{
    if (name.size() != 40)
        return false;
    for (char c : name.substr(0, 36)) {
        if (!g_ascii_isxdigit(c) && c != '-')
            return false;
    }
    const std::string_view extension = name.substr(36);
    return extension == ".png" || extension == ".jpg";
}

bool isImageTemporaryName(std::string_view name)
{
    // GLib's temporary of an atomic write: the target's name, ".", six letters or digits.
    constexpr size_t randomPart = 6;
    if (name.size() != 40 + 1 + randomPart || name[40] != '.' || !isImageFileName(name.substr(0, 40)))
        return false;
    return std::all_of(name.end() - randomPart, name.end(), [](char c) { return g_ascii_isalnum(c); });
}

std::optional<Bytes> decodeBase64Strictly(std::string_view text)
{
    // GLib's decoder skips anything it does not know, so the text is checked first.
    if (text.size() % 4 != 0)
        return std::nullopt;
    size_t padding = 0;
    while (padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    if (padding > 2)
        return std::nullopt;
    if (!std::all_of(text.begin(), text.end() - static_cast<std::ptrdiff_t>(padding), isBase64Letter))
        return std::nullopt;
    if (text.empty())
        return Bytes{};

    const std::string terminated(text);
    gsize length = 0;
    g_autofree guchar* decoded = g_base64_decode(terminated.c_str(), &length);
    if (!decoded)
        return std::nullopt;
    return Bytes(decoded, decoded + length);
}

void ClipboardStore::convertInlineImages()
{
    if (std::none_of(items.begin(), items.end(), [](const Clip& clip) { return clip.img.has_value(); }))
        return;

    bool changed = false;
    for (Clip& clip : items) {
        if (!clip.img)
            continue;
        if (clip.imgFile) {
            clip.img.reset();
            continue;
        }
        const std::string dataURL = std::move(*clip.img);
        clip.img.reset();
        changed = true;

        const size_t comma = dataURL.find(',');
        if (comma == std::string::npos)
            continue;
        const std::optional<Bytes> bytes = decodeBase64Strictly(std::string_view(dataURL).substr(comma + 1));
        if (!bytes)
            continue;
        // The legacy bytes are kept exactly as they were, without scaling or re-encoding.
        const std::string ext = dataURL.find("image/jpeg") != std::string::npos ? "jpg" : "png";
        std::optional<std::string> name = writeImage(dataHome_, *bytes, ext);
        if (!name)
            continue;
        clip.imgFile = std::move(*name);
        clip.sig = sha256Hex(*bytes);
    }

    // A picture still on its way from another machine has no file either, and stays.
    std::erase_if(items, [](const Clip& clip) { return clip.kind == "image" && !clip.imgFile && !awaitsPicture(clip); });
    if (changed)
        save();
}

void ClipboardStore::pruneImages()
{
    pruneFormats();
    const std::filesystem::path folder = AppSupport::imagesFolder(dataHome_);
    const std::optional<std::vector<std::string>> listed = listFolderNames(folder);
    if (!listed)
        return;

    std::unordered_set<std::string> referenced;
    for (const Clip& clip : items)
        if (clip.imgFile)
            referenced.insert(*clip.imgFile);
    namesSeen_.insert(referenced.begin(), referenced.end());
    std::unordered_set<std::string> kept = referenced;
    kept.insert(heldFiles_.begin(), heldFiles_.end());
    // Anything else of ours in the folder is a leftover: of a removed entry, or of a crash. Only
    // names of the form Brimble writes are ours; the folder may be a link to one the user keeps
    // other files in. While the history file did not load whole, a picture that no entry of this
    // run named may belong to an entry of the copy set aside, and is kept for its rescue;
    // its temporaries still go, as a picture write cut short is named by no entry, not even one set aside.
    removeLeftovers(folder, *listed, kept,
                    {isImageFileName, isImageTemporaryName, picturesAtRisk_, &namesSeen_});

    // Sizes are asked once per file; only a removed file is asked again. Two entries naming
    // one file count it twice, as the budget measure does.
    std::unordered_map<std::string, uint64_t> sizes;
    for (const std::string& name : referenced)
        sizes.emplace(name, fileBytes(folder / name));
    auto total = [&] {
        uint64_t sum = 0;
        for (const Clip& clip : items)
            if (clip.imgFile)
                sum += sizes[*clip.imgFile];
        return sum;
    };

    // Oldest unpinned pictures go first; pinned ones sit at the front, so they go last.
    size_t end = items.size();
    while (total() > imagesBudgetBytes) {
        while (end > 0 && !items[end - 1].imgFile)
            --end;
        if (end == 0)
            break;
        const std::string name = *items[end - 1].imgFile;
        std::error_code ignored;
        std::filesystem::remove(folder / name, ignored);
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(end - 1));
        --end;
        sizes[name] = fileBytes(folder / name);
    }
}

uint64_t ClipboardStore::imagesTotalBytes() const
{
    const std::filesystem::path folder = AppSupport::imagesFolder(dataHome_);
    uint64_t sum = 0;
    for (const Clip& clip : items)
        if (clip.imgFile)
            sum += fileBytes(folder / *clip.imgFile);
    return sum;
}

} // namespace brimble
