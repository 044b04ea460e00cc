#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace brimble {

struct WindowFrame {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const WindowFrame&) const = default;
};

// Window frames saved under a name in one small JSON file ("window-state.json"), so a window
// comes back where the user left it.
class WindowFrameStore {
public:
    explicit WindowFrameStore(std::filesystem::path file);

    // The frame saved under `name`, or nothing when there is none or it is not a usable frame.
    std::optional<WindowFrame> load(std::string_view name) const;
    // Saves the frame under `name`, keeping the other names; a write failure leaves the old file.
    void save(std::string_view name, const WindowFrame& frame) const;

private:
    std::filesystem::path file_;
};

} // namespace brimble
