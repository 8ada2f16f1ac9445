#!/bin/bash
# The filter against squidGuard (Debian's package, Berkeley DB lists) on the
# same category entries and the same addresses, in one run. squidGuard is
# installed here, for this benchmark only. Prints both rates and their ratio;
# squidGuard's includes its start and its reading of the lists, as a
# redirector's would once per proxy start.
#   bench/peer_squidguard.sh <filter_bench> [ADULT_ENTRIES] [DECISIONS] [filter_bench options...]
set -euo pipefail
bench=$(realpath "$1")
adult=${2:-500000}
decisions=${3:-100000}
shift $(($# < 3 ? $# : 3))
command -v squidGuard >/dev/null ||
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq squidguard >/dev/null
work=$(mktemp -d /tmp/tamberly-peer.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "filter_bench, adult list $adult, $decisions allowed and $decisions blocked addresses:"
"$bench" --adult "$adult" --decisions "$decisions" --export "$work/lists" "$@" | tee "$work/ours.txt"
ours=$(awk '$1 == "all:" { print $4 }' "$work/ours.txt")
remote=$(awk '$1 == "all," { print $5 }' "$work/ours.txt")

# The same entries as squidGuard lists: a host alone as a domain, a host
# with a path as an address.
mkdir -p "$work/db"
printf 'dbhome %s\nlogdir %s\n' "$work/db" "$work" >"$work/squidGuard.conf"
acl=""
for category in adult extremist firearms gambling hate satanic; do
  mkdir -p "$work/db/$category"
  sed -n 's|^\([^/]*\)/$|\1|p' "$work/lists/$category.txt" >"$work/db/$category/domains"
  sed -n 's|^www\.||; s|^\([^/]*/..*\)/$|\1|p' "$work/lists/$category.txt" >"$work/db/$category/urls"
  cat >>"$work/squidGuard.conf" <<CONF
dest $category {
    domainlist $category/domains
    urllist $category/urls
}
CONF
  acl="$acl !$category"
done
cat >>"$work/squidGuard.conf" <<CONF
acl {
    default {
        pass $acl all
        redirect http://blocked.invalid/
    }
}
CONF
building=$(date +%s.%N)
squidGuard -c "$work/squidGuard.conf" -C all 2>/dev/null
built=$(date +%s.%N)

cat "$work/lists/allowed.txt" "$work/lists/blocked.txt" |
  awk '{ print $0 " 127.0.0.1/- - GET" }' >"$work/requests"
requests=$(wc -l <"$work/requests")
start=$(date +%s.%N)
squidGuard -c "$work/squidGuard.conf" <"$work/requests" >"$work/answers" 2>/dev/null
end=$(date +%s.%N)
redirected=$(grep -c 'blocked.invalid' "$work/answers" || true)
awk -v n="$requests" -v s="$start" -v e="$end" -v b="$built" -v a="$building" -v r="$redirected" -v ours="$ours" -v remote="$remote" '
  BEGIN {
    rate = n / (e - s)
    printf "squidGuard: %d addresses (%d redirected) in %.2f s: %.0f decisions/s (lists built in %.1f s)\n",
           n, r, e - s, rate, b - a
    printf "ratio: the filter decides %.1f times as fast as squidGuard (%.1f times with the remote block page)\n",
           ours / rate, remote / rate
  }'
