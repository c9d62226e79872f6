#!/usr/bin/env bash
# The main job: set-up and build, a private nginx on loopback serving the sample package behind
# the installer's redirect path (under a folder named after its MD5), then one whole installation.
#
#   tools/run.sh [installer options]
#       The real installer with its window. With a display (DISPLAY set) the window opens for you.
#       Without one a virtual display is started and the run is scripted as a user would do it:
#       click the one-click button, wait for the finish page, close; every page is saved as a
#       screenshot in build/run/screens/. At the end: the exit code, the registry records, the
#       record files and the installed files.
#   tools/run.sh --headless [headless_install options]
#       The same installation without a window: headless_install into build/run/Dravix, printing
#       every event as "code<TAB>value<TAB>text", for example -downloadtype=3 or -instcmd=-sample-fail.
#
# Options are passed on and come first, so they win over the script's own.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

mode=window
case "${1:-}" in
  --headless) mode=headless; shift ;;
  --window) shift ;;  # the window run is the default; the old spelling still works
esac

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

cleanups=()
cleanup() {
  local i
  for ((i = ${#cleanups[@]} - 1; i >= 0; i--)); do eval "${cleanups[i]}" >/dev/null 2>&1 || true; done
}
trap cleanup EXIT

/usr/bin/python3 "$root/tools/testenv/nginx_server.py" start --state "$run/nginx" --root "$run/www" \
  --extra "$run/nginx/redirect.conf" >&2
cleanups+=("/usr/bin/python3 '$root/tools/testenv/nginx_server.py' stop --state '$run/nginx'")
port=$(cat "$run/nginx/port")
address="http://127.0.0.1:$port/redirect/ver1/zarneldravix/\${ROUTE}/1.0/installer/123456"
echo "package: $md5/DravixSamplePackage.exe on 127.0.0.1:$port" >&2

if [ "$mode" = headless ]; then
  folder=$(winepath -w "$run/Dravix" 2>/dev/null)
  echo "installing into $folder; events (code, value, text):" >&2
  set +e
  "$root/tools/testenv/wine-run.sh" "$prefix" "$root/build/tools/headless_install/headless_install.exe" \
    "$@" "-downloadurl=$address" "-instdir=$folder"
  code=$?
  set -e
  echo "headless_install exit code: $code" >&2
  echo "installed files in build/run/Dravix:" >&2
  if [ -d "$run/Dravix" ]; then (cd "$run/Dravix" && ls -l) >&2; else echo "(none)" >&2; fi
  exit $code
fi

key='HKCU\Software\VeltoSoft\Dravix'
# The registered installation folder, as a Unix path; empty when there is none.
registered_folder() {
  local path
  path=$(wine reg query "$key" /v InstallPath 2>/dev/null | tr -d '\r' | sed -n 's/^ *InstallPath *REG_SZ *//p')
  [ -n "$path" ] && winepath -u "$path" 2>/dev/null
  return 0
}

# Each run starts like a first installation on this machine: the records and the folder of an
# earlier run would make the installer offer that installation instead.
old=$(registered_folder)
if [ -n "$old" ]; then
  echo "removing the earlier run's installation: $old" >&2
  case "$old" in "$prefix"/*) rm -rf "$old" ;; esac
fi
wine reg delete "$key" /f >/dev/null 2>&1 || true

installer=$(winepath -w "$root/build/app/DravixInstaller.exe" 2>/dev/null)
logview=$root/build/tools/logview/logview.exe

report() {
  local code=$1 folder
  echo "installer exit code: $code" >&2
  echo "registry records ($key):" >&2
  wine reg query "$key" 2>/dev/null | tr -d '\r' | sed -n 's/^ \{4\}/  /p' >&2 || true
  folder=$(registered_folder)
  if [ -n "$folder" ] && [ -d "$folder" ]; then
    echo "installed files in $folder:" >&2
    (cd "$folder" && ls -l) >&2
    if [ -f "$folder/set.ini" ]; then
      echo "set.ini:" >&2
      tr -d '\r' <"$folder/set.ini" | sed 's/^/  /' >&2
    fi
  else
    echo "installed files: (none)" >&2
  fi
}

if [ -n "${DISPLAY:-}" ]; then
  echo "opening the installer on $DISPLAY; its log follows" >&2
  set +e
  wine "$logview" "$installer" "$@" "-downloadurl=$address"
  code=$?
  set -e
  report "$code"
  exit "$code"
fi

# ---- No display: a virtual one, and the run scripted as a user would do it. ----
screens=$run/screens
mkdir -p "$screens"
# Wine's desktop process binds to the display it starts with: no Wine process may outlive it.
wineserver -k 2>/dev/null || true
"$root/tools/testenv/xvfb.sh" start "$prefix" >&2
cleanups+=("'$root/tools/testenv/xvfb.sh' stop '$prefix'")
cleanups+=("wineserver -k")
DISPLAY=$(cat "$prefix.display")
export DISPLAY

# Places in the main window (mainWnd.xml, 600 x 400): the centres of "defaultInstallBtn" and of
# the title row's "closebtn".
install_button="300 278"
close_button="579 18"

fail() {
  echo "scripted run: $1" >&2
  [ -n "${wid:-}" ] && shot "$screens/unexpected.png"
  exit 3
}

# The window and the margin its shadow covers, as the screen shows it.
shot() {
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  import -window root -crop "$((WIDTH + 24))x$((HEIGHT + 24))+$((X - 12))+$((Y - 12))" +repage "$1"
  echo "screenshot: ${1#"$root"/}" >&2
}

click() {
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  set -- $1
  xdotool mousemove "$((X + $1))" "$((Y + $2))" sleep 0.2 click 1
}

# Differing pixels between the window now and an earlier screenshot (a page change moves many).
changed_pixels() {
  shot "$run/now.png" 2>/dev/null
  compare -metric AE -fuzz 8% "$1" "$run/now.png" null: 2>&1 | cut -d' ' -f1 | cut -d. -f1
}

wait_for() {  # seconds, description, command...
  local limit=$1 what=$2 started=$SECONDS
  shift 2
  until "$@"; do
    ((SECONDS - started < limit)) || fail "no $what after $limit s"
    sleep 0.5
  done
}

# The progress page stays a few seconds: the sample package pauses 3 s after each progress line.
wine "$logview" --timeout=600 "$installer" "$@" "-downloadurl=$address" -instcmd=-sample-slow=3000 \
  >"$run/installer.log" 2>&1 &
viewer=$!
cleanups+=("kill $viewer")

find_window() { wid=$(xdotool search --onlyvisible --name '^ZarnelDravix$' 2>/dev/null | head -n 1); [ -n "$wid" ]; }
wait_for 60 "installer window" find_window
painted() { shot "$screens/1-default.png" 2>/dev/null && [ "$(convert "$screens/1-default.png" -format '%[fx:mean>0.05]' info:)" = 1 ]; }
wait_for 30 "first paint" painted
sleep 1
shot "$screens/1-default.png"

click "$install_button"
left_default() { [ "$(changed_pixels "$screens/1-default.png")" -gt 15000 ]; }
wait_for 60 "progress page" left_default
sleep 2
shot "$screens/2-progress.png"

installed() { [ -n "$(registered_folder)" ]; }
wait_for 180 "finish page (no records written)" installed
# The finish page is up; the product the package asked to start opens its own window, and the
# installer comes back to the front three seconds after success.
sleep 4
xdotool windowraise "$wid" 2>/dev/null || true
shot "$screens/3-finish.png"

click "$close_button"
wait_for 30 "end of the installer" bash -c "! kill -0 $viewer 2>/dev/null"
set +e
wait "$viewer"
set -e
code=$(sed -n 's/.*\[logview\] exit code 0x[0-9A-Fa-f]* (\(-\{0,1\}[0-9]*\)).*/\1/p' "$run/installer.log" | tail -n 1)
rm -f "$run/now.png"

echo "screenshots in ${screens#"$root"/}:" >&2
ls "$screens" | sed 's/^/  /' >&2
echo "installer log: ${run#"$root"/}/installer.log" >&2
report "${code:-unknown}"
[ "${code:-1}" = 0 ]
