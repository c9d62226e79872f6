#!/usr/bin/env bash
# Download benchmark. Serves one 256 MiB package from a private nginx on loopback behind the
# installer's template redirect, then in each round downloads it with:
#   CCurlDownloader    under Wine: probe, transfer with the MD5 taken as bytes arrive, verdict
#   CMTCurlDownloader  under Wine: probe, two ranges, join, verdict (timed inside the process)
#   WinHttpDownloader  under Wine: one GET over the system HTTP stack, verdict
#   curl -sL -o        native, plus md5sum of its file
#   aria2c -x2 -s2     native, plus md5sum of its file
#   over HTTPS (nginx with a certificate of a test root the prefix trusts): CCurlDownloader
#   under Wine, and native curl (given the root) plus md5sum
# and prints one table of medians over the rounds: seconds, MB/s, the ratio of every row to
# both native pipelines (the HTTPS row to native curl over HTTPS + md5sum), and the peak private
# memory of the downloading process, with the load average before and after (the figures are
# only as quiet as the machine). Installs aria2 with apt when it is missing.
#
# usage: bench/download_bench.sh [BUILD_DIR] [ROUNDS]      (defaults: build, 7)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
rounds=${2:-7}
size=$((256 * 1024 * 1024))

if [ ! -f "$build/CMakeCache.txt" ]; then "$root/tools/build.sh"; fi
build=$(cd "$build" && pwd)
cmake --build "$build" --target download_bench >/dev/null
if ! command -v aria2c >/dev/null; then
  echo "[bench] installing aria2" >&2
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends aria2 >&2
fi

work=$(mktemp -d)
nginx_state=$work/nginx
tls_state=$work/nginx-tls
cleanup() {
  python3 "$root/tools/testenv/nginx_server.py" stop --state "$nginx_state" >/dev/null 2>&1 || true
  python3 "$root/tools/testenv/nginx_server.py" stop --state "$tls_state" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# The package: deterministic pseudo-random bytes under a directory named after their MD5.
mkdir -p "$work/www" "$work/out" "$nginx_state"
python3 -c '
import random, sys
r = random.Random(20240601)
left = int(sys.argv[1])
with open(sys.argv[2], "wb") as f:
    while left:
        n = min(left, 1 << 24)
        f.write(r.randbytes(n))
        left -= n
' "$size" "$work/package.bin"
md5=$(md5sum "$work/package.bin" | cut -d' ' -f1)
mkdir -p "$work/www/$md5"
mv "$work/package.bin" "$work/www/$md5/Dravix.exe"
route=/redirect/ver1/zarneldravix/download_silent/1.0/installer/123456
echo "location = $route { return 302 /$md5/Dravix.exe; }" >"$work/extra.conf"
python3 "$root/tools/testenv/nginx_server.py" start --state "$nginx_state" --root "$work/www" \
  --extra "$work/extra.conf" >/dev/null
url="http://127.0.0.1:$(cat "$nginx_state/port")$route"
"$root/tools/testenv/wine-session.sh" start "$build/wineprefix"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# The same over HTTPS: the tests' certificates (made once into the build tree), root trusted.
certs=$build/testenv/tls
/usr/bin/python3 "$root/tools/testenv/tls_certs.py" make --dir "$certs" --state "$work/tls-made"
python3 "$root/tools/testenv/nginx_server.py" start --state "$tls_state" --root "$work/www" \
  --extra "$work/extra.conf" --cert "$certs/valid.pem" --key "$certs/valid.key" >/dev/null
tls_url="https://localhost:$(cat "$tls_state/port")$route"  # by name: Wine matches DNS names only
"$root/tools/testenv/wine-run.sh" "$build/wineprefix" "$build/bench/download_bench.exe" trust \
  "Z:$(echo "$certs/root.der" | tr / '\\')" >/dev/null

settle() { # every download starts alike: no earlier output, no dirty pages being written back
  rm -f "$work/out/"*
  sync
}
seconds_of() { # command... -> wall seconds; the command's max resident set (KiB) goes to $work/rss
  local start end
  start=$(date +%s%N)
  /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN {printf "%.3f", ns / 1e9}'
}
check() { # file -> fails the run when the file is not the package
  [ "$(md5sum "$1" | cut -d' ' -f1)" = "$md5" ] || { echo "[bench] $1 is not the package" >&2; exit 1; }
}
add() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a + b}'; }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

declare -A samples
keep() { samples[$1]+="$2"$'\n'; }

for round in $(seq "$rounds"); do
  echo "[bench] round $round of $rounds" >&2
  settle
  t_curl=$(seconds_of curl -sL -o "$work/out/curl.bin" "$url")
  keep curl_rss "$(cat "$work/rss")"
  t_md5=$(seconds_of md5sum "$work/out/curl.bin")
  check "$work/out/curl.bin"
  keep curl "$t_curl"
  keep md5sum "$t_md5"
  keep curl_md5 "$(add "$t_curl" "$t_md5")"

  settle
  t_aria=$(seconds_of aria2c -q -x2 -s2 --allow-overwrite=true -d "$work/out" -o aria.bin "$url")
  keep aria_rss "$(cat "$work/rss")"
  t_md5=$(seconds_of md5sum "$work/out/aria.bin")
  check "$work/out/aria.bin"
  keep aria "$t_aria"
  keep aria_md5 "$(add "$t_aria" "$t_md5")"

  settle
  t_tls=$(seconds_of curl -sL --cacert "$certs/root.pem" -o "$work/out/tls.bin" "$tls_url")
  t_md5=$(seconds_of md5sum "$work/out/tls.bin")
  check "$work/out/tls.bin"
  keep curl_tls "$t_tls"
  keep curl_tls_md5 "$(add "$t_tls" "$t_md5")"

  for type in single multi winhttp single_tls; do
    settle
    target="Z:$(echo "$work/out/$type.bin" | tr / '\\')"
    address=$url
    if [ "$type" = single_tls ]; then address=$tls_url; fi
    output=$("$root/tools/testenv/wine-run.sh" "$build/wineprefix" "$build/bench/download_bench.exe" "${type%_tls}" \
      "$address" "$target" | tr -d '\r' | tr ' ' '\n')
    value() { echo "$output" | awk -F= -v k="$1" '$1 == k {print $2}'; }
    [ "$(value code)" = 1003 ] || { echo "[bench] $type ended with $(value code)" >&2; exit 1; }
    check "$work/out/$type.bin"
    [ "$(value streamed)" = 1 ] || echo "[bench] $type verified by hashing the file again" >&2
    keep "$type" "$(value seconds)"
    keep "${type}_verify" "$(value md5_seconds)"
    keep "${type}_peak" "$(value peak_private_mib)"
    keep "${type}_base" "$(value baseline_private_mib)"
  done
done

m() { echo -n "${samples[$1]}" | median; }
range() { echo -n "${samples[$1]}" | sort -n | awk 'NR == 1 {lo = $1} {hi = $1} END {printf "%s-%s", lo, hi}'; }
mbps() { awk -v s="$1" -v b="$size" 'BEGIN {printf "%.0f", b / 1e6 / s}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
rss_mib() { awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }
row() { printf '%-40s %7s %13s %6s %18s %20s\n' "$@"; }

curl_md5=$(m curl_md5) aria_md5=$(m aria_md5)
ratios() { echo "$(ratio "$1" "$curl_md5") / $(ratio "$1" "$aria_md5")"; }
echo
echo "256 MiB from nginx on loopback, $rounds rounds, $(nproc) cores,"
echo "load average before $load_before, after $(cut -d' ' -f1-3 /proc/loadavg)"
row "download (+ verification)" "median" "min-max" "MB/s" "x curl+md5 / x aria" "peak memory MiB"
row "curl -sL -o (native)" "$(m curl)" "$(range curl)" "$(mbps "$(m curl)")" "" "$(rss_mib "$(m curl_rss)") max RSS"
row "md5sum (native)" "$(m md5sum)" "$(range md5sum)" "$(mbps "$(m md5sum)")" "" ""
row "curl + md5sum" "$curl_md5" "$(range curl_md5)" "$(mbps "$curl_md5")" "$(ratios "$curl_md5")" ""
row "aria2c -x2 -s2 (native)" "$(m aria)" "$(range aria)" "$(mbps "$(m aria)")" "" \
  "$(rss_mib "$(m aria_rss)") max RSS"
row "aria2c + md5sum" "$aria_md5" "$(range aria_md5)" "$(mbps "$aria_md5")" "$(ratios "$aria_md5")" ""
for type in single multi winhttp; do
  case $type in
    single) name="CCurlDownloader (Wine)" ;;
    multi) name="CMTCurlDownloader (Wine)" ;;
    winhttp) name="WinHttpDownloader (Wine)" ;;
  esac
  row "$name" "$(m $type)" "$(range $type)" "$(mbps "$(m $type)")" "$(ratios "$(m $type)")" \
    "$(m ${type}_peak) (idle $(m ${type}_base))"
  row "  one more MD5 pass would add" "$(m ${type}_verify)" "$(range ${type}_verify)" "" "" ""
done
tls_md5=$(m curl_tls_md5)
row "curl -sL -o https (native)" "$(m curl_tls)" "$(range curl_tls)" "$(mbps "$(m curl_tls)")" "" ""
row "curl https + md5sum" "$tls_md5" "$(range curl_tls_md5)" "$(mbps "$tls_md5")" "1.00 x curl https+md5" ""
row "CCurlDownloader https (Wine)" "$(m single_tls)" "$(range single_tls)" "$(mbps "$(m single_tls)")" \
  "$(ratio "$(m single_tls)" "$tls_md5") x curl https+md5" "$(m single_tls_peak) (idle $(m single_tls_base))"
echo "Targets: every downloader <= 1.00 x curl+md5sum; CMTCurlDownloader <= 0.75 x aria2c+md5sum;"
echo "peak memory <= 32 MiB. Wine rows: from Start to the final event, the MD5 taken while the bytes"
echo "arrive (the first range as it arrives, the second while it is joined). Their memory is the"
echo "private memory (under Wine: anonymous resident pages), sampled every 10 ms; the native rows"
echo "show the command's maximum resident set. HTTPS rows: the server's certificate checked."
