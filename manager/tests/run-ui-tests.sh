#!/bin/bash
# Runs the Manager's window tests in a fresh prefix of their own (a clone of
# the build tree's prefix), so that what they register - the fake service's
# type library, the fake web browser control - never reaches other suites.
# The cases named RealBrowser* run first, against Wine's own control; then
# the fake control takes the control's class for the rest.
# The control is registered in the registry view of the Manager's bitness.
#   run-ui-tests.sh <source-dir> <tree-prefix> <32|64> <test-exe> [gtest args...]
set -uo pipefail
src=$1 base=$2 bits=$3 exe=$4
shift 4
dir=$(dirname "$exe")
clone="$dir/uiprefix"
"$src/tools/dev/wine-prefix.sh" clone "$base" "$clone" || exit 1
export WINEPREFIX=$(realpath "$clone") WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
detach() { "$@" </dev/null >/dev/null 2>&1; }
detach wineserver -p
detach wine cmd /c exit
trap 'detach wineserver -k' EXIT
run() { "$src/tools/dev/wine-watch.sh" "$@"; }

rc=0
run "$exe" --gtest_filter='RealBrowser*' "$@" || rc=1
browser=$(winepath -w "$dir/fake_browser.dll")
key='HKLM\Software\Classes\CLSID\{8856F961-340A-11D0-A96B-00C04FD705A2}\InprocServer32'
detach wine reg add "$key" /ve /d "$browser" /f /reg:$bits
detach wine reg add "$key" /v ThreadingModel /d Apartment /f /reg:$bits
run "$exe" --gtest_filter='-RealBrowser*' "$@" || rc=1
"$src/tools/dev/wine-prefix.sh" crashes "$clone" || rc=1
exit $rc
