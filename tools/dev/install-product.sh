#!/bin/bash
# Installs the product of a win64 tree into a fresh Wine prefix (a clone of
# the tree's own), as the installer would on a family's computer, and starts
# the prefix. The time component is pointed at loopback, where no daytime
# server answers, so it keeps the computer's time and never reaches the
# network.
#   install-product.sh <win64 tree> <prefix> <staging directory>
set -euo pipefail
win64=$(cd "$1" && pwd)
prefix=$2
stage=$3
here=$(cd "$(dirname "$0")" && pwd)
winpath() { printf 'Z:%s' "${1//\//\\}"; }
run() { TB_WINEPREFIX="$prefix" "$win64/wine-run" "$@" </dev/null; }

mkdir -p "$stage/files" "$stage/lists"
cp "$win64/service/process/tbserv.exe" "$win64/hook/tbhook.dll" "$win64/time_server/tbtime.dll" \
   "$win64/browser_helper/tbhelp.dll" "$win64/bar/tbbar.dll" "$win64/bar_pages/tbpages.dll" \
   "$stage/files/"
cp "$win64"/sample_data/*.htm "$stage/files/"
cp "$win64"/sample_data/*.dat "$stage/lists/"

"$here/wine-prefix.sh" clone "$win64/wineprefix" "$prefix"
"$here/wine-prefix.sh" start "$prefix"
run "$win64/tools/installer/tbinstall.exe" "--files=$(winpath "$stage/files")" \
    "--lists=$(winpath "$stage/lists")" | tr -d '\r'
run reg add 'HKLM\Software\Quillmoor\TamberlyIE' /v TimeServerHost /d 127.0.0.1 /f >/dev/null
run reg add 'HKLM\Software\Quillmoor\TamberlyIE' /v TimeServerPort /t REG_DWORD /d 9 /f >/dev/null
