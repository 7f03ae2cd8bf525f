#!/bin/bash
# A real print through the print server: prints the default sheet and checks
# where its lines land. Then the same program without a reachable server,
# where Print must do nothing.
set -euo pipefail
TEST_BIN="$1"
source "$(dirname "$0")/cups_setup.sh"

"$TEST_BIN" sheetLinesLandWhereTheArithmeticSays
CUPS_SERVER=/nonexistent/tesorin-no-server.sock TESORIN_NO_PRINTER=1 \
    "$TEST_BIN" withoutPrinterPrintDoesNothing
