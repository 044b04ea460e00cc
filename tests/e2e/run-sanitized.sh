#!/usr/bin/env bash
# Builds the program with AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer and runs
# end-to-end tests against it, each on its own X server and bus. Fails on any memory error, any
# undefined behaviour, and any leak made by Brimble's own code; the desktop libraries' leaks at
# exit are counted, not failed (see sanitizer_report.py). Sizes measured by the tests mean little
# under the sanitizer, which holds freed memory back; those checks stand aside.
#
# Usage: tests/e2e/run-sanitized.sh [build-dir] [test_name ...]
# Default: build/e2e-sanitize and the tests below (about ten minutes on two cores, build apart).
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$here/build/e2e-sanitize}")
shift || true
tests=("$@")
if [[ ${#tests[@]} -eq 0 ]]; then
    tests=(test_capture test_clipboard_reads test_copy_back test_frontmost test_page test_window test_hostile_input
           test_crash_safety)
fi

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRIMBLE_BUILD_GUI=ON -DBRIMBLE_SANITIZE=ON \
    -DBRIMBLE_BUILD_BENCH=OFF >/dev/null || exit 1
cmake --build "$build" --target brimble offer_targets paste_target clip_burst slow_owner -j"$(nproc)" || exit 1

logs=$(mktemp -d "${TMPDIR:-/tmp}/brimble-sanitize-XXXXXX")
status=0
for name in "${tests[@]}"; do
    echo "=== $name"
    (cd "$here/tests/e2e" &&
        BRIMBLE_EXECUTABLE=$build/brimble BRIMBLE_BUILD_DIR=$build \
        BRIMBLE_OFFER_TARGETS=$build/tests/e2e/offer_targets BRIMBLE_PASTE_TARGET=$build/tests/e2e/paste_target \
        BRIMBLE_SLOW_OWNER=$build/tests/e2e/slow_owner \
        BRIMBLE_CRASH_ROUNDS=10 BRIMBLE_BURST_SECONDS=10 \
        ASAN_OPTIONS="log_path=$logs/asan:detect_leaks=1:fast_unwind_on_malloc=0:malloc_context_size=40" \
        UBSAN_OPTIONS="print_stacktrace=1:log_path=$logs/ubsan" \
        "$here/tests/e2e/with-xvfb.sh" dbus-run-session -- python3 "$name.py") >"$logs/$name.out" 2>&1
    result=$?
    grep -E "^(Ran|OK|FAILED|FAIL:|ERROR:)|Error:" "$logs/$name.out"
    [[ $result -eq 0 ]] || status=1
done
shopt -s nullglob
reports=("$logs"/asan.* "$logs"/ubsan.*)
python3 "$here/tests/e2e/sanitizer_report.py" "$here" "${reports[@]}" || status=1
echo "sanitizer logs kept in $logs"
exit $status
