#pragma once

#include <span>
#include <string_view>

#include <rapidjson/document.h>

namespace brimble {

class CommandTarget;

// Whether the page gets a fresh snapshot after a command.
enum class AfterCommand { Push, NoPush };

// One page command: reads its fields from the body (a JSON object) and applies its change.
using CommandHandler = AfterCommand (*)(CommandTarget& target, const rapidjson::Value& body);

struct CommandEntry {
    std::string_view name;
    CommandHandler run;
};

// Every command the page may send, by its exact name.
std::span<const CommandEntry> commandTable();

namespace commands {

// Entries of the history.
AfterCommand list(CommandTarget& target, const rapidjson::Value& body);
AfterCommand copy(CommandTarget& target, const rapidjson::Value& body);
AfterCommand copyPlain(CommandTarget& target, const rapidjson::Value& body);
AfterCommand copyMany(CommandTarget& target, const rapidjson::Value& body);
AfterCommand open(CommandTarget& target, const rapidjson::Value& body);
AfterCommand pin(CommandTarget& target, const rapidjson::Value& body);
AfterCommand remove(CommandTarget& target, const rapidjson::Value& body);
AfterCommand undo(CommandTarget& target, const rapidjson::Value& body);
AfterCommand reorder(CommandTarget& target, const rapidjson::Value& body);
AfterCommand clear(CommandTarget& target, const rapidjson::Value& body);
AfterCommand pinMany(CommandTarget& target, const rapidjson::Value& body);
AfterCommand deleteMany(CommandTarget& target, const rapidjson::Value& body);
AfterCommand moveToBlock(CommandTarget& target, const rapidjson::Value& body);

// Sessions.
AfterCommand sessionCreate(CommandTarget& target, const rapidjson::Value& body);
AfterCommand sessionSwitch(CommandTarget& target, const rapidjson::Value& body);
AfterCommand sessionRename(CommandTarget& target, const rapidjson::Value& body);
AfterCommand sessionSaveSelection(CommandTarget& target, const rapidjson::Value& body);

// Blocks.
AfterCommand blockCreate(CommandTarget& target, const rapidjson::Value& body);
AfterCommand blockRename(CommandTarget& target, const rapidjson::Value& body);
AfterCommand blockColor(CommandTarget& target, const rapidjson::Value& body);
AfterCommand blockPin(CommandTarget& target, const rapidjson::Value& body);
AfterCommand blockDelete(CommandTarget& target, const rapidjson::Value& body);
AfterCommand collapse(CommandTarget& target, const rapidjson::Value& body);
AfterCommand view(CommandTarget& target, const rapidjson::Value& body);
AfterCommand keysReady(CommandTarget& target, const rapidjson::Value& body);

// Settings and panels.
AfterCommand pause(CommandTarget& target, const rapidjson::Value& body);
AfterCommand cap(CommandTarget& target, const rapidjson::Value& body);
AfterCommand excludeAdd(CommandTarget& target, const rapidjson::Value& body);
AfterCommand excludeRemove(CommandTarget& target, const rapidjson::Value& body);
AfterCommand syncChoose(CommandTarget& target, const rapidjson::Value& body);
AfterCommand syncOff(CommandTarget& target, const rapidjson::Value& body);
AfterCommand syncSession(CommandTarget& target, const rapidjson::Value& body);
AfterCommand recordSecrets(CommandTarget& target, const rapidjson::Value& body);
AfterCommand appearance(CommandTarget& target, const rapidjson::Value& body);
AfterCommand about(CommandTarget& target, const rapidjson::Value& body);
AfterCommand help(CommandTarget& target, const rapidjson::Value& body);

// The desktop.
AfterCommand autostart(CommandTarget& target, const rapidjson::Value& body);
AfterCommand pasteAfterChoosing(CommandTarget& target, const rapidjson::Value& body);
AfterCommand hide(CommandTarget& target, const rapidjson::Value& body);

} // namespace commands

} // namespace brimble
