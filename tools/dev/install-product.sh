#!/bin/bash
# Installs the product into a fresh Wine prefix, a clone of <base prefix>,
# with its setup program run silently as a parent would run it, and starts
# the prefix. A WoW64 prefix is 64-bit Windows (the 64-bit service and
# Manager, the plug-ins and watch hook of both bitnesses); a win32 prefix is
# 32-bit Windows (the 32-bit product). The time component is pointed at
# loopback, where no daytime server answers, so it keeps the computer's time
# and never reaches the network.
#   install-product.sh <setup program> <base prefix> <prefix> [setup options]
set -euo pipefail
setup=$(realpath "$1")
base=$2
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=$(realpath -m "$3") WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
shift 3

"$here/wine-prefix.sh" clone "$base" "$WINEPREFIX"
"$here/wine-prefix.sh" start "$WINEPREFIX"
status=0
wine "$setup" /S "$@" </dev/null | tr -d '\r' || status=$?
if [[ $status -ne 0 && $status -ne 3010 ]]; then
  echo "install-product.sh: the setup program failed with exit code $status" >&2
  exit 1
fi
view=
[[ -d "$WINEPREFIX/drive_c/windows/syswow64" ]] && view=/reg:64  # the service's view
product='HKLM\Software\Quillmoor\TamberlyIE'
wine reg add "$product" /v TimeServerHost /d 127.0.0.1 /f $view </dev/null >/dev/null
wine reg add "$product" /v TimeServerPort /t REG_DWORD /d 9 /f $view </dev/null >/dev/null
