#!/usr/bin/env bash
# The installer's window under Wine and Xvfb, two tables:
#   start-up: milliseconds from process start to the main window's first paint and to the
#     first click on the one-click button that the window acts on, median of ROUNDS new
#     processes, beside a minimal Win32 program that creates one window of the same size and
#     paints it once (the floor, measured in the same rounds); target: first paint within
#     150 ms of the floor;
#   installation: a whole installation of a 256 MiB package in two byte ranges from nginx on
#     loopback, through the window (clicked as soon as it answers, closed by the package's
#     request right after success) beside headless_install doing the same; target: the window
#     adds at most 10 %. Measured twice: at loopback speed, and with nginx sending each range at
#     most RATE (default 32m, bytes per second; a fast real network) so that the package takes
#     seconds to arrive, as it does for a user.
# Each round starts from no records and no installation folder in the build tree's prefix.
# A window manager (openbox, installed with apt when missing) runs on the virtual display as on
# every desktop: without one, Wine waits 2 s for each window it withdraws (see
# tools/testenv/README.md).
#
# usage: bench/startup_bench.sh [BUILD_DIR] [ROUNDS] [INSTALL_ROUNDS] [RATE]   (defaults: build, 10, 3, 32m)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
rounds=${2:-10}
install_rounds=${3:-3}
rate=${4:-32m}
size=$((256 * 1024 * 1024))

if [ ! -f "$build/CMakeCache.txt" ]; then "$root/tools/build.sh"; fi
build=$(cd "$build" && pwd)
cmake --build "$build" --target startup_bench startup_floor DravixInstaller headless_install sample_package >/dev/null
prefix=$build/wineprefix
if ! command -v openbox >/dev/null; then
  echo "[bench] installing openbox" >&2
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends openbox >&2 ||
    echo "[bench] openbox could not be installed; measuring without a window manager" >&2
fi
. "$root/tools/testenv/wine-env.sh"

work=$(mktemp -d)
window_manager=
cleanup() {
  if [ -n "$window_manager" ]; then kill "$window_manager" 2>/dev/null || true; fi
  /usr/bin/python3 "$root/tools/testenv/nginx_server.py" stop --state "$work/nginx" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# A virtual display for this build tree; Wine's desktop binds to the display it starts with.
if [ ! -f "$prefix.display" ]; then
  wineserver -k 2>/dev/null || true
  "$root/tools/testenv/xvfb.sh" start "$prefix" >&2
fi
"$root/tools/testenv/wine-session.sh" start "$prefix"
if command -v openbox >/dev/null && [ -z "${DISPLAY:-}" ]; then
  DISPLAY=$(cat "$prefix.display") setsid openbox </dev/null >/dev/null 2>&1 &
  window_manager=$!
  sleep 1
  echo "[bench] window manager: openbox" >&2
else
  echo "[bench] window manager: none started (openbox missing, or DISPLAY set by the caller)" >&2
fi
win() { winepath -w "$1" 2>/dev/null; }
bench=$(win "$build/bench/startup_bench.exe")

echo "[bench] start-up, $rounds rounds" >&2
"$root/tools/testenv/wine-run.sh" "$prefix" "$bench" startup "$rounds" \
  "$(win "$build/bench/startup_floor.exe")" "$(win "$build/app/DravixInstaller.exe")"

# The sample package padded to 256 MiB, under a folder named after its MD5, behind the redirect.
mkdir -p "$work/www" "$work/nginx"
/usr/bin/python3 "$root/tools/sample_package/pad_file.py" --input "$build/tools/sample_package/DravixSamplePackage.exe" \
  --output "$work/package.exe" --size "$size"
md5=$(md5sum "$work/package.exe" | cut -d' ' -f1)
mkdir -p "$work/www/$md5"
mv "$work/package.exe" "$work/www/$md5/DravixSamplePackage.exe"
{
  for r in download_silent download_silent_xp; do
    echo "location = /redirect/ver1/zarneldravix/$r/1.0/installer/123456 { return 302 /$md5/DravixSamplePackage.exe; }"
    echo "location = /limited/ver1/zarneldravix/$r/1.0/installer/123456 { return 302 /slow/$md5/DravixSamplePackage.exe; }"
  done
  echo "location /slow/ { alias $work/www/; limit_rate $rate; }"
} >"$work/extra.conf"
/usr/bin/python3 "$root/tools/testenv/nginx_server.py" start --state "$work/nginx" --root "$work/www" \
  --extra "$work/extra.conf" >/dev/null
server="http://127.0.0.1:$(cat "$work/nginx/port")"
route="ver1/zarneldravix/\${ROUTE}/1.0/installer/123456"

for run in "redirect:loopback speed" "limited:each range at most $rate/s"; do
  echo "[bench] installation, ${run#*:}, $install_rounds rounds" >&2
  "$root/tools/testenv/wine-run.sh" "$prefix" "$bench" install "$install_rounds" \
    "$(win "$build/app/DravixInstaller.exe")" "$(win "$build/tools/headless_install/headless_install.exe")" \
    "$server/${run%%:*}/$route" "${run#*:}"
done
