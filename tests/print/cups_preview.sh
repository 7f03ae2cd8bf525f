#!/bin/bash
# Printing from the preview window through the print server's PDF queue.
set -euo pipefail
source "$(dirname "$0")/cups_setup.sh"
"$1"
