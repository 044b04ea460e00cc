#include "platform/gtk/WebEngineEnvironment.h"

namespace brimble {

namespace {

constexpr const char* monitorVariable = "WEBKIT_DISABLE_MEMORY_PRESSURE_MONITOR";

// Whether the variable is this program's rather than the user's.
bool setHere = false;

} // namespace

void setWebEngineEnvironment()
{
    if (setHere || g_getenv(monitorVariable))
        return;
    g_setenv(monitorVariable, "1", TRUE);
    setHere = true;
}

void keepWebEngineEnvironmentFrom(GAppLaunchContext* context)
{
    if (setHere && context)
        g_app_launch_context_unsetenv(context, monitorVariable);
}

gchar** environmentOfUser()
{
    gchar** environment = g_get_environ();
    return setHere ? g_environ_unsetenv(environment, monitorVariable) : environment;
}

} // namespace brimble
