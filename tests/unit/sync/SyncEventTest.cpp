#include <gtest/gtest.h>

#include "sync/SyncEvent.h"
#include "unit/sync/SyncEvents.h"

namespace brimble {
namespace {

using test::addedText;
using test::syncEvent;

TEST(SyncEventTest, EveryKindComesBackAsItWasWritten)
{
    const std::string device = newUuid();
    const std::string entry = newUuid();
    std::vector<SyncEvent> events;
    SyncEvent text = addedText(device, 10.5, entry, "line\none \"quoted\" \u00e9\U0001F600");
    text.pinned = true;
    text.block = newUuid();
    text.formats = {{"text/html", std::string(64, 'b')}, {"text/rtf", std::string(64, 'c')}};
    events.push_back(text);
    SyncEvent picture = syncEvent(device, 11, SyncKind::Added, {newUuid()});
    picture.entryKind = "image";
    picture.text = "PNG · 2×2";
    picture.picture = std::string(64, 'a') + ".png";
    picture.session = newUuid();
    events.push_back(picture);
    events.push_back(syncEvent(device, 12, SyncKind::Touched, {entry}));
    SyncEvent whole = picture; // a copy made again carries the entry whole
    whole.kind = SyncKind::Touched;
    whole.eventId = newUuid();
    events.push_back(whole);
    events.push_back(syncEvent(device, 12, SyncKind::Pinned, {entry}));
    events.push_back(syncEvent(device, 12, SyncKind::Unpinned, {entry}));
    events.push_back(syncEvent(device, 12, SyncKind::MovedToBlock, {entry}));
    SyncEvent moved = syncEvent(device, 12, SyncKind::MovedToSession, {entry});
    moved.session = "default";
    events.push_back(moved);
    events.push_back(syncEvent(device, 13, SyncKind::Deleted, {entry, newUuid(), newUuid()}));
    SyncEvent block = syncEvent(device, 14, SyncKind::BlockSet, {newUuid()});
    block.session = "default";
    block.name = "Work";
    block.color = "mint";
    block.blockPinned = true;
    block.order = 3;
    events.push_back(block);
    events.push_back(syncEvent(device, 15, SyncKind::BlockDeleted, {newUuid()}));
    SyncEvent session = syncEvent(device, 16, SyncKind::SessionSet, {"default"});
    session.name = "Home";
    session.order = 1;
    events.push_back(session);
    events.push_back(syncEvent(device, 17, SyncKind::SessionDeleted, {newUuid()}));

    for (const SyncEvent& event : events) {
        const std::string line = encodeSyncEvent(event);
        EXPECT_EQ(line.find('\n'), std::string::npos) << "one event, one line";
        EXPECT_EQ(decodeSyncEvent(line), event) << line;
    }
}

// Each row is a line a damaged or hostile journal may hold; none may become an event.
TEST(SyncEventTest, MalformedOrHostileLinesAreNoEvents)
{
    const std::string id = "0F0E0D0C-0B0A-4908-8706-050403020100";
    const std::string good = R"({"e":")" + id + R"(","d":")" + id + R"(","t":1,"k":"added","ids":[")" + id +
                             R"("],"kind":"text","text":"x","pinned":false,"session":"default"})";
    ASSERT_TRUE(decodeSyncEvent(good));
    const std::vector<std::string> rows = {
        "",
        "not json",
        good.substr(0, good.size() - 1),                              // cut short
        "[1,2]",                                                      // not an object
        R"({"e":"x","d":"y","t":1,"k":"added","ids":[]})",            // ids that are not ours
        R"({"e":")" + id + R"(","d":")" + id + R"(","t":-5,"k":"touched","ids":[")" + id + R"("]})",
        R"({"e":")" + id + R"(","d":")" + id + R"(","t":1,"k":"explode","ids":[")" + id + R"("]})",
        R"({"e":")" + id + R"(","d":")" + id + R"(","t":1,"k":"touched","ids":["../../etc/passwd"]})",
        R"({"e":")" + id + R"(","d":")" + id + R"(","t":1e999,"k":"touched","ids":[")" + id + R"("]})",
        // A picture name that would lead out of the pictures folder.
        R"({"e":")" + id + R"(","d":")" + id + R"(","t":1,"k":"added","ids":[")" + id +
            R"("],"kind":"image","text":"p","pic":"../../../home/u/.ssh/id_rsa","session":"default"})",
        R"({"e":")" + id + R"(","d":")" + id + R"(","t":1,"k":"added","ids":[")" + id + R"(",")" + id +
            R"("],"kind":"text","text":"x","session":"default"})",    // one add, two entries
        "{\"e\":\"\xff\xfe\"}",                                       // not UTF-8
    };
    for (const std::string& row : rows)
        EXPECT_FALSE(decodeSyncEvent(row)) << row;

    // Kept formats that lead out of the formats folder, or are of a type never kept, are left
    // out; the entry and its other formats stay.
    const std::string hash(64, 'd');
    std::string formats = good.substr(0, good.size() - 1) + R"(,"fmt":[["text/html","../../x"],)" +
                          R"(["application/x-evil",")" + hash + R"("],["text/rtf",")" + hash + R"("],7]})";
    const auto event = decodeSyncEvent(formats);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->formats, (std::vector<ClipFormat>{{"text/rtf", hash}}));
}

} // namespace
} // namespace brimble
