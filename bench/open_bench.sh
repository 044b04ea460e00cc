#!/usr/bin/env bash
# Times the open of Brimble (Control+Alt+V, `brimble --show`) and of CopyQ (`copyq show`) as a
# person sees it, on one private Xvfb under openbox. See bench/open_bench.py.
# Usage: bench/open_bench.sh [build-dir] [--rounds N]   (build/release by default)
set -euo pipefail
source "$(dirname "$0")/program-build.sh"
if [[ -z ${BRIMBLE_BENCH_INNER:-} ]]; then
    export BRIMBLE_BENCH_INNER=1
    export BRIMBLE_XVFB_SCREEN=${BRIMBLE_XVFB_SCREEN:-1024x768x24}
    exec "$here/tests/e2e/with-xvfb.sh" dbus-run-session -- "$0" "$build" "$@" \
        2> >(grep -E --line-buffered "Error|Traceback|File |^ " >&2)
fi
exec python3 "$here/bench/open_bench.py" "$@"
