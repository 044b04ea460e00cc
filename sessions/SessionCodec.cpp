#include "sessions/SessionCodec.h"

#include <cmath>

#include "common/JsonText.h"

namespace brimble {

namespace {

const rapidjson::Value* member(const rapidjson::Value& object, const char* key)
{
    const auto found = object.FindMember(key);
    return found == object.MemberEnd() ? nullptr : &found->value;
}

bool readString(const rapidjson::Value& object, const char* key, std::string& out)
{
    const rapidjson::Value* value = member(object, key);
    if (!value || !value->IsString())
        return false;
    out = json::stringOf(*value);
    return true;
}

// A whole number. A hand-edited "2.0" is accepted since it names the same rank.
bool readInteger(const rapidjson::Value& object, const char* key, int64_t& out)
{
    const rapidjson::Value* value = member(object, key);
    if (!value)
        return false;
    if (value->IsInt64()) {
        out = value->GetInt64();
        return true;
    }
    if (value->IsDouble()) {
        const double number = value->GetDouble();
        // 2^63 itself does not fit, hence the strict upper bound.
        if (std::trunc(number) == number && number >= -9223372036854775808.0 && number < 9223372036854775808.0) {
            out = static_cast<int64_t>(number);
            return true;
        }
    }
    return false;
}

std::optional<Session> decodeSession(const rapidjson::Value& object)
{
    Session session;
    if (!object.IsObject() || !readString(object, "id", session.id) || !readString(object, "name", session.name))
        return std::nullopt;
    // The parser reads a number beyond the double range as null, so a time here is finite.
    const rapidjson::Value* createdAt = member(object, "createdAt");
    if (createdAt && createdAt->IsNumber() && std::isfinite(createdAt->GetDouble()))
        session.createdAt = createdAt->GetDouble();
    return session;
}

std::optional<Block> decodeBlock(const rapidjson::Value& object)
{
    Block block;
    if (!object.IsObject() || !readString(object, "id", block.id) || !readString(object, "name", block.name)
        || !readString(object, "color", block.color) || !readString(object, "sessionId", block.sessionId)
        || !readInteger(object, "order", block.order))
        return std::nullopt;
    const rapidjson::Value* pinned = member(object, "pinned");
    if (!pinned || !pinned->IsBool())
        return std::nullopt;
    block.pinned = pinned->GetBool();
    return block;
}

template<typename Record>
std::optional<std::vector<Record>> wholeList(std::optional<json::RecordList<Record>> list)
{
    if (!list || list->leftOut > 0)
        return std::nullopt;
    return std::move(list->records);
}

std::string finish(const rapidjson::StringBuffer& buffer)
{
    return std::string(buffer.GetString(), buffer.GetSize());
}

} // namespace

std::optional<json::RecordList<Session>> decodeSessionList(std::string_view json)
{
    return json::decodeRecords<Session>(json, decodeSession);
}

std::optional<std::vector<Session>> decodeSessions(std::string_view json)
{
    return wholeList(decodeSessionList(json));
}

std::optional<std::string> encodeSessions(std::span<const Session> sessions)
{
    rapidjson::StringBuffer buffer;
    json::Writer writer(buffer);
    writer.StartArray();
    for (const Session& session : sessions) {
        writer.StartObject();
        writer.Key("id");
        json::writeString(writer, session.id);
        writer.Key("name");
        json::writeString(writer, session.name);
        writer.Key("createdAt");
        if (!writer.Double(session.createdAt))
            return std::nullopt;
        writer.EndObject();
    }
    writer.EndArray();
    return finish(buffer);
}

std::optional<json::RecordList<Block>> decodeBlockList(std::string_view json)
{
    return json::decodeRecords<Block>(json, decodeBlock);
}

std::optional<std::vector<Block>> decodeBlocks(std::string_view json)
{
    return wholeList(decodeBlockList(json));
}

std::optional<std::string> encodeBlocks(std::span<const Block> blocks)
{
    rapidjson::StringBuffer buffer;
    json::Writer writer(buffer);
    writer.StartArray();
    for (const Block& block : blocks) {
        writer.StartObject();
        writer.Key("id");
        json::writeString(writer, block.id);
        writer.Key("name");
        json::writeString(writer, block.name);
        writer.Key("color");
        json::writeString(writer, block.color);
        writer.Key("pinned");
        writer.Bool(block.pinned);
        writer.Key("sessionId");
        json::writeString(writer, block.sessionId);
        writer.Key("order");
        writer.Int64(block.order);
        writer.EndObject();
    }
    writer.EndArray();
    return finish(buffer);
}

} // namespace brimble
