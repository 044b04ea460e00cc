#include "platform/gtk/WindowFrameStore.h"

#include <string>

#include <glib.h>
#include <glib/gstdio.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "common/AtomicFile.h"
#include "common/JsonText.h"

namespace brimble {

namespace {

// Frames smaller than this or larger than any screen are not frames a user left behind.
constexpr int smallestSide = 1;
constexpr int largestSide = 100000;

rapidjson::Document readDocument(const std::filesystem::path& file)
{
    // The same bounded reader as every other file: a hand-damaged frame file of deep nesting
    // must not take the program down at start. The copy owns its strings, so the parse buffer
    // may go when this returns.
    rapidjson::Document document;
    g_autofree char* contents = nullptr;
    gsize length = 0;
    bool parsed = false;
    if (g_file_get_contents(file.c_str(), &contents, &length, nullptr)) {
        std::string buffer = json::parseBuffer(std::string_view(contents, length));
        rapidjson::Document inPlace;
        if (json::parseInPlace(buffer, inPlace) && inPlace.IsObject()) {
            document.SetObject();
            for (const auto& member : inPlace.GetObject())
                document.AddMember(json::ownedCopy(member.name, document.GetAllocator()),
                                   json::ownedCopy(member.value, document.GetAllocator()), document.GetAllocator());
            parsed = true;
        }
    }
    if (!parsed)
        document.SetObject();
    return document;
}

std::optional<int> intMember(const rapidjson::Value& object, const char* key)
{
    const auto member = object.FindMember(key);
    if (member == object.MemberEnd() || !member->value.IsInt())
        return std::nullopt;
    return member->value.GetInt();
}

bool plausibleSide(int side)
{
    return side >= smallestSide && side <= largestSide;
}

} // namespace

WindowFrameStore::WindowFrameStore(std::filesystem::path file) : file_(std::move(file))
{
    // A write cut short by a crash leaves its temporary beside the file; nobody else clears it.
    removeStaleTemporaries(file_);
}

std::optional<WindowFrame> WindowFrameStore::load(std::string_view name) const
{
    const rapidjson::Document document = readDocument(file_);
    const auto entry = document.FindMember(rapidjson::Value(name.data(), static_cast<rapidjson::SizeType>(name.size())));
    if (entry == document.MemberEnd() || !entry->value.IsObject())
        return std::nullopt;
    const auto x = intMember(entry->value, "x");
    const auto y = intMember(entry->value, "y");
    const auto width = intMember(entry->value, "width");
    const auto height = intMember(entry->value, "height");
    if (!x || !y || !width || !height || !plausibleSide(*width) || !plausibleSide(*height))
        return std::nullopt;
    return WindowFrame{*x, *y, *width, *height};
}

void WindowFrameStore::save(std::string_view name, const WindowFrame& frame) const
{
    rapidjson::Document document = readDocument(file_);
    auto& allocator = document.GetAllocator();
    rapidjson::Value entry(rapidjson::kObjectType);
    entry.AddMember("x", frame.x, allocator);
    entry.AddMember("y", frame.y, allocator);
    entry.AddMember("width", frame.width, allocator);
    entry.AddMember("height", frame.height, allocator);
    rapidjson::Value key(name.data(), static_cast<rapidjson::SizeType>(name.size()), allocator);
    document.RemoveMember(key);
    document.AddMember(key, entry, allocator);

    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    document.Accept(writer);

    const std::string folder = file_.parent_path().string();
    if (!folder.empty() && g_mkdir_with_parents(folder.c_str(), 0700) != 0)
        return;
    // Written to a temporary file and renamed, so a crash never leaves half a file.
    writeFileAtomically(file_, std::string_view(buffer.GetString(), buffer.GetSize()), 0600);
}

} // namespace brimble
