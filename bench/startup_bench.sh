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
#     adds at most 10 %.
# Each round starts from no records and no installation folder in the build tree's prefix.
#
# usage: bench/startup_bench.sh [BUILD_DIR] [ROUNDS] [INSTALL_ROUNDS]   (defaults: build, 10, 3)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
rounds=${2:-10}
install_rounds=${3:-3}
size=$((256 * 1024 * 1024))

if [ ! -f "$build/CMakeCache.txt" ]; then "$root/tools/build.sh"; fi
build=$(cd "$build" && pwd)
cmake --build "$build" --target startup_bench startup_floor DravixInstaller headless_install sample_package >/dev/null
prefix=$build/wineprefix
. "$root/tools/testenv/wine-env.sh"

work=$(mktemp -d)
cleanup() {
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
for r in download_silent download_silent_xp; do
  echo "location = /redirect/ver1/zarneldravix/$r/1.0/installer/123456 { return 302 /$md5/DravixSamplePackage.exe; }"
done >"$work/extra.conf"
/usr/bin/python3 "$root/tools/testenv/nginx_server.py" start --state "$work/nginx" --root "$work/www" \
  --extra "$work/extra.conf" >/dev/null
address="http://127.0.0.1:$(cat "$work/nginx/port")/redirect/ver1/zarneldravix/\${ROUTE}/1.0/installer/123456"

echo "[bench] installation, $install_rounds rounds" >&2
"$root/tools/testenv/wine-run.sh" "$prefix" "$bench" install "$install_rounds" \
  "$(win "$build/app/DravixInstaller.exe")" "$(win "$build/tools/headless_install/headless_install.exe")" "$address"
