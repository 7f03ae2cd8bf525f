#!/bin/bash
# The program as a desktop installation: installs the build into a staging
# root (DESTDIR), checks what landed there and validates the menu entry and
# the metainfo, checks the kept icon PNGs are what the SVG renders to and the
# manual pages against --help, builds the Debian package, reads its
# dependencies and runs lintian on it, then runs the installed binary on its
# own X server (the desktop test given as $2).
# Usage: desktop_install.sh <build folder> <desktop test binary>
set -euo pipefail
BUILD=$1
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
WORK=$(mktemp -d /tmp/tesorin-install.XXXXXX)
RO=$WORK/readonly
cleanup() {
    umount "$RO" 2>/dev/null || true
    chmod -R u+w "$WORK"
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Waits up to 20 s for process $1, once it runs program $2, to catch SIGTERM
# (signal 15: bit 14 of the caught-signal mask), that is, for its end handler
# to be in place. Before the exec it is this shell, which catches it too.
catches_term() {
    local mask program
    program=$(readlink -f "$2")
    for _ in $(seq 200); do
        mask=$(awk '/^SigCgt:/ { print $2 }' "/proc/$1/status" 2>/dev/null) || return 1
        [ "$(readlink "/proc/$1/exe")" = "$program" ] && (( (0x${mask:-0} >> 14) & 1 )) &&
            return 0
        sleep 0.1
    done
    return 1
}

STAGE=$WORK/stage
DESTDIR=$STAGE cmake --install "$BUILD" --prefix /usr >/dev/null
[ -x "$STAGE/usr/bin/tesorin" ] || fail "no usr/bin/tesorin"
DESKTOP=$STAGE/usr/share/applications/jp.tesorin.Tesorin.desktop
METAINFO=$STAGE/usr/share/metainfo/jp.tesorin.Tesorin.metainfo.xml
desktop-file-validate "$DESKTOP" || fail "desktop entry does not validate"
# With the network check: every address the metainfo names must answer.
appstreamcli validate "$METAINFO" || fail "metainfo does not validate"
grep -qx 'Categories=Graphics;' "$DESKTOP" || fail "Categories"
grep -q '^Name\[ja\]=' "$DESKTOP" || fail "no Name[ja]"
grep -qx 'Exec=tesorin %F' "$DESKTOP" || fail "Exec does not take files"
grep -q '^MimeType=.*application/x-tesorin;' "$DESKTOP" || fail "MimeType lacks the design type"
grep -q '^MimeType=.*image/png;' "$DESKTOP" || fail "MimeType lacks the picture types"
MIME=$STAGE/usr/share/mime/packages/tesorin.xml
[ -f "$MIME" ] || fail "no shared-mime-info file"
# A MIME database built from it knows the type by name.
mkdir -p "$WORK/mime/packages"
cp "$MIME" "$WORK/mime/packages/"
update-mime-database "$WORK/mime" >/dev/null 2>&1 || fail "the MIME file does not build"
grep -q '^application/x-tesorin:\*\.tesorin$' "$WORK/mime/globs" || fail "no glob for .tesorin"
# Addresses only where the program has one: its homepage and the screenshot
# below it; none made up.
HOMEPAGE=$(sed -n 's/^TESORIN_HOMEPAGE:STRING=//p' "$BUILD/CMakeCache.txt")
if [ -n "$HOMEPAGE" ]; then
    grep -qF "<image>$HOMEPAGE/docs/shots/colours.png</image>" "$METAINFO" || fail "no screenshot"
    [ -f "$SOURCE/docs/shots/colours.png" ] || fail "the screenshot is not in docs/shots"
else
    grep -q '://' "$METAINFO" && fail "the metainfo names an address although the program has none"
fi

# The manual pages, English and Japanese, name every option --help lists.
OPTIONS=$("$STAGE/usr/bin/tesorin" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
[ -n "$OPTIONS" ] || fail "--help lists no option"
for page in man1/tesorin.1.gz ja/man1/tesorin.1.gz; do
    file=$STAGE/usr/share/man/$page
    [ -f "$file" ] || fail "no manual page $page"
    text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -E UTF-8 -l "$file" 2>/dev/null)
    for option in $OPTIONS; do
        grep -qF -- "$option" <<<"$text" || fail "$page does not describe $option"
    done
done

# Every hicolor size, each PNG as large as its folder says, and the kept
# PNGs pixel for pixel what scripts/icons.sh renders from the SVG now.
"$SOURCE/scripts/icons.sh" "$WORK/icons"
for n in 16 22 24 32 48 64 128 256; do
    png=$STAGE/usr/share/icons/hicolor/${n}x${n}/apps/tesorin.png
    [ -f "$png" ] || fail "no ${n}x${n} icon"
    [ "$(identify -format '%wx%h' "$png")" = "${n}x${n}" ] || fail "${n}x${n} icon has another size"
    diff=$(compare -metric AE "$png" "$WORK/icons/${n}x${n}/tesorin.png" null: 2>&1 || true)
    [ "$diff" = "0" ] || fail "${n}x${n} icon is not the SVG's rendering ($diff pixels differ): run scripts/icons.sh"
done
[ -f "$STAGE/usr/share/icons/hicolor/scalable/apps/tesorin.svg" ] || fail "no scalable icon"

# The Debian package, its dependencies computed from the binary.
(cd "$BUILD" && cpack -G DEB -B "$WORK/package" >/dev/null)
DEB=$(ls "$WORK"/package/tesorin_*.deb)
INFO=$(dpkg-deb -I "$DEB")
echo "$INFO" | grep '^ Depends:'
grep -q '^ Depends:.*libqt6widgets6' <<<"$INFO" || fail "no Qt dependency in the package"
grep -q '^ Depends:.*fonts-noto-cjk | fonts-ipafont-gothic' <<<"$INFO" ||
    fail "the package does not depend on a Japanese font"
if [ -z "$HOMEPAGE" ]; then
    grep -q '^ Homepage:' <<<"$INFO" && fail "the package names a homepage the program does not have"
fi
# No error and no warning from lintian (what it says is shown either way).
lintian --fail-on error,warning "$DEB" || fail "lintian reports errors or warnings"
UNPACKED=$WORK/unpacked
dpkg-deb -x "$DEB" "$UNPACKED"
file "$UNPACKED/usr/bin/tesorin" | grep -q ', stripped' || fail "the packaged binary is not stripped"
CONTENTS=$(dpkg-deb -c "$DEB")
grep -q ' ./usr/bin/tesorin$' <<<"$CONTENTS" || fail "package lacks usr/bin/tesorin"
grep -q 'hicolor/16x16/apps/tesorin.png$' <<<"$CONTENTS" || fail "package lacks the icons"
grep -q ' ./usr/share/mime/packages/tesorin.xml$' <<<"$CONTENTS" || fail "package lacks the MIME type"
grep -q '^ Depends:.*libqt6sql6-sqlite' <<<"$INFO" || fail "no SQLite driver in the dependencies"

# An installed program writes nothing into its install tree, whoever runs
# it (this script runs as root, who could write there), whatever the prefix:
# a --prefix install and the DESTDIR staging alike. SIGTERM saves as a close
# does, so its data files must land in the user's folder.
PREFIX=$WORK/prefix
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null
for bin in "$PREFIX/bin/tesorin" "$STAGE/usr/bin/tesorin"; do
    home=$(mktemp -d "$WORK/home.XXXXXX")
    touch "$WORK/stamp"
    HOME=$home XDG_CONFIG_HOME= QT_QPA_PLATFORM=offscreen "$bin" &
    app=$!
    catches_term "$app" "$bin" || fail "$bin did not come to catch SIGTERM"
    kill -TERM "$app"
    status=0
    wait "$app" || status=$?
    [ "$status" = 0 ] || fail "$bin ended with $status after SIGTERM, not 0"
    [ -f "$home/.config/Tesorin/SETTING.DAT" ] || fail "$bin kept no SETTING.DAT in the user's folder"
    written=$(find "$(dirname "$(dirname "$bin")")" -newer "$WORK/stamp")
    [ -z "$written" ] || fail "$bin wrote into its install tree: $written"
done

# The installed binary, started from a folder it cannot write: a read-only
# bind mount (root writes through mode bits), else the mode bits.
mkdir -p "$RO"
cp "$STAGE/usr/bin/tesorin" "$RO/"
if ! { mount --bind "$RO" "$RO" 2>/dev/null && mount -o remount,ro,bind "$RO" 2>/dev/null; }; then
    umount "$RO" 2>/dev/null || true
    chmod a-w "$RO"
fi
touch "$RO/probe" 2>/dev/null && fail "could not make the program's folder read-only"
TESORIN_INSTALLED="$RO/tesorin" "$2"
