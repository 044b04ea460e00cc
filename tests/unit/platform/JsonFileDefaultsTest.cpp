#include <chrono>
#include <functional>

#include <glib.h>
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include "platform/JsonFileDefaults.h"
#include "support/TempDir.h"

namespace brimble {
namespace {

using test::fileMode;
using test::readFile;
using test::writeFile;

class JsonFileDefaultsTest : public testing::Test {
protected:
    std::filesystem::path file() const { return home.path() / "Brimble" / "settings.json"; }

    rapidjson::Document stored() const
    {
        const std::string text = readFile(file());
        rapidjson::Document document;
        document.Parse(text.data(), text.size());
        EXPECT_TRUE(document.IsObject()) << readFile(file());
        return document;
    }

    std::vector<std::string> copiesAside() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(file().parent_path()))
            if (entry.path().filename().string().starts_with("settings.json.unreadable-"))
                names.push_back(entry.path().filename().string());
        return names;
    }

    test::TempDir home;
};

TEST_F(JsonFileDefaultsTest, MissingFileReadsAsEmptyAndIsNotCreated)
{
    JsonFileDefaults defaults(file());
    EXPECT_FALSE(defaults.has("dockVisible"));
    EXPECT_EQ(defaults.boolValue("dockVisible"), std::nullopt);
    EXPECT_EQ(defaults.intValue("historyLimit"), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(JsonFileDefaultsTest, ValuesKeepTheirJsonTypeAcrossRestarts)
{
    {
        JsonFileDefaults defaults(file());
        defaults.setBool("dockVisible", false);
        defaults.setInt("historyLimit", 25);
        defaults.setString("appearanceMode", "dark");
        defaults.setStringList("excludedApps", {"org.keepassxc.KeePassXC.desktop", "ünï"});
    }
    EXPECT_EQ(fileMode(file()), 0600);
    const rapidjson::Document document = stored();
    EXPECT_TRUE(document["dockVisible"].IsFalse());
    EXPECT_TRUE(document["historyLimit"].IsInt64()) << "an integer, not 25.0";
    EXPECT_TRUE(document["appearanceMode"].IsString());
    EXPECT_TRUE(document["excludedApps"].IsArray());
    EXPECT_EQ(document.MemberCount(), 4u) << "absent keys stay absent";

    JsonFileDefaults reloaded(file());
    EXPECT_EQ(reloaded.boolValue("dockVisible"), false);
    EXPECT_EQ(reloaded.intValue("historyLimit"), 25);
    EXPECT_EQ(reloaded.stringValue("appearanceMode"), "dark");
    EXPECT_EQ(reloaded.stringListValue("excludedApps"),
              (std::vector<std::string>{"org.keepassxc.KeePassXC.desktop", "ünï"}));
}

TEST_F(JsonFileDefaultsTest, EverySetIsWrittenAtOnce)
{
    JsonFileDefaults defaults(file());
    defaults.setBool("clipboardPaused", true);
    EXPECT_TRUE(stored()["clipboardPaused"].IsTrue());
    defaults.setBool("clipboardPaused", false);
    EXPECT_TRUE(stored()["clipboardPaused"].IsFalse());
    EXPECT_EQ(stored().MemberCount(), 1u) << "a changed key is replaced, not repeated";
}

TEST_F(JsonFileDefaultsTest, ValueOfAnotherTypeReadsLenientlyOrAsAbsent)
{
    writeFile(file(), R"({"flag":1,"number":true,"text":5,"list":["a",2],"notList":"a","limit":37.9,"neg":-2.5,
                         "huge":1e300,"big":18446744073709551615})");
    JsonFileDefaults defaults(file());
    const struct {
        const char* key;
        std::optional<bool> asBool;
        std::optional<int64_t> asInt;
        std::optional<std::string> asString;
        bool isList;
    } rows[] = {
        {"flag", true, 1, std::nullopt, false},
        {"number", true, std::nullopt, std::nullopt, false},
        {"text", std::nullopt, 5, std::nullopt, false},
        {"list", std::nullopt, std::nullopt, std::nullopt, false},
        {"notList", std::nullopt, std::nullopt, "a", false},
        {"limit", std::nullopt, 37, std::nullopt, false}, // a floating-point number is truncated
        {"neg", std::nullopt, -2, std::nullopt, false},
        {"huge", std::nullopt, std::nullopt, std::nullopt, false},
        {"big", std::nullopt, std::nullopt, std::nullopt, false},
    };
    for (const auto& row : rows) {
        EXPECT_TRUE(defaults.has(row.key)) << row.key;
        EXPECT_EQ(defaults.boolValue(row.key), row.asBool) << row.key;
        EXPECT_EQ(defaults.intValue(row.key), row.asInt) << row.key;
        EXPECT_EQ(defaults.stringValue(row.key), row.asString) << row.key;
        EXPECT_EQ(defaults.stringListValue(row.key).has_value(), row.isList) << row.key;
    }
}

TEST_F(JsonFileDefaultsTest, KeysTheProgramDoesNotKnowAreKept)
{
    writeFile(file(), R"({"someoneElse":{"nested":[1,2]},"historyLimit":12})");
    JsonFileDefaults defaults(file());
    defaults.setInt("historyLimit", 30);
    const rapidjson::Document document = stored();
    EXPECT_TRUE(document["someoneElse"]["nested"].IsArray());
    EXPECT_EQ(document["historyLimit"].GetInt64(), 30);
}

// A hand-edited file that repeats a key must not keep answering with the old value.
TEST_F(JsonFileDefaultsTest, SetReplacesEveryCopyOfARepeatedKey)
{
    writeFile(file(), R"({"appearanceMode":"light","appearanceMode":"dark"})");
    JsonFileDefaults defaults(file());
    defaults.setString("appearanceMode", "system");
    EXPECT_EQ(JsonFileDefaults(file()).stringValue("appearanceMode"), "system");
    EXPECT_EQ(stored().MemberCount(), 1u);
}

// A hand-edited file that went wrong used to be replaced by the next change, losing every setting.
TEST_F(JsonFileDefaultsTest, FileOfTheWrongShapeReadsEmptyAndIsKeptAside)
{
    for (const std::string original : {"[\"dockVisible\",false]", "{\"dockVisible\":fal", "\xFF{}", ""}) {
        test::TempDir rowHome;
        const auto rowFile = rowHome.path() / "settings.json";
        writeFile(rowFile, original);
        JsonFileDefaults defaults(rowFile);
        EXPECT_FALSE(defaults.has("dockVisible")) << original;
        EXPECT_EQ(readFile(rowFile), original) << "reading alone changes nothing";

        defaults.setBool("dockVisible", true);
        std::vector<std::filesystem::path> aside;
        for (const auto& entry : std::filesystem::directory_iterator(rowHome.path()))
            if (entry.path().filename() != "settings.json")
                aside.push_back(entry.path());
        ASSERT_EQ(aside.size(), 1u) << original;
        EXPECT_EQ(readFile(aside.front()), original);
        EXPECT_EQ(JsonFileDefaults(rowFile).boolValue("dockVisible"), true);
    }
}

TEST_F(JsonFileDefaultsTest, GoodFileIsNeverMovedAside)
{
    writeFile(file(), "{}");
    JsonFileDefaults defaults(file());
    defaults.setBool("devtools", true);
    EXPECT_TRUE(copiesAside().empty());
}

// Text with broken UTF-8 must not make the file unreadable at the next start.
TEST_F(JsonFileDefaultsTest, InvalidUtf8IsStoredAsReplacementCharacters)
{
    JsonFileDefaults defaults(file());
    defaults.setString("activeSessionId", "a\xFF");
    defaults.setStringList("excludedApps", {"\xC3"});
    JsonFileDefaults reloaded(file());
    EXPECT_EQ(reloaded.stringValue("activeSessionId"), "a\xEF\xBF\xBD");
    EXPECT_EQ(reloaded.stringListValue("excludedApps"), std::vector<std::string>{"\xEF\xBF\xBD"});
}

// Edits made by another program while Brimble runs.

// Replaces the file the way editors and other programs do: a new file renamed over it.
void replaceFile(const std::filesystem::path& file, const std::string& text)
{
    writeFile(file.string() + ".edit", text);
    std::filesystem::rename(file.string() + ".edit", file);
}

// Runs the default main context until `done` holds or a generous time has passed.
bool runLoopUntil(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        if (!g_main_context_iteration(nullptr, FALSE))
            g_usleep(5000);
    }
    return done();
}

// The whole file was written from memory, so a key edited outside came back at the next change.
TEST_F(JsonFileDefaultsTest, WriteLandsOnTopOfAnEditNotYetReported)
{
    JsonFileDefaults defaults(file());
    defaults.setBool("clipboardPaused", true);
    defaults.setInt("historyLimit", 80);
    replaceFile(file(), R"({"clipboardPaused":true,"historyLimit":20,"devtools":true,"fromOutside":[1]})");

    defaults.setBool("clipboardPaused", false);
    const rapidjson::Document document = stored();
    EXPECT_TRUE(document["devtools"].IsTrue());
    EXPECT_EQ(document["historyLimit"].GetInt64(), 20);
    EXPECT_TRUE(document["fromOutside"].IsArray());
    EXPECT_TRUE(document["clipboardPaused"].IsFalse());
    EXPECT_EQ(defaults.intValue("historyLimit"), 20);
}

TEST_F(JsonFileDefaultsTest, WatchReadsAnEditAndTellsOnce)
{
    writeFile(file(), R"({"historyLimit":30})");
    JsonFileDefaults defaults(file());
    int told = 0;
    defaults.watch([&] { ++told; });

    replaceFile(file(), R"({"historyLimit":40,"devtools":true})");
    ASSERT_TRUE(runLoopUntil([&] { return told > 0; }));
    EXPECT_EQ(defaults.intValue("historyLimit"), 40);
    EXPECT_EQ(defaults.boolValue("devtools"), true);

    // Edited in place, as an editor that rewrites the file itself does.
    writeFile(file(), R"({"historyLimit":45})");
    ASSERT_TRUE(runLoopUntil([&] { return defaults.intValue("historyLimit") == 45; }));
    EXPECT_FALSE(defaults.has("devtools"));
}

// The program's own writes must not come back as edits: each would push the page and re-apply
// every setting for nothing.
TEST_F(JsonFileDefaultsTest, OwnWritesAreNotReportedAsEdits)
{
    JsonFileDefaults defaults(file());
    int told = 0;
    defaults.watch([&] { ++told; });
    defaults.setBool("clipboardPaused", true);
    defaults.setString("appearanceMode", "dark");
    // A later outside edit marks the point by which the own writes' events have all arrived.
    replaceFile(file(), R"({"clipboardPaused":false})");
    ASSERT_TRUE(runLoopUntil([&] { return defaults.boolValue("clipboardPaused") == false && told > 0; }));
    g_main_context_iteration(nullptr, FALSE);
    EXPECT_EQ(told, 1);
}

// A file saved half-way, or broken by hand, must neither wipe the settings in use nor be lost.
TEST_F(JsonFileDefaultsTest, UndecodableEditKeepsTheValuesAndIsKeptAsideBeforeTheNextWrite)
{
    writeFile(file(), R"({"historyLimit":30})");
    JsonFileDefaults defaults(file());
    replaceFile(file(), R"({"historyLimit":)");
    EXPECT_FALSE(defaults.catchUpWithFile());
    EXPECT_EQ(defaults.intValue("historyLimit"), 30);
    EXPECT_EQ(readFile(file()), R"({"historyLimit":)") << "reading alone changes nothing";

    defaults.setBool("clipboardPaused", true);
    ASSERT_EQ(copiesAside().size(), 1u);
    EXPECT_EQ(readFile(file().parent_path() / copiesAside().front()), R"({"historyLimit":)");
    EXPECT_EQ(stored()["historyLimit"].GetInt64(), 30);
    EXPECT_TRUE(stored()["clipboardPaused"].IsTrue());
}

TEST_F(JsonFileDefaultsTest, RepairedOrRemovedFileIsReadAgain)
{
    writeFile(file(), "{broken");
    JsonFileDefaults defaults(file());
    replaceFile(file(), R"({"dockVisible":false})");
    EXPECT_TRUE(defaults.catchUpWithFile());
    EXPECT_EQ(defaults.boolValue("dockVisible"), false);
    defaults.setBool("devtools", true);
    EXPECT_TRUE(copiesAside().empty()) << "the repaired file is no longer kept aside";

}

// Deleting the file reset the history limit to 50, and the next copy trimmed the history.
TEST_F(JsonFileDefaultsTest, RemovedFileKeepsTheValuesInForceAndTheNextChangeWritesThem)
{
    writeFile(file(), R"({"historyLimit":400,"dockVisible":false})");
    JsonFileDefaults defaults(file());
    std::filesystem::remove(file());
    EXPECT_FALSE(defaults.catchUpWithFile()) << "nothing changed";
    EXPECT_EQ(defaults.intValue("historyLimit"), 400);
    EXPECT_FALSE(std::filesystem::exists(file())) << "not written back before a change";

    defaults.setBool("clipboardPaused", true);
    EXPECT_EQ(stored()["historyLimit"].GetInt64(), 400);
    EXPECT_TRUE(stored()["dockVisible"].IsFalse());
    EXPECT_TRUE(copiesAside().empty());
}

// Hand edits of the wrong type: "200" and 1 read as what they plainly mean; null keeps the value
// in force rather than putting the default (and a trimmed history) in its place.
TEST_F(JsonFileDefaultsTest, HandEditsReadAsTheyMean)
{
    writeFile(file(), R"({"historyLimit":300,"clipboardPaused":false,"recordSecrets":true})");
    JsonFileDefaults defaults(file());
    replaceFile(file(), R"({"historyLimit":"200","clipboardPaused":1,"recordSecrets":"false"})");
    EXPECT_TRUE(defaults.catchUpWithFile());
    EXPECT_EQ(defaults.intValue("historyLimit"), 200);
    EXPECT_EQ(defaults.boolValue("clipboardPaused"), true);
    EXPECT_EQ(defaults.boolValue("recordSecrets"), false);

    replaceFile(file(), R"({"historyLimit":null,"clipboardPaused":"0","fresh":null})");
    EXPECT_TRUE(defaults.catchUpWithFile());
    EXPECT_EQ(defaults.intValue("historyLimit"), 200);
    EXPECT_EQ(defaults.boolValue("clipboardPaused"), false);
    EXPECT_FALSE(defaults.intValue("fresh")) << "a null with nothing before it stays nothing";
    EXPECT_FALSE(defaults.has("recordSecrets")) << "a key taken out goes back to its default";

    defaults.setBool("devtools", false);
    EXPECT_EQ(stored()["historyLimit"].GetString(), std::string("200")) << "the kept value is written back";
}

// A value its kind cannot read keeps the one in force, through a second typo too; with nothing in
// force before it, it stays as typed (the reader gives its default).
TEST_F(JsonFileDefaultsTest, TypoKeepsTheValueInForceThroughLaterTypos)
{
    const auto kinds = [](std::string_view key) -> std::optional<SettingKind> {
        if (key == "limit")
            return SettingKind::Integer;
        if (key == "flag")
            return SettingKind::Boolean;
        return std::nullopt;
    };
    writeFile(file(), R"({"limit":300,"flag":"abc"})");
    JsonFileDefaults defaults(file(), kinds);
    EXPECT_FALSE(defaults.boolValue("flag"));
    for (const char* typo : {R"("abc")", "true", R"(["300"])", R"("3OO")"}) {
        replaceFile(file(), std::string(R"({"limit":)") + typo + R"(,"flag":"xyz"})");
        EXPECT_TRUE(defaults.catchUpWithFile());
        EXPECT_EQ(defaults.intValue("limit"), 300) << typo;
        EXPECT_TRUE(defaults.has("flag"));
    }
}

// A settings file of a million "[" crashed the program the moment it was written, and at every
// start after.
TEST_F(JsonFileDefaultsTest, DeepNestingIsUndecodableAtStartAndWhenWritten)
{
    writeFile(file(), std::string(1'000'000, '['));
    {
        JsonFileDefaults defaults(file());
        EXPECT_FALSE(defaults.has("historyLimit"));
        defaults.setInt("historyLimit", 80);
        EXPECT_EQ(copiesAside().size(), 1u);
    }
    JsonFileDefaults defaults(file());
    EXPECT_EQ(defaults.intValue("historyLimit"), 80);
    replaceFile(file(), std::string(1'000'000, '[') + std::string(1'000'000, ']'));
    EXPECT_FALSE(defaults.catchUpWithFile());
    EXPECT_EQ(defaults.intValue("historyLimit"), 80);
}

} // namespace
} // namespace brimble
