#include "sync/SyncSnapshot.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <functional>
#include <tuple>
#include <vector>

#include "common/JsonText.h"
#include "sync/SyncFold.h"

namespace brimble {
namespace {

constexpr size_t deletesPerLine = 500;

std::string hexDigits(uint64_t value, int digits)
{
    char text[17];
    std::snprintf(text, sizeof text, "%0*" PRIx64, digits, value);
    return text;
}

void writeStamp(json::Writer& writer, const SyncStamp& stamp)
{
    writer.StartArray();
    writer.Int(stamp.rank);
    writer.Double(stamp.ts);
    json::writeString(writer, hexDigits(stamp.device, 16));
    json::writeString(writer, hexDigits(stamp.event, 8));
    writer.EndArray();
}

template <typename T, typename Write>
void writeStamped(json::Writer& writer, const char* key, const Stamped<T>& field, Write write)
{
    if (!field.stamp.set())
        return;
    writer.Key(key);
    writer.StartArray();
    write(field.value);
    writeStamp(writer, field.stamp);
    writer.EndArray();
}

class Line {
public:
    Line(const std::string& device, const char* what)
        : writer_(buffer_)
    {
        writer_.StartObject();
        writer_.Key("d");
        json::writeString(writer_, device);
        writer_.Key("s");
        writer_.String(what);
    }
    json::Writer& writer() { return writer_; }
    void endInto(std::string& out)
    {
        writer_.EndObject();
        out.append(buffer_.GetString(), buffer_.GetSize());
        out += '\n';
    }

private:
    rapidjson::StringBuffer buffer_;
    json::Writer writer_;
};

void writeDeletes(std::string& out, const std::string& device, const char* what,
                  std::vector<std::pair<std::string, double>> deletes)
{
    std::sort(deletes.begin(), deletes.end());
    for (size_t start = 0; start < deletes.size(); start += deletesPerLine) {
        Line line(device, "gone");
        line.writer().Key("what");
        line.writer().String(what);
        line.writer().Key("ids");
        line.writer().StartArray();
        for (size_t i = start; i < std::min(deletes.size(), start + deletesPerLine); ++i) {
            line.writer().StartArray();
            json::writeString(line.writer(), deletes[i].first);
            line.writer().Double(deletes[i].second);
            line.writer().EndArray();
        }
        line.writer().EndArray();
        line.endInto(out);
    }
}

// Reading: every value is checked as a journal line's would be.

bool isTime(const rapidjson::Value& value)
{
    return value.IsNumber() && std::isfinite(value.GetDouble()) && value.GetDouble() >= 0;
}

std::optional<uint64_t> hexNumber(const rapidjson::Value& value, size_t digits)
{
    if (!value.IsString() || value.GetStringLength() != digits)
        return std::nullopt;
    const std::string_view text(value.GetString(), digits);
    if (!std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
        return std::nullopt;
    return idKey(text);
}

std::optional<SyncStamp> readStamp(const rapidjson::Value& value, double& latest)
{
    if (!value.IsArray() || value.Size() != 4 || !value[0].IsInt() || !isTime(value[1]))
        return std::nullopt;
    const int rank = value[0].GetInt();
    const auto device = hexNumber(value[2], 16);
    const auto event = hexNumber(value[3], 8);
    if ((rank != 0 && rank != 1) || !device || !event)
        return std::nullopt;
    latest = std::max(latest, value[1].GetDouble());
    return SyncStamp{value[1].GetDouble(), *device, static_cast<uint32_t>(*event), static_cast<int8_t>(rank)};
}

// A stamped field `[value, stamp]`; true when absent, false when malformed.
template <typename T, typename Read>
bool readStamped(const rapidjson::Value& object, const char* key, Stamped<T>& field, double& latest, Read read)
{
    const auto found = object.FindMember(key);
    if (found == object.MemberEnd())
        return true;
    const rapidjson::Value& pair = found->value;
    if (!pair.IsArray() || pair.Size() != 2)
        return false;
    const std::optional<T> value = read(pair[0]);
    const auto stamp = readStamp(pair[1], latest);
    if (!value || !stamp)
        return false;
    field.value = *value;
    field.stamp = *stamp;
    return true;
}

std::optional<std::string> anyString(const rapidjson::Value& value)
{
    return value.IsString() ? std::optional(json::stringOf(value)) : std::nullopt;
}

std::optional<std::string> sessionString(const rapidjson::Value& value)
{
    auto text = anyString(value);
    return text && isSessionName(*text) ? text : std::nullopt;
}

std::optional<std::string> blockString(const rapidjson::Value& value)
{
    auto text = anyString(value);
    return text && (text->empty() || isSyncId(*text)) ? text : std::nullopt;
}

std::optional<bool> anyBool(const rapidjson::Value& value)
{
    return value.IsBool() ? std::optional(value.GetBool()) : std::nullopt;
}

std::optional<double> anyNumber(const rapidjson::Value& value)
{
    return value.IsNumber() && std::isfinite(value.GetDouble()) ? std::optional(value.GetDouble()) : std::nullopt;
}

std::optional<std::string> idMember(const rapidjson::Value& object, const std::function<bool(std::string_view)>& valid)
{
    const auto found = object.FindMember("id");
    if (found == object.MemberEnd() || !found->value.IsString())
        return std::nullopt;
    std::string id = json::stringOf(found->value);
    return valid(id) ? std::optional(std::move(id)) : std::nullopt;
}

bool readEntry(const rapidjson::Value& object, SyncFold::Entry& entry, double& latest, SyncFold& fold)
{
    const auto ts = object.FindMember("ts");
    if (ts == object.MemberEnd() || !isTime(ts->value))
        return false;
    entry.ts = ts->value.GetDouble();
    latest = std::max(latest, entry.ts);
    const auto content = object.FindMember("c");
    if (content != object.MemberEnd()) {
        const rapidjson::Value& c = content->value;
        if (!c.IsObject())
            return false;
        const auto text = c.FindMember("text");
        const auto image = c.FindMember("image");
        const auto at = c.FindMember("at");
        if (text == c.MemberEnd() || !text->value.IsString() || image == c.MemberEnd() || !image->value.IsBool() ||
            at == c.MemberEnd())
            return false;
        const auto stamp = readStamp(at->value, latest);
        if (!stamp)
            return false;
        entry.content.text = json::stringOf(text->value);
        entry.content.image = image->value.GetBool();
        entry.contentStamp = *stamp;
        if (const auto formats = c.FindMember("fmt"); formats != c.MemberEnd())
            entry.content.formats = readFormats(formats->value);
        if (entry.content.image) {
            const auto picture = c.FindMember("pic");
            if (picture == c.MemberEnd() || !picture->value.IsString())
                return false;
            entry.content.picture = json::stringOf(picture->value);
            if (!isPictureName(entry.content.picture))
                return false;
        }
    }
    const auto numbered = [&](auto read) {
        return [&fold, read](const rapidjson::Value& value) -> std::optional<uint32_t> {
            const auto text = read(value);
            return text ? std::optional(fold.number(*text)) : std::nullopt;
        };
    };
    return readStamped(object, "pin", entry.pinned, latest, anyBool) &&
           readStamped(object, "block", entry.block, latest, numbered(blockString)) &&
           readStamped(object, "session", entry.session, latest, numbered(sessionString));
}

} // namespace

std::string encodeSnapshot(const SyncFold& fold, const std::string& device, double now, size_t keep)
{
    std::string out;
    // Sessions and blocks first, so that a reader meets them before the entries that name them.
    std::vector<std::pair<std::string, double>> deletedSessions;
    for (const auto& [id, session] : fold.sessions()) {
        if (session.deletedAt >= 0) {
            deletedSessions.emplace_back(id, session.deletedAt);
            continue;
        }
        if (!session.exists)
            continue;
        Line line(device, "session");
        json::Writer& writer = line.writer();
        writer.Key("id");
        json::writeString(writer, id);
        writer.Key("first");
        writer.StartArray();
        writer.Double(session.createdAt);
        writeStamp(writer, session.first);
        writer.EndArray();
        writeStamped(writer, "name", session.name, [&](const std::string& v) { json::writeString(writer, v); });
        line.endInto(out);
    }
    writeDeletes(out, device, "session", std::move(deletedSessions));

    std::vector<std::pair<std::string, double>> deletedBlocks;
    for (const auto& [id, block] : fold.blocks()) {
        if (block.deletedAt >= 0) {
            deletedBlocks.emplace_back(id, block.deletedAt);
            continue;
        }
        if (!block.exists)
            continue;
        Line line(device, "block");
        json::Writer& writer = line.writer();
        writer.Key("id");
        json::writeString(writer, id);
        const auto string = [&](const std::string& v) { json::writeString(writer, v); };
        writeStamped(writer, "session", block.session, string);
        writeStamped(writer, "name", block.name, string);
        writeStamped(writer, "color", block.color, string);
        writeStamped(writer, "bpin", block.pinned, [&](bool v) { writer.Bool(v); });
        writeStamped(writer, "order", block.order, [&](double v) { writer.Double(v); });
        line.endInto(out);
    }
    writeDeletes(out, device, "block", std::move(deletedBlocks));

    // The entries a device with the same limit could show: pinned ones, and the newest others.
    std::vector<std::pair<std::string, double>> deletedEntries;
    std::vector<std::pair<const EntryKey*, const SyncFold::Entry*>> kept;
    std::vector<std::pair<const EntryKey*, const SyncFold::Entry*>> unknown;
    for (const auto& [id, entry] : fold.entries()) {
        if (entry.deletedAt >= 0) {
            if (entry.deletedAt >= now - deleteKeptSeconds)
                deletedEntries.emplace_back(id.text(), entry.deletedAt);
        } else if (entry.contentStamp.set()) {
            kept.emplace_back(&id, &entry);
        } else if (std::max({entry.pinned.stamp.ts, entry.block.stamp.ts, entry.session.stamp.ts}) >=
                   now - deleteKeptSeconds) {
            // Edits of an entry whose capture has not arrived yet: the capture may still come.
            unknown.emplace_back(&id, &entry);
        }
    }
    const auto newer = [](const auto& a, const auto& b) {
        if (a.second->pinned.value != b.second->pinned.value)
            return a.second->pinned.value;
        if (a.second->ts != b.second->ts)
            return a.second->ts > b.second->ts;
        return std::tie(a.first->high, a.first->low) < std::tie(b.first->high, b.first->low);
    };
    std::sort(kept.begin(), kept.end(), newer);
    const size_t pinnedCount =
        std::count_if(kept.begin(), kept.end(), [](const auto& item) { return item.second->pinned.value; });
    if (keep > 0 && kept.size() > pinnedCount + keep)
        kept.resize(pinnedCount + keep);
    kept.insert(kept.end(), unknown.begin(), unknown.end());
    for (const auto& [id, entry] : kept) {
        Line line(device, "entry");
        json::Writer& writer = line.writer();
        writer.Key("id");
        json::writeString(writer, id->text());
        writer.Key("ts");
        writer.Double(entry->ts);
        if (entry->contentStamp.set()) {
            writer.Key("c");
            writer.StartObject();
            writer.Key("text");
            json::writeString(writer, entry->content.text);
            writer.Key("image");
            writer.Bool(entry->content.image);
            if (entry->content.image) {
                writer.Key("pic");
                json::writeString(writer, entry->content.picture);
            }
            if (!entry->content.formats.empty()) {
                writer.Key("fmt");
                writeFormats(writer, entry->content.formats);
            }
            writer.Key("at");
            writeStamp(writer, entry->contentStamp);
            writer.EndObject();
        }
        const auto name = [&](uint32_t v) { json::writeString(writer, fold.name(v)); };
        writeStamped(writer, "pin", entry->pinned, [&](bool v) { writer.Bool(v); });
        writeStamped(writer, "block", entry->block, name);
        writeStamped(writer, "session", entry->session, name);
        line.endInto(out);
    }
    writeDeletes(out, device, "entry", std::move(deletedEntries));
    return out;
}

bool foldSnapshotLine(std::string_view text, const std::string& device, SyncFold& fold, double now)
{
    std::string buffer = json::parseBuffer(text);
    rapidjson::Document document;
    if (!json::parseInPlace(buffer, document) || !document.IsObject())
        return false;
    const auto writer = document.FindMember("d");
    const auto what = document.FindMember("s");
    if (writer == document.MemberEnd() || !writer->value.IsString() || json::stringOf(writer->value) != device ||
        what == document.MemberEnd() || !what->value.IsString())
        return false;
    const std::string kind = json::stringOf(what->value);
    double latest = 0;

    if (kind == "gone") {
        const auto target = document.FindMember("what");
        const auto ids = document.FindMember("ids");
        if (target == document.MemberEnd() || !target->value.IsString() || ids == document.MemberEnd() ||
            !ids->value.IsArray())
            return false;
        const std::string of = json::stringOf(target->value);
        if (of != "entry" && of != "block" && of != "session")
            return false;
        std::vector<std::pair<std::string, double>> deletes;
        for (const auto& item : ids->value.GetArray()) {
            if (!item.IsArray() || item.Size() != 2 || !item[0].IsString() || !isTime(item[1]))
                return false;
            std::string id = json::stringOf(item[0]);
            if (!(of == "session" ? isSessionName(id) : of == "entry" ? EntryKey::of(id).has_value() : isSyncId(id)))
                return false;
            latest = std::max(latest, item[1].GetDouble());
            deletes.emplace_back(std::move(id), item[1].GetDouble());
        }
        if (latest > now + maxClockLeadSeconds) {
            fold.holdRecord(device, std::string(text), latest);
            return true;
        }
        for (const auto& [id, at] : deletes) {
            if (of == "entry")
                fold.addDeletedEntry(*EntryKey::of(id), at);
            else if (of == "block")
                fold.addDeletedBlock(id, at);
            else
                fold.addDeletedSession(id, at);
        }
        return true;
    }

    if (kind == "entry") {
        const auto id = idMember(document, [](std::string_view text) { return EntryKey::of(text).has_value(); });
        SyncFold::Entry entry;
        if (!id || !readEntry(document, entry, latest, fold))
            return false;
        if (latest > now + maxClockLeadSeconds)
            fold.holdRecord(device, std::string(text), latest);
        else
            fold.addEntry(*EntryKey::of(*id), entry);
        return true;
    }
    if (kind == "block") {
        const auto id = idMember(document, isSyncId);
        SyncFold::Block block;
        block.exists = true;
        if (!id || !readStamped(document, "session", block.session, latest, sessionString) ||
            !readStamped(document, "name", block.name, latest, anyString) ||
            !readStamped(document, "color", block.color, latest, anyString) ||
            !readStamped(document, "bpin", block.pinned, latest, anyBool) ||
            !readStamped(document, "order", block.order, latest, anyNumber))
            return false;
        if (latest > now + maxClockLeadSeconds)
            fold.holdRecord(device, std::string(text), latest);
        else
            fold.addBlock(*id, block);
        return true;
    }
    if (kind == "session") {
        const auto id = idMember(document, isSessionName);
        SyncFold::Session session;
        session.exists = true;
        const auto first = document.FindMember("first");
        if (!id || first == document.MemberEnd() || !first->value.IsArray() || first->value.Size() != 2)
            return false;
        const auto createdAt = anyNumber(first->value[0]);
        const auto stamp = readStamp(first->value[1], latest);
        if (!createdAt || !stamp || !readStamped(document, "name", session.name, latest, anyString))
            return false;
        session.createdAt = *createdAt;
        session.first = *stamp;
        if (latest > now + maxClockLeadSeconds)
            fold.holdRecord(device, std::string(text), latest);
        else
            fold.addSession(*id, session);
        return true;
    }
    return false;
}

} // namespace brimble
