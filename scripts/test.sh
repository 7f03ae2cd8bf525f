#!/bin/bash
# Builds everything and runs every test through CTest; then builds the data
# file robustness test alone with AddressSanitizer and UBSan and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
(cd build && ctest --output-on-failure -j1 "$@")
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESORIN_SANITIZE=ON >/dev/null
cmake --build build-asan -j2 --target tst_filerobustness
echo "Sanitizer run: tst_filerobustness"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    QT_QPA_PLATFORM=offscreen build-asan/tests/tst_filerobustness
