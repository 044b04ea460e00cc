// The page commands that create, switch and rename sessions.

#include "settings/Settings.h"
#include "bridge/CommandHandlers.h"
#include "bridge/CommandTarget.h"
#include "bridge/FieldReaders.h"
#include "history/ClipboardStore.h"
#include "platform/Defaults.h"
#include "sessions/SessionStore.h"

namespace brimble::commands {

AfterCommand sessionCreate(CommandTarget& target, const rapidjson::Value& body)
{
    const auto name = fields::readName(body, "name");
    if (!name)
        return AfterCommand::Push;
    const Session session = target.sessionStore().createSession(*name, target.now());
    target.settings().setString(Def::activeSessionId, session.id);
    return AfterCommand::Push;
}

AfterCommand sessionSwitch(CommandTarget& target, const rapidjson::Value& body)
{
    const auto id = fields::readString(body, "id");
    if (id && target.sessionStore().hasSession(*id))
        target.settings().setString(Def::activeSessionId, *id);
    return AfterCommand::Push;
}

AfterCommand sessionRename(CommandTarget& target, const rapidjson::Value& body)
{
    const auto id = fields::readString(body, "id");
    const auto name = fields::readName(body, "name");
    if (id && name)
        target.sessionStore().renameSession(*id, *name);
    return AfterCommand::Push;
}

AfterCommand sessionSaveSelection(CommandTarget& target, const rapidjson::Value& body)
{
    const auto ids = fields::readStringList(body, "ids");
    const auto name = fields::readName(body, "name");
    if (!ids || ids->empty() || !name)
        return AfterCommand::Push;
    const Session session = target.sessionStore().createSession(*name, target.now());
    target.clipStore().assignSession(*ids, session.id);
    target.settings().setString(Def::activeSessionId, session.id);
    return AfterCommand::Push;
}

} // namespace brimble::commands
