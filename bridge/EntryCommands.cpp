// The page commands that act on history entries.

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include <glib.h>

#include "settings/Settings.h"
#include "bridge/CommandHandlers.h"
#include "bridge/CommandTarget.h"
#include "bridge/FieldReaders.h"
#include "history/ClipboardStore.h"
#include "history/FormatFiles.h"

namespace brimble::commands {

namespace {

// The page may only hand web and mail addresses to the browser; "file" or "javascript" would
// let a page fault reach the rest of the system.
bool isOpenableURL(const std::string& url)
{
    g_autoptr(GUri) uri = g_uri_parse(url.c_str(), G_URI_FLAGS_ENCODED, nullptr);
    if (!uri)
        return false;
    const char* scheme = g_uri_get_scheme(uri);
    g_autofree char* lower = g_ascii_strdown(scheme ? scheme : "", -1);
    constexpr std::array<std::string_view, 3> allowed = {"http", "https", "mailto"};
    for (std::string_view name : allowed) {
        if (name == lower)
            return true;
    }
    return false;
}

} // namespace

// The page asks with "list" when it starts and when it lacks a text it was told it holds.
AfterCommand list(CommandTarget& target, const rapidjson::Value&)
{
    target.pushStateToNewPage();
    return AfterCommand::NoPush;
}

namespace {

AfterCommand copyAs(CommandTarget& target, const rapidjson::Value& body, CopyAs as)
{
    const auto id = fields::readString(body, "id");
    if (!id)
        return AfterCommand::Push;
    // Only an entry that went on the clipboard is pasted: an unknown id, or a picture not yet
    // arrived, leaves the window open.
    const std::optional<Clip> chosen = target.clipStore().find(*id);
    const bool known = chosen && !awaitsPicture(*chosen);
    target.copyToPasteboard(*id, as);
    if (known && boolSetting(target.settings(), Def::pasteAfterChoosing, false))
        target.pasteIntoPreviousWindow();
    return AfterCommand::Push;
}

// The HTML of every entry joined as their texts are, or nothing when one of them has none: a
// paste must not keep the formatting of some entries and drop the others' text.
std::vector<ExtraFormat> joinedHtml(const ClipboardStore& store, const std::vector<Clip>& clips)
{
    std::string joined;
    for (const Clip& clip : clips) {
        std::optional<std::string> html;
        for (ExtraFormat& format : loadFormats(store.dataHome(), clip)) {
            if (format.type == KeptFormats::html)
                html = std::move(format.bytes);
        }
        if (!html || joined.size() + html->size() > KeptFormats::maxFormattedBytes)
            return {};
        if (!joined.empty())
            joined += "<br>\n";
        joined += *html;
    }
    return {{std::string(KeptFormats::html), std::move(joined)}};
}

} // namespace

AfterCommand copy(CommandTarget& target, const rapidjson::Value& body)
{
    return copyAs(target, body, CopyAs::Copied);
}

AfterCommand copyPlain(CommandTarget& target, const rapidjson::Value& body)
{
    return copyAs(target, body, CopyAs::Plain);
}

AfterCommand copyMany(CommandTarget& target, const rapidjson::Value& body)
{
    const auto ids = fields::readStringList(body, "ids");
    if (!ids)
        return AfterCommand::NoPush;
    // The texts in the order the page shows them; pictures have no text to join and unknown or
    // repeated ids add nothing. The entries keep their places: the state does not change.
    std::string joined;
    bool any = false;
    std::vector<Clip> joinedClips;
    std::set<std::string_view> seen;
    for (const std::string& id : *ids) {
        if (!seen.insert(id).second)
            continue;
        const std::optional<Clip> clip = target.clipStore().find(id);
        if (!clip || clip->kind == "image")
            continue;
        if (any)
            joined += '\n';
        joined += clip->text;
        joinedClips.push_back(*clip);
        any = true;
    }
    if (!any)
        return AfterCommand::NoPush;
    target.copyTextToPasteboard(joined, joinedHtml(target.clipStore(), joinedClips));
    if (boolSetting(target.settings(), Def::pasteAfterChoosing, false))
        target.pasteIntoPreviousWindow();
    return AfterCommand::NoPush;
}

AfterCommand open(CommandTarget& target, const rapidjson::Value& body)
{
    const auto url = fields::readString(body, "url");
    if (url && isOpenableURL(*url))
        target.openURL(*url);
    return AfterCommand::NoPush;
}

AfterCommand pin(CommandTarget& target, const rapidjson::Value& body)
{
    if (const auto id = fields::readString(body, "id"))
        target.clipStore().togglePin(*id);
    return AfterCommand::Push;
}

AfterCommand remove(CommandTarget& target, const rapidjson::Value& body)
{
    if (const auto id = fields::readString(body, "id"))
        target.keepForUndo(RemovalKind::Deleted, target.clipStore().remove(*id));
    return AfterCommand::Push;
}

AfterCommand undo(CommandTarget& target, const rapidjson::Value&)
{
    target.undoRemoval();
    return AfterCommand::Push;
}

AfterCommand reorder(CommandTarget& target, const rapidjson::Value& body)
{
    if (const auto order = fields::readStringList(body, "order"))
        target.clipStore().reorderClips(*order, fields::readString(body, "blockId"));
    return AfterCommand::Push;
}

AfterCommand clear(CommandTarget& target, const rapidjson::Value&)
{
    target.keepForUndo(RemovalKind::Cleared, target.clipStore().clearSession(target.currentSessionId()));
    return AfterCommand::Push;
}

AfterCommand pinMany(CommandTarget& target, const rapidjson::Value& body)
{
    if (const auto ids = fields::readStringList(body, "ids"))
        target.clipStore().setPinned(*ids, fields::readBool(body, "pinned").value_or(true));
    return AfterCommand::Push;
}

AfterCommand deleteMany(CommandTarget& target, const rapidjson::Value& body)
{
    if (const auto ids = fields::readStringList(body, "ids"))
        target.keepForUndo(RemovalKind::Deleted, target.clipStore().removeMany(*ids));
    return AfterCommand::Push;
}

AfterCommand moveToBlock(CommandTarget& target, const rapidjson::Value& body)
{
    // Without a block id the entries leave their block; the block is not checked to exist.
    if (const auto ids = fields::readStringList(body, "ids"))
        target.clipStore().assignBlock(*ids, fields::readString(body, "blockId"));
    return AfterCommand::Push;
}

} // namespace brimble::commands
