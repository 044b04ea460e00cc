#include "bridge/Payload.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

#include <glib.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "bridge/CopiedFiles.h"
#include "history/ClipboardStore.h"

namespace brimble {

namespace {

using JsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

constexpr std::string_view imageURLPrefix = "vellumo://clipboard/img/";
constexpr std::string_view scriptPrefix = "window.__pr2clip && window.__pr2clip.pull('";
constexpr std::string_view scriptSuffix = "')";

// What the page receives when the snapshot cannot be written: an empty, unpaused history.
constexpr std::string_view fallbackDocument =
    R"({"items":[],"paused":false,"cap":50,"excluded":[],"recordSecrets":false,"sessions":[],)"
    R"("activeSessionId":"","blocks":[],"appearanceMode":"system","autostart":false,"pasteAfterChoosing":false})";

// Every writer call reports whether it could write its value (a time that is not a finite
// number cannot be); the first failure ends the document.
class PayloadWriter {
public:
    explicit PayloadWriter(rapidjson::StringBuffer& buffer) : writer_(buffer) {}

    bool ok() const { return ok_; }

    void key(std::string_view name) { check(writer_.Key(name.data(), size(name))); }
    void string(std::string_view text) { check(writer_.String(text.data(), size(text))); }
    void boolean(bool value) { check(writer_.Bool(value)); }
    void integer(int64_t value) { check(writer_.Int64(value)); }
    void number(double value) { check(writer_.Double(value)); }
    void startObject() { check(writer_.StartObject()); }
    void endObject() { check(writer_.EndObject()); }
    void startArray() { check(writer_.StartArray()); }
    void endArray() { check(writer_.EndArray()); }

    void member(std::string_view name, std::string_view text)
    {
        key(name);
        string(text);
    }

private:
    static rapidjson::SizeType size(std::string_view text) { return static_cast<rapidjson::SizeType>(text.size()); }
    void check(bool written) { ok_ = ok_ && written; }

    JsonWriter writer_;
    bool ok_ = true;
};

// Where a text longer than `limit` bytes is cut: at the start of the character that crosses
// the limit, so the beginning is whole UTF-8.
size_t headLength(std::string_view text, size_t limit)
{
    if (limit == 0 || text.size() <= limit)
        return text.size();
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return end;
}

// The number of characters of a UTF-8 text the store has checked: every byte that does not
// continue a character starts one. Several times faster than g_utf8_strlen over 25 MB of texts.
int64_t codePoints(std::string_view text)
{
    return std::ranges::count_if(text, [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; });
}

// The most files of one copied-files entry its card lists.
constexpr size_t filesShown = 20;

// Writes one entry; answers whether its text went whole (or was named).
bool writeRow(PayloadWriter& out, const Clip& clip, bool textHeld, size_t headBytes,
              const std::function<bool(const std::string&)>& fileMissing)
{
    out.startObject();
    out.member("id", clip.id);
    out.key("ts");
    out.number(clip.ts);
    bool whole = true;
    if (textHeld) {
        out.key("textHeld");
        out.boolean(true);
    } else {
        const std::string_view text = clip.text;
        const size_t head = headLength(text, headBytes);
        whole = head == text.size();
        out.member("text", text.substr(0, head));
        if (!whole) {
            out.key("textPart");
            out.boolean(true);
            out.key("chars");
            out.integer(codePoints(text));
        }
    }
    out.key("pinned");
    out.boolean(clip.pinned);
    out.member("kind", clip.kind);
    if (clip.imgFile) {
        // The file name is appended unescaped: it is a UUID with an extension.
        std::string url;
        url.reserve(imageURLPrefix.size() + clip.imgFile->size());
        url.append(imageURLPrefix).append(*clip.imgFile);
        out.member("imgURL", url);
    }
    if (awaitsPicture(clip)) {
        out.key("waiting");
        out.boolean(true);
    }
    if (clip.blockId)
        out.member("blockId", *clip.blockId);
    if (isFormatted(clip)) {
        out.key("formatted");
        out.boolean(true);
    }
    if (isCopiedFiles(clip)) {
        // A file moved or deleted since the copy is marked as soon as that is known.
        size_t count = 0;
        const std::vector<CopiedFile> files = copiedFiles(clip, filesShown, count, fileMissing);
        out.key("files");
        out.startArray();
        for (const CopiedFile& file : files) {
            out.startObject();
            out.member("name", file.name);
            if (file.missing) {
                out.key("missing");
                out.boolean(true);
            }
            out.endObject();
        }
        out.endArray();
        out.key("fileCount");
        out.integer(static_cast<int64_t>(count));
    }
    out.endObject();
    return whole;
}

void writeSessionRow(PayloadWriter& out, const Session& session)
{
    out.startObject();
    out.member("id", session.id);
    out.member("name", session.name);
    out.key("createdAt");
    out.number(session.createdAt);
    out.endObject();
}

void writeBlockRow(PayloadWriter& out, const Block& block)
{
    out.startObject();
    out.member("id", block.id);
    out.member("name", block.name);
    out.member("color", block.color);
    out.key("pinned");
    out.boolean(block.pinned);
    out.key("order");
    out.integer(block.order);
    out.endObject();
}

void writeView(PayloadWriter& out, const PageView& view)
{
    out.key("view");
    out.startObject();
    out.member("query", view.query);
    out.key("scrollTop");
    out.integer(view.scrollTop);
    out.key("selection");
    out.startArray();
    for (const std::string& id : view.selection)
        out.string(id);
    out.endArray();
    out.member("focusId", view.focusId);
    out.key("settingsOpen");
    out.boolean(view.settingsOpen);
    out.endObject();
}

} // namespace

std::string payloadJSON(const ClipboardStore& store, const PayloadSettings& settings,
                        const std::vector<Session>& sessions, const std::vector<Block>& blocks,
                        const std::unordered_set<std::string>& held, std::vector<std::string>* entryIds,
                        PayloadTexts* texts)
{
    const size_t headBytes = texts ? texts->headBytes : 0;
    if (texts)
        texts->cut = false;
    const std::string& active = settings.activeSessionId;
    // Entries and blocks of a session that is not known (its file missing or damaged) are shown in
    // the session in use rather than nowhere.
    std::unordered_set<std::string_view> known;
    for (const Session& session : sessions)
        known.insert(session.id);
    const auto shown = [&](const std::string& sessionId) { return sessionId == active || !known.contains(sessionId); };

    std::vector<const Block*> activeBlocks;
    for (const Block& block : blocks) {
        if (shown(block.sessionId))
            activeBlocks.push_back(&block);
    }
    std::ranges::stable_sort(activeBlocks, {}, [](const Block* block) { return block->order; });

    // Sized up front from the texts: a large session would otherwise be copied again at every
    // doubling of the buffer.
    size_t expected = 1024;
    for (const Clip& clip : store.items) {
        if (!shown(clip.sessionId))
            continue;
        expected += 160;
        if (!held.contains(clip.id)) {
            const size_t sent = headBytes ? std::min(clip.text.size(), headBytes) : clip.text.size();
            expected += sent + sent / 16;
        }
    }
    rapidjson::StringBuffer buffer(nullptr, expected);
    PayloadWriter out(buffer);
    out.startObject();

    out.key("items");
    out.startArray();
    if (entryIds)
        entryIds->clear();
    for (const Clip& clip : store.items) {
        if (!shown(clip.sessionId))
            continue;
        const bool whole = writeRow(out, clip, held.contains(clip.id), headBytes, settings.fileMissing);
        if (whole && entryIds)
            entryIds->push_back(clip.id);
        if (!whole && texts)
            texts->cut = true;
    }
    out.endArray();

    out.key("paused");
    out.boolean(settings.paused);
    out.key("cap");
    out.integer(settings.cap);

    out.key("excluded");
    out.startArray();
    for (const std::string& app : settings.excluded)
        out.string(app);
    out.endArray();
    out.key("excludedUnmatched");
    out.startArray();
    for (const std::string& app : settings.excludedUnmatched)
        out.string(app);
    out.endArray();

    out.key("recordSecrets");
    out.boolean(settings.recordSecrets);

    out.key("sessions");
    out.startArray();
    for (const Session& session : sessions)
        writeSessionRow(out, session);
    out.endArray();

    out.member("activeSessionId", active);

    out.key("blocks");
    out.startArray();
    for (const Block* block : activeBlocks)
        writeBlockRow(out, *block);
    out.endArray();

    out.member("appearanceMode", settings.appearanceMode);
    out.key("autostart");
    out.boolean(settings.autostart);
    out.key("pasteAfterChoosing");
    out.boolean(settings.pasteAfterChoosing);
    out.key("frontmostKnown");
    out.boolean(settings.frontmostKnown);
    out.key("pasteAvailable");
    out.boolean(settings.pasteAvailable);
    out.key("clipboardWatched");
    out.boolean(settings.clipboardWatched);
    if (settings.sync) {
        out.key("sync");
        out.startObject();
        out.member("state", settings.sync->state);
        out.key("lastArrival");
        out.number(settings.sync->lastArrival);
        out.member("folder", settings.sync->folder);
        out.key("localSessions");
        out.startArray();
        for (const std::string& id : settings.sync->localSessions)
            out.string(id);
        out.endArray();
        out.endObject();
    }
    if (settings.undo) {
        out.key("undo");
        out.startObject();
        out.member("kind", settings.undo->kind);
        out.key("count");
        out.integer(static_cast<int64_t>(settings.undo->count));
        out.key("serial");
        out.integer(static_cast<int64_t>(settings.undo->serial));
        out.endObject();
    }
    out.key("collapsed");
    out.startArray();
    for (const std::string& id : settings.collapsedBlocks)
        out.string(id);
    out.endArray();
    writeView(out, settings.view);
    out.endObject();

    if (!out.ok()) {
        // The fallback holds no entry, so the page holds no text after it.
        if (entryIds)
            entryIds->clear();
        return std::string(fallbackDocument);
    }
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string stateScript()
{
    return std::string(scriptPrefix) + stateURL + std::string(scriptSuffix);
}

} // namespace brimble
