#!/usr/bin/env bash
# The portable core must never include a toolkit, web engine or display-server header.
set -eu
cd "$1"
hits=$(grep -rnE '#\s*include\s*[<"](gtk/|gdk/|gdk-pixbuf/|webkit|jsc/|X11/|libayatana|keybinder)' \
    common settings app history sessions sync bridge import about platform/*.h platform/*.cpp 2>/dev/null | grep -v '^app/main.cpp:' || true)
if [ -n "$hits" ]; then
    echo "GUI headers in the core:"
    echo "$hits"
    exit 1
fi
echo "core is free of GUI headers"
