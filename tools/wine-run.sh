#!/usr/bin/env bash
# Runs a Windows program under Wine in the private prefix of $RESOLVO_WINE_STATE
# (made on first use) and exits with the program's exit code. CMake uses it to
# run the Windows test programs.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
wine_use_display
wine_make_prefix
exec wine "$@" </dev/null
