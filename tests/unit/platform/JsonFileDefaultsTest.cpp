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

TEST_F(JsonFileDefaultsTest, ValueOfAnotherTypeReadsAsAbsent)
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
        {"flag", std::nullopt, 1, std::nullopt, false},
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

} // namespace
} // namespace brimble
