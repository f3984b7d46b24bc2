#!/usr/bin/env bash
# One fault of the sweep (tests/acceptance/faultsweep.sh): on a fresh Windows 98 machine the
# install's last RegSvr32 cannot be started, after files, the service key and the first COM
# module are in place. The run fails and its rollback leaves the machine as it found it.
source "$(dirname "$0")/../lib/bb.sh"
source "$(dirname "$0")/lib.sh"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fs_prepare fs-quick install-fresh
fs_state fs-quick "$tmp/before"
fs_trace fs-quick install-fresh "$tmp/trace"
k=$(awk '$2 == "CreateProcessA" { k = $1 } END { print k }' "$tmp/trace")
check "the test build numbers the program's calls of RegSvr32" test -n "$k"
if [ -n "$k" ]; then
    fs_run fs-quick install-fresh "$k" "$tmp/run"
    expect_eq "the run fails" 5 "$(cat "$tmp/run/rc")"
    if out=$(fs_same_state "$tmp/before" "$tmp/run"); then
        bb_pass "the machine is as it was"
    else
        bb_fail "the machine is as it was" "$out"
    fi
fi
BB_MACHINES+=(fs-quick-run)
bb_done
