#!/usr/bin/env bash
# The main job: set-up, build, then run the installer under Wine through the log viewer,
# which prints the installer's log lines and its exit code. Arguments go to the installer,
# for example: tools/run.sh -downloadurl=http://127.0.0.1:8080/pkg.exe -downloadtype=3
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/tools/build.sh" >&2
prefix=$root/build/wineprefix
"$root/tools/testenv/wine-prefix.sh" "$prefix"
if [ -z "${DISPLAY:-}" ]; then
  # No desktop here: give the installer's windows a virtual display for this run.
  "$root/tools/testenv/xvfb.sh" start "$prefix" >&2
  # Wine's desktop process is bound to this display: end it before the display goes.
  trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null; "$root/tools/testenv/xvfb.sh" stop "$prefix"' EXIT
fi
set +e
"$root/tools/testenv/wine-run.sh" "$prefix" "$root/build/tools/logview/logview.exe" \
  "$(WINEPREFIX=$prefix winepath -w "$root/build/app/DravixInstaller.exe" 2>/dev/null)" "$@"
code=$?
set -e
exit $code
