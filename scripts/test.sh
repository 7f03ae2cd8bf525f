#!/bin/bash
# Builds everything and runs every test through CTest and clang-tidy over
# src/ (scripts/lint.sh); then builds the data
# file robustness test alone with AddressSanitizer and UBSan and runs it, and
# gives the fuzz targets of picture loading and of the design reader (clang,
# ASan + UBSan) a short run each from a fixed seed (any finding fails the
# script); then builds the print and preview tests with ThreadSanitizer and
# runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
(cd build && ctest --output-on-failure -j1 "$@")
scripts/lint.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESORIN_SANITIZE=ON >/dev/null
cmake --build build-asan -j2 --target tst_filerobustness
echo "Sanitizer run: tst_filerobustness"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    QT_QPA_PLATFORM=offscreen build-asan/tests/tst_filerobustness
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESORIN_SANITIZE=ON -DTESORIN_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build-fuzz -j2 --target fuzz_pictures fuzz_designs
echo "Fuzz run: fuzz_pictures (fixed seed, 40 s)"
# Each run writes its input to a file: in memory where the machine has room.
scratch=$(mktemp -d -p "$([ -d /dev/shm ] && echo /dev/shm || echo /tmp)")
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/corpus"
TMPDIR=$scratch ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    build-fuzz/tests/fuzz/fuzz_pictures -seed=1 -max_total_time=40 -max_len=4096 -malloc_limit_mb=64 \
    -artifact_prefix=build-fuzz/ "$scratch/corpus" tests/fuzz/seeds
echo "Fuzz run: fuzz_designs (fixed seed, 20 s)"
mkdir "$scratch/designs"
TMPDIR=$scratch ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    build-fuzz/tests/fuzz/fuzz_designs -seed=1 -max_total_time=20 -max_len=16384 -malloc_limit_mb=256 \
    -artifact_prefix=build-fuzz/ "$scratch/designs" tests/fuzz/design-seeds
# The print, preview, print-command and shown-cache tests built alone with
# ThreadSanitizer: the preview makes its page on a worker thread, and held
# photos are read on background threads. Suppressions cover Qt's own
# internals only (tests/tsan.supp); any report fails the run.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESORIN_TSAN=ON >/dev/null
cmake --build build-tsan -j2 --target tst_printrun tst_preview tst_printcommands tst_showncache
for t in tst_printrun tst_preview tst_printcommands tst_showncache; do
    echo "ThreadSanitizer run: $t"
    TSAN_OPTIONS="die_after_fork=0 suppressions=$PWD/tests/tsan.supp" \
        QT_QPA_PLATFORM=offscreen XDG_CACHE_HOME="$PWD/build-tsan/cache/$t" build-tsan/tests/$t
done
