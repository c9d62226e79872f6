#!/usr/bin/env bash
# Creates the project's private Wine prefix once: of the build's architecture, no Mono/Gecko prompts, and the
# CJK font replacement the skins need. Later calls return at once.
set -euo pipefail
prefix=$(realpath -m -- "${1:?usage: wine-prefix.sh PREFIX}")
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
[ -f "$prefix/.dravix-ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.dravix-ready" ] && exit 0
echo "[wine] creating the prefix $prefix" >&2
wineboot -i >/dev/null 2>&1
# The skins ask for a font Wine lacks; without this replacement Chinese text shows as boxes.
reg=$(mktemp --suffix=.reg)
{
  printf '\xff\xfe'
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"微软雅黑"="WenQuanYi Micro Hei"\r\n' |
    iconv -f UTF-8 -t UTF-16LE
} >"$reg"
wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
rm -f "$reg"
wineserver -w
touch "$prefix/.dravix-ready"
