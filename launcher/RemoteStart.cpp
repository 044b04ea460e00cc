#include "launcher/RemoteStart.h"

#include <algorithm>
#include <array>

namespace brimble {

namespace {

constexpr std::array<std::string_view, 5> windowFlags{"background", "toggle", "show", "hide", "quit"};
constexpr std::string_view syncFolderOption = "sync-folder";
// Where GApplication's own remote start listens for the primary's output; nothing is printed to a
// start that is forwarded, but the parameter names it all the same.
constexpr const char* callerObjectPath = "/org/gtk/Application/CommandLine";

// "app.brimble.Brimble" → "/app/brimble/Brimble", as GApplication names its object.
std::string objectPathOf(const char* applicationId)
{
    std::string path = "/";
    for (const char* c = applicationId; *c; ++c)
        path += (*c == '.') ? '/' : (*c == '-') ? '_' : *c;
    return path;
}

} // namespace

bool RemoteStart::onlyQuits() const
{
    return std::ranges::find(flags, "quit") != flags.end() && !syncFolder;
}

std::optional<RemoteStart> readRemoteStart(const std::vector<std::string_view>& arguments)
{
    RemoteStart start;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (!argument.starts_with("--"))
            return std::nullopt;
        const std::string_view name = argument.substr(2);
        if (name.starts_with(syncFolderOption)) {
            const std::string_view rest = name.substr(syncFolderOption.size());
            if (rest.empty()) {
                // GOption takes the next argument as the value, whatever it looks like.
                if (i + 1 >= arguments.size())
                    return std::nullopt;
                start.syncFolder = std::string(arguments[++i]);
            } else if (rest.front() == '=') {
                start.syncFolder = std::string(rest.substr(1));
            } else {
                return std::nullopt;
            }
            continue;
        }
        if (std::ranges::find(windowFlags, name) == windowFlags.end())
            return std::nullopt;
        if (std::ranges::find(start.flags, name) == start.flags.end())
            start.flags.emplace_back(name);
    }
    return start;
}

GVariant* packedOptions(const RemoteStart& start)
{
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE_VARDICT);
    for (const std::string& flag : start.flags)
        g_variant_builder_add(&builder, "{sv}", flag.c_str(), g_variant_new_boolean(TRUE));
    if (start.syncFolder)
        g_variant_builder_add(&builder, "{sv}", "sync-folder", g_variant_new_bytestring(start.syncFolder->c_str()));
    return g_variant_builder_end(&builder);
}

GVariant* commandLineParameters(const RemoteStart& start, const char* programName, const char* cwd,
                                const char* startupId)
{
    GVariantBuilder platform;
    g_variant_builder_init(&platform, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&platform, "{sv}", "cwd", g_variant_new_bytestring(cwd));
    g_variant_builder_add(&platform, "{sv}", "options", packedOptions(start));
    // The window shown for this start takes the focus the launching desktop granted it.
    if (startupId && *startupId && g_utf8_validate(startupId, -1, nullptr))
        g_variant_builder_add(&platform, "{sv}", "desktop-startup-id", g_variant_new_string(startupId));
    const char* const arguments[] = {programName, nullptr};
    return g_variant_new("(o^aay@a{sv})", callerObjectPath, arguments, g_variant_builder_end(&platform));
}

RemoteResult askRunningInstance(GDBusConnection* bus, const char* applicationId, const RemoteStart& start,
                                const char* programName, const char* startupId)
{
    g_autofree gchar* cwd = g_get_current_dir();
    const std::string objectPath = objectPathOf(applicationId);
    g_autoptr(GError) error = nullptr;
    // No time limit, as GApplication's own second start: the instance answers once it has acted.
    g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
        bus, applicationId, objectPath.c_str(), "org.gtk.Application", "CommandLine",
        commandLineParameters(start, programName, cwd, startupId), G_VARIANT_TYPE("(i)"),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, G_MAXINT, nullptr, &error);
    if (reply) {
        RemoteResult result{RemoteAnswer::Answered, 0};
        g_variant_get(reply, "(i)", &result.exitStatus);
        return result;
    }
    if (g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER))
        return {RemoteAnswer::NoInstance, 0};
    return {RemoteAnswer::Failed, 0};
}

} // namespace brimble
