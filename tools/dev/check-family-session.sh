#!/bin/bash
# The family session of `make demo` as a test: installs with the setup
# program, runs family_demo.sh and checks the decisions a family relies on.
#   check-family-session.sh <setup program> <base prefix> <32-bit tree>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$(mktemp /tmp/tamberly-family-check.XXXXXX)
trap 'rm -f "$out"' EXIT
"$here/family_demo.sh" "$@" >"$out" 2>&1
status=$?
cat "$out"
[[ $status -eq 0 ]] || { echo "FAILED: the session ended with exit code $status"; exit 1; }
failed=0
expect() {  # a regular expression that some line must match
  grep -Eq -- "$1" "$out" || { echo "FAILED: no line matches: $1"; failed=1; }
}
blocked='blocked +file:///C:/Program%20Files/Tamberly/restricted'
expect "^parent sets the password: True"
expect "^http://www.news.example/today.htm +allowed"
expect "^http://www.fireworks.example/shop.htm +${blocked}1.htm"
expect "^http://www.gunshop.example/catalogue.htm +${blocked}1.htm"
expect "^http://forum.example/jackpotking-tips.htm +${blocked}3.htm"
expect "^http://www.fun.example/ +${blocked}3.htm"
expect "^http://www.royal-casino.example/poker/tables.htm +allowed"
expect "^filtering on again without the password: on = True"
expect "You have [0-9]+ minutes remaining on your browsing time"
expect "^http://www.news.example/today.htm +closed"
expect "You have reached your maximum number of browsing hours for today"
exit $failed
