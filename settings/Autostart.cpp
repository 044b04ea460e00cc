#include "settings/Autostart.h"

#include <system_error>

#include <glib.h>

#include "common/AtomicFile.h"

namespace brimble {

namespace {

constexpr const char* entryGroup = "Desktop Entry";

bool isSafeExecCharacter(char c)
{
    return g_ascii_isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_' || c == '+' || c == ',' || c == '@'
        || c == ':';
}

} // namespace

std::string desktopExecArgument(std::string_view argument)
{
    std::string out;
    bool bare = !argument.empty();
    for (const char c : argument)
        bare = bare && isSafeExecCharacter(c);
    if (bare)
        return std::string(argument);
    out.push_back('"');
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out.push_back('\\');
        // A lone percent sign would start a field code such as %f.
        if (c == '%')
            out.push_back('%');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

Autostart::Autostart(std::filesystem::path configHome, std::filesystem::path executable)
    : configHome_(std::move(configHome)), executable_(std::move(executable))
{
}

std::filesystem::path Autostart::entryPath() const
{
    return configHome_ / "autostart" / (std::string(autostartDesktopId) + ".desktop");
}

StartAtLogin Autostart::state() const
{
    g_autoptr(GKeyFile) entry = g_key_file_new();
    // An entry that cannot be read, or that starts nothing, is skipped by the session too.
    if (!g_key_file_load_from_file(entry, entryPath().c_str(), G_KEY_FILE_NONE, nullptr)
        || !g_key_file_has_key(entry, entryGroup, "Exec", nullptr))
        return StartAtLogin::Off;
    // Desktops switch an entry off without removing it, through either of these keys.
    const bool hidden = g_key_file_get_boolean(entry, entryGroup, "Hidden", nullptr);
    g_autoptr(GError) error = nullptr;
    const bool gnomeEnabled = g_key_file_get_boolean(entry, entryGroup, "X-GNOME-Autostart-enabled", &error);
    const bool switchedOff = !error && !gnomeEnabled;
    return hidden || switchedOff ? StartAtLogin::Off : StartAtLogin::On;
}

std::string Autostart::entryText() const
{
    g_autoptr(GKeyFile) entry = g_key_file_new();
    g_key_file_set_string(entry, entryGroup, "Type", "Application");
    g_key_file_set_string(entry, entryGroup, "Name", "Brimble");
    g_key_file_set_string(entry, entryGroup, "Comment", "Keep every text and picture you copy");
    // At login the program starts in the tray; the window and its page come when first shown.
    const std::string exec = (executable_.empty() ? std::string(autostartDesktopId)
                                                  : desktopExecArgument(executable_.string()))
        + " --background";
    // The key file escapes the backslashes of the quoting once more, as the format requires.
    g_key_file_set_string(entry, entryGroup, "Exec", exec.c_str());
    g_key_file_set_string(entry, entryGroup, "Icon", "brimble");
    g_key_file_set_boolean(entry, entryGroup, "Terminal", FALSE);
    g_key_file_set_boolean(entry, entryGroup, "X-GNOME-Autostart-enabled", TRUE);
    gsize length = 0;
    g_autofree gchar* text = g_key_file_to_data(entry, &length, nullptr);
    return text ? std::string(text, length) : std::string();
}

bool Autostart::set(StartAtLogin wanted)
{
    std::error_code error;
    const std::filesystem::path path = entryPath();
    if (wanted == StartAtLogin::Off) {
        std::filesystem::remove(path, error);
        return state() == StartAtLogin::Off;
    }
    std::filesystem::create_directories(path.parent_path(), error);
    // Other programs read the autostart folder, so the entry is readable by all, like theirs.
    writeFileAtomically(path, entryText(), 0644);
    return state() == StartAtLogin::On;
}

} // namespace brimble
