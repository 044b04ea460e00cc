#!/usr/bin/env bash
# The desktop benchmark now lives in bench/desktop_bench.sh, beside the other benchmarks; this
# name keeps working. Usage: scripts/bench-desktop.sh [build-dir] [idle-seconds]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/release}
idle=${2:-60}
exec "$here/bench/desktop_bench.sh" "$build" --idle "$idle"
