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

# A CI log is read from its end, so the failed tests' names and the last lines of their output
# are repeated there, after every suite has run.
failed_tests_report=$(mktemp)
trap 'rm -f "$failed_tests_report"' EXIT
note_failed_tests() {
    local dir=build/$1/Testing/Temporary name
    [[ -s $dir/LastTestsFailed.log ]] || return 0
    while IFS=: read -r _ name; do
        {
            echo "--- failed test ($1): $name, the end of its output"
            awk -v name="$name" '
                $0 ~ "^[0-9]+/[0-9]+ Test: " name "$" { inside = 1; next }
                index($0, "\"" name "\" end time:") == 1 { inside = 0 }
                inside' "$dir/LastTest.log" | tail -n 80
        } >>"$failed_tests_report"
    done <"$dir/LastTestsFailed.log"
}

build_and_test() {
    local preset=$1
    shift
    rm -f "build/$preset/Testing/Temporary/LastTestsFailed.log"
    cmake --preset "$preset" "$@" >/dev/null &&
        cmake --build --preset "$preset" -j"$jobs" &&
        ctest --preset "$preset" -j"$jobs" --timeout 900 && return 0
    note_failed_tests "$preset"
    return 1
}

run_suite "developer build: unit and end-to-end tests" build_and_test dev
run_suite "sanitizer build: unit tests" build_and_test sanitize
[[ -x tests/page/run.sh ]] && run_suite "page tests" tests/page/run.sh
[[ -x tests/fuzz/run-fuzzers.sh ]] && run_suite "fuzzing" tests/fuzz/run-fuzzers.sh
run_suite "Debian package" tests/package/run.sh

echo
cat "$failed_tests_report"
((failed)) && printf 'failed suite: %s\n' "${failures[@]}"
echo "suites: $passed passed, $failed failed"
((failed == 0))
