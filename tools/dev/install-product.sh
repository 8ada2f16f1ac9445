#!/bin/bash
# Installs the staged product (stage-product.sh) into a fresh Wine prefix, a
# clone of <base prefix>, as the installer does on a family's computer, and
# starts the prefix:
# - 64-bit Windows (a WoW64 prefix): the 64-bit installer puts in the 64-bit
#   service and Manager, and the plug-ins and watch hook of both bitnesses;
# - 32-bit Windows (a win32 prefix): the 32-bit installer, the 32-bit product.
# The time component is pointed at loopback, where no daytime server
# answers, so it keeps the computer's time and never reaches the network.
#   install-product.sh <stage> <base prefix> <prefix>
set -euo pipefail
stage=$(cd "$1" && pwd)
base=$2
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=$(realpath -m "$3") WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
winpath() { printf 'Z:%s' "${1//\//\\}"; }

"$here/wine-prefix.sh" clone "$base" "$WINEPREFIX"
"$here/wine-prefix.sh" start "$WINEPREFIX"
if [[ -d "$WINEPREFIX/drive_c/windows/syswow64" ]]; then
  wine "$stage/setup/tbinstall-x64.exe" "--files=$(winpath "$stage/x64")" \
       "--files32=$(winpath "$stage/x86")" "--lists=$(winpath "$stage/lists")" </dev/null | tr -d '\r'
  view=/reg:64  # the service's view; a plain `wine reg` is 32-bit here
else
  wine "$stage/setup/tbinstall-x86.exe" "--files=$(winpath "$stage/x86")" \
       "--lists=$(winpath "$stage/lists")" </dev/null | tr -d '\r'
  view=
fi
product='HKLM\Software\Quillmoor\TamberlyIE'
wine reg add "$product" /v TimeServerHost /d 127.0.0.1 /f $view </dev/null >/dev/null
wine reg add "$product" /v TimeServerPort /t REG_DWORD /d 9 /f $view </dev/null >/dev/null
