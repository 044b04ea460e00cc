#include "platform/JsonFileDefaults.h"

#include <gio/gio.h>

#include "common/AtomicFile.h"
#include "common/JsonText.h"
#include "common/SettingValues.h"

namespace brimble {

namespace {

constexpr int privateFileMode = 0600;

rapidjson::Value stringValueOf(std::string_view text, rapidjson::Document::AllocatorType& allocator)
{
    const std::string valid = json::validUtf8(text);
    return rapidjson::Value(valid.data(), static_cast<rapidjson::SizeType>(valid.size()), allocator);
}

std::optional<bool> booleanOf(const rapidjson::Value& value)
{
    if (value.IsBool())
        return value.GetBool();
    if (value.IsNumber())
        return booleanFromNumber(value.GetDouble());
    if (value.IsString())
        return booleanFromText(std::string_view(value.GetString(), value.GetStringLength()));
    return std::nullopt;
}

std::optional<int64_t> integerOf(const rapidjson::Value& value)
{
    if (value.IsInt64())
        return value.GetInt64();
    if (value.IsNumber())
        return integerFromNumber(value.GetDouble());
    if (value.IsString())
        return integerFromText(std::string_view(value.GetString(), value.GetStringLength()));
    return std::nullopt;
}

bool isTextList(const rapidjson::Value& value)
{
    if (!value.IsArray())
        return false;
    for (const auto& element : value.GetArray())
        if (!element.IsString())
            return false;
    return true;
}

} // namespace

JsonFileDefaults::JsonFileDefaults(std::filesystem::path file, KindOf kindOf)
    : file_(std::move(file))
    , kindOf_(std::move(kindOf))
    , text_(std::make_unique<std::string>())
{
    removeStaleTemporaries(file_);
    values_.SetObject();
    catchUpWithFile();
}

JsonFileDefaults::~JsonFileDefaults()
{
    if (announceSource_)
        g_source_remove(announceSource_);
    if (monitor_) {
        g_signal_handlers_disconnect_by_data(monitor_, this);
        g_file_monitor_cancel(monitor_);
        g_object_unref(monitor_);
    }
}

bool JsonFileDefaults::catchUpWithFile()
{
    std::optional<std::string> bytes = readWholeFile(file_);
    if (!bytes) {
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::symlink_status(file_, error))) {
            // There but unreadable: the values stay, and the file is kept before any write.
            keepUnreadableFile_ = true;
            return false;
        }
        // Removed from outside: the values in force stay so (a default history limit would trim
        // the history), and the next change writes them all again.
        keepUnreadableFile_ = false;
        seen_.reset();
        return false;
    }
    if (bytes == seen_)
        return false;
    seen_ = bytes;
    auto text = std::make_unique<std::string>(json::parseBuffer(*bytes));
    rapidjson::Document parsed;
    if (!json::parseInPlace(*text, parsed) || !parsed.IsObject()) {
        // Perhaps half-way through an edit; the values read before stay until it decodes.
        keepUnreadableFile_ = true;
        return false;
    }
    keepUnreadableFile_ = false;
    keepValuesInForce(parsed);
    values_.Swap(parsed);
    text_.swap(text);
    return true;
}

void JsonFileDefaults::keepValuesInForce(rapidjson::Document& parsed) const
{
    // A key edited to null names no value, and one edited to a value of the wrong kind is a typo.
    // Read as absent, either would put the default in force (and a default history limit trims
    // the history); the value in force stays instead, and is written back at the next change.
    for (auto& member : parsed.GetObject()) {
        const std::string_view key(member.name.GetString(), member.name.GetStringLength());
        if (!member.value.IsNull() && reads(key, member.value))
            continue;
        const rapidjson::Value* old = find(key);
        if (old && !old->IsNull() && reads(key, *old))
            member.value = json::ownedCopy(*old, parsed.GetAllocator()); // the old parse buffer goes
    }
}

bool JsonFileDefaults::reads(std::string_view key, const rapidjson::Value& value) const
{
    const std::optional<SettingKind> kind = kindOf_ ? kindOf_(key) : std::nullopt;
    if (!kind)
        return true;
    switch (*kind) {
    case SettingKind::Boolean:
        return booleanOf(value).has_value();
    case SettingKind::Integer:
        return integerOf(value).has_value();
    case SettingKind::Text:
        return value.IsString();
    case SettingKind::TextList:
        return isTextList(value);
    }
    return true;
}

void JsonFileDefaults::watch(std::function<void()> onChangedOutside)
{
    if (monitor_)
        return;
    onChangedOutside_ = std::move(onChangedOutside);
    g_autoptr(GFile) file = g_file_new_for_path(file_.c_str());
    // Watching a file that does not exist yet is allowed; its creation is reported.
    monitor_ = g_file_monitor_file(file, G_FILE_MONITOR_NONE, nullptr, nullptr);
    if (monitor_)
        g_signal_connect(monitor_, "changed", G_CALLBACK(onFileEvent), this);
}

void JsonFileDefaults::onFileEvent(GFileMonitor*, GFile*, GFile*, int event, void* self)
{
    // A file written in place is read once its writer is done with it.
    if (event == G_FILE_MONITOR_EVENT_CHANGED || event == G_FILE_MONITOR_EVENT_ATTRIBUTE_CHANGED)
        return;
    auto* defaults = static_cast<JsonFileDefaults*>(self);
    if (defaults->catchUpWithFile())
        defaults->announceLater();
}

void JsonFileDefaults::announceLater()
{
    // From an idle callback: a change found while a value is being set must not call back into
    // the program in the middle of what it is doing.
    if (!onChangedOutside_ || announceSource_)
        return;
    announceSource_ = g_idle_add(reinterpret_cast<GSourceFunc>(onAnnounce), this);
}

int JsonFileDefaults::onAnnounce(void* self)
{
    auto* defaults = static_cast<JsonFileDefaults*>(self);
    defaults->announceSource_ = 0;
    defaults->onChangedOutside_();
    return G_SOURCE_REMOVE;
}

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
    return value ? booleanOf(*value) : std::nullopt;
}

std::optional<int64_t> JsonFileDefaults::intValue(std::string_view key) const
{
    const rapidjson::Value* value = find(key);
    return value ? integerOf(*value) : std::nullopt;
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
    if (!value || !isTextList(*value))
        return std::nullopt;
    std::vector<std::string> list;
    for (const auto& element : value->GetArray())
        list.push_back(json::stringOf(element));
    return list;
}

void JsonFileDefaults::setBool(std::string_view key, bool value)
{
    catchUpBeforeWrite();
    store(key, rapidjson::Value(value));
}

void JsonFileDefaults::setInt(std::string_view key, int64_t value)
{
    catchUpBeforeWrite();
    store(key, rapidjson::Value(value));
}

void JsonFileDefaults::setString(std::string_view key, const std::string& value)
{
    catchUpBeforeWrite();
    store(key, stringValueOf(value, values_.GetAllocator()));
}

void JsonFileDefaults::setStringList(std::string_view key, const std::vector<std::string>& value)
{
    catchUpBeforeWrite();
    rapidjson::Value list(rapidjson::kArrayType);
    for (const std::string& text : value)
        list.PushBack(stringValueOf(text, values_.GetAllocator()), values_.GetAllocator());
    store(key, std::move(list));
}

void JsonFileDefaults::catchUpBeforeWrite()
{
    // The file may have been edited since it was last read, and the watch may not have told yet.
    // Done before the new value is made: reading replaces the allocator that values are made in.
    if (catchUpWithFile())
        announceLater();
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
    const bool keptAside = keepUnreadableFile_;
    if (!clearWayForWrite(file_, keepUnreadableFile_))
        return;
    if (keptAside)
        seen_.reset();
    const std::string_view bytes(buffer.GetString(), buffer.GetSize());
    if (writeFileAtomically(file_, bytes, privateFileMode))
        seen_ = std::string(bytes);
}

} // namespace brimble
