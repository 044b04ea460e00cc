// Feeds arbitrary bytes to the readers of the sessions, blocks and settings files; the first byte
// picks the reader. Nothing may crash however deep the nesting, every record that is read must
// save and read back the same, and the settings store must write and read its values back.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/AtomicFile.h"
#include "platform/JsonFileDefaults.h"
#include "sessions/SessionCodec.h"
#include "support/TempDir.h"

namespace {

using namespace brimble;

void sessionsRoundTrip(std::string_view json)
{
    const auto list = decodeSessionList(json);
    if (!list)
        return;
    const std::optional<std::string> encoded = encodeSessions(list->records);
    if (!encoded)
        std::abort(); // a session read from a file always has a time that can be written
    const auto again = decodeSessions(*encoded);
    if (!again || again->size() != list->records.size())
        std::abort();
    for (size_t i = 0; i < again->size(); ++i) {
        if ((*again)[i].id != list->records[i].id || (*again)[i].name != list->records[i].name)
            std::abort();
    }
}

void blocksRoundTrip(std::string_view json)
{
    const auto list = decodeBlockList(json);
    if (!list)
        return;
    const std::optional<std::string> encoded = encodeBlocks(list->records);
    if (!encoded)
        std::abort();
    const auto again = decodeBlocks(*encoded);
    if (!again || *again != list->records)
        std::abort();
}

void settingsRoundTrip(std::string_view json)
{
    static const test::TempDir folder;
    const std::filesystem::path file = folder.path() / "settings.json";
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path(), ignored))
        std::filesystem::remove(entry.path(), ignored);
    writeFileAtomically(file, json, 0600);

    JsonFileDefaults defaults(file);
    for (const char* key : {"historyLimit", "clipboardPaused", "excludedApps", "appearanceMode", ""}) {
        (void)defaults.boolValue(key);
        (void)defaults.intValue(key);
        (void)defaults.stringValue(key);
        (void)defaults.stringListValue(key);
    }
    const std::optional<int64_t> limit = defaults.intValue("historyLimit");
    defaults.setBool("fuzzed", true);
    JsonFileDefaults again(file);
    if (again.boolValue("fuzzed") != true || again.intValue("historyLimit") != limit)
        std::abort(); // what was in force is what was written
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view json(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        sessionsRoundTrip(json);
        break;
    case 1:
        blocksRoundTrip(json);
        break;
    default:
        settingsRoundTrip(json);
        break;
    }
    return 0;
}
