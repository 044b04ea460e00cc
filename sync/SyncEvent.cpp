#include "sync/SyncEvent.h"

#include <array>
#include <cmath>
#include <utility>

#include "common/JsonText.h"
#include "history/FormatFiles.h"

namespace brimble {
namespace {

constexpr std::array<std::pair<SyncKind, std::string_view>, 11> kindNames = {{
    {SyncKind::Added, "added"},
    {SyncKind::Touched, "touched"},
    {SyncKind::Pinned, "pinned"},
    {SyncKind::Unpinned, "unpinned"},
    {SyncKind::MovedToBlock, "movedToBlock"},
    {SyncKind::MovedToSession, "movedToSession"},
    {SyncKind::Deleted, "deleted"},
    {SyncKind::BlockSet, "blockSet"},
    {SyncKind::BlockDeleted, "blockDeleted"},
    {SyncKind::SessionSet, "sessionSet"},
    {SyncKind::SessionDeleted, "sessionDeleted"},
}};

std::string_view kindName(SyncKind kind)
{
    for (const auto& [k, name] : kindNames)
        if (k == kind)
            return name;
    return "added";
}

std::optional<SyncKind> kindNamed(std::string_view name)
{
    for (const auto& [k, n] : kindNames)
        if (n == name)
            return k;
    return std::nullopt;
}

bool isHex(std::string_view text)
{
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

std::optional<std::string> stringMember(const rapidjson::Value& object, const char* key)
{
    const auto found = object.FindMember(key);
    if (found == object.MemberEnd() || !found->value.IsString())
        return std::nullopt;
    return json::stringOf(found->value);
}

bool hasMember(const rapidjson::Value& object, const char* key)
{
    return object.FindMember(key) != object.MemberEnd();
}

bool isEntryKind(SyncKind kind)
{
    return kind != SyncKind::BlockSet && kind != SyncKind::BlockDeleted && kind != SyncKind::SessionSet &&
           kind != SyncKind::SessionDeleted;
}

} // namespace

bool isSessionName(std::string_view text)
{
    return text == defaultSessionToken || isSyncId(text);
}

bool isPictureName(std::string_view text)
{
    if (text.size() != 68 || !isHex(text.substr(0, 64)))
        return false;
    const std::string_view ext = text.substr(64);
    return ext == ".png" || ext == ".jpg";
}

bool isSyncId(std::string_view text)
{
    if (text.size() != 36)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != '-' : !isHex(text.substr(i, 1)))
            return false;
    }
    return true;
}

void writeFormats(json::Writer& writer, const std::vector<ClipFormat>& formats)
{
    writer.StartArray();
    for (const ClipFormat& format : formats) {
        writer.StartArray();
        json::writeString(writer, format.type);
        json::writeString(writer, format.file);
        writer.EndArray();
    }
    writer.EndArray();
}

std::vector<ClipFormat> readFormats(const rapidjson::Value& value)
{
    std::vector<ClipFormat> formats;
    if (!value.IsArray())
        return formats;
    for (const auto& item : value.GetArray()) {
        if (formats.size() == KeptFormats::maxFormats)
            break;
        if (!item.IsArray() || item.Size() != 2 || !item[0].IsString() || !item[1].IsString())
            continue;
        ClipFormat format{json::stringOf(item[0]), json::stringOf(item[1])};
        if (KeptFormats::isKept(format.type) && isFormatFileName(format.file))
            formats.push_back(std::move(format));
    }
    return formats;
}

std::string encodeSyncEvent(const SyncEvent& event)
{
    rapidjson::StringBuffer buffer;
    json::Writer writer(buffer);
    writer.StartObject();
    writer.Key("e");
    json::writeString(writer, event.eventId);
    writer.Key("d");
    json::writeString(writer, event.device);
    writer.Key("t");
    writer.Double(event.ts);
    writer.Key("k");
    json::writeString(writer, kindName(event.kind));
    writer.Key("ids");
    writer.StartArray();
    for (const std::string& id : event.ids)
        json::writeString(writer, id);
    writer.EndArray();
    const bool whole = event.kind == SyncKind::Added || (event.kind == SyncKind::Touched && !event.session.empty());
    switch (whole ? SyncKind::Added : event.kind) {
    case SyncKind::Added:
        writer.Key("kind");
        json::writeString(writer, event.entryKind);
        writer.Key("text");
        json::writeString(writer, event.text);
        if (!event.picture.empty()) {
            writer.Key("pic");
            json::writeString(writer, event.picture);
        }
        if (!event.formats.empty()) {
            writer.Key("fmt");
            writeFormats(writer, event.formats);
        }
        writer.Key("pinned");
        writer.Bool(event.pinned);
        writer.Key("session");
        json::writeString(writer, event.session);
        if (event.block) {
            writer.Key("block");
            json::writeString(writer, *event.block);
        }
        break;
    case SyncKind::MovedToBlock:
        writer.Key("block");
        if (event.block)
            json::writeString(writer, *event.block);
        else
            writer.Null();
        break;
    case SyncKind::MovedToSession:
        writer.Key("session");
        json::writeString(writer, event.session);
        break;
    case SyncKind::BlockSet:
    case SyncKind::SessionSet:
        if (event.kind == SyncKind::BlockSet) {
            writer.Key("session");
            json::writeString(writer, event.session);
        }
        if (event.name) {
            writer.Key("name");
            json::writeString(writer, *event.name);
        }
        if (event.color) {
            writer.Key("color");
            json::writeString(writer, *event.color);
        }
        if (event.blockPinned) {
            writer.Key("bpin");
            writer.Bool(*event.blockPinned);
        }
        if (event.order) {
            writer.Key("order");
            writer.Double(*event.order);
        }
        break;
    default:
        break;
    }
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::optional<SyncEvent> decodeSyncEvent(std::string_view line)
{
    std::string text = json::parseBuffer(line);
    rapidjson::Document document;
    if (!json::parseInPlace(text, document) || !document.IsObject())
        return std::nullopt;
    SyncEvent event;
    const auto eventId = stringMember(document, "e");
    const auto device = stringMember(document, "d");
    const auto kind = stringMember(document, "k");
    const auto ts = document.FindMember("t");
    const auto ids = document.FindMember("ids");
    if (!eventId || !isSyncId(*eventId) || !device || !isSyncId(*device) || !kind || ts == document.MemberEnd() ||
        !ts->value.IsNumber() || ids == document.MemberEnd() || !ids->value.IsArray())
        return std::nullopt;
    const auto known = kindNamed(*kind);
    const double seconds = ts->value.GetDouble();
    if (!known || !std::isfinite(seconds) || seconds < 0)
        return std::nullopt;
    event.eventId = *eventId;
    event.device = *device;
    event.kind = *known;
    event.ts = seconds;
    for (const auto& id : ids->value.GetArray()) {
        if (!id.IsString())
            return std::nullopt;
        std::string value = json::stringOf(id);
        const bool fits = event.kind == SyncKind::SessionSet || event.kind == SyncKind::SessionDeleted
                              ? isSessionName(value)
                              : isSyncId(value);
        if (!fits)
            return std::nullopt;
        event.ids.push_back(std::move(value));
    }
    if (event.ids.empty() || (!isEntryKind(event.kind) && event.ids.size() != 1) ||
        (event.kind == SyncKind::Added && event.ids.size() != 1))
        return std::nullopt;

    const auto session = stringMember(document, "session");
    if (hasMember(document, "session") && (!session || !isSessionName(*session)))
        return std::nullopt;
    event.session = session.value_or(std::string());
    if (const auto block = document.FindMember("block"); block != document.MemberEnd()) {
        if (block->value.IsString() && isSyncId(json::stringOf(block->value)))
            event.block = json::stringOf(block->value);
        else if (!block->value.IsNull())
            return std::nullopt;
    }

    // A copy made again may carry the entry whole, as its capture does.
    const bool whole = event.kind == SyncKind::Added || (event.kind == SyncKind::Touched && session);
    switch (whole ? SyncKind::Added : event.kind) {
    case SyncKind::Added: {
        const auto entryKind = stringMember(document, "kind");
        const auto body = stringMember(document, "text");
        const auto pinned = document.FindMember("pinned");
        if (!entryKind || (*entryKind != "text" && *entryKind != "image") || !body || !session)
            return std::nullopt;
        event.entryKind = *entryKind;
        event.text = *body;
        if (pinned != document.MemberEnd() && pinned->value.IsBool())
            event.pinned = pinned->value.GetBool();
        if (const auto formats = document.FindMember("fmt"); formats != document.MemberEnd())
            event.formats = readFormats(formats->value);
        if (event.entryKind == "image") {
            const auto picture = stringMember(document, "pic");
            if (!picture || !isPictureName(*picture))
                return std::nullopt;
            event.picture = *picture;
        }
        break;
    }
    case SyncKind::MovedToBlock:
        if (!hasMember(document, "block"))
            return std::nullopt;
        break;
    case SyncKind::MovedToSession:
        if (!session)
            return std::nullopt;
        break;
    case SyncKind::BlockSet:
    case SyncKind::SessionSet: {
        if (event.kind == SyncKind::BlockSet && !session)
            return std::nullopt;
        event.name = stringMember(document, "name");
        event.color = stringMember(document, "color");
        if (const auto pin = document.FindMember("bpin"); pin != document.MemberEnd() && pin->value.IsBool())
            event.blockPinned = pin->value.GetBool();
        if (const auto order = document.FindMember("order"); order != document.MemberEnd() && order->value.IsNumber())
            if (const double value = order->value.GetDouble(); std::isfinite(value))
                event.order = value;
        break;
    }
    default:
        break;
    }
    return event;
}

} // namespace brimble
