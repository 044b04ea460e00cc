#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brimble {

// What a setting's value is read as; a store that knows a key's kind can tell a value typed by
// mistake ("abc" for a number) from one it reads.
enum class SettingKind { Boolean, Integer, Text, TextList };

// The per-user settings store. Reads apply no defaults. A value is read leniently, as a person
// typing it by hand means it (common/SettingValues.h): an integer from a number or a numeric
// text, a Boolean from true/false, 0/1 or their texts. Anything else reads as absent.
class Defaults {
public:
    Defaults() = default;
    Defaults(const Defaults&) = delete;
    Defaults& operator=(const Defaults&) = delete;
    virtual ~Defaults() = default;

    // Whether any value is stored under `key`.
    virtual bool has(std::string_view key) const = 0;
    // The stored Boolean (or 0/1, or their texts), or nothing.
    virtual std::optional<bool> boolValue(std::string_view key) const = 0;
    // The stored integer (a stored floating-point number or a numeric text is truncated), or nothing.
    virtual std::optional<int64_t> intValue(std::string_view key) const = 0;
    // The stored text, or nothing.
    virtual std::optional<std::string> stringValue(std::string_view key) const = 0;
    // The stored list of texts, or nothing when absent or not a list of texts only.
    virtual std::optional<std::vector<std::string>> stringListValue(std::string_view key) const = 0;
    // Stores a Boolean; written through at once.
    virtual void setBool(std::string_view key, bool value) = 0;
    // Stores an integer; written through at once.
    virtual void setInt(std::string_view key, int64_t value) = 0;
    // Stores a text; written through at once.
    virtual void setString(std::string_view key, const std::string& value) = 0;
    // Stores a list of texts; written through at once.
    virtual void setStringList(std::string_view key, const std::vector<std::string>& value) = 0;
    // Calls `onChangedOutside` on the main loop after another program changed the stored values;
    // the reads already answer with the new ones. Started at most once.
    virtual void watch(std::function<void()> onChangedOutside) = 0;
};

} // namespace brimble
