#!/usr/bin/env bash
# Makes the Debian package and checks it the way a user meets it: lintian, desktop-file-validate
# and appstreamcli on what it holds, then `apt-get install`, the installed program run under a
# private Xvfb and bus with a temporary home, and removal with nothing left behind.
# Needs root for apt-get. The package is always removed again, also when a check fails.
# Usage: tests/package/run.sh [extra cmake configure argument...]
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD

if [[ $(id -u) -ne 0 ]]; then
    echo "package test: needs root to install the package" >&2
    exit 1
fi

# Another engineer or job may hold the dpkg lock for a while; wait instead of failing.
apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -y -qq "$@"; }
installed() { [[ $(dpkg-query -W -f='${db:Status-Abbrev}' brimble 2>/dev/null) == ii* ]]; }

work=$(mktemp -d)
cleanup() {
    installed && apt_get purge brimble >/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

echo "--- building the package"
rm -f build/package/brimble_*.deb
cmake --preset package "$@" >/dev/null
cmake --build --preset package -j"$(nproc)" >"$work/build.log" || { tail -40 "$work/build.log"; exit 1; }
debs=(build/package/brimble_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || { echo "expected one package, found: ${debs[*]}" >&2; exit 1; }
deb=$repo/${debs[0]}
echo "$deb"

echo "--- checking what it holds"
status=0
lintian --fail-on error --display-info "$deb" >"$work/lintian.log" 2>&1 || status=$?
grep -v "running with root privileges" "$work/lintian.log" || true
((status == 0)) || { echo "lintian reports errors" >&2; exit 1; }
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/brimble.desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/app.brimble.Brimble.metainfo.xml"
# The software centres show these pictures, so each must be one the repository has.
shots=$(sed -n 's|.*<image>.*/\([^/]*\)</image>.*|\1|p' "$work/root/usr/share/metainfo/app.brimble.Brimble.metainfo.xml")
[[ -n $shots ]] || { echo "the metainfo has no screenshots" >&2; exit 1; }
for shot in $shots; do
    [[ -f docs/screenshots/$shot ]] || { echo "screenshot $shot is not in docs/screenshots" >&2; exit 1; }
done
# The manual page as man shows it on a terminal, warnings and all.
groff=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l -Tutf8 -Z \
    "$work/root/usr/share/man/man1/brimble.1.gz" 2>&1 >/dev/null)
[[ -z $groff ]] || { echo "the manual page does not format cleanly: $groff" >&2; exit 1; }
# A settings key added to the program without a line in the manual page fails here.
manual=$(zcat "$work/root/usr/share/man/man1/brimble.1.gz")
keys=$(sed -n 's/^inline constexpr std::string_view [A-Za-z]* = "\([A-Za-z]*\)";$/\1/p' settings/Settings.h)
[[ -n $keys ]] || { echo "no settings keys found in settings/Settings.h" >&2; exit 1; }
for key in $keys; do
    grep -q "^\.BR $key " <<<"$manual" || { echo "the manual page does not describe $key" >&2; exit 1; }
done
# The installed program must find everything from its own place, never from where it was built.
for program in "$work/root/usr/bin/brimble" "$work/root/usr/libexec/brimble/brimble"; do
    if grep -qaF "$repo" "$program"; then
        echo "$program has the build folder $repo compiled in" >&2
        exit 1
    fi
done

echo "--- installing"
installed && apt_get purge brimble >/dev/null
apt_get install "$deb" >/dev/null
dpkg-query -W -f='${Version} ${db:Status-Abbrev}\n' brimble
dpkg-query -L brimble | while read -r path; do [[ -d $path ]] || echo "$path"; done | sort >"$work/files"

echo "--- using the installed program"
# The bus and what it starts for the program (the accessibility bus) get a temporary home too.
mkdir -p "$work/home" && mkdir -m 700 "$work/runtime"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
    XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/runtime \
    tests/e2e/with-xvfb.sh dbus-run-session -- python3 tests/package/test_installed.py -v

echo "--- removing"
apt_get purge brimble >/dev/null
if installed; then
    echo "brimble is still installed" >&2
    exit 1
fi
left=0
while read -r path; do
    [[ -e $path ]] && { echo "left behind: $path" >&2; left=1; }
done <"$work/files"
for folder in /usr/share/brimble /usr/share/doc/brimble; do
    [[ -e $folder ]] && { echo "left behind: $folder" >&2; left=1; }
done
((left == 0))
echo "package test: passed ($(wc -l <"$work/files") files installed and removed)"
