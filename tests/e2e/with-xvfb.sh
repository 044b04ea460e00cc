#!/usr/bin/env bash
# Runs a command under a private Xvfb. The server picks a free display itself (-displayfd), so
# tests that run side by side never race for one the way `xvfb-run -a` does. The server is ended
# by its own PID when the command ends, whatever its outcome.
# Usage: with-xvfb.sh COMMAND [ARG...]   (BRIMBLE_XVFB_SCREEN overrides 1280x1024x24)
set -uo pipefail

ready=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${BRIMBLE_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp 3>"$ready" \
    >/dev/null 2>&1 &
server=$!
stop_server() {
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
    rm -f "$ready"
}
trap stop_server EXIT
trap 'exit 143' TERM INT

# The server writes its display number and a newline once it accepts connections.
for _ in $(seq 1 200); do
    grep -q $'\n' "$ready" 2>/dev/null && break
    kill -0 "$server" 2>/dev/null || { echo "with-xvfb: Xvfb did not start" >&2; exit 1; }
    sleep 0.05
done
display=$(tr -d '[:space:]' <"$ready")
[[ -n "$display" ]] || { echo "with-xvfb: Xvfb gave no display" >&2; exit 1; }

DISPLAY=":$display" "$@"
