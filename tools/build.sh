#!/usr/bin/env bash
# Set-up and build, shared by run.sh and test.sh: installs what is missing, builds the
# dependencies once into the cache, then configures and builds the tree in build/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps=$("$root/tools/setup.sh" | tail -n 1)
export DRAVIX_DEPS_DIR=$deps
cd "$root"
if [ ! -f build/CMakeCache.txt ]; then
  cmake --preset default >/dev/null
elif ! grep -qxF "DRAVIX_DEPS_DIR:PATH=$deps" build/CMakeCache.txt; then
  # A new dependency recipe: point the existing tree at its builds.
  cmake -S . -B build -DDRAVIX_DEPS_DIR="$deps" >/dev/null
fi
cmake --build --preset default
