#!/usr/bin/env bash
# Measures the update path beside the tools it must keep up with, in one run:
#   SHA-256 of a 1 GiB file           vs  openssl dgst -sha256   (at least 0.9 x its speed)
#   unpacking 200 MB in 5,000 files   vs  bsdtar -xf             (at least 0.9 x its speed)
#   a 512 MiB download over loopback: resident memory may grow by 16 MiB at most
# Usage: bash bench/update/update_bench.sh [BUILD_DIR]   (default: build)
# Everything is written under a temporary folder in /tmp and deleted afterwards.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bench="$(cd "${1:-$root/build}" && pwd)/bench/update/update_bench"
work=$(mktemp -d /tmp/corvane-update-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

# The best of five runs of a command: "<wall seconds> <CPU seconds>". The
# machine may be shared, so the processor time (user + system) is given too.
best_of_5() {
  local runs=""
  for _ in 1 2 3 4 5; do
    local TIMEFORMAT='%R %U %S'
    runs+=$({ time "$@" > /dev/null; } 2>&1)$'\n'
  done
  echo -n "$runs" | awk 'NR == 1 || $1 < w { w = $1 } NR == 1 || $2 + $3 < c { c = $2 + $3 }
                         END { print w, c }'
}

report() {  # name, ours, theirs, peer
  awk -v n="$1" -v p="$4" -v o="$2" -v t="$3" 'BEGIN {
    split(o, a, " "); split(t, b, " ")
    printf "%-27s Corvane %6.3f s (CPU %6.3f s)  %-13s %6.3f s (CPU %6.3f s)  ", n, a[1], a[2], p, b[1], b[2]
    printf "speed %.2f x the peer (CPU %.2f x)\n", b[1] / a[1], b[2] / a[2] }'
}

head -c $((1024 * 1024 * 1024)) /dev/urandom > "$work/1GiB"
"$bench" sha256 "$work/1GiB" > /dev/null    # into the page cache
ours=$(best_of_5 "$bench" sha256 "$work/1GiB")
theirs=$(best_of_5 openssl dgst -sha256 "$work/1GiB")
report "SHA-256 of 1 GiB" "$ours" "$theirs" "openssl dgst"
rm "$work/1GiB"

"$bench" make-tree "$work/tree" 5000 40000
"$bench" zip "$work/tree" "$work/tree.zip"
rm -rf "$work/tree"
unpack_ours() { rm -rf "$work/out" && mkdir "$work/out" && "$bench" unpack "$work/tree.zip" "$work/out"; }
unpack_bsdtar() { rm -rf "$work/out" && mkdir "$work/out" && bsdtar -xf "$work/tree.zip" -C "$work/out"; }
unpack_ours
ours=$(best_of_5 unpack_ours)
theirs=$(best_of_5 unpack_bsdtar)
report "unpack 200 MB, 5,000 files" "$ours" "$theirs" "bsdtar -xf"
echo "  (archive: $(du -m "$work/tree.zip" | cut -f1) MB, $(find "$work/out" -type f | wc -l) files unpacked)"
rm -rf "$work/out" "$work/tree.zip"

echo -n "download of 512 MiB:          "
"$bench" download 512
