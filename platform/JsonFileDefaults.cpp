#include "platform/JsonFileDefaults.h"

#include <cmath>

#include "common/AtomicFile.h"
#include "common/JsonText.h"

namespace brimble {

namespace {

constexpr int privateFileMode = 0600;

rapidjson::Value stringValueOf(std::string_view text, rapidjson::Document::AllocatorType& allocator)
{
    const std::string valid = json::validUtf8(text);
    return rapidjson::Value(valid.data(), static_cast<rapidjson::SizeType>(valid.size()), allocator);
}

} // namespace

JsonFileDefaults::JsonFileDefaults(std::filesystem::path file)
    : file_(std::move(file))
{
    removeStaleTemporaries(file_);
    std::error_code error;
    if (std::optional<std::string> bytes = readWholeFile(file_)) {
        // The parsed strings point into the text, which therefore lives as long as they do.
        text_ = std::move(*bytes);
        if (!json::parseInPlace(text_, values_) || !values_.IsObject())
            keepUnreadableFile_ = true;
    } else {
        keepUnreadableFile_ = std::filesystem::exists(std::filesystem::symlink_status(file_, error));
    }
    if (keepUnreadableFile_ || !values_.IsObject())
        values_.SetObject();
}

JsonFileDefaults::~JsonFileDefaults() = default;

const rapidjson::Value* JsonFileDefaults::find(std::string_view key) const
{
    const rapidjson::Value name(rapidjson::StringRef(key.data(), key.size()));
    const auto found = values_.FindMember(name);
    return found == values_.MemberEnd() ? nullptr : &found->value;
}

bool JsonFileDefaults::has(std::string_view key) const
{
    return find(key) != nullptr;
}

std::optional<bool> JsonFileDefaults::boolValue(std::string_view key) const
{
    const rapidjson::Value* value = find(key);
    if (!value || !value->IsBool())
        return std::nullopt;
    return value->GetBool();
}

std::optional<int64_t> JsonFileDefaults::intValue(std::string_view key) const
{
    const rapidjson::Value* value = find(key);
    if (!value)
        return std::nullopt;
    if (value->IsInt64())
        return value->GetInt64();
    if (value->IsDouble()) {
        const double number = std::trunc(value->GetDouble());
        if (number >= -9223372036854775808.0 && number < 9223372036854775808.0)
            return static_cast<int64_t>(number);
    }
    return std::nullopt;
}

std::optional<std::string> JsonFileDefaults::stringValue(std::string_view key) const
{
    const rapidjson::Value* value = find(key);
    if (!value || !value->IsString())
        return std::nullopt;
    return json::stringOf(*value);
}

std::optional<std::vector<std::string>> JsonFileDefaults::stringListValue(std::string_view key) const
{
    const rapidjson::Value* value = find(key);
    if (!value || !value->IsArray())
        return std::nullopt;
    std::vector<std::string> list;
    for (const auto& element : value->GetArray()) {
        if (!element.IsString())
            return std::nullopt;
        list.push_back(json::stringOf(element));
    }
    return list;
}

void JsonFileDefaults::setBool(std::string_view key, bool value)
{
    store(key, rapidjson::Value(value));
}

void JsonFileDefaults::setInt(std::string_view key, int64_t value)
{
    store(key, rapidjson::Value(value));
}

void JsonFileDefaults::setString(std::string_view key, const std::string& value)
{
    store(key, stringValueOf(value, values_.GetAllocator()));
}

void JsonFileDefaults::setStringList(std::string_view key, const std::vector<std::string>& value)
{
    rapidjson::Value list(rapidjson::kArrayType);
    for (const std::string& text : value)
        list.PushBack(stringValueOf(text, values_.GetAllocator()), values_.GetAllocator());
    store(key, std::move(list));
}

void JsonFileDefaults::store(std::string_view key, rapidjson::Value value)
{
    // A hand-edited file may repeat a key; every copy goes, so the new value is the one read.
    const rapidjson::Value name(rapidjson::StringRef(key.data(), key.size()));
    for (auto found = values_.FindMember(name); found != values_.MemberEnd(); found = values_.FindMember(name))
        values_.EraseMember(found);
    values_.AddMember(stringValueOf(key, values_.GetAllocator()), value, values_.GetAllocator());
    write();
}

void JsonFileDefaults::write()
{
    rapidjson::StringBuffer buffer;
    json::Writer writer(buffer);
    if (!values_.Accept(writer))
        return;
    std::error_code error;
    std::filesystem::create_directories(file_.parent_path(), error);
    if (!clearWayForWrite(file_, keepUnreadableFile_))
        return;
    writeFileAtomically(file_, std::string_view(buffer.GetString(), buffer.GetSize()), privateFileMode);
}

} // namespace brimble
