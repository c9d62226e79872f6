#!/usr/bin/env bash
# Runs one Windows program under the build tree's private Wine prefix (the test emulator).
# usage: wine-run.sh PREFIX program.exe [args...]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Wine wants an absolute prefix; a relative one is taken from the current folder.
prefix=$(realpath -m -- "${1:?usage: wine-run.sh PREFIX program.exe [args...]}")
shift
"$here/wine-prefix.sh" "$prefix"
. "$here/wine-env.sh"
# A display started for this build tree (see xvfb.sh) is used when none is set.
if [ -z "${DISPLAY:-}" ] && [ -f "$prefix.display" ]; then
  DISPLAY=$(cat "$prefix.display")
  export DISPLAY
fi
exec wine "$@"
