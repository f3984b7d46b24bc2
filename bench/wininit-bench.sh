#!/usr/bin/env bash
# Benchmark of the WININIT.INI editor on the Windows 98 machine: mean time of one edit
# (AddEntry or RemoveEntry of a Rename entry) in files of 10, 1,000 and 10,000 lines, beside
# the floor of reading the whole file and writing it back once, and their ratio.
# Not a test: it prints figures. Run it after make build:
#   bench/wininit-bench.sh
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
machine=$source_dir/testenv/machine
tree=${MORVISK_TREE:-$("$machine" tree)}
exe=$tree/bin/os_wininit_bench.exe
[ -f "$exe" ] || { echo "no $exe: build the os_wininit_bench target" >&2; exit 2; }

name=os-bench
c=$("$machine" new "$name" --os win98)
trap '"$machine" rm "$name"' EXIT
mkdir -p "$c/BENCH"
cp "$exe" "$c/BENCH/"
# Rounds per size: enough for a stable mean, a few seconds at most.
while read -r lines rounds; do
    "$machine" run "$name" -- 'C:\BENCH\os_wininit_bench.exe' 'C:\BENCH\WININIT.INI' \
        "$lines" "$rounds" </dev/null | tr -d '\r'
done <<'SIZES'
10 2000
1000 1000
10000 200
SIZES
