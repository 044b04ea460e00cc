// The page commands that change settings or open the native panels.

#include <algorithm>
#include <array>
#include <string_view>

#include "settings/Settings.h"
#include "bridge/CommandHandlers.h"
#include "bridge/CommandTarget.h"
#include "bridge/FieldReaders.h"
#include "history/ClipboardStore.h"
#include "history/ExcludedApps.h"
#include "platform/Defaults.h"
#include "sessions/SessionStore.h"

namespace brimble::commands {

AfterCommand pause(CommandTarget& target, const rapidjson::Value& body)
{
    Defaults& settings = target.settings();
    const bool paused = fields::readBool(body, "paused")
                            .value_or(!boolSetting(settings, Def::clipboardPaused, false));
    settings.setBool(Def::clipboardPaused, paused);
    return AfterCommand::Push;
}

AfterCommand cap(CommandTarget& target, const rapidjson::Value& body)
{
    const auto value = fields::readInteger(body, "value");
    if (!value)
        return AfterCommand::Push;
    // A stored limit is always within range, so a sent 0 becomes 10 rather than "unset".
    target.settings().setInt(Def::historyLimit, std::clamp<int64_t>(*value, 10, 500));
    ClipboardStore& clips = target.clipStore();
    clips.applyHistoryLimit();
    clips.pruneImages();
    clips.save();
    return AfterCommand::Push;
}

AfterCommand excludeAdd(CommandTarget& target, const rapidjson::Value&)
{
    // The picker pushes on its own once the user has chosen.
    target.excludeAppPicker();
    return AfterCommand::NoPush;
}

AfterCommand excludeRemove(CommandTarget& target, const rapidjson::Value& body)
{
    if (const auto id = fields::readString(body, "id"))
        removeExcludedApp(target.settings(), *id);
    return AfterCommand::Push;
}

AfterCommand syncChoose(CommandTarget& target, const rapidjson::Value&)
{
    // The picker pushes on its own once the user has chosen.
    target.syncFolderPicker();
    return AfterCommand::NoPush;
}

AfterCommand syncOff(CommandTarget& target, const rapidjson::Value&)
{
    target.setSyncFolder("");
    return AfterCommand::NoPush;
}

AfterCommand syncSession(CommandTarget& target, const rapidjson::Value& body)
{
    const auto id = fields::readString(body, "id");
    const auto shared = fields::readBool(body, "shared");
    const SessionStore& sessions = target.sessionStore();
    // The first session is shared by every machine and cannot be kept back.
    if (!id || !shared || sessions.sessions.empty() || sessions.sessions.front().id == *id ||
        std::ranges::none_of(sessions.sessions, [&](const Session& s) { return s.id == *id; }))
        return AfterCommand::Push;
    std::vector<std::string> local = syncLocalSessionsSetting(target.settings());
    std::erase(local, *id);
    if (!*shared)
        local.push_back(*id);
    target.settings().setStringList(Def::syncLocalSessions, local);
    return AfterCommand::Push;
}

AfterCommand recordSecrets(CommandTarget& target, const rapidjson::Value& body)
{
    target.settings().setBool(Def::recordSecrets, fields::readBool(body, "value").value_or(false));
    return AfterCommand::Push;
}

AfterCommand appearance(CommandTarget& target, const rapidjson::Value& body)
{
    constexpr std::array<std::string_view, 3> modes = {"system", "light", "dark"};
    const auto mode = fields::readString(body, "mode");
    if (!mode || std::ranges::find(modes, *mode) == modes.end())
        return AfterCommand::Push;
    target.settings().setString(Def::appearanceMode, *mode);
    target.applyAppearance();
    return AfterCommand::Push;
}

AfterCommand about(CommandTarget& target, const rapidjson::Value&)
{
    target.showAbout();
    return AfterCommand::NoPush;
}

AfterCommand help(CommandTarget& target, const rapidjson::Value&)
{
    target.showHelp();
    return AfterCommand::NoPush;
}

} // namespace brimble::commands
