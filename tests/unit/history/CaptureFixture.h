#pragma once

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "history/AppSupport.h"
#include "history/Capture.h"
#include "history/ClipboardStore.h"
#include "platform/fake/FakePlatform.h"
#include "support/TempDir.h"

namespace brimble::test {

inline const std::string plainText = "public.utf8-plain-text";

// A pixbuf saved in the given GdkPixbuf format ("png", "jpeg", "tiff").
inline Bytes encodedPixbuf(GdkPixbuf* pixbuf, const char* format)
{
    gchar* buffer = nullptr;
    gsize size = 0;
    gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, format, nullptr, nullptr);
    Bytes bytes(reinterpret_cast<uint8_t*>(buffer), reinterpret_cast<uint8_t*>(buffer) + size);
    g_free(buffer);
    return bytes;
}

// A picture of one colour in the given GdkPixbuf format.
inline Bytes pictureBytes(int width, int height, const char* format, uint32_t rgba = 0x3366ccff)
{
    g_autoptr(GdkPixbuf) pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
    gdk_pixbuf_fill(pixbuf, rgba);
    return encodedPixbuf(pixbuf, format);
}

struct PictureInfo {
    std::string format; // GdkPixbuf's name: "png", "jpeg"
    int width = 0;
    int height = 0;
};

// What a stored picture file really is, read back from disk.
inline std::optional<PictureInfo> pictureInfo(const std::filesystem::path& file)
{
    PictureInfo info;
    GdkPixbufFormat* format = gdk_pixbuf_get_file_info(file.c_str(), &info.width, &info.height);
    if (!format)
        return std::nullopt;
    g_autofree char* name = gdk_pixbuf_format_get_name(format);
    info.format = name;
    return info;
}

inline std::string asString(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// A store in a temporary data folder, ticked by hand against the fake clipboard.
struct CaptureFixture {
    TempDir home;
    FakePlatform fake;
    ClipboardStore store{home / "data", fake.defaults};
    // As at launch: whatever is on the clipboard at start is never recorded.
    int64_t clipLastChange = fake.pasteboard.count;
    LastCapture lastCapture;
    std::string session = "SESSION-A";
    CaptureServices services{fake.pasteboard, fake.frontmost, *fake.codec, fake.defaults, fake.clock};

    PushNeeded tick()
    {
        return pollPasteboard(services, store, clipLastChange, lastCapture, [this] { return session; });
    }
    void copyText(const std::string& text, std::set<std::string> types = {plainText})
    {
        fake.pasteboard.simulateCopy(std::move(types), text);
    }
    void copyPicture(const Bytes& bytes, std::set<std::string> types = {"public.png"},
                     std::optional<std::string> text = std::nullopt)
    {
        fake.pasteboard.simulateCopy(std::move(types), std::move(text), bytes);
    }
    // Copies and ticks once, a second later than the last copy.
    PushNeeded copyAndTick(const std::string& text)
    {
        fake.clock.time += 1;
        copyText(text);
        return tick();
    }

    std::filesystem::path dataDir() const { return home / "data" / "Brimble"; }
    std::filesystem::path historyFile() const { return dataDir() / "clipboard.json"; }
    std::filesystem::path imagesDir() const { return dataDir() / "clipboard-images"; }
    std::vector<std::string> imageFiles() const
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(imagesDir(), error))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const Clip& clip : store.items)
            out.push_back(clip.text);
        return out;
    }
};

enum class Pin { No, Yes };

// An entry as the history holds it, for building a history by hand.
inline Clip makeClip(std::string id, std::string text, Pin pin = Pin::No, std::string sessionId = "SESSION-A")
{
    Clip clip;
    clip.id = std::move(id);
    clip.ts = 1'700'000'000;
    clip.text = std::move(text);
    clip.pinned = pin == Pin::Yes;
    clip.sessionId = std::move(sessionId);
    return clip;
}

} // namespace brimble::test
