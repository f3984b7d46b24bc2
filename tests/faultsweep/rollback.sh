#!/usr/bin/env bash
# Faults of the sweep (tests/acceptance/faultsweep.sh), one a row: the run fails at the call
# the row's awk program picks from the unfailing run's calls, ends with 5, and leaves the
# machine as it found it.
#   Windows 98, fresh: the last RegSvr32 cannot be started (the service key and one COM module
#     are in). Windows XP, fresh: the result of the service's own registration is lost.
#   Windows 98, over the older package: the check of the first target file, and the read of the
#     first service value, fail: neither may be taken for absent (overwritten without a copy).
source "$(dirname "$0")/../lib/bb.sh"
source "$(dirname "$0")/lib.sh"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

prepared=
while read -r os scenario pick <&3; do
    name=fs-quick-$os-$scenario
    if [ "$name" != "$prepared" ]; then
        fs_prepare "$name" "$scenario" "$os"
        fs_state "$name" "$tmp/$name/before"
        fs_trace "$name" "$scenario" "$tmp/$name/trace"
        prepared=$name
    fi
    k=$(awk "$pick" "$tmp/$name/trace")
    check "$os $scenario: the test build numbers the call of $pick" test -n "$k"
    [ -n "$k" ] || continue
    fs_run "$name" "$scenario" "$k" "$tmp/$name/run"
    expect_eq "$os $scenario: the run fails at call $k" 5 "$(cat "$tmp/$name/run/rc")"
    if out=$(fs_same_state "$tmp/$name/before" "$tmp/$name/run"); then
        bb_pass "$os $scenario: the machine is as it was"
    else
        bb_fail "$os $scenario: the machine is as it was" "$out"
    fi
    BB_MACHINES+=("$name-run")
done 3<<'ROWS'
win98 install-fresh $2 == "CreateProcessA" { k = $1 } END { print k }
winxp install-fresh $2 == "GetExitCodeProcess" { print $1; exit }
win98 upgrade $2 == "CreateDirectoryA" { print f; exit } $2 == "FindFirstFileA" { f = $1 }
win98 upgrade c && $2 == "RegQueryValueExA" { print $1; exit } $2 == "CopyFileA" { c = 1 }
ROWS
bb_done
