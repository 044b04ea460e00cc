#!/usr/bin/env bash
# Opens the About and Help windows with about_demo under a private Xvfb and checks them as a user
# would: Escape, Return and the close button close them, About comes back as a new window, Help as
# the same one, clicks reach the mascot through its ink, and the link row opens the maker's page.
# Optionally saves screenshots of both windows, their names ending in SUFFIX (for example "-dark"
# when run with GTK_THEME=Adwaita:dark):
#   about_check.sh DEMO RESOURCES [SCREENSHOT_DIR [SUFFIX]]
set -euo pipefail

demo=$1
resources=$2
shots=${3:-}
suffix=${4:-}

work=$(mktemp -d)
cleanup() {
    [[ -n ${demo_pid:-} ]] && kill "$demo_pid" 2>/dev/null || true
    [[ -n ${xvfb_pid:-} ]] && kill "$xvfb_pid" 2>/dev/null || true
    exec 3>&- 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A private display, on a number the server picks itself, and a private home for everything
# started here.
# -noreset: a client that connects while the server resets after its last client left is refused.
Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp -noreset 5>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
export DISPLAY=:$(<"$work/display") HOME=$work/home XDG_CONFIG_HOME=$work/home/.config \
    XDG_DATA_HOME=$work/home/.local/share XDG_CACHE_HOME=$work/home/.cache NO_AT_BRIDGE=1
mkdir -p "$HOME"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

mkfifo "$work/requests"
"$demo" "$resources" <"$work/requests" >"$work/out" 2>"$work/err" &
demo_pid=$!
exec 3>"$work/requests"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ask() { echo "$1" >&3; sleep 0.8; }
visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true; }
# A window opens or closes some time after it is asked to, later on a busy machine: waited for up
# to ten seconds rather than looked for once after a fixed pause.
appears() {
    local found
    for _ in $(seq 50); do
        found=$(visible "$1")
        [[ -n $found ]] && { echo "$found"; return 0; }
        sleep 0.2
    done
}
goes() {
    for _ in $(seq 50); do
        [[ -z $(visible "$1") ]] && return 0
        sleep 0.2
    done
    return 1
}
shot() { [[ -z $shots ]] || import -window "$1" "$shots/$2$suffix.png"; }
# Keys go to the focused window, as when the user types.
press() { xdotool windowfocus "$1" 2>/dev/null; sleep 0.2; xdotool key "$2" 2>/dev/null; sleep 0.5; }
# The band of the About window where the shout words and the fun fact appear.
shoutBand() { import -window "$1" -crop 400x60+15+262 +repage png:- | md5sum; }

ask about
about1=$(appears "About Brimble")
[[ -n $about1 ]] || { fail "About did not open"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$about1")"
xdotool mousemove 5 5
sleep 0.3
shot "$about1" about

# Three quick clicks on the mascot: the later two land on the ink of the first and must get through.
quiet=$(shoutBand "$about1")
xdotool mousemove $((X + WIDTH / 2)) $((Y + 85))
for _ in 1 2 3; do xdotool click 1; sleep 0.15; done
xdotool mousemove 5 5
sleep 1.05
[[ $(shoutBand "$about1") != "$quiet" ]] || fail "the third click did not shout"
# The small Wugo beside the credit line counts on his own and squirts his own ink meanwhile.
xdotool mousemove $((X + 305)) $((Y + 385)) click 1 mousemove 5 5
sleep 0.25
shot "$about1" about-shout

press "$about1" Escape
goes "About Brimble" || fail "Escape did not close About"

ask about
about2=$(appears "About Brimble")
[[ -n $about2 && $about2 != "$about1" ]] || fail "About was not made anew after closing"
press "$about2" Return
goes "About Brimble" || fail "Return did not close About"

ask about
about3=$(appears "About Brimble")
[[ -n $about3 ]] || { fail "About did not open a third time"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$about3")"
# The link row sits below the tagline; a click on its text opens the maker's page.
xdotool mousemove $((X + WIDTH / 2 + 30)) $((Y + 235)) click 1; sleep 0.5
grep -q '^open https://' "$work/out" || fail "the link row opened nothing"
xdotool mousemove $((X + WIDTH - 24)) $((Y + 22)) click 1; sleep 0.5
goes "About Brimble" || fail "the close button did not close About"

ask help
help1=$(appears "How to use Brimble")
[[ -n $help1 ]] || { fail "Help did not open"; exit 1; }
xdotool mousemove 5 5
sleep 0.3
shot "$help1" help
press "$help1" Escape
goes "How to use Brimble" || fail "Escape did not hide Help"
ask help
help2=$(appears "How to use Brimble")
[[ $help2 == "$help1" ]] || fail "Help came back as another window"
ask help
[[ $(xdotool search --name "^How to use Brimble\$" | wc -l) -eq 1 ]] || fail "a second Help window was made"

echo quit >&3
wait "$demo_pid" || fail "about_demo did not end cleanly"
demo_pid=
if [[ -s $work/err ]] && grep -qE 'CRITICAL|WARNING' "$work/err"; then
    fail "GTK complained:"; cat "$work/err"
fi
[[ $failures -eq 0 ]] && echo "about windows: all checks passed"
exit "$failures"
