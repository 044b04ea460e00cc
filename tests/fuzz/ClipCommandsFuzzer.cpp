// Sends random page messages, one per input line, to a small seeded history with two sessions
// and two blocks. After every message: at most one push; the pinned-first order holds (until a
// "reorder", which applies the page's order as sent); every session survives; every entry
// belongs to an existing session or still to the one it started in; the current session exists.

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string_view>

#include <rapidjson/document.h>

#include "bridge/ClipCommands.h"
#include "support/TempDir.h"
#include "unit/bridge/RecordingTarget.h"

namespace {

using namespace brimble;

constexpr size_t maxMessages = 24;

Clip seedEntry(const std::string& id, const std::string& sessionId, bool pinned,
               std::optional<std::string> blockId = std::nullopt)
{
    Clip clip;
    clip.id = id;
    clip.ts = 1'700'000'000;
    clip.text = "text " + id;
    clip.pinned = pinned;
    clip.sessionId = sessionId;
    clip.blockId = std::move(blockId);
    return clip;
}

void seed(test::RecordingTarget& target)
{
    target.sessions.sessions = {{"S1", "Work", 1}, {"S2", "Home", 2}};
    target.sessions.blocks = {{"K1", "Links", "rose", false, "S1", 0}, {"K2", "Misc", "sky", true, "S2", 0}};
    target.clip.items = {seedEntry("P1", "S1", true),      seedEntry("P2", "S2", true, "K2"),
                         seedEntry("A", "S1", false, "K1"), seedEntry("B", "S1", false),
                         seedEntry("C", "S2", false),       seedEntry("O", "Gone", false)};
    target.fake.defaults.setRaw("activeSessionId", std::string("S1"));
    target.fake.defaults.setRaw("excludedApps", std::vector<std::string>{"org.example.App"});
}

bool isPinnedFirst(const std::vector<Clip>& items)
{
    bool unpinnedSeen = false;
    for (const Clip& clip : items) {
        if (!clip.pinned)
            unpinnedSeen = true;
        else if (unpinnedSeen)
            return false;
    }
    return true;
}

bool isReorder(std::string_view body)
{
    rapidjson::Document document;
    document.Parse(body.data(), body.size());
    if (document.HasParseError() || !document.IsObject())
        return false;
    const rapidjson::Value& object = document;
    const auto cmd = object.FindMember("cmd");
    return cmd != object.MemberEnd() && cmd->value.IsString() && std::string_view(cmd->value.GetString()) == "reorder";
}

void check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const test::TempDir dir;
    test::RecordingTarget target(dir.path());
    seed(target);

    std::map<std::string, std::string> startedIn;
    for (const Clip& clip : target.clip.items)
        startedIn[clip.id] = clip.sessionId;
    const size_t sessionCount = target.sessions.sessions.size();
    bool pageOrder = false;

    std::string_view input(reinterpret_cast<const char*>(data), size);
    for (size_t sent = 0; sent < maxMessages && !input.empty(); ++sent) {
        const size_t end = std::min(input.find('\n'), input.size());
        const std::string_view body = input.substr(0, end);
        input.remove_prefix(std::min(end + 1, input.size()));

        const int pushesBefore = target.pushes();
        receiveScriptMessage(target, clipChannel, body);
        check(target.pushes() - pushesBefore <= 1);

        pageOrder = pageOrder || isReorder(body);
        check(pageOrder || isPinnedFirst(target.clip.items));
        check(target.sessions.sessions.size() >= sessionCount);
        check(target.sessions.hasSession(target.currentSessionId()));
        for (const Clip& clip : target.clip.items) {
            const auto origin = startedIn.find(clip.id);
            check(origin != startedIn.end()); // commands never invent entries
            check(target.sessions.hasSession(clip.sessionId) || clip.sessionId == origin->second);
        }
        target.fake.log_.clear();
    }
    return 0;
}
