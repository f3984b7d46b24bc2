#!/usr/bin/env bash
# The operations on a 98 machine; versions and services on an XP machine.
source "$(dirname "$0")/../lib/bb.sh"

for os in win98 winxp; do
    bb_machine "ops-$os" "$os"
    bb_put "$BB_TREE"/ops-test-files/*.dll VER
    bb_put "$BB_TREE/bin/ops_test.exe" TEST
    mkdir -p "$BB_C/COMT/NEW" "$BB_C/COMT/OLD" "$BB_C/COMT/BAD" "$BB_C/SVCT/PKG"
    cp "$BB_TREE/package/current/zvCSP.dll" "$BB_C/COMT/NEW/"
    cp "$BB_TREE/package/older/zvCSP.dll" "$BB_C/COMT/OLD/"
    cp "$BB_TREE/package/ops_csp_fails/zvCSP.dll" "$BB_C/COMT/BAD/"
    cp "$BB_TREE/package/current/zvService.exe" "$BB_C/SVCT/PKG/"
    filter='-tce=service*'
    [ $os = winxp ] && filter='-tc=version*,service*'
    bb_run -- 'C:\TEST\ops_test.exe' "$filter"
    expect_eq "operations on $os (doctest exit code)" 0 "$BB_RC"
    # Service processes hold this script's output open: end them, for a prompt report.
    "$BB_MACHINE" stop "$BB_M"
done
bb_done
