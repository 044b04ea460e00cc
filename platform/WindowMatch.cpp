#include "platform/WindowMatch.h"

#include <algorithm>
#include <array>
#include <span>

namespace brimble {

namespace {

bool contains(const std::vector<std::string>& names, const std::string& name)
{
    return !name.empty() && std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

std::vector<std::string> entriesOfWindow(const WindowTraits& window, const std::vector<DesktopEntryTraits>& entries)
{
    // Tried from the surest to the loosest, so the first id is the best guess.
    const std::array<bool (*)(const WindowTraits&, const DesktopEntryTraits&), 4> rules = {
        [](const WindowTraits& w, const DesktopEntryTraits& e) { return !w.appId.empty() && e.foldedId == w.appId; },
        [](const WindowTraits& w, const DesktopEntryTraits& e) { return contains(w.classNames, e.foldedWmClass); },
        [](const WindowTraits& w, const DesktopEntryTraits& e) { return contains(w.classNames, e.foldedId); },
        [](const WindowTraits& w, const DesktopEntryTraits& e) {
            return !e.foldedExecutable.empty()
                && (e.foldedExecutable == w.executable || contains(w.classNames, e.foldedExecutable));
        },
    };
    std::vector<std::string> ids;
    // A window that names its application is that application, whatever class it shares with
    // others (every window of a toolkit's helper may have the same one).
    const size_t usable = window.appId.empty() ? rules.size() : 1;
    for (const auto& rule : std::span(rules).first(usable)) {
        for (const DesktopEntryTraits& entry : entries) {
            if (rule(window, entry) && std::find(ids.begin(), ids.end(), entry.id) == ids.end())
                ids.push_back(entry.id);
        }
    }
    return ids;
}

std::string programName(std::string_view executable)
{
    const size_t slash = executable.rfind('/');
    const std::string name(slash == std::string_view::npos ? executable : executable.substr(slash + 1));
    static const std::array<std::string_view, 14> launchers = {
        "env", "sh", "bash", "dash", "zsh", "flatpak", "snap", "python", "python3",
        "perl", "java", "wine", "pkexec", "sudo",
    };
    if (std::find(launchers.begin(), launchers.end(), name) != launchers.end())
        return {};
    return name;
}

} // namespace brimble
