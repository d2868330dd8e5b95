#!/usr/bin/env bash
# start: a display and a prefix for the Windows tests; stop: ends every process of both.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
case "${1:-}" in
    start)
        wine_start_display
        wine_make_prefix
        echo "display $DISPLAY, prefix $WINEPREFIX"
        ;;
    stop)
        wine_stop
        echo "stopped"
        ;;
    *)
        echo "usage: RESOLVO_WINE_STATE=DIR $0 start|stop" >&2
        exit 2
        ;;
esac
