#!/bin/bash
# clang-tidy over every source of src/ with the checks of .clang-tidy and the
# build's compile commands (build/compile_commands.json); the sources given
# as arguments only, when there are any. Any finding fails; a finding that is
# meant to stay carries a NOLINT with its reason.
set -euo pipefail
cd "$(dirname "$0")/.."
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
[ -f build/compile_commands.json ] ||
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Two at a time: a full build and the tests share the machine's cores.
# clang-tidy counts the warnings it suppressed in the toolkit's headers on
# stderr; that line is left out.
sources() {
    if [ $# -gt 0 ]; then printf '%s\0' "$@"; else find src -name '*.cpp' -print0 | sort -z; fi
}
sources "$@" |
    xargs -0 -n 4 -P 2 "$tidy" -p build --quiet --warnings-as-errors='*' \
        2> >(grep -v '^[0-9]* warnings\? generated\.$' >&2)
echo "clang-tidy: no findings"
