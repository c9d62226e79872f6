#!/usr/bin/env bash
# Writes a screenshot of every shipped layout (each page of the main window, and its states that
# only show at run time) and of the viewer's test layout into build/screenshots/, through the
# layout viewer and the skin built into it. DRAVIX_BUILD_DIR selects another build tree.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${DRAVIX_BUILD_DIR:-$root/build}
out=$build/screenshots
mkdir -p "$out"

shot() {
  local name=$1
  shift
  if ! "$root/tools/view_layout.sh" "$@" "--screenshot=$out/$name.png" >"$out/$name.log" 2>&1; then
    cat "$out/$name.log" >&2
    echo "no screenshot: $name" >&2
    return 1
  fi
  echo "$out/$name.png"
}

for page in 0 1 2 3; do
  shot "mainWnd_page$page" --embedded --layout=mainWnd.xml "--page=$page"
done
shot mainWnd_page0_disagreed --embedded --layout=mainWnd.xml --page=0 \
  --set=treatyCb:selected=false --set=defaultInstallBtn:enabled=false --set=tipLbl:visible=true
shot mainWnd_page2_progress37 --embedded --layout=mainWnd.xml --page=2 --set=installPrg:value=37 \
  "--set=progressLb:text=正在安装中:37%，请稍候..."
for layout in MessageBox1Wnd MessageBox2Wnd NetworkTipWnd InstalledPathTipWnd exitTipWnd; do
  shot "$layout" --embedded "--layout=$layout.xml"
done
shot test_showcase "--skin=$root/tests/skinui/viewer_skin" --layout=showcase.xml
