#!/usr/bin/env bash
# Ctrl+C of headless_install as a terminal sends it: SIGINT to the tool's whole process group
# (the tool under Wine and the package installer it runs), during each kind of download, while
# the package installer runs and while the tool waits for the product to close. The tool must
# end with exit code 130, print the line
# "0<TAB>0<TAB>cancelled" last, and leave neither the package nor a partial file behind.
# usage: headless_cancel_test.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
testenv=$here/../../tools/testenv
build=$(cd "${1:?usage: headless_cancel_test.sh BUILD_DIR}" && pwd)
prefix=$build/wineprefix
tool=$build/tools/headless_install/headless_install.exe
package=$build/tools/sample_package/DravixSamplePackage_24MiB.exe
work=$(mktemp -d)
state=$work/state
cleanup() {
  python3 "$testenv/fault_server.py" stop --state "$state" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

# The package under its digest folder, behind the installer's template path.
md5=$(md5sum "$package" | cut -d' ' -f1)
mkdir -p "$work/root/$md5" "$state"
cp "$package" "$work/root/$md5/DravixSamplePackage.exe"
route=/redirect/ver1/zarneldravix/download_silent/1.0/installer/123456
printf 'correct\n%s=/%s/DravixSamplePackage.exe\n' "$route" "$md5" >"$state/scenario"
python3 "$testenv/fault_server.py" start --state "$state" --root "$work/root"
for _ in $(seq 200); do [ -s "$state/port" ] && break; sleep 0.1; done
[ -s "$state/port" ] || { echo "the fault server did not start: $(cat "$state/failed" 2>/dev/null)"; exit 1; }
address="http://127.0.0.1:$(cat "$state/port")/redirect/ver1/zarneldravix/\${ROUTE}/1.0/installer/123456"

failures=0
fail() { echo "FAIL [$1]: $2"; failures=$((failures + 1)); }

# name | scenario | tool options | the line prefix after which Ctrl+C comes
cases=(
  "one stream|slow|-downloadtype=1|1002"
  "two ranges|slow|-downloadtype=3|1002"
  "WinHTTP|slow|-downloadtype=2|1002"
  "package installer running|correct|-downloadtype=1 -instcmd=-sample-slow=2000|2002"
)
n=0
for entry in "${cases[@]}"; do
  IFS='|' read -r name scenario options trigger <<<"$entry"
  n=$((n + 1))
  # A new content makes the server start the scenario afresh.
  printf '%s\n%s=/%s/DravixSamplePackage.exe\n#%d\n' "$scenario" "$route" "$md5" "$n" >"$state/scenario"
  folder=$work/inst$n
  windows_folder="Z:$(printf '%s' "$folder" | tr / '\\')"
  out=$work/out$n
  # Its own process group, as a terminal's foreground job; wine-run.sh execs Wine, so $! is the
  # tool's own Unix process.
  # shellcheck disable=SC2086
  setsid "$testenv/wine-run.sh" "$prefix" "$tool" "-downloadurl=$address" "-instdir=$windows_folder" $options \
    >"$out" 2>"$out.err" </dev/null &
  pid=$!
  seen=
  for _ in $(seq 1200); do
    if grep -q "^$trigger"$'\t' "$out" 2>/dev/null; then seen=1; break; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$seen" ]; then
    fail "$name" "no $trigger line before Ctrl+C: $(tail -n 3 "$out")"
    kill -KILL -- "-$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    continue
  fi
  # A package installer's Wine process shows the folder in its command line.
  pattern=$(printf '%s' "$windows_folder" | sed 's/[][\.*^$]/\\&/g')
  if [ "$trigger" = 2002 ] && ! pgrep -f "$pattern" >/dev/null; then fail "$name" "no package installer seen running"; fi
  kill -INT -- "-$pid"
  wait "$pid"
  code=$?
  [ "$code" -eq 130 ] || fail "$name" "exit code $code, not 130"
  last=$(tail -n 1 "$out")
  [ "$last" = $'0\t0\tcancelled' ] || fail "$name" "last line \"$last\""
  [ "$(grep -c $'^0\t0\tcancelled$' "$out")" -eq 1 ] || fail "$name" "the cancel line is not printed once"
  # Nothing may end the run after the Ctrl+C (a download's 1003 before an installer began is fine).
  sed -n "/^$trigger"$'\t'"/,\$p" "$out" | grep -qE $'^(1003|1004|2003|2004)\t' &&
    fail "$name" "an ending event was printed after the Ctrl+C"
  # Nor may a package installer go on.
  for _ in $(seq 50); do pgrep -f "$pattern" >/dev/null || break; sleep 0.1; done
  pgrep -af "$pattern" && fail "$name" "a process of the installation still runs"
  leftovers=$(ls "$folder" 2>/dev/null | grep '^__Package_Dravix' || true)
  [ -z "$leftovers" ] || fail "$name" "left behind: $leftovers"
  if [ "$trigger" = 1002 ] && [ -e "$folder/ZarnelDravix.exe" ]; then fail "$name" "installed although cancelled"; fi
  echo "ok [$name]: exit $code, $(wc -l <"$out") lines, folder: $(ls "$folder" 2>/dev/null | tr '\n' ' ')"
done
# Ctrl+C while the tool waits for the running product to close before it removes the old
# version (-insnew): the wait ends, the old uninstaller never runs, the product goes on.
failures_before=$failures
old=$work/old
mkdir -p "$old"
cp "$build/tools/sample_package/uninst.ep" "$build/tools/sample_package/ZarnelDravix.exe" "$old/"
old_windows="Z:$(printf '%s' "$old" | tr / '\\')"
setsid "$testenv/wine-run.sh" "$prefix" "$old/ZarnelDravix.exe" -lifetime=120 >/dev/null 2>&1 </dev/null &
product=$!
touch "$work/marker"
for _ in $(seq 300); do grep -q . "$old/ZarnelDravix.launch.log" 2>/dev/null && break; sleep 0.1; done
out=$work/out_wait
setsid "$testenv/wine-run.sh" "$prefix" "$tool" "-downloadurl=$address" "-instdir=$old_windows\\new" \
  "-uninstaller=$old_windows\\uninst.ep" -insnew=true >"$out" 2>"$out.err" </dev/null &
pid=$!
# The uninstaller's copy is made just before the wait begins (it keeps the source's write time:
# its status change time tells it is new).
copy=
for _ in $(seq 600); do
  copy=$(find "$prefix/drive_c/users" -cnewer "$work/marker" -name ZarnelDravix_un_asa.exe 2>/dev/null)
  [ -n "$copy" ] && break
  sleep 0.1
done
[ -n "$copy" ] || fail "waiting for the product to close" "no copy of the old uninstaller was made"
kill -INT -- "-$pid"
name="waiting for the product to close"
# Without the cancel the tool would wait for the product's end: give it 30 seconds.
for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "$name" "still waiting 30 s after Ctrl+C" && kill -KILL -- "-$pid"
wait "$pid"
code=$?
[ "$code" -eq 130 ] || fail "$name" "exit code $code, not 130"
[ "$(cat "$out")" = $'0\t0\tcancelled' ] || fail "$name" "output \"$(cat "$out")\", not the cancel line alone"
kill -0 "$product" 2>/dev/null || fail "$name" "the product did not go on running"
[ -e "$old/uninst.ep" ] || fail "$name" "the old version was removed"
kill -KILL -- "-$product" 2>/dev/null
wait "$product" 2>/dev/null
[ "$failures" -eq "$failures_before" ] && echo "ok [$name]: exit $code"
exit $((failures > 0))
