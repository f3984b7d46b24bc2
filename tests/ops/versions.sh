#!/usr/bin/env bash
# Version reading and the replacement decision on real modules on a 98 and an NT machine
# (their version functions fail differently): the test modules built beside this script
# (chosen versions, none, no translation, no resources).
source "$(dirname "$0")/../lib/bb.sh"

for os in win98 winxp; do
    bb_machine "ops-versions-$os" "$os"
    bb_put "$BB_TREE"/ops-test-files/*.dll VER
    bb_put "$BB_TREE/bin/ops_versions_test.exe" TEST
    bb_run -- 'C:\TEST\ops_versions_test.exe'
    expect_eq "version checks on $os (doctest exit code)" 0 "$BB_RC"
done
bb_done
