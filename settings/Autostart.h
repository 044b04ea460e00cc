#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace brimble {

// The desktop id of the program's entries, in the applications folder and in autostart.
inline constexpr std::string_view autostartDesktopId = "brimble";

enum class StartAtLogin { Off, On };

// Starting at login: the XDG autostart entry "$XDG_CONFIG_HOME/autostart/brimble.desktop".
// The entry itself is the state, so a user who removes or disables it by hand, or through the
// desktop's own settings, sees that in Brimble too.
class Autostart {
public:
    // `executable` is the running program; when empty, the entry names "brimble" on the PATH.
    Autostart(std::filesystem::path configHome, std::filesystem::path executable);

    std::filesystem::path entryPath() const;
    // On when the entry exists, can be read, names a program, and neither hides itself nor is
    // switched off by the desktop.
    StartAtLogin state() const;
    // Writes the entry atomically, or removes it. Returns whether the state is now `wanted`.
    bool set(StartAtLogin wanted);
    // The whole entry as written.
    std::string entryText() const;

private:
    std::filesystem::path configHome_;
    std::filesystem::path executable_;
};

// One argument of a desktop entry's Exec line: bare when it holds only safe characters,
// otherwise double-quoted with the characters that the format reserves escaped.
std::string desktopExecArgument(std::string_view argument);

} // namespace brimble
