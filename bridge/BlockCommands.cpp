// The page commands that create, change and delete blocks.

#include <algorithm>
#include <string>
#include <vector>

#include "bridge/CommandHandlers.h"
#include "bridge/CommandTarget.h"
#include "bridge/FieldReaders.h"
#include "history/ClipboardStore.h"
#include "sessions/SessionStore.h"

namespace brimble::commands {

namespace {

bool isPaletteColor(std::string_view color)
{
    return std::ranges::find(blockPalette, color) != blockPalette.end();
}

} // namespace

AfterCommand blockCreate(CommandTarget& target, const rapidjson::Value& body)
{
    const std::string sessionId = target.currentSessionId();
    SessionStore& sessions = target.sessionStore();

    const std::string name = fields::readName(body, "name").value_or("New Block");
    // A session's blocks cycle through the palette unless the page names a palette colour.
    const size_t existing = sessions.blocksInSession(sessionId).size();
    std::string color(blockPalette[existing % blockPalette.size()]);
    if (const auto requested = fields::readString(body, "color"); requested && isPaletteColor(*requested))
        color = *requested;

    const Block block = sessions.createBlock(name, color, sessionId);
    if (const auto ids = fields::readStringList(body, "ids"); ids && !ids->empty())
        target.clipStore().assignBlock(*ids, block.id);
    return AfterCommand::Push;
}

AfterCommand blockRename(CommandTarget& target, const rapidjson::Value& body)
{
    const auto id = fields::readString(body, "id");
    const auto name = fields::readName(body, "name");
    if (id && name)
        target.sessionStore().renameBlock(*id, *name);
    return AfterCommand::Push;
}

AfterCommand blockColor(CommandTarget& target, const rapidjson::Value& body)
{
    const auto id = fields::readString(body, "id");
    const auto color = fields::readString(body, "color");
    if (id && color)
        target.sessionStore().setBlockColor(*id, *color);
    return AfterCommand::Push;
}

AfterCommand blockPin(CommandTarget& target, const rapidjson::Value& body)
{
    if (const auto id = fields::readString(body, "id"))
        target.sessionStore().toggleBlockPinned(*id);
    return AfterCommand::Push;
}

AfterCommand blockDelete(CommandTarget& target, const rapidjson::Value& body)
{
    const auto id = fields::readString(body, "id");
    if (!id)
        return AfterCommand::Push;

    // The block's entries, in every session, stay in the history without a block.
    ClipboardStore& clips = target.clipStore();
    std::vector<std::string> filed;
    for (const Clip& clip : clips.items) {
        if (clip.blockId == *id)
            filed.push_back(clip.id);
    }
    if (!filed.empty())
        clips.assignBlock(filed, std::nullopt);
    target.sessionStore().deleteBlock(*id);
    return AfterCommand::Push;
}

// The page draws the change itself; a push would only repeat what it shows.
AfterCommand collapse(CommandTarget& target, const rapidjson::Value& body)
{
    const auto id = fields::readString(body, "id");
    const auto collapsed = fields::readBool(body, "collapsed");
    const auto& blocks = target.sessionStore().blocks;
    if (id && collapsed && std::ranges::find(blocks, *id, &Block::id) != blocks.end())
        target.setBlockCollapsed(*id, *collapsed);
    return AfterCommand::NoPush;
}

} // namespace brimble::commands
