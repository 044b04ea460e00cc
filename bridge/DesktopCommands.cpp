// The page commands that reach the desktop: starting at login, hiding the window, pasting after
// choosing an entry.

#include "app/Autostart.h"
#include "app/Settings.h"
#include "bridge/CommandHandlers.h"
#include "bridge/CommandTarget.h"
#include "bridge/FieldReaders.h"
#include "platform/Defaults.h"

namespace brimble::commands {

AfterCommand autostart(CommandTarget& target, const rapidjson::Value& body)
{
    // A missing value changes nothing: the user's autostart folder is never written on a guess.
    if (const auto value = fields::readBool(body, "value"))
        target.setStartAtLogin(*value ? StartAtLogin::On : StartAtLogin::Off);
    return AfterCommand::Push;
}

AfterCommand pasteAfterChoosing(CommandTarget& target, const rapidjson::Value& body)
{
    if (const auto value = fields::readBool(body, "value"))
        target.settings().setBool(Def::pasteAfterChoosing, *value);
    return AfterCommand::Push;
}

AfterCommand hide(CommandTarget& target, const rapidjson::Value&)
{
    target.hideWindow();
    return AfterCommand::NoPush;
}

} // namespace brimble::commands
