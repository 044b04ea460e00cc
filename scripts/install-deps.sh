#!/usr/bin/env bash
# Installs what Brimble needs on Debian 12, skipping apt entirely when everything is there.
# Usage: scripts/install-deps.sh [--test]
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libgtk-3-dev libwebkit2gtk-4.1-dev libayatana-appindicator3-dev
    libicu-dev rapidjson-dev libkeybinder-3.0-dev libxtst-dev libx11-dev libwayland-dev
    librsvg2-common fonts-noto-color-emoji
    # The catalogues: xgettext, msgfmt and msgcmp, and Python for the page's JSON catalogues.
    gettext python3
)
if [[ "${1:-}" == "--test" ]]; then
    packages+=(
        libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
        xvfb xauth xclip xdotool x11-utils openbox imagemagick dbus dbus-x11 python3
        chromium nodejs npm sway wl-clipboard
        # Glyphs for the translations under Xvfb, the smallest that cover them: Chinese and
        # Japanese (WenQuanYi Micro Hei, 5 MB; Noto CJK is 91 MB) and Arabic (KacST, 1 MB).
        fonts-wqy-microhei fonts-kacst
        # The accessibility test reads the real program's tree as a screen reader does.
        at-spi2-core libatk-adaptor python3-gi python3-pyatspi gir1.2-atspi-2.0
    )
fi
# Making the Debian package needs `file` for its dependency scan; checking it, the validators.
packages+=(file)
[[ "${1:-}" == "--test" ]] && packages+=(lintian desktop-file-utils appstream)

missing=()
for package in "${packages[@]}"; do
    # A tool that is already on the PATH (for example a newer Node.js) needs no package.
    case "$package" in
        nodejs) command -v node >/dev/null && continue ;;
        npm) command -v npm >/dev/null && continue ;;
    esac
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
