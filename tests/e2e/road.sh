#!/bin/bash
# The end-to-end road needs the print server with its PDF queue for the
# print step; the driver starts its own X server and window manager.
set -euo pipefail
source "$(dirname "$0")/../print/cups_setup.sh"
"$1"
