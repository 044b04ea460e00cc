#!/usr/bin/env bash
# Runs a command beside a private headless sway. sway refuses to run as root, so when started by
# root it runs as an unprivileged user of the tests (created once, without a home or a login);
# the command itself reaches it through an absolute WAYLAND_DISPLAY and SWAYSOCK and may keep its
# own XDG_RUNTIME_DIR. sway is ended by its own PID when the command ends, whatever its outcome.
# Exits 77 (skipped) when sway cannot start at all.
# Usage: with-sway.sh COMMAND [ARG...]   (BRIMBLE_SWAY_USER overrides the user "brimble-sway")
set -uo pipefail

skip() { echo "with-sway: $*; skipping" >&2; exit 77; }
command -v sway >/dev/null || skip "sway is not installed"

user="${BRIMBLE_SWAY_USER:-brimble-sway}"
runner=()
if [[ $(id -u) -eq 0 ]]; then
    if ! id "$user" >/dev/null 2>&1; then
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" \
            2>/dev/null || id "$user" >/dev/null 2>&1 || skip "cannot create the user $user"
    fi
    runner=(setpriv --reuid="$user" --regid="$user" --clear-groups --)
fi

runtime=$(mktemp -d /tmp/brimble-sway.XXXXXX)
chmod 0700 "$runtime"
[[ ${#runner[@]} -eq 0 ]] || chown "$user:" "$runtime"
cat >"$runtime/config" <<'CONFIG'
output HEADLESS-1 resolution 1280x800 position 0 0
default_border none
xwayland disable
CONFIG

env -i PATH=/usr/bin:/bin HOME="$runtime" XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman "${runner[@]}" sway -c "$runtime/config" \
    >"$runtime/sway.log" 2>&1 &
compositor=$!
stop_compositor() {
    kill "$compositor" 2>/dev/null
    wait "$compositor" 2>/dev/null
    rm -rf "$runtime"
}
trap stop_compositor EXIT
trap 'exit 143' TERM INT

socket=""
ipc=""
for _ in $(seq 1 200); do
    socket=$(find "$runtime" -maxdepth 1 -type s -name 'wayland-*' | head -n 1)
    ipc=$(find "$runtime" -maxdepth 1 -type s -name 'sway-ipc.*' | head -n 1)
    [[ -n "$socket" && -n "$ipc" ]] && break
    kill -0 "$compositor" 2>/dev/null || { tail -n 5 "$runtime/sway.log" >&2; skip "sway did not start"; }
    sleep 0.05
done
[[ -n "$socket" && -n "$ipc" ]] || skip "sway opened no socket"

# The program must find the compositor, not an X server; a benchmark that compares the two finds
# the X server it was given under BRIMBLE_X11_DISPLAY.
export BRIMBLE_X11_DISPLAY="${DISPLAY:-}"
unset DISPLAY
WAYLAND_DISPLAY="$socket" SWAYSOCK="$ipc" BRIMBLE_SWAY_RUNTIME="$runtime" "$@"
