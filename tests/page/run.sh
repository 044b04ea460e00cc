#!/bin/sh
# Runs the page's browser tests: installs the test tooling on first use, then
# runs every *.test.mjs file with Node's test runner. Exits non-zero on failure.
set -eu
cd "$(dirname "$0")"

chromium="${CHROMIUM_PATH:-/usr/bin/chromium}"
if [ ! -x "$chromium" ]; then
    echo "run.sh: $chromium not found; install Debian's chromium package (apt-get install chromium)" >&2
    exit 1
fi

if [ ! -d node_modules/playwright-core ] || [ ! -d node_modules/axe-core ]; then
    if [ -f package-lock.json ]; then
        npm ci --no-audit --no-fund --loglevel=error
    else
        npm install --no-audit --no-fund --loglevel=error
    fi
fi

exec node --test --test-concurrency=1 --test-reporter=spec *.test.mjs
