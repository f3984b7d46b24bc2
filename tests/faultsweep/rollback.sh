#!/usr/bin/env bash
# Faults of the sweep (tests/acceptance/faultsweep.sh), one a row, each on a fresh machine: the
# install fails at the given occurrence of a call, after files and registrations are in place,
# and its rollback leaves the machine as it found it.
#   Windows 98: the last RegSvr32 cannot be started (the service key and one COM module are in).
#   Windows XP: the result of the service's own registration is lost (it did register).
source "$(dirname "$0")/../lib/bb.sh"
source "$(dirname "$0")/lib.sh"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

while read -r os call which <&3; do
    name=fs-quick-$os
    fs_prepare "$name" install-fresh "$os"
    fs_state "$name" "$tmp/$os/before"
    fs_trace "$name" install-fresh "$tmp/$os/trace"
    k=$(awk -v call="$call" '$2 == call { print $1 }' "$tmp/$os/trace" | sed -n "$which")
    check "$os: the test build numbers the program's calls of $call" test -n "$k"
    [ -n "$k" ] || continue
    fs_run "$name" install-fresh "$k" "$tmp/$os/run"
    expect_eq "$os: the run fails at $call" 5 "$(cat "$tmp/$os/run/rc")"
    if out=$(fs_same_state "$tmp/$os/before" "$tmp/$os/run"); then
        bb_pass "$os: the machine is as it was"
    else
        bb_fail "$os: the machine is as it was" "$out"
    fi
    BB_MACHINES+=("$name-run")
done 3<<'ROWS'
win98 CreateProcessA $p
winxp GetExitCodeProcess 1p
ROWS
bb_done
