#!/usr/bin/env bash
# Installs what is missing, builds Brimble and runs every test: the unit tests (developer build
# and sanitizer build), the end-to-end tests under Xvfb, the page tests in a real browser engine,
# a short fuzzing run, and the Debian package, made, checked, installed, used and removed.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test || exit 1

jobs=$(nproc)
passed=0
failed=0
failures=()
run_suite() {
    local name=$1
    shift
    echo "=== $name"
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        failures+=("$name")
    fi
}

build_and_test() {
    local preset=$1
    shift
    cmake --preset "$preset" "$@" >/dev/null &&
        cmake --build --preset "$preset" -j"$jobs" &&
        ctest --preset "$preset" -j"$jobs" --timeout 900
}

run_suite "developer build: unit and end-to-end tests" build_and_test dev
run_suite "sanitizer build: unit tests" build_and_test sanitize
[[ -x tests/page/run.sh ]] && run_suite "page tests" tests/page/run.sh
[[ -x tests/fuzz/run-fuzzers.sh ]] && run_suite "fuzzing" tests/fuzz/run-fuzzers.sh
run_suite "Debian package" tests/package/run.sh

echo
((failed)) && printf 'failed suite: %s\n' "${failures[@]}"
echo "suites: $passed passed, $failed failed"
((failed == 0))
