#!/usr/bin/env bash
# Prepares this machine to build and test the installer: Debian packages, then the
# libraries Debian does not ship for the Windows target, built once into a cache.
# Safe to run again; it does nothing when everything is in place.
# Prints the dependency prefix on its last line of standard output.
set -euo pipefail

log() { printf '[setup] %s\n' "$*" >&2; }

PACKAGES=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  cmake ninja-build dpkg-dev clang-format
  wine wine32:i386 wine64
  xvfb xauth xdotool imagemagick p7zip-full nginx python3 python3-pil fonts-wqy-microhei
  libz-mingw-w64-dev libstb-dev googletest
  openssl osslsigncode python3-cryptography
  # Wine's TLS (Schannel) loads the host's GnuTLS at run time; the Wine packages only recommend it.
  libgnutls30 libgnutls30:i386
)
SOURCE_PACKAGES=(curl libjsoncpp 7zip)
# A binary package built from each source package: its candidate version names the source version.
declare -A VERSION_PROBE=([curl]=libcurl4 [libjsoncpp]=libjsoncpp-dev [7zip]=7zip)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
# shellcheck source=tools/apt_steps.sh
. "$(dirname "${BASH_SOURCE[0]}")/apt_steps.sh"

install_packages() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    log "adding the i386 architecture"
    $SUDO dpkg --add-architecture i386
    apt_update_tolerant
  fi
  local missing=()
  for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    log "installing: ${missing[*]}"
    apt_update_tolerant
    apt_install_resilient "${missing[@]}"
  fi
}

CACHE_ROOT="${DRAVIX_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dravix-installer}"
# The product is 32-bit. A machine whose kernel cannot execute 32-bit code cannot run 32-bit
# Wine either: there everything is built for 64-bit Windows and runs under 64-bit Wine.
target_triple() {
  if [ -n "${DRAVIX_TARGET_TRIPLE:-}" ]; then
    echo "$DRAVIX_TARGET_TRIPLE"
  elif /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo i686-w64-mingw32
  else
    log "this machine cannot execute 32-bit code: building for 64-bit Windows (x86_64) to run under 64-bit Wine"
    echo x86_64-w64-mingw32
  fi
}
RECIPE=4 # bump when a build recipe below changes

candidate_version() {
  apt-cache policy "$1" | awk '/Candidate:/ {print $2; exit}'
}

# The source lists are built from the mirror this machine already uses, never a fixed host.
APT_SRC_DIR="$CACHE_ROOT/apt-src"
apt_source_opts() {
  echo -o "Dir::Etc::sourcelist=$APT_SRC_DIR/sources.list" -o Dir::Etc::sourceparts=/dev/null \
    -o "Dir::State::Lists=$APT_SRC_DIR/lists" -o Dir::Cache="$APT_SRC_DIR/cache" -o APT::Sandbox::User=root
}
prepare_source_lists() {
  [ -f "$APT_SRC_DIR/.updated" ] && return 0
  mkdir -p "$APT_SRC_DIR/lists/partial" "$APT_SRC_DIR/cache/archives/partial"
  : > "$APT_SRC_DIR/sources.list"
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # deb822 stanzas: one deb-src line per suite, checked with the stanza's own key.
    awk '
      function flush() {
        if (uri != "" && suites != "") {
          opts = key != "" ? "[signed-by=" key "] " : ""
          n = split(suites, s, " ")
          for (i = 1; i <= n; i++) print "deb-src " opts uri " " s[i] " " comps
        }
        uri = ""; suites = ""; comps = ""; key = ""
      }
      /^[[:space:]]*$/ { flush(); next }
      /^URIs:/ { uri = $2 }
      /^Suites:/ { $1 = ""; suites = substr($0, 2) }
      /^Components:/ { $1 = ""; comps = substr($0, 2) }
      /^Signed-By:/ { key = $2 }
      END { flush() }' "$f" >> "$APT_SRC_DIR/sources.list"
  done
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >> "$APT_SRC_DIR/sources.list"
  fi
  [ -s "$APT_SRC_DIR/sources.list" ] || { log "no apt sources found"; exit 1; }
  # shellcheck disable=SC2046
  SUDO="" apt_update_tolerant $(apt_source_opts)
  touch "$APT_SRC_DIR/.updated"
}

fetch_source() { # name version -> prints the unpacked source folder
  local name=$1 version=$2 dir="$CACHE_ROOT/src/$1-$2"
  if [ ! -f "$dir/.unpacked" ]; then
    prepare_source_lists
    rm -rf "$dir" && mkdir -p "$dir"
    log "fetching the source package $name $version"
    # shellcheck disable=SC2046
    (cd "$dir" && apt-get $(apt_source_opts) source -qq "$name=$version" >&2)
    touch "$dir/.unpacked"
  fi
  find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n 1
}

build_curl() { # src prefix
  local src=$1 prefix=$2 b="$1/_build-$TRIPLE-r$RECIPE"
  cmake -S "$src" -B "$b" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DCURL_ENABLE_SSL=ON \
    -DCURL_USE_OPENSSL=OFF -DCURL_USE_SCHANNEL=ON -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none -DCURL_ZLIB=ON -DCURL_DISABLE_LDAP=ON \
    -DCURL_DISABLE_LDAPS=ON -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF -DUSE_NGHTTP2=OFF \
    -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DENABLE_MANUAL=OFF -DCURL_STATICLIB=ON >&2
  cmake --build "$b" >&2
  cmake --install "$b" >&2
}

build_jsoncpp() {
  local src=$1 prefix=$2 b="$1/_build-$TRIPLE-r$RECIPE"
  cmake -S "$src" -B "$b" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF \
    -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF \
    -DJSONCPP_WITH_CMAKE_PACKAGE=OFF >&2
  cmake --build "$b" >&2
  cmake --install "$b" >&2
}

# Only the 7z reader, MD5 and SHA-256 of the SDK's C folder are needed.
LZMA_SOURCES=(7zArcIn.c 7zDec.c 7zBuf.c 7zBuf2.c 7zCrc.c 7zCrcOpt.c 7zStream.c 7zAlloc.c 7zFile.c
  Bcj2.c Bra.c Bra86.c BraIA64.c CpuArch.c Delta.c Lzma2Dec.c LzmaDec.c Ppmd7.c Ppmd7Dec.c Md5.c Sha256.c Sha256Opt.c)
build_lzma() {
  local src=$1/C prefix=$2 b="$1/_build-$TRIPLE-r$RECIPE" f objs=()
  mkdir -p "$b" "$prefix/lib" "$prefix/include/lzma"
  for f in "${LZMA_SOURCES[@]}"; do
    [ -f "$src/$f" ] || continue
    $CC_T -O2 -DZ7_PPMD_SUPPORT -c "$src/$f" -o "$b/${f%.c}.o"
    objs+=("$b/${f%.c}.o")
  done
  rm -f "$prefix/lib/liblzmasdk.a"
  $TRIPLE-ar rcs "$prefix/lib/liblzmasdk.a" "${objs[@]}"
  cp "$src"/*.h "$prefix/include/lzma/"
}

build_dependency() { # source-package builder
  local name=$1 builder=$2 version prefix src
  version=$(candidate_version "${VERSION_PROBE[$name]}")
  [ -n "$version" ] || { log "no version known for $name"; exit 1; }
  prefix="$DEPS/$name-$version-r$RECIPE"
  if [ ! -f "$prefix/.built" ]; then
    src=$(fetch_source "$name" "$version")
    log "building $name $version for $TRIPLE"
    rm -rf "$prefix"
    local build_log="$DEPS/build-$name.log"
    if ! "$builder" "$src" "$prefix" >"$build_log" 2>&1; then
      tail -n 40 "$build_log" >&2
      log "building $name failed; the whole log is $build_log"
      exit 1
    fi
    touch "$prefix/.built"
  fi
  # Builds of other versions and recipes stay: another checkout may still use them.
  ln -sfn "$prefix" "$CURRENT/$name"
}

install_packages
TRIPLE=$(target_triple)
export DRAVIX_TARGET_TRIPLE=$TRIPLE
CC_T=$TRIPLE-gcc-posix
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
TOOLCHAIN="$HERE/../cmake/toolchain-mingw.cmake"
DEPS="$CACHE_ROOT/$TRIPLE"
# One folder of links per recipe, so checkouts at different recipes share the cache safely.
CURRENT="$DEPS/current-r$RECIPE"
mkdir -p "$CURRENT"
# Checkouts share the cache: one set-up at a time builds into it.
exec 8>"$DEPS/.lock"
flock 8
build_dependency curl build_curl
build_dependency libjsoncpp build_jsoncpp
build_dependency 7zip build_lzma
echo "$CURRENT"
