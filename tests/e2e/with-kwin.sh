#!/usr/bin/env bash
# Runs a command beside a private headless KWin (--virtual) with Xwayland, so that both Wayland and
# X11 clients reach the same clipboard. The packaged kwin_wayland carries a file capability that a
# container may not grant, so a plain copy of it runs instead; the copy keeps the name, since KWin
# finds its own files through it. KWin is ended by its own PID when the command ends.
# The command gets WAYLAND_DISPLAY and, under BRIMBLE_KWIN_X11_DISPLAY, Xwayland's display.
# Exits 77 (skipped) when KWin cannot start at all.
# Usage: with-kwin.sh COMMAND [ARG...]
set -uo pipefail

skip() { echo "with-kwin: $*; skipping" >&2; exit 77; }
kwin=$(command -v kwin_wayland) || skip "kwin_wayland is not installed"
command -v Xwayland >/dev/null || skip "Xwayland is not installed"

runtime=$(mktemp -d /tmp/brimble-kwin.XXXXXX)
chmod 0700 "$runtime"
mkdir "$runtime/bin"
cp "$kwin" "$runtime/bin/kwin_wayland"

# KWin starts this once Xwayland is up: it reports the X display, and KWin runs on after it.
cat >"$runtime/session" <<'SESSION'
#!/bin/sh
printf '%s\n' "$DISPLAY" >"$XDG_RUNTIME_DIR/display.tmp" && mv "$XDG_RUNTIME_DIR/display.tmp" "$XDG_RUNTIME_DIR/display"
SESSION
chmod +x "$runtime/session"

env -i PATH=/usr/bin:/bin HOME="$runtime" XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen \
    KWIN_COMPOSE=Q "$runtime/bin/kwin_wayland" --virtual --xwayland --no-lockscreen \
    --no-global-shortcuts --socket wayland-brimble --width 1280 --height 800 "$runtime/session" \
    >"$runtime/kwin.log" 2>&1 &
compositor=$!
stop_compositor() {
    kill "$compositor" 2>/dev/null
    wait "$compositor" 2>/dev/null
    rm -rf "$runtime"
}
trap stop_compositor EXIT
trap 'exit 143' TERM INT

for _ in $(seq 1 400); do
    [[ -S "$runtime/wayland-brimble" && -s "$runtime/display" ]] && break
    kill -0 "$compositor" 2>/dev/null || { tail -n 5 "$runtime/kwin.log" >&2; skip "KWin did not start"; }
    sleep 0.05
done
[[ -S "$runtime/wayland-brimble" && -s "$runtime/display" ]] || skip "KWin opened no socket or X display"

unset DISPLAY
WAYLAND_DISPLAY="$runtime/wayland-brimble" BRIMBLE_KWIN_X11_DISPLAY="$(cat "$runtime/display")" \
    BRIMBLE_KWIN_RUNTIME="$runtime" "$@"
