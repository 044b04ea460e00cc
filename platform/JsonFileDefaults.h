#pragma once

#include <filesystem>
#include <string>

#include <rapidjson/document.h>

#include "platform/Defaults.h"

namespace brimble {

// Settings kept as one JSON object in a file ("settings.json"), read once at construction and
// rewritten whole, atomically and owner-only, on every change. Each value keeps its JSON type,
// and keys the program does not know are carried along untouched. A file that is not a JSON
// object reads as empty and is moved aside before it is first overwritten.
class JsonFileDefaults final : public Defaults {
public:
    explicit JsonFileDefaults(std::filesystem::path file);
    ~JsonFileDefaults() override;

    bool has(std::string_view key) const override;
    std::optional<bool> boolValue(std::string_view key) const override;
    std::optional<int64_t> intValue(std::string_view key) const override;
    std::optional<std::string> stringValue(std::string_view key) const override;
    std::optional<std::vector<std::string>> stringListValue(std::string_view key) const override;
    void setBool(std::string_view key, bool value) override;
    void setInt(std::string_view key, int64_t value) override;
    void setString(std::string_view key, const std::string& value) override;
    void setStringList(std::string_view key, const std::vector<std::string>& value) override;

private:
    const rapidjson::Value* find(std::string_view key) const;
    void store(std::string_view key, rapidjson::Value value);
    void write();

    std::filesystem::path file_;
    std::string text_;           // the file as read; holds the strings of the values read from it
    rapidjson::Document values_; // always an object
    bool keepUnreadableFile_ = false;
};

} // namespace brimble
