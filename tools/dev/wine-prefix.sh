#!/bin/bash
# Wine prefix of a build tree.
#   wine-prefix.sh ensure <dir> [win64|win32]  create it once (null graphics driver, headless)
#   wine-prefix.sh start <dir>    persistent wineserver, prefix warmed up
#   wine-prefix.sh stop <dir>     end the wineserver and every program in it
#   wine-prefix.sh clone <dir> <new>  a fresh copy for a test that needs its own
#   wine-prefix.sh crashes <dir>  print the crashes since start; 1 if any
#
# A win64 prefix is a WoW64 one: 64-bit Windows that runs 32-bit programs too.
# It can only be made once wine32 is installed; one made before that runs
# nothing at all afterwards. So the ready marker records what made the
# prefix, and a prefix whose marker does not match what would be made now
# is made again rather than patched.
set -euo pipefail
cmd=$1
export WINEPREFIX=$(realpath -m "$2")
export WINEDEBUG=-all
# No Mono or Gecko installer prompts: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="

detach() { "$@" </dev/null >/dev/null 2>&1; }

# Raised whenever the settings that ensure writes change, so that older
# prefixes are made again.
settings=3
crash_log='C:\crashes.log'
# What a prefix of this kind is made of on this machine.
maker() {
  local arch=$1
  local wine32
  wine32=$(dpkg-query -W -f='${Version}' wine32:i386 2>/dev/null || echo none)
  printf 'arch=%s\nwine=%s\nwine32=%s\nsettings=%s\n' "$arch" "$(wine --version 2>/dev/null)" "$wine32" "$settings"
}

# True when the prefix at hand was made by what would make it now, and has
# the system folders its kind needs.
current() {
  local arch=$1 windows="$WINEPREFIX/drive_c/windows"
  [[ -f "$WINEPREFIX/.tb-ready" && "$(cat "$WINEPREFIX/.tb-ready")" == "$(maker "$arch")" ]] || return 1
  [[ -d "$windows/system32" ]] || return 1
  if [[ $arch == win64 ]]; then [[ -d "$windows/syswow64" ]]; else [[ ! -d "$windows/syswow64" ]]; fi
}

case "$cmd" in
  ensure)
    arch=${3:-win64}
    current "$arch" && exit 0
    if [[ -e "$WINEPREFIX" ]]; then
      echo "Wine prefix $WINEPREFIX was made by another Wine, without wine32 or with older settings: making it again"
      detach wineserver -k || true
    fi
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    echo "Creating Wine prefix $WINEPREFIX ($arch)"
    WINEARCH=$arch detach wineboot -i
    detach wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
    # A program that crashes ends, and its backtrace goes to the crash log.
    # With the crash dialog, which nobody can press here, it would hang
    # until a time limit killed it and leave no trace of where it failed.
    detach wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
    printf '@C:\\windows\\system32\\winedbg.exe --auto %%1 %%2 >> %s 2>&1\r\n' "$crash_log" \
      >"$WINEPREFIX/drive_c/crash-report.bat"
    for view in 64 32; do
      detach wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
        /v Debugger /d 'cmd /c C:\crash-report.bat %ld %ld' /f /reg:$view || true
    done
    detach wineserver -w || true
    detach wineserver -k || true
    maker "$arch" >"$WINEPREFIX/.tb-ready"
    current "$arch" || { echo "wine-prefix.sh: $WINEPREFIX is not a $arch prefix" >&2; exit 1; }
    ;;
  start)
    rm -f "$WINEPREFIX/drive_c/crashes.log"
    detach wineserver -p
    detach wine cmd /c exit
    ;;
  crashes)
    log="$WINEPREFIX/drive_c/crashes.log"
    [[ -s "$log" ]] || exit 0
    echo "A program crashed in $WINEPREFIX:"
    cat "$log"
    exit 1
    ;;
  stop)
    detach wineserver -k || true
    ;;
  clone)
    new=$(realpath -m "$3")
    rm -rf "$new"
    mkdir -p "$(dirname "$new")"
    # Hard links keep a copy cheap (a prefix is hundreds of megabytes); the
    # registry files are copied for real because every test changes them.
    cp -al "$WINEPREFIX" "$new"
    for f in "$new"/*.reg; do cp --remove-destination "$WINEPREFIX/$(basename "$f")" "$f"; done
    # The crash log is appended to: a link would write the original's.
    rm -f "$new/drive_c/crashes.log"
    ;;
  *)
    echo "usage: $0 ensure|start|stop|clone <dir> [win64|win32|new]" >&2
    exit 2
    ;;
esac
