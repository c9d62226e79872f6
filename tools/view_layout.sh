#!/usr/bin/env bash
# Opens one layout of a skin in the layout viewer under Wine, on a virtual display when there is
# no DISPLAY. Paths may be Unix paths; the viewer gets them as Windows paths. Examples:
#   tools/view_layout.sh --skin=skin --layout=mainWnd.xml --page=2
#   tools/view_layout.sh --embedded --layout=exitTipWnd.xml --screenshot=/tmp/exitTipWnd.png
#   tools/view_layout.sh --archive=build/skin/dravix_skin.7z --layout=NetworkTipWnd.xml
# DRAVIX_BUILD_DIR names an already configured build tree to use instead of build/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -n "${DRAVIX_BUILD_DIR:-}" ]; then
  build=$(cd "$DRAVIX_BUILD_DIR" && pwd)
  cmake --build "$build" --target layout_viewer >&2
else
  build=$root/build
  "$root/tools/build.sh" >&2
fi
prefix=$build/wineprefix
"$root/tools/testenv/wine-prefix.sh" "$prefix"
. "$root/tools/testenv/wine-env.sh"

windows_path() {
  local path=$1
  [[ $path = /* ]] || path=$PWD/$path
  WINEPREFIX=$prefix winepath -w "$path" 2>/dev/null
}

args=()
for arg in "$@"; do
  case $arg in
    --skin=* | --archive=* | --screenshot=*) args+=("${arg%%=*}=$(windows_path "${arg#*=}")") ;;
    *) args+=("$arg") ;;
  esac
done

if [ -z "${DISPLAY:-}" ] && ! { [ -f "$prefix.xvfb.pid" ] && kill -0 "$(cat "$prefix.xvfb.pid")" 2>/dev/null; }; then
  # No desktop here: a virtual display for this run, stopped with Wine's processes afterwards.
  # Wine's desktop process keeps the display it started with, so a server left from an
  # earlier display goes first.
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  "$root/tools/testenv/xvfb.sh" start "$prefix" >&2
  trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null; "$root/tools/testenv/xvfb.sh" stop "$prefix"' EXIT
fi
set +e
"$root/tools/testenv/wine-run.sh" "$prefix" "$build/tools/layout_viewer/layout_viewer.exe" "${args[@]}"
code=$?
set -e
exit $code
