#!/usr/bin/env bash
# start PREFIX: create the prefix if needed and keep one wineserver running for the test run.
# stop PREFIX: end that wineserver and every Wine process left in the prefix.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
action=${1:?usage: wine-session.sh start|stop PREFIX}
prefix=$(realpath -m -- "${2:?usage: wine-session.sh start|stop PREFIX}")
. "$here/wine-env.sh"
case $action in
  start)
    "$here/wine-prefix.sh" "$prefix"
    wineserver -p </dev/null >/dev/null 2>&1 || true
    # Bring up Wine's services and desktop process now, detached from our output: started by a
    # test instead, they would keep the test's output pipe open and CTest would wait for them.
    # The desktop binds to the display it starts with, so a display started for this run
    # (xvfb.sh runs first) must be known here.
    if [ -f "$prefix.display" ] && [ -f "$prefix.xvfb.pid" ] && kill -0 "$(cat "$prefix.xvfb.pid")" 2>/dev/null; then
      DISPLAY=$(cat "$prefix.display") wine rundll32.exe </dev/null >/dev/null 2>&1 || true
    else
      wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    fi
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    ;;
  *) echo "unknown action $action" >&2; exit 2 ;;
esac
