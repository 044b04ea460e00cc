#include <cmath>
#include <functional>
#include <limits>

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include "history/ClipCodec.h"

namespace brimble {
namespace {

// An entry with the given id and time, then `edit` applied. (Designated initialisers would read
// better, but GCC 12 warns about every field they leave out.)
Clip entry(std::string id, double ts, const std::function<void(Clip&)>& edit = {})
{
    Clip clip;
    clip.id = std::move(id);
    clip.ts = ts;
    if (edit)
        edit(clip);
    return clip;
}

// A one-entry history with the given extra members after the required ones.
std::string oneEntry(const std::string& extra)
{
    return R"([{"id":"A","ts":12.5)" + std::string(extra.empty() ? "" : ",") + extra + "}]";
}

Clip decodeOne(const std::string& extra)
{
    std::optional<std::vector<Clip>> clips = decodeClips(oneEntry(extra));
    EXPECT_TRUE(clips && clips->size() == 1) << extra;
    return clips && !clips->empty() ? clips->front() : Clip{};
}

TEST(ClipCodec, OnlyRequiredKeysGiveTheDefaults)
{
    const Clip clip = decodeOne("");
    EXPECT_EQ(clip.id, "A");
    EXPECT_EQ(clip.ts, 12.5);
    EXPECT_EQ(clip.text, "");
    EXPECT_FALSE(clip.pinned);
    EXPECT_EQ(clip.kind, "text");
    EXPECT_EQ(clip.sessionId, "");
    EXPECT_FALSE(clip.imgFile || clip.img || clip.sig || clip.blockId);
}

struct LenientRow {
    const char* extra;
    void (*edit)(Clip&); // from the defaults of entry "A" at 12.5 to what is expected
};

TEST(ClipCodec, LenientKeysFallBackToTheirDefaults)
{
    const LenientRow rows[] = {
        {R"("text":"hi","pinned":true,"kind":"image","sessionId":"S","blockId":"B","sig":"ab")",
         [](Clip& c) {
             c.text = "hi";
             c.pinned = true;
             c.kind = "image";
             c.sig = "ab";
             c.sessionId = "S";
             c.blockId = "B";
         }},
        {R"("pinned":"yes")", [](Clip&) {}},
        {R"("pinned":1)", [](Clip&) {}},
        {R"("text":5)", [](Clip&) {}},
        {R"("text":null,"kind":null,"sessionId":null,"blockId":null,"sig":null,"imgFile":null)", [](Clip&) {}},
        {R"("kind":["image"])", [](Clip&) {}},
        {R"("sessionId":{"id":"S"})", [](Clip&) {}},
        {R"("blockId":7,"sig":false,"img":3)", [](Clip&) {}},
        {R"("img":"data:image/png;base64,AAAA")", [](Clip& c) { c.img = "data:image/png;base64,AAAA"; }},
        {R"("unknown":"ignored","nested":{"a":[1,2]})", [](Clip&) {}},
    };
    for (const LenientRow& row : rows)
        EXPECT_EQ(decodeOne(row.extra), entry("A", 12.5, row.edit)) << row.extra;
}

TEST(ClipCodec, ImageFileNamesThatCouldLeaveThePictureFolderAreDropped)
{
    const struct {
        const char* value;
        bool kept;
    } rows[] = {
        {R"("6F9619FF-8B86-D011-B42D-00C04FC964FF.png")", true},
        {R"("picture.jpg")", true},
        {R"("a.b.png")", true},
        {R"("")", false},
        {R"("../secret")", false},
        {R"("sub/a.png")", false},
        {R"("/etc/passwd")", false},
        {R"("sub\\a.png")", false},
        {R"(".hidden.png")", false},
        {R"("..")", false},
        {"42", false},
    };
    for (const auto& row : rows) {
        const Clip clip = decodeOne(std::string(R"("imgFile":)") + row.value);
        EXPECT_EQ(clip.imgFile.has_value(), row.kept) << row.value;
    }
}

TEST(ClipCodec, AnyBadRecordFailsTheWholeDocument)
{
    const char* rows[] = {
        R"([{"ts":1}])",                              // no id
        R"([{"id":"A"}])",                            // no ts
        R"([{"id":7,"ts":1}])",                       // id of another type
        R"([{"id":null,"ts":1}])",
        R"([{"id":"A","ts":"1"}])",                   // ts as a string
        R"([{"id":"A","ts":null}])",
        R"([{"id":"A","ts":true}])",
        R"([{"id":"A","ts":1},"B"])",                 // element that is not an object
        R"([{"id":"A","ts":1},{"id":"B"}])",          // good record then a bad one
        R"({"id":"A","ts":1})",                       // not an array
        R"([{"id":"A","ts":1}] trailing)",            // content after the document
        R"([{"id":"A","ts":1})",                      // cut short, as by a crash mid-write
        R"([{"id":"A","ts":NaN}])",                   // not JSON
        "",
        "\xEF\xBB\xBF[]",                             // byte-order mark, not JSON text
        "[{\"id\":\"A\",\"ts\":1,\"text\":\"\xC3\x28\"}]",   // raw invalid UTF-8
        "[{\"id\":\"A\",\"ts\":1,\"text\":\"\\uDC00\"}]",    // escaped lone low surrogate
        "[{\"id\":\"A\",\"ts\":1,\"text\":\"\\uD800x\"}]",   // escaped lone high surrogate
    };
    for (const char* row : rows)
        EXPECT_FALSE(decodeClips(row)) << row;
}

TEST(ClipCodec, EscapesDecodeToTheTextTheyName)
{
    const Clip clip = decodeOne(R"("text":"a\u0000b \uD83D\uDE00 \"q\" \\ \n")");
    EXPECT_EQ(clip.text, std::string("a\0b \xF0\x9F\x98\x80 \"q\" \\ \n", 16));
}

TEST(ClipCodec, AnEmptyArrayIsAnEmptyHistory)
{
    const auto clips = decodeClips("[]");
    ASSERT_TRUE(clips);
    EXPECT_TRUE(clips->empty());
}

TEST(ClipCodec, IntegerTimesAreAccepted)
{
    const auto clips = decodeClips(R"([{"id":"A","ts":1760000000}])");
    ASSERT_TRUE(clips);
    EXPECT_EQ(clips->front().ts, 1760000000.0);
}

rapidjson::Document parse(const std::string& json)
{
    rapidjson::Document document;
    document.Parse(json.c_str(), json.size());
    EXPECT_FALSE(document.HasParseError()) << json;
    return document;
}

TEST(ClipCodec, WritesRequiredAndPresentKeysOnly)
{
    const Clip bare = entry("A", 3.25, [](Clip& c) { c.img = "data:image/png;base64,AAAA"; });
    const std::string json = encodeClip(bare).value();
    const rapidjson::Document document = parse(json);
    ASSERT_TRUE(document.IsObject());
    EXPECT_EQ(document.MemberCount(), 6u) << json; // id ts text pinned kind sessionId
    for (const char* key : {"id", "ts", "text", "pinned", "kind", "sessionId"})
        EXPECT_TRUE(document.HasMember(key)) << key;
    EXPECT_TRUE(document["ts"].IsNumber());
    EXPECT_EQ(json.find("null"), std::string::npos) << "absent fields are left out, never null";
    EXPECT_EQ(json.find("img\""), std::string::npos) << "the legacy inline picture is never written";

    const Clip full = entry("B", 1, [](Clip& c) {
        c.kind = "image";
        c.imgFile = "x.png";
        c.sig = "ab";
        c.blockId = "K";
    });
    const rapidjson::Document fullDocument = parse(encodeClip(full).value());
    for (const char* key : {"imgFile", "sig", "blockId"})
        EXPECT_TRUE(fullDocument.HasMember(key)) << key;
}

TEST(ClipCodec, OutputIsCompact)
{
    const std::string json = encodeClips(std::vector<Clip>{entry("A", 1), entry("B", 2)}).value();
    EXPECT_EQ(json.find(' '), std::string::npos) << json;
    EXPECT_EQ(json.find('\n'), std::string::npos) << json;
    EXPECT_EQ(json.front(), '[');
    EXPECT_EQ(json.back(), ']');
}

TEST(ClipCodec, RoundTripKeepsEveryWrittenField)
{
    const std::vector<Clip> clips = {
        entry("A", 1760000000.123456, [](Clip& c) {
            c.text = "multi\nline \"quoted\" \t ünïcødé 😀";
            c.pinned = true;
            c.sessionId = "S";
        }),
        entry("B", -0.5, [](Clip& c) {
            c.text = std::string("nul\0inside", 10);
            c.kind = "image";
            c.imgFile = "b.png";
            c.sig = std::string(64, 'f');
            c.sessionId = "S";
            c.blockId = "K";
        }),
        entry("C", 5e-324, [](Clip& c) { c.text = "\x01\x1F control"; }),
    };
    const auto decoded = decodeClips(encodeClips(clips).value());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, clips); // times too, to the last bit
}

// A time that went wrong (a clock fault or a bad import) must not produce a file that no
// later start can read.
TEST(ClipCodec, NonFiniteTimesFailTheEncoding)
{
    for (double ts : {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(encodeClip(entry("A", ts))) << ts;
        EXPECT_FALSE(encodeClips(std::vector<Clip>{entry("OK", 1), entry("A", ts)})) << ts;
    }
}

// Text with broken UTF-8 in memory must not make the saved file unreadable for the next start.
TEST(ClipCodec, InvalidUtf8IsWrittenAsReplacementCharacters)
{
    const Clip broken = entry("A", 1, [](Clip& c) {
        c.text = "ok \xC3\x28 \xFF end";
        c.sessionId = "\x80";
    });
    const auto decoded = decodeClips(encodeClips(std::vector<Clip>{broken}).value());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->front().text, "ok \xEF\xBF\xBD( \xEF\xBF\xBD end");
    EXPECT_EQ(decoded->front().sessionId, "\xEF\xBF\xBD");
}

} // namespace
} // namespace brimble
