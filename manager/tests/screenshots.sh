#!/bin/bash
# Renders every page of the Manager into PNG files under Xvfb, with Wine's
# X11 driver in a prefix of its own, against the recording fake service.
#   screenshots.sh <source-dir> <win64-tree> <output-dir>
set -euo pipefail
src=$1 tree=$(realpath "$2") out=$(realpath -m "$3")
mkdir -p "$out"
rm -f "$out"/*.png "$out"/*.ready
prefix="$tree/manager/shotprefix"
"$src/tools/dev/wine-prefix.sh" clone "$tree/wineprefix" "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
detach() { "$@" </dev/null >/dev/null 2>&1; }
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb=$!
trap 'detach wineserver -k; kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1
detach wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f
detach wineserver -k || true
detach wineserver -p
detach wine cmd /c exit

wine "$tree/manager/manager_screens.exe" "$(winepath -w "$out")" </dev/null >/dev/null 2>&1 &
driver=$!
while kill -0 $driver 2>/dev/null; do
    for ready in "$out"/*.ready; do
        [[ -e "$ready" ]] || continue
        name=$(basename "$ready" .ready)
        geometry=$(tr -d '\r\n' <"$ready")
        import -display "$display" -window root -crop "$geometry" +repage "$out/$name.png"
        rm -f "$ready"
        echo "  $out/$name.png"
    done
    sleep 0.2
done
wait $driver
