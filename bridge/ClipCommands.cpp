#include "bridge/ClipCommands.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "bridge/CommandHandlers.h"
#include "bridge/CommandTarget.h"
#include "bridge/FieldReaders.h"
#include "history/JsonText.h"

namespace brimble {

namespace {

constexpr std::array<CommandEntry, 27> commandEntries{{
    {"list", commands::list},
    {"copy", commands::copy},
    {"open", commands::open},
    {"pin", commands::pin},
    {"delete", commands::remove},
    {"reorder", commands::reorder},
    {"clear", commands::clear},
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
    {"moveToBlock", commands::moveToBlock},
    {"cap", commands::cap},
    {"excludeAdd", commands::excludeAdd},
    {"excludeRemove", commands::excludeRemove},
    {"recordSecrets", commands::recordSecrets},
    {"appearance", commands::appearance},
    {"about", commands::about},
    {"help", commands::help},
}};

bool allStringsValid(const rapidjson::Value& value)
{
    if (value.IsString())
        return json::isValidUtf8(std::string_view(value.GetString(), value.GetStringLength()));
    if (value.IsArray()) {
        for (const rapidjson::Value& element : value.GetArray()) {
            if (!allStringsValid(element))
                return false;
        }
    }
    if (value.IsObject()) {
        for (const auto& member : value.GetObject()) {
            if (!allStringsValid(member.name) || !allStringsValid(member.value))
                return false;
        }
    }
    return true;
}

// Parses a message body. Text that is not valid UTF-8, raw or through an escaped lone
// surrogate, is refused as in every file the stores read, so no command can store text that
// could not be written back. Commands need no exact fractions, so the plain number parser is
// used: RapidJSON's exact one reads past its tables on some long numbers.
bool parseBody(std::string_view bodyJson, rapidjson::Document& body)
{
    body.Parse<rapidjson::kParseValidateEncodingFlag>(bodyJson.data(), bodyJson.size());
    return !body.HasParseError() && allStringsValid(body);
}

} // namespace

std::span<const CommandEntry> commandTable()
{
    return commandEntries;
}

void receiveScriptMessage(CommandTarget& target, std::string_view channel, std::string_view bodyJson)
{
    if (channel != clipChannel)
        return;

    rapidjson::Document body;
    if (!parseBody(bodyJson, body) || !body.IsObject())
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
