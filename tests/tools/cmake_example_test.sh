#!/usr/bin/env bash
# The top README's way to change a compiled-in default, run as written in a fresh copy of the
# source tree without DRAVIX_DEPS_DIR: it must configure, keep the dependency folder in the
# cache, and let the terms address follow the redirect server unless that address was set.
# usage: cmake_example_test.sh SOURCE_DIR
set -uo pipefail
src=$(cd "${1:?usage: cmake_example_test.sh SOURCE_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# What a clone holds: the tracked files and new ones not ignored, as they are now.
(cd "$src" && git ls-files -z -co --exclude-standard | tar --null --ignore-failed-read -cf - -T - 2>/dev/null) |
  tar -xf - -C "$work"
unset DRAVIX_DEPS_DIR

example=$(grep -o 'cmake --preset default -DDRAVIX_REDIRECT_SERVER=[^`]*' "$src/README.md" | head -n 1)
[ -n "$example" ] || { echo "FAIL: the README shows no CMake example"; exit 1; }
failures=0
configure() { # label, then cmake arguments
  local label=$1
  shift
  if ! (cd "$work" && "$@" >"$work/configure.log" 2>&1); then
    echo "FAIL: $label: configure failed"
    tail -n 20 "$work/configure.log"
    exit 1
  fi
  grep -q '^DRAVIX_DEPS_DIR:PATH=/' "$work/build/CMakeCache.txt" || {
    echo "FAIL: $label: DRAVIX_DEPS_DIR is blank in the cache"
    failures=$((failures + 1))
  }
}
expect_defaults() { # label server terms
  local header=$work/build/generated/build_config.h
  grep -qF "DRAVIX_REDIRECT_SERVER L\"$2\"" "$header" || {
    echo "FAIL: $1: redirect server is not $2"
    failures=$((failures + 1))
  }
  grep -qF "DRAVIX_TERMS_URL L\"$3\"" "$header" || {
    echo "FAIL: $1: terms address is not $3: $(grep TERMS "$header")"
    failures=$((failures + 1))
  }
}
terms=/redirect/ver1/zarneldravix/terms/1.0/installer/123456
server=${example##*=}

# shellcheck disable=SC2086
configure "the README's example" $example
expect_defaults "the README's example" "$server" "$server$terms"
configure "another server" cmake --preset default -DDRAVIX_REDIRECT_SERVER=http://127.0.0.1:9090
expect_defaults "another server" http://127.0.0.1:9090 "http://127.0.0.1:9090$terms"
configure "own terms address" cmake --preset default -DDRAVIX_TERMS_URL=http://terms.invalid/t
configure "own terms, then another server" cmake --preset default -DDRAVIX_REDIRECT_SERVER=http://127.0.0.1:7070
expect_defaults "own terms, then another server" http://127.0.0.1:7070 http://terms.invalid/t
configure "terms emptied: derived again" cmake --preset default -DDRAVIX_TERMS_URL=
expect_defaults "terms emptied: derived again" http://127.0.0.1:7070 "http://127.0.0.1:7070$terms"

[ "$failures" -eq 0 ] && echo "cmake example: all checks passed"
exit "$failures"
