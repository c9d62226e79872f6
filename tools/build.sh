#!/usr/bin/env bash
# Set-up and build, shared by run.sh and test.sh: installs what is missing, builds the
# dependencies once into the cache, then configures and builds the tree in build/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps=$("$root/tools/setup.sh" | tail -n 1)
export DRAVIX_DEPS_DIR=$deps
# The dependency folder is <cache>/<target triple>/current-r<recipe>.
DRAVIX_TARGET_TRIPLE=$(basename "$(dirname "$deps")")
export DRAVIX_TARGET_TRIPLE
cd "$root"
if [ -f build/CMakeCache.txt ] && ! grep -qxF "DRAVIX_TARGET_TRIPLE:STRING=$DRAVIX_TARGET_TRIPLE" build/CMakeCache.txt; then
  echo "[build] the build tree was made for another target; starting it afresh" >&2
  rm -rf build
fi
if [ ! -f build/CMakeCache.txt ]; then
  cmake --preset default >/dev/null
elif ! grep -qxF "DRAVIX_DEPS_DIR:PATH=$deps" build/CMakeCache.txt; then
  # A new dependency recipe: point the existing tree at its builds.
  cmake -S . -B build -DDRAVIX_DEPS_DIR="$deps" >/dev/null
fi
cmake --build --preset default
