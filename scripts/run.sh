#!/usr/bin/env bash
# Installs what is missing, builds Brimble in release mode and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release -DBRIMBLE_BUILD_TESTS=OFF -DBRIMBLE_BUILD_BENCH=OFF >/dev/null
cmake --build --preset release -j"$(nproc)"
exec build/release/brimble "$@"
