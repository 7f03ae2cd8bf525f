#!/bin/bash
# Installs the Debian 12 packages the build, the program and the tests need,
# but only those that are missing (so a prepared machine is not touched).
set -euo pipefail
PACKAGES=(
    build-essential cmake ninja-build pkg-config clang-14 libclang-rt-14-dev clang-tidy-14
    qt6-base-dev libqt6sql6-sqlite qt6-image-formats-plugins qt6-translations-l10n libgl-dev
    fonts-noto-cjk fonts-ipafont-gothic fonts-dejavu-core
    xvfb xauth openbox xdotool wmctrl x11-utils imagemagick
    cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
    locales libc-l10n
    libcups2-dev libfontconfig-dev ghostscript
    libxcb1-dev
    librsvg2-bin desktop-file-utils appstream lintian dpkg-dev file
)
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages and not root: run as root or install them: ${missing[*]}" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The save-fault test checks the system's message in Japanese.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' && [ "$(id -u)" -eq 0 ]; then
    localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
