#!/usr/bin/env bash
# Builds the libFuzzer targets with the "fuzz" preset (build/fuzz) and runs each one for a
# bounded time over its seed corpus.
# Usage: tests/fuzz/run-fuzzers.sh [seconds per target]; FUZZ_TARGETS="clip_commands" picks targets.
# Every target runs; a finding leaves its input in build/fuzz/fuzz-artifacts/ and makes the
# script fail at the end.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-${FUZZ_SECONDS:-15}}
targets=(${FUZZ_TARGETS:-history_decoder store_files clip_commands vellumo_scheme})

cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"${FUZZ_JOBS:-2}" --target "${targets[@]/#/fuzz_}"

# New inputs go to a scratch corpus, so the seed corpus in the tree stays as it is; the fuzzers
# and the stores they drive see temporary folders only, never the real home.
# Memory-backed when possible: the command fuzzer writes its files for every input.
scratch=/tmp
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    scratch=/dev/shm
fi
work=$(mktemp -d "$scratch/brimble-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
export TMPDIR="$work"
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
artifacts="$root/build/fuzz/fuzz-artifacts"
mkdir -p "$artifacts"

failed=()
for target in "${targets[@]}"; do
    echo "== fuzz_$target for ${seconds}s"
    mkdir -p "$work/corpus-$target"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$artifacts/$target-")
    if [ -f "tests/fuzz/$target.dict" ]; then
        options+=(-dict="tests/fuzz/$target.dict")
    fi
    if ! "build/fuzz/tests/fuzz/fuzz_$target" "${options[@]}" "$work/corpus-$target" "tests/fuzz/corpus/$target"; then
        failed+=("fuzz_$target")
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "findings in: ${failed[*]} (inputs in $artifacts)" >&2
    exit 1
fi
echo "all fuzz targets ran without a finding"
