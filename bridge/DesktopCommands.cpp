// The page commands that reach the desktop: starting at login, hiding the window, pasting after
// choosing an entry, and the view the page leaves behind when its window is hidden.

#include <algorithm>

#include "settings/Autostart.h"
#include "settings/Settings.h"
#include "bridge/CommandHandlers.h"
#include "bridge/CommandTarget.h"
#include "bridge/FieldReaders.h"
#include "bridge/PageView.h"
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

AfterCommand keysReady(CommandTarget& target, const rapidjson::Value&)
{
    target.pageReadyForKeys();
    return AfterCommand::NoPush;
}

AfterCommand hide(CommandTarget& target, const rapidjson::Value&)
{
    target.hideWindow();
    return AfterCommand::NoPush;
}

// A page bounded in what it keeps: a search of a few lines and no more entries than a history
// holds. A view beyond that is not kept, and neither is the one before it, which is no longer
// what the user left: the next page then opens afresh rather than stale.
AfterCommand view(CommandTarget& target, const rapidjson::Value& body)
{
    constexpr size_t queryBytesMax = 4096;
    constexpr size_t selectionMax = 1000;
    const auto member = body.IsObject() ? body.FindMember("view") : body.MemberEnd();
    if (!body.IsObject() || member == body.MemberEnd() || !member->value.IsObject())
        return AfterCommand::NoPush;
    const rapidjson::Value& fields = member->value;
    PageView view;
    view.query = fields::readString(fields, "query").value_or("");
    view.scrollTop = std::max<int64_t>(0, fields::readInteger(fields, "scrollTop").value_or(0));
    view.selection = fields::readStringList(fields, "selection").value_or(std::vector<std::string>{});
    view.focusId = fields::readString(fields, "focusId").value_or("");
    view.settingsOpen = fields::readBool(fields, "settingsOpen").value_or(false);
    if (view.query.size() > queryBytesMax || view.selection.size() > selectionMax)
        view = PageView{};
    target.setPageView(std::move(view));
    return AfterCommand::NoPush;
}

} // namespace brimble::commands
