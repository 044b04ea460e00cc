#include "platform/gtk/WebEngineEnvironment.h"

#include <array>

namespace brimble {

namespace {

struct Variable {
    const char* name;
    // Whether the variable is this program's rather than the user's.
    bool setHere = false;
};

std::array<Variable, 2> variables = {{
    {"WEBKIT_DISABLE_MEMORY_PRESSURE_MONITOR"},
    {"WEBKIT_DISABLE_DMABUF_RENDERER"},
}};

} // namespace

void setWebEngineEnvironment()
{
    for (Variable& variable : variables) {
        if (variable.setHere || g_getenv(variable.name))
            continue;
        g_setenv(variable.name, "1", TRUE);
        variable.setHere = true;
    }
}

void keepWebEngineEnvironmentFrom(GAppLaunchContext* context)
{
    if (!context)
        return;
    for (const Variable& variable : variables) {
        if (variable.setHere)
            g_app_launch_context_unsetenv(context, variable.name);
    }
}

gchar** environmentOfUser()
{
    gchar** environment = g_get_environ();
    for (const Variable& variable : variables) {
        if (variable.setHere)
            environment = g_environ_unsetenv(environment, variable.name);
    }
    return environment;
}

} // namespace brimble
