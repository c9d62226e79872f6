#!/usr/bin/env bash
# The main job: set-up and build, then one whole installation without a window. A private nginx
# on loopback serves the sample package behind the installer's redirect path (under a folder
# named after its MD5), and headless_install downloads and installs it into build/run/Dravix,
# printing every event as "code<TAB>value<TAB>text"; the installed files are listed at the end.
#
#   tools/run.sh [headless_install options]   for example -downloadtype=3 or -instcmd=-sample-fail
#   tools/run.sh --window [installer options] the installer with its window, through the log viewer
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

if [ "${1:-}" = "--window" ]; then
  shift
  "$root/tools/build.sh" >&2
  prefix=$root/build/wineprefix
  "$root/tools/testenv/wine-prefix.sh" "$prefix"
  . "$root/tools/testenv/wine-env.sh"
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
fi

"$root/tools/build.sh" >&2
prefix=$root/build/wineprefix
"$root/tools/testenv/wine-prefix.sh" "$prefix"
. "$root/tools/testenv/wine-env.sh"

run=$root/build/run
package=$root/build/tools/sample_package/DravixSamplePackage.exe
md5=$(md5sum "$package" | cut -d' ' -f1)
rm -rf "$run"
mkdir -p "$run/www/$md5" "$run/nginx"
cp "$package" "$run/www/$md5/DravixSamplePackage.exe"
# Both routes the address template can expand to lead to the package.
for route in download_silent download_silent_xp; do
  echo "location = /redirect/ver1/zarneldravix/$route/1.0/installer/123456 { return 302 /$md5/DravixSamplePackage.exe; }"
done >"$run/nginx/redirect.conf"

/usr/bin/python3 "$root/tools/testenv/nginx_server.py" start --state "$run/nginx" --root "$run/www" \
  --extra "$run/nginx/redirect.conf" >&2
trap '/usr/bin/python3 "$root/tools/testenv/nginx_server.py" stop --state "$run/nginx" >/dev/null 2>&1 || true' EXIT
port=$(cat "$run/nginx/port")
address="http://127.0.0.1:$port/redirect/ver1/zarneldravix/\${ROUTE}/1.0/installer/123456"
folder=$(WINEPREFIX=$prefix winepath -w "$run/Dravix" 2>/dev/null)

echo "package: $md5/DravixSamplePackage.exe on 127.0.0.1:$port; installing into $folder" >&2
echo "events (code, value, text):" >&2
set +e
# The caller's options come first: the first occurrence of an option wins.
"$root/tools/testenv/wine-run.sh" "$prefix" "$root/build/tools/headless_install/headless_install.exe" \
  "$@" "-downloadurl=$address" "-instdir=$folder"
code=$?
set -e
echo "headless_install exit code: $code" >&2
echo "installed files in build/run/Dravix:" >&2
if [ -d "$run/Dravix" ]; then
  (cd "$run/Dravix" && ls -l) >&2
else
  echo "(none)" >&2
fi
exit $code
