#include "bridge/ClipCommands.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "bridge/CommandHandlers.h"
#include "bridge/CommandTarget.h"
#include "bridge/FieldReaders.h"
#include "common/JsonText.h"

namespace brimble {

namespace {

constexpr std::array<CommandEntry, 39> commandEntries{{
    {"list", commands::list},
    {"copy", commands::copy},
    {"copyPlain", commands::copyPlain},
    {"copyMany", commands::copyMany},
    {"open", commands::open},
    {"pin", commands::pin},
    {"delete", commands::remove},
    {"reorder", commands::reorder},
    {"clear", commands::clear},
    {"undo", commands::undo},
    {"pause", commands::pause},
    {"pinMany", commands::pinMany},
    {"deleteMany", commands::deleteMany},
    {"sessionCreate", commands::sessionCreate},
    {"sessionSwitch", commands::sessionSwitch},
    {"sessionRename", commands::sessionRename},
    {"sessionSaveSelection", commands::sessionSaveSelection},
    {"blockCreate", commands::blockCreate},
    {"blockRename", commands::blockRename},
    {"blockColor", commands::blockColor},
    {"blockPin", commands::blockPin},
    {"blockDelete", commands::blockDelete},
    {"collapse", commands::collapse},
    {"view", commands::view},
    {"keysReady", commands::keysReady},
    {"moveToBlock", commands::moveToBlock},
    {"cap", commands::cap},
    {"excludeAdd", commands::excludeAdd},
    {"excludeRemove", commands::excludeRemove},
    {"syncChoose", commands::syncChoose},
    {"syncOff", commands::syncOff},
    {"syncSession", commands::syncSession},
    {"recordSecrets", commands::recordSecrets},
    {"appearance", commands::appearance},
    {"about", commands::about},
    {"help", commands::help},
    {"autostart", commands::autostart},
    {"pasteAfterChoosing", commands::pasteAfterChoosing},
    {"hide", commands::hide},
}};

} // namespace

std::span<const CommandEntry> commandTable()
{
    return commandEntries;
}

void receiveScriptMessage(CommandTarget& target, std::string_view channel, std::string_view bodyJson)
{
    if (channel != clipChannel)
        return;

    // The same reader as the stores' files: text that is not valid UTF-8, raw or through an
    // escaped lone surrogate, is refused, so no command can store text that could not be saved.
    std::string buffer = json::parseBuffer(bodyJson);
    rapidjson::Document body;
    if (!json::parseInPlace(buffer, body) || !body.IsObject())
        return;

    // A body without a usable command still asks for the state, like "list".
    const std::optional<std::string> name = fields::readString(body, "cmd");
    if (body.ObjectEmpty() || !name) {
        target.pushState();
        return;
    }

    const auto entry = std::ranges::find(commandEntries, std::string_view(*name), &CommandEntry::name);
    if (entry == commandEntries.end()) {
        target.pushState();
        return;
    }
    if (entry->run(target, body) == AfterCommand::Push)
        target.pushState();
}

} // namespace brimble
