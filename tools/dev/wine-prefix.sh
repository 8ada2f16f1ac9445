#!/bin/bash
# Wine prefix of a build tree.
#   wine-prefix.sh ensure <dir>   create it once (null graphics driver, headless)
#   wine-prefix.sh start <dir>    persistent wineserver, prefix warmed up
#   wine-prefix.sh stop <dir>     end the wineserver and every program in it
#   wine-prefix.sh clone <dir> <new>  a fresh copy for a test that needs its own
set -euo pipefail
cmd=$1
export WINEPREFIX=$(realpath -m "$2")
export WINEDEBUG=-all
# No Mono or Gecko installer prompts: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="

detach() { "$@" </dev/null >/dev/null 2>&1; }

case "$cmd" in
  ensure)
    [[ -f "$WINEPREFIX/.tb-ready" ]] && exit 0
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    echo "Creating Wine prefix $WINEPREFIX"
    detach wineboot -i
    detach wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
    detach wineserver -w || true
    detach wineserver -k || true
    touch "$WINEPREFIX/.tb-ready"
    ;;
  start)
    detach wineserver -p
    detach wine cmd /c exit
    ;;
  stop)
    detach wineserver -k || true
    ;;
  clone)
    new=$(realpath -m "$3")
    rm -rf "$new"
    # Hard links keep a copy cheap (a prefix is hundreds of megabytes); the
    # registry files are copied for real because every test changes them.
    cp -al "$WINEPREFIX" "$new"
    for f in "$new"/*.reg; do cp --remove-destination "$WINEPREFIX/$(basename "$f")" "$f"; done
    ;;
  *)
    echo "usage: $0 ensure|start|stop|clone <dir> [new]" >&2
    exit 2
    ;;
esac
