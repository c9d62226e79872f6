#!/usr/bin/env bash
# The test command: set-up, build, then every test under Wine through CTest.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/tools/build.sh"
cd "$root"
ctest --preset default -j2 "$@"
