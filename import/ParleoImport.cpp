#include "import/ParleoImport.h"

#include <algorithm>
#include <system_error>
#include <unordered_set>

#include <glib.h>

#include "settings/Settings.h"
#include "common/Translation.h"
#include "common/JsonText.h"
#include "history/AppSupport.h"
#include "history/Capture.h"
#include "history/ClipCodec.h"
#include "history/ClipboardStore.h"
#include "platform/Defaults.h"
#include "platform/Dialogs.h"

namespace brimble {

namespace fs = std::filesystem;

namespace {

constexpr const char* confirmText = N_(
    "This makes a one-time COPY into Brimble's own storage. Parleo 2.0 keeps its history untouched "
    "\u2014 nothing there is modified, moved, or deleted \u2014 and from now on the two apps record "
    "independently.");

fs::path parleoHistoryFile(const fs::path& dataHome)
{
    return parleoFolder(dataHome) / "clipboard.json";
}

fs::path parleoImagesFolder(const fs::path& dataHome)
{
    return parleoFolder(dataHome) / "clipboard-images";
}

// Whether anything, even a dangling link, lies at `path`.
bool somethingAt(const fs::path& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// Whether `path`, once every link on the way is followed, lies inside `folder` (already
// resolved). A path that cannot be resolved (missing, a loop) is not inside.
bool leadsInside(const fs::path& path, const fs::path& folder)
{
    std::error_code error;
    const fs::path resolved = fs::canonical(path, error);
    if (error)
        return false;
    const auto [inFolder, inPath] = std::mismatch(folder.begin(), folder.end(), resolved.begin(), resolved.end());
    return inFolder == folder.end();
}

// Whether capture would record this text: at most 2 MiB and 50,000 characters.
bool withinCaptureLimits(const std::string& text)
{
    if (text.size() > maxTextBytes)
        return false;
    return text.size() <= maxTextGraphemes || graphemeCount(text) <= maxTextGraphemes;
}

std::optional<std::string> readWholeFile(const fs::path& path)
{
    g_autofree char* contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &contents, &length, nullptr))
        return std::nullopt;
    return std::string(contents, length);
}

enum class ImageCopy { Copied, AlreadyThere, Failed };

// Brings one picture over. A file already in Brimble's folder is kept as it is, even when it
// differs; the companion's file is only read.
ImageCopy copyImage(const fs::path& source, const fs::path& target, const fs::path& companionFolder)
{
    if (somethingAt(target))
        return ImageCopy::AlreadyThere;
    std::error_code error;
    if (!fs::is_regular_file(source, error)) // a folder of that name is no picture
        return ImageCopy::Failed;
    // A link that leads out of the companion's folder could bring any file of the user's into
    // Brimble's picture folder, where the page would show it.
    if (!leadsInside(source, companionFolder))
        return ImageCopy::Failed;
    if (!fs::copy_file(source, target, fs::copy_options::none, error)) {
        // A copy cut short must not leave a half file behind that a later import would keep.
        if (somethingAt(target))
            fs::remove(target, error);
        return ImageCopy::Failed;
    }
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, error);
    return ImageCopy::Copied;
}

} // namespace

fs::path parleoFolder(const fs::path& dataHome)
{
    return dataHome / "Parleo 2.0";
}

std::optional<ImportResult> importHistory(ClipboardStore& store, const fs::path& historyFile,
                                          const fs::path& imagesFolder)
{
    std::error_code resolveError;
    const fs::path companionFolder = fs::canonical(historyFile.parent_path(), resolveError);
    if (resolveError || !leadsInside(historyFile, companionFolder))
        return std::nullopt;
    const std::optional<std::string> bytes = readWholeFile(historyFile);
    if (!bytes)
        return std::nullopt;
    std::optional<json::RecordList<Clip>> decoded = decodeClipList(*bytes);
    if (!decoded)
        return std::nullopt;

    // Only now, with a valid history in hand, is anything on disk touched.
    const fs::path ownImages = AppSupport::imagesFolder(store.dataHome());
    std::error_code error;
    fs::create_directories(ownImages, error);
    fs::permissions(ownImages, fs::perms::owner_all, fs::perm_options::replace, error);

    // The known ids are taken once: two companion entries with the same id both come over.
    std::unordered_set<std::string> known;
    for (const Clip& clip : store.items)
        known.insert(clip.id);

    ImportResult result;
    result.leftOut = static_cast<int>(decoded->leftOut);
    std::vector<Clip> merged = store.items;
    for (Clip& clip : decoded->records) {
        if (known.contains(clip.id))
            continue;
        // The same limits as a copy: a text capture would not record is not taken in this way.
        if (!withinCaptureLimits(clip.text)) {
            ++result.leftOut;
            continue;
        }
        if (clip.imgFile) {
            const fs::path source = imagesFolder / *clip.imgFile;
            if (copyImage(source, ownImages / *clip.imgFile, companionFolder) == ImageCopy::Failed) {
                ++result.skipped;
                continue;
            }
            ++result.images;
        } else if (clip.kind == "image" && !clip.img) {
            ++result.skipped;
            continue;
        }
        merged.push_back(std::move(clip));
        ++result.copied;
    }

    store.items = pinnedFirst(std::move(merged));
    store.convertInlineImages();
    store.applyHistoryLimit();
    store.pruneImages();
    store.save();
    return result;
}

std::string importResultText(const ImportResult& result)
{
    // The counts go into whole sentences, so that each language can place and inflect them.
    const std::string images = formatText(ngettext("%d image", "%d images", result.images), result.images);
    // TRANSLATORS: %d is the number of entries copied; %s is the number of images among them ("3 images").
    std::string text = formatText(ngettext("Copied %d entry (%s).", "Copied %d entries (%s).", result.copied),
                                  result.copied, images.c_str());
    if (result.skipped > 0) {
        text += " ";
        text += formatText(ngettext("%d image entry could not be copied (the picture no longer exists in Parleo) "
                                    "and was skipped.",
                                    "%d image entries could not be copied (the picture no longer exists in Parleo) "
                                    "and were skipped.",
                                    result.skipped),
                           result.skipped);
    }
    if (result.leftOut > 0) {
        text += " ";
        text += formatText(ngettext("%d entry could not be read or held a longer text than Brimble records, and "
                                    "was left out.",
                                    "%d entries could not be read or held a longer text than Brimble records, and "
                                    "were left out.",
                                    result.leftOut),
                           result.leftOut);
    }
    return text;
}

void importFromParleo(Dialogs& dialogs, ClipboardStore& store, ImportOffer offer,
                      const std::function<void()>& pushState)
{
    const fs::path historyFile = parleoHistoryFile(store.dataHome());
    if (!somethingAt(historyFile)) {
        dialogs.runAlert({_("No Parleo 2.0 clipboard history found"), _("There is nothing to import on this computer."), {}});
        return;
    }

    const bool firstLaunch = offer == ImportOffer::FirstLaunch;
    const AlertSpec confirm{
        firstLaunch ? _("Copy your clipboard history from Parleo 2.0?") : _("Import clipboard history from Parleo 2.0?"),
        _(confirmText),
        {_("Import a Copy"), firstLaunch ? _("Start Fresh") : _("Cancel")},
    };
    if (dialogs.runAlert(confirm) != 0)
        return;

    const std::optional<ImportResult> result =
        importHistory(store, historyFile, parleoImagesFolder(store.dataHome()));
    if (result) {
        dialogs.runAlert({_("Import complete"), importResultText(*result), {}});
    } else {
        dialogs.runAlert({_("Couldn't read Parleo's history"),
                          _("The file exists but didn't decode as a clipboard history. Nothing was imported, "
                            "and nothing was changed on either side."),
                          {}});
    }
    pushState();
}

void offerImportOnce(Defaults& defaults, Dialogs& dialogs, ClipboardStore& store,
                     const std::function<void()>& pushState)
{
    if (boolSetting(defaults, Def::importOfferDone, false))
        return;
    // Set before anything is looked at, so the offer comes at most once whatever happens next.
    defaults.setBool(Def::importOfferDone, true);
    if (somethingAt(AppSupport::historyFile(store.dataHome())))
        return;
    if (somethingAt(parleoHistoryFile(store.dataHome())))
        importFromParleo(dialogs, store, ImportOffer::FirstLaunch, pushState);
}

} // namespace brimble
