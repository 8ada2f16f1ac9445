#!/bin/bash
# Installs the Debian packages of tools/dev/packages.txt that are missing.
# Entries with an architecture (wine32:i386) enable that architecture first.
# Quiet and quick when everything is already there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sudo=""
[[ $(id -u) -eq 0 ]] || sudo=sudo
missing=()
foreign=()
while read -r pkg; do
  [[ -z "$pkg" || "$pkg" == \#* ]] && continue
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] && continue
  missing+=("$pkg")
  [[ "$pkg" == *:* ]] && foreign+=("${pkg#*:}")
done < "$here/packages.txt"
[[ ${#missing[@]} -eq 0 ]] && exit 0
echo "Installing missing packages: ${missing[*]}"
for arch in "${foreign[@]}"; do
  dpkg --print-foreign-architectures | grep -qx "$arch" || $sudo dpkg --add-architecture "$arch"
done
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
