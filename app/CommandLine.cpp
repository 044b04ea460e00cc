#include "app/CommandLine.h"

#include <array>
#include <utility>

#include "common/Translation.h"

namespace brimble {

namespace {

// The descriptions are marked only: GApplication looks them up in the default domain when it prints
// the help.
constexpr GOptionEntry entry(const char* name, const char* description)
{
    return GOptionEntry{name, 0, G_OPTION_FLAG_NONE, G_OPTION_ARG_NONE, nullptr, description, nullptr};
}

constexpr std::array<GOptionEntry, 9> options{{
    entry("background", N_("Start without showing the window (as at login)")),
    entry("toggle", N_("Show the window of the running Brimble, or hide it when it is shown")),
    entry("show", N_("Show the window of the running Brimble")),
    entry("hide", N_("Hide the window of the running Brimble")),
    entry("quit", N_("Quit the running Brimble")),
    entry("version", N_("Print the version and exit")),
    GOptionEntry{"sync-folder", 0, G_OPTION_FLAG_NONE, G_OPTION_ARG_FILENAME, nullptr,
                 N_("Share the history with other machines through this folder (\"\" stops sharing)"), N_("FOLDER")},
    // The program's own start again after its Wayland compositor went away: it waits for the
    // compositor before anything else (read in main, before GTK starts).
    GOptionEntry{"await-compositor", 0, G_OPTION_FLAG_HIDDEN, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr},
    GOptionEntry{},
}};

bool given(GVariantDict* options, const char* name)
{
    gboolean value = FALSE;
    return options && g_variant_dict_lookup(options, name, "b", &value) && value;
}

} // namespace

const GOptionEntry* commandLineOptions()
{
    return options.data();
}

StartRequest readStartRequest(GVariantDict* options)
{
    StartRequest request;
    if (given(options, "background")) {
        request.atLaunch = WindowAtLaunch::Hidden;
        request.window = WindowRequest::Keep;
    }
    constexpr std::array<std::pair<const char*, WindowRequest>, 4> strongestFirst{{
        {"quit", WindowRequest::Quit},
        {"hide", WindowRequest::Hide},
        {"show", WindowRequest::Show},
        {"toggle", WindowRequest::Toggle},
    }};
    bool windowGiven = false;
    for (const auto& [name, window] : strongestFirst) {
        if (given(options, name)) {
            request.window = window;
            windowGiven = true;
            break;
        }
    }
    const char* folder = nullptr;
    if (options && g_variant_dict_lookup(options, "sync-folder", "^&ay", &folder) && folder) {
        request.syncFolder = folder;
        if (!windowGiven && request.window == WindowRequest::Reopen)
            request.window = WindowRequest::Keep;
    }
    return request;
}

std::string absoluteSyncFolder(const std::string& given, const char* cwd)
{
    if (given.empty() || g_path_is_absolute(given.c_str()) || !cwd)
        return given;
    g_autofree char* joined = g_build_filename(cwd, given.c_str(), nullptr);
    return joined;
}

std::optional<WindowAtLaunch> launchFor(const StartRequest& request)
{
    switch (request.window) {
    case WindowRequest::Quit:
        return std::nullopt;
    case WindowRequest::Hide:
        return WindowAtLaunch::Hidden;
    case WindowRequest::Show:
    case WindowRequest::Toggle:
        return WindowAtLaunch::Shown;
    case WindowRequest::Reopen:
    case WindowRequest::Keep:
        break;
    }
    return request.atLaunch;
}

} // namespace brimble
