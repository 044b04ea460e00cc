#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <rapidjson/document.h>

#include "platform/Defaults.h"

typedef struct _GFile GFile;
typedef struct _GFileMonitor GFileMonitor;

namespace brimble {

// Settings kept as one JSON object in a file ("settings.json"). Each value keeps its JSON type,
// and keys the program does not know are carried along untouched. The user may edit the file
// while the program runs: it is read again when it changes on disk, and every change is written,
// atomically and owner-only, on top of what the file holds at that moment, so an edit made
// outside is never undone. A file that is not a JSON object reads as empty at start (later, the
// values read before stay); either way it is moved aside before it is first overwritten. When
// the file is removed, or a key is edited to null or to a value its kind cannot read ("abc" for a
// number), the values in force stay so and are written again at the next change: only a value
// that reads puts another in force.
class JsonFileDefaults final : public Defaults {
public:
    // `kindOf` tells the kind of each key the program reads; nothing for a key it does not know.
    using KindOf = std::function<std::optional<SettingKind>(std::string_view key)>;
    explicit JsonFileDefaults(std::filesystem::path file, KindOf kindOf = {});
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
    // Watches the file through GIO; the call comes from an idle callback after the change.
    void watch(std::function<void()> onChangedOutside) override;

    // Reads the file again if it is no longer what was last read or written. Says whether the
    // values changed. Runs by itself when the file changes while watched.
    bool catchUpWithFile();

private:
    const rapidjson::Value* find(std::string_view key) const;
    void keepValuesInForce(rapidjson::Document& parsed) const;
    bool reads(std::string_view key, const rapidjson::Value& value) const;
    void catchUpBeforeWrite();
    void store(std::string_view key, rapidjson::Value value);
    void write();
    void announceLater();
    static void onFileEvent(GFileMonitor* monitor, GFile* file, GFile* other, int event, void* self);
    static int onAnnounce(void* self);

    std::filesystem::path file_;
    KindOf kindOf_;
    // The bytes last read from or written to the file; nothing while there is no file.
    std::optional<std::string> seen_;
    // The parse buffer of the values read; the parsed strings point into it, so it never moves.
    std::unique_ptr<std::string> text_;
    rapidjson::Document values_; // always an object
    bool keepUnreadableFile_ = false;
    std::function<void()> onChangedOutside_;
    GFileMonitor* monitor_ = nullptr;
    unsigned int announceSource_ = 0;
};

} // namespace brimble
