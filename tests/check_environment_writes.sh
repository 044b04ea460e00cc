#!/usr/bin/env bash
# The environment may change only at the program's start, before any thread exists: GLib's,
# GDBus's and WebKit's threads read it, and a change made while they run may crash them. The one
# place that writes it is platform/gtk/WebEngineEnvironment.cpp, called first thing in main().
set -eu
cd "$1"
hits=$(grep -rnE '\b(g_setenv|g_unsetenv|setenv|unsetenv|putenv|clearenv)\s*\(' \
    app common settings history sessions bridge import about platform launcher \
    --include='*.cpp' --include='*.c' --include='*.h' 2>/dev/null \
    | grep -v '^platform/gtk/WebEngineEnvironment\.cpp:' || true)
if [ -n "$hits" ]; then
    echo "the environment is written outside the program's start:"
    echo "$hits"
    exit 1
fi
grep -q 'setWebEngineEnvironment();' app/main.cpp || { echo "main() does not set the environment"; exit 1; }
echo "the environment is written only at the program's start"
