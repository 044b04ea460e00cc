#!/usr/bin/env bash
# Runs a command under a private Xvfb. The server picks a free display itself (-displayfd), so
# tests that run side by side never race for one the way `xvfb-run -a` does. The server is ended
# by its own PID when the command ends, whatever its outcome.
# Usage: with-xvfb.sh COMMAND [ARG...]   (BRIMBLE_XVFB_SCREEN overrides 1280x1024x24)
set -uo pipefail

ready=$(mktemp)
server=
stop_server() {
    [[ -n $server ]] || return 0
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
    server=
}
trap 'stop_server; rm -f "$ready"' EXIT
trap 'exit 143' TERM INT

# Starts a server and sets `display` once a client can connect to it.
start_server() {
    : >"$ready"
    # -noreset: a server resets when its last client leaves, and a client that connects during
    # the reset is refused ("cannot open display"). The check below is such a last client, and
    # the test's first program then came during the reset about one time in twenty-five.
    Xvfb -displayfd 3 -screen 0 "${BRIMBLE_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp -noreset 3>"$ready" \
        >/dev/null 2>&1 &
    server=$!
    # The server writes its display number and a newline once it listens.
    for _ in $(seq 1 400); do
        grep -q $'\n' "$ready" 2>/dev/null && break
        kill -0 "$server" 2>/dev/null || return 1
        sleep 0.05
    done
    local number
    number=$(tr -d '[:space:]' <"$ready")
    [[ -n $number ]] || return 1
    # A client must really get in: on a busy machine a server was once seen to name a display
    # that no client could then open.
    for _ in $(seq 1 40); do
        if xdpyinfo -display ":$number" >/dev/null 2>&1; then
            display=$number
            return 0
        fi
        kill -0 "$server" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

display=
for attempt in 1 2 3; do
    start_server && break
    echo "with-xvfb: no usable X server on attempt $attempt" >&2
    stop_server
    display=
done
[[ -n $display ]] || { echo "with-xvfb: Xvfb did not start" >&2; exit 1; }

DISPLAY=":$display" "$@"
