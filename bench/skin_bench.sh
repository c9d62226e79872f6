#!/usr/bin/env bash
# Skin loading benchmark. Builds skin_bench, then for the generated benchmark skin (6 layouts,
# 200 PNG images with Paeth rows, as image tools write them), the same pictures with the cheap
# row filters of the shipped artwork, and, when the build tree has it, the shipped skin archive:
# opens the archive from memory and decodes every image into bitmaps under Wine (in-process
# times), and extracts the same archive with the native `7z x` into a temporary folder (wall
# time of the command).
# Prints one table of medians (and the range) over the rounds. MODES: "preload" (the images
# entered through PreloadImages, decoded on two threads), "serial" (one by one through
# FindOrLoadImage on one thread), or both separated by commas: one row per archive and mode.
#
# usage: bench/skin_bench.sh [BUILD_DIR] [ROUNDS] [MODES]      (defaults: build, 9, preload)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-9}
IFS=, read -r -a modes <<<"${3:-preload}"

cmake --build "$build" --target skin_bench >/dev/null

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

# The wall time in ms of `7z x` of the archive into a new folder under $2.
extract_ms() {
  local target start end
  target=$(mktemp -d -p "$2")
  start=$(date +%s%N)
  7z x -y -bd -bso0 -bsp0 -o"$target" "$1"
  end=$(date +%s%N)
  rm -rf "$target"
  awk -v ns=$((end - start)) 'BEGIN {printf "%.1f", ns / 1e6}'
}

# Creating files costs the peer most of its time on a disk file system; a RAM-backed folder
# shows what the extraction alone costs.
ram=/dev/shm
[ -d "$ram" ] && [ -w "$ram" ] || ram=${TMPDIR:-/tmp}

# One measurement of each kind per round, taken alternately so that both see the same load:
# skin_bench.exe in a new process (one cold open+decode, as at program start, timed inside the
# process), then `7z x` of the same archive into a new temporary folder (wall time).
row() {
  local archive=$1 label=$2 mode=$3 windows_path output target start end
  local opens="" decodes="" totals="" cpus="" extracts="" ramExtracts="" held="" peak="" files="" images="" bytes=""
  windows_path="Z:$(echo "$archive" | tr / '\\')"
  for _ in $(seq "$rounds"); do
    output=$("$root/tools/testenv/wine-run.sh" "$build/wineprefix" "$build/bench/skin_bench.exe" "$windows_path" 1 "$mode" |
      tr -d '\r' | tr ' ' '\n')
    value() { echo "$output" | awk -F= -v k="$1" '$1 == k {print $2}'; }
    opens+="$(value median_open_ms)"$'\n'
    decodes+="$(value median_decode_ms)"$'\n'
    totals+="$(value median_total_ms)"$'\n'
    cpus+="$(value median_cpu_ms)"$'\n'
    held=$(value held_private_mib) peak=$(value peak_working_set_mib)
    files=$(value entries) images=$(value images) bytes=$(value archive_bytes)

    extracts+="$(extract_ms "$archive" "${TMPDIR:-/tmp}")"$'\n'
    ramExtracts+="$(extract_ms "$archive" "$ram")"$'\n'
  done
  [ "$mode" = preload ] || label+=" ($mode)"
  printf '%-26s %5s %6s %6d | %6s %7s %7s %7s %7s %6s | %7s %7s %7s | %7s | %6s %6s\n' \
    "$label" "$files" "$images" "$((bytes / 1024))" \
    "$(echo -n "$opens" | median)" "$(echo -n "$decodes" | median)" "$(echo -n "$totals" | median)" \
    "$(echo -n "$totals" | sort -n | head -n 1)" "$(echo -n "$totals" | sort -n | tail -n 1)" \
    "$(echo -n "$cpus" | median)" \
    "$(echo -n "$extracts" | median)" "$(echo -n "$extracts" | sort -n | head -n 1)" \
    "$(echo -n "$extracts" | sort -n | tail -n 1)" "$(echo -n "$ramExtracts" | median)" "$held" "$peak"
}

echo "Skin loading, $rounds rounds; times in ms (median, min, max over the rounds); memory in MiB"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
printf '%-26s %5s %6s %6s | %6s %7s %7s %7s %7s %6s | %7s %7s %7s | %7s | %6s %6s\n' \
  archive files images KiB open decode total min max cpu "7z x" min max "7z x ram" held peakWS
for mode in "${modes[@]}"; do
  row "$build/bench/bench_skin.7z" "generated skin" "$mode"
  row "$build/bench/bench_skin_cheap.7z" "generated, cheap" "$mode"
  if [ -f "$build/skin/dravix_skin.7z" ]; then
    row "$build/skin/dravix_skin.7z" "shipped skin" "$mode"
  fi
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "total: archive opened from memory and every PNG decoded into a window's image table, once per"
echo "new process (in-process time, under Wine; cpu: the process's CPU time for it, both decoding"
echo "threads, in clock ticks);"
echo "7z x: the native tool extracting the same archive into a new folder under ${TMPDIR:-/tmp} (wall time);"
echo "7z x ram: the same into a folder under $ram (median); held: private memory the open archive and"
echo "the bitmaps take."
