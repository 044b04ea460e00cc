#include "history/ClipCodec.h"

#include <algorithm>
#include <cmath>

#include "common/JsonText.h"
#include "history/FormatFiles.h"
#include "platform/KeptFormats.h"

namespace brimble {

namespace {

const rapidjson::Value* member(const rapidjson::Value& object, const char* key)
{
    const auto found = object.FindMember(key);
    return found == object.MemberEnd() ? nullptr : &found->value;
}

// A lenient string key: anything but a JSON string reads as absent.
std::optional<std::string> optionalString(const rapidjson::Value& object, const char* key)
{
    const rapidjson::Value* value = member(object, key);
    if (!value || !value->IsString())
        return std::nullopt;
    return json::stringOf(*value);
}

// The kept formats of an entry, leniently: a format of a type not kept, or naming a file that is
// not one of ours (a path, a link's name, anything outside the formats folder), is left out.
std::vector<ClipFormat> decodeFormats(const rapidjson::Value& object)
{
    std::vector<ClipFormat> formats;
    const rapidjson::Value* list = member(object, "formats");
    if (!list || !list->IsArray())
        return formats;
    for (const rapidjson::Value& item : list->GetArray()) {
        if (formats.size() == KeptFormats::maxFormats || !item.IsObject())
            continue;
        std::optional<std::string> type = optionalString(item, "type");
        std::optional<std::string> file = optionalString(item, "file");
        if (!type || !file || !KeptFormats::isKept(*type) || !isFormatFileName(*file))
            continue;
        if (std::any_of(formats.begin(), formats.end(), [&](const ClipFormat& kept) { return kept.type == *type; }))
            continue;
        formats.push_back({std::move(*type), std::move(*file)});
    }
    return formats;
}

std::optional<Clip> decodeClip(const rapidjson::Value& object)
{
    if (!object.IsObject())
        return std::nullopt;
    const rapidjson::Value* id = member(object, "id");
    const rapidjson::Value* ts = member(object, "ts");
    if (!id || !id->IsString() || !ts || !ts->IsNumber())
        return std::nullopt;

    Clip clip;
    clip.id = json::stringOf(*id);
    clip.ts = ts->GetDouble();
    // The parser reads a number beyond the double range as null, but a time that could never be
    // saved again is refused here too, whatever reader made the value.
    if (!std::isfinite(clip.ts))
        return std::nullopt;
    clip.text = optionalString(object, "text").value_or("");
    const rapidjson::Value* pinned = member(object, "pinned");
    clip.pinned = pinned && pinned->IsBool() && pinned->GetBool();
    clip.kind = optionalString(object, "kind").value_or("text");
    clip.imgFile = optionalString(object, "imgFile");
    // A name from the file must never lead outside the picture folder.
    if (clip.imgFile && !isSafeImageFileName(*clip.imgFile))
        clip.imgFile.reset();
    clip.img = optionalString(object, "img");
    clip.sig = optionalString(object, "sig");
    clip.sessionId = optionalString(object, "sessionId").value_or("");
    clip.blockId = optionalString(object, "blockId");
    clip.formats = decodeFormats(object);
    return clip;
}

// Where an entry's text was left out of its JSON: the offset of the text's closing quote.
struct TextGap {
    const rapidjson::StringBuffer& buffer;
    std::optional<size_t> at;
};

// Writes one entry. Given a `gap`, a text that the writer would copy as it is goes out as ""
// instead and the gap records where it belongs.
bool writeClip(json::Writer& writer, const Clip& clip, TextGap* gap = nullptr)
{
    writer.StartObject();
    writer.Key("id");
    json::writeString(writer, clip.id);
    writer.Key("ts");
    // RapidJSON refuses NaN and the infinities, which have no JSON form.
    if (!writer.Double(clip.ts))
        return false;
    writer.Key("text");
    if (gap && json::writesVerbatim(clip.text)) {
        writer.String("", 0);
        gap->at = gap->buffer.GetSize() - 1;
    } else {
        json::writeString(writer, clip.text);
    }
    writer.Key("pinned");
    writer.Bool(clip.pinned);
    writer.Key("kind");
    json::writeString(writer, clip.kind);
    if (clip.imgFile) {
        writer.Key("imgFile");
        json::writeString(writer, *clip.imgFile);
    }
    if (clip.sig) {
        writer.Key("sig");
        json::writeString(writer, *clip.sig);
    }
    writer.Key("sessionId");
    json::writeString(writer, clip.sessionId);
    if (clip.blockId) {
        writer.Key("blockId");
        json::writeString(writer, *clip.blockId);
    }
    // Written only when there are any, so an entry without them is exactly as before.
    if (!clip.formats.empty()) {
        writer.Key("formats");
        writer.StartArray();
        for (const ClipFormat& format : clip.formats) {
            writer.StartObject();
            writer.Key("type");
            json::writeString(writer, format.type);
            writer.Key("file");
            json::writeString(writer, format.file);
            writer.EndObject();
        }
        writer.EndArray();
    }
    return writer.EndObject();
}

} // namespace

std::optional<json::RecordList<Clip>> decodeClipList(std::string_view json)
{
    return json::decodeRecords<Clip>(json, decodeClip);
}

std::optional<std::vector<Clip>> decodeClips(std::string_view json)
{
    std::optional<json::RecordList<Clip>> list = decodeClipList(json);
    if (!list || list->leftOut > 0)
        return std::nullopt;
    return std::move(list->records);
}

std::optional<std::string> encodeClip(const Clip& clip)
{
    rapidjson::StringBuffer buffer;
    json::Writer writer(buffer);
    if (!writeClip(writer, clip))
        return std::nullopt;
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::optional<ClipJson> encodeClipAroundText(const Clip& clip)
{
    rapidjson::StringBuffer buffer;
    json::Writer writer(buffer);
    TextGap gap{buffer, std::nullopt};
    if (!writeClip(writer, clip, &gap))
        return std::nullopt;
    const std::string_view whole(buffer.GetString(), buffer.GetSize());
    if (!gap.at)
        return ClipJson{std::string(whole), {}, false};
    return ClipJson{std::string(whole.substr(0, *gap.at)), std::string(whole.substr(*gap.at)), true};
}

std::optional<std::string> encodeClips(std::span<const Clip> clips)
{
    rapidjson::StringBuffer buffer;
    json::Writer writer(buffer);
    writer.StartArray();
    for (const Clip& clip : clips) {
        if (!writeClip(writer, clip))
            return std::nullopt;
    }
    writer.EndArray();
    return std::string(buffer.GetString(), buffer.GetSize());
}

bool isSafeImageFileName(std::string_view name)
{
    return !name.empty() && name.find('/') == std::string_view::npos
        && name.find('\\') == std::string_view::npos && name.front() != '.';
}

} // namespace brimble
