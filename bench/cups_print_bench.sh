#!/bin/bash
# By hand: ten photos from the click on 印刷 to the finished PDF of the print
# server's PDF queue (starts the server and adds the queue when needed).
#   bench/cups_print_bench.sh build/bench/bench_cupsprint
set -euo pipefail
source "$(dirname "$0")/../tests/print/cups_setup.sh"
exec "$1"
