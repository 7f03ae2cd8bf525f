#!/bin/bash
# Real prints through the print server on every paper, measured on the
# queue's PDFs. Then the same program without a reachable server, where
# both print commands must say that no printer is installed.
set -euo pipefail
TEST_BIN="$1"
source "$(dirname "$0")/cups_setup.sh"

"$TEST_BIN" sheetsLandWithinOneDevicePixelOnEveryPaper aCancelledPrintSendsNoJob
# The print server's library reads the user's options once per process, so
# each row of this test runs in a process of its own.
RESOLUTION=theDeviceHasTheQueuesResolution
"$TEST_BIN" -datatags "$RESOLUTION" 2>/dev/null | sed -n "s/^TstCupsPrint $RESOLUTION //p" |
    while IFS= read -r row; do "$TEST_BIN" "$RESOLUTION:$row"; done
CUPS_SERVER=/nonexistent/tesorin-no-server.sock TESORIN_NO_PRINTER=1 \
    "$TEST_BIN" withoutPrinterBothPrintCommandsSaySo
