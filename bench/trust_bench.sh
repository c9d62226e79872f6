#!/usr/bin/env bash
# What the package trust checks add to a 256 MiB installation. The sample package is padded to
# 256 MiB and signed by a test publisher under a test root (made anew, trusted in the build's
# Wine prefix); nginx on loopback serves it behind the installer's redirect path. Each round
# installs it with headless_install four times (no check, pinned SHA-256, listed signer, both)
# and times the signature check alone in one process. Prints medians and the time each check adds.
#
# usage: bench/trust_bench.sh [BUILD_DIR] [ROUNDS]      (defaults: build, 5)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
rounds=${2:-5}
size=$((256 * 1024 * 1024))

if [ ! -f "$build/CMakeCache.txt" ]; then "$root/tools/build.sh"; fi
build=$(cd "$build" && pwd)
cmake --build "$build" --target trust_bench headless_install sample_package >/dev/null
prefix=$build/wineprefix
run_wine() { "$root/tools/testenv/wine-run.sh" "$prefix" "$@"; }

work=$(mktemp -d)
cleanup() {
  python3 "$root/tools/testenv/nginx_server.py" stop --state "$work/nginx" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "[bench] signing a 256 MiB package" >&2
python3 "$root/tools/sample_package/pad_file.py" --input "$build/tools/sample_package/DravixSamplePackage.exe" \
  --output "$work/unsigned.exe" --size "$size"
"$root/tools/sample_package/sign_samples.sh" "$work/signing" "$work/unsigned.exe"
ini=$work/signing/thumbprints.ini
publisher=$(awk -F= '$1 == "Publisher" {print $2}' "$ini")
md5=$(md5sum "$work/signing/signed.exe" | cut -d' ' -f1)
sha256=$(sha256sum "$work/signing/signed.exe" | cut -d' ' -f1)
mkdir -p "$work/www/$md5" "$work/nginx"
mv "$work/signing/signed.exe" "$work/www/$md5/Dravix.exe"
for route in download_silent download_silent_xp; do
  echo "location = /redirect/ver1/zarneldravix/$route/1.0/installer/123456 { return 302 /$md5/Dravix.exe; }"
done >"$work/redirect.conf"
python3 "$root/tools/testenv/nginx_server.py" start --state "$work/nginx" --root "$work/www" \
  --extra "$work/redirect.conf" >/dev/null
address="http://127.0.0.1:$(cat "$work/nginx/port")/redirect/ver1/zarneldravix/\${ROUTE}/1.0/installer/123456"
"$root/tools/testenv/wine-session.sh" start "$prefix"
run_wine "$build/bench/trust_bench.exe" add-root "Z:$(echo "$work/signing/test_root.cer" | tr / '\\')"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

declare -A samples
keep() { samples[$1]+="$2"$'\n'; }
install() { # name options... -> one timed installation into a new folder; it must succeed
  local folder=$work/inst-$1 start end
  rm -rf "$folder"
  sync
  start=$(date +%s%N)
  if ! run_wine "$build/tools/headless_install/headless_install.exe" "${@:2}" "-downloadurl=$address" \
    "-instdir=Z:$(echo "$folder" | tr / '\\')" >"$work/out.txt" 2>&1; then
    echo "[bench] installation '$1' failed:" >&2
    cat "$work/out.txt" >&2
    exit 1
  fi
  end=$(date +%s%N)
  keep "$1" "$(awk -v ns=$((end - start)) 'BEGIN {printf "%.3f", ns / 1e9}')"
}

for round in $(seq "$rounds"); do
  echo "[bench] round $round of $rounds" >&2
  install none
  install sha256 "-packagesha256=$sha256"
  install signers "-packagesigners=$publisher"
  install both "-packagesha256=$sha256" "-packagesigners=$publisher"
done
check_output=$(run_wine "$build/bench/trust_bench.exe" check \
  "Z:$(echo "$work/www/$md5/Dravix.exe" | tr / '\\')" "$publisher" "$rounds" | tr -d '\r')
if echo "$check_output" | grep -q 'verdict=0'; then
  echo "[bench] the signature check refused the signed package" >&2
  exit 1
fi
for value in $(echo "$check_output" | sed -n 's/^seconds=\([0-9.]*\).*/\1/p'); do keep check "$value"; done

median() { echo -n "${samples[$1]}" | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
range() { echo -n "${samples[$1]}" | sort -n | awk 'NR == 1 {lo = $1} {hi = $1} END {printf "%s-%s", lo, hi}'; }
added() { awk -v a="$(median "$1")" -v b="$(median none)" 'BEGIN {printf "%+.3f", a - b}'; }
row() { printf '%-46s %8s %14s %9s\n' "$@"; }

echo
echo "256 MiB signed package from nginx on loopback, headless_install, $rounds rounds, $(nproc) cores,"
echo "load average before $load_before, after $(cut -d' ' -f1-3 /proc/loadavg)"
row "installation" "median" "min-max" "added"
row "no check" "$(median none)" "$(range none)" ""
row "PackageSha256 (hashed while downloading)" "$(median sha256)" "$(range sha256)" "$(added sha256)"
row "PackageSigners (after the download)" "$(median signers)" "$(range signers)" "$(added signers)"
row "both" "$(median both)" "$(range both)" "$(added both)"
row "signature check alone, in one process" "$(median check)" "$(range check)" ""
