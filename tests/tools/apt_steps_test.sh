#!/usr/bin/env bash
# Drives the set-up's apt fallbacks with a stand-in apt-get that fails the way a bad mirror
# day did: no network, no root needed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
# The stand-in records each call and answers from FAIL_<verb> counters: fail that many times.
cat > "$work/bin/apt-get" <<'FAKE'
#!/usr/bin/env bash
echo "$*" >> "$WORK/calls"
verb=update; for a in "$@"; do [ "$a" = install ] && verb=install; done
n=$(cat "$WORK/fail_$verb" 2>/dev/null || echo 0)
if [ "$n" -gt 0 ]; then
  echo $((n - 1)) > "$WORK/fail_$verb"
  if [ "$verb" = install ]; then echo "E: Unable to correct problems, you have held broken packages."
  else echo "E: Failed to fetch ... File has unexpected size. Mirror sync in progress?"; fi
  exit 100
fi
exit 0
FAKE
chmod +x "$work/bin/apt-get"
printf 'VERSION_CODENAME=bookworm\n' > "$work/os-release"
export PATH="$work/bin:$PATH" WORK=$work OS_RELEASE_FILE=$work/os-release SUDO=""
log() { printf '[setup] %s\n' "$*" >&2; }
. "$here/../../tools/apt_steps.sh"

failures=0
check() { # name expected-status expected-calls expected-log-lines actual-status
  local calls lines
  calls=$(cat "$work/calls" 2>/dev/null)
  lines=$(grep -c '^\[setup\]' "$work/err" || true)
  if [ "$5" != "$2" ] || [ "$calls" != "$3" ] || [ "$lines" != "$4" ]; then
    echo "FAIL $1: status $5 (want $2), $lines log lines (want $4), calls:"; echo "$calls"
    failures=$((failures + 1))
  else
    echo "ok   $1"
  fi
}
# case: update failures, install failures, command, status, calls, fallback lines
run_case() {
  local name=$1 fu=$2 fi=$3 want_status=$4 want_calls=$5 want_lines=$6 status=0
  rm -f "$work/calls" "$work/err"
  echo "$fu" > "$work/fail_update"; echo "$fi" > "$work/fail_install"
  { apt_update_tolerant && apt_install_resilient wine32:i386; } 2>"$work/err" || status=$?
  check "$name" "$want_status" "$want_calls" "$want_lines" "$status"
}
I="install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600"
U="-o DPkg::Lock::Timeout=600 update -qq"
run_case "clean day"                     0 0 0 "$U"$'\n'"$I wine32:i386" 0
run_case "update fails once"             1 0 0 "$U"$'\n'"$U"$'\n'"$I wine32:i386" 1
run_case "update fails twice, tolerated" 2 0 0 "$U"$'\n'"$U"$'\n'"$I wine32:i386" 2
run_case "install resolves on base"      0 1 0 "$U"$'\n'"$I wine32:i386"$'\n'"$I -t bookworm wine32:i386" 1
run_case "install fails on base too"     0 2 100 "$U"$'\n'"$I wine32:i386"$'\n'"$I -t bookworm wine32:i386" 1
# Without a codename there is nothing to prefer: the failure stands, untried.
printf 'ID=debian\n' > "$work/os-release"
run_case "no codename"                   0 1 100 "$U"$'\n'"$I wine32:i386" 0
exit $((failures > 0))
