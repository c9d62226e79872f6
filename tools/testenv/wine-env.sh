# Sourced by the Wine scripts with the prefix in $prefix: the environment for that prefix.
# The build tree records its target's Wine architecture beside the prefix (PREFIX.arch, written
# at configure time): win32 for the i686 build, win64 for the x86_64 build used on machines
# that cannot execute 32-bit code.
wine_arch=win32
if [ -f "$prefix.arch" ]; then wine_arch=$(cat "$prefix.arch"); fi
export WINEPREFIX=$prefix WINEARCH=$wine_arch WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
if [ "$wine_arch" = win64 ]; then
  PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64-bin:$PATH"
  export PATH WINELOADER=/usr/lib/wine/wine64
fi
