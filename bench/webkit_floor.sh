#!/usr/bin/env bash
# Weighs one WebKitGTK page in a GTK window with nothing of Brimble's, under its own X server and
# D-Bus session, with temporary HOME and runtime folders. See bench/webkit_floor.py.
# Usage: bench/webkit_floor.sh [SETTLE-SECONDS]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
if [[ -z ${BRIMBLE_BENCH_INNER:-} ]]; then
    export BRIMBLE_BENCH_INNER=1
    exec "$here/tests/e2e/with-xvfb.sh" dbus-run-session -- "$0" "$@" \
        2> >(grep -E --line-buffered "Error|Traceback|File |^ |\.\.\.$" >&2)
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/home" "$scratch/runtime"
HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/runtime XDG_CACHE_HOME=$scratch/home/.cache \
    python3 "$here/bench/webkit_floor.py" "$@"
