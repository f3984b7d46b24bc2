#!/usr/bin/env bash
# Version reading and the replacement decision on real modules on the 98 machine: the test
# modules built beside this script (chosen versions, none, no translation) and the sample
# package's reader driver.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine ops-versions win98
bb_put "$BB_TREE"/ops-test-files/*.dll VER
bb_put "$BB_TREE/package/current/zvIFDH.sys" VER
bb_put "$BB_TREE/bin/ops_versions_test.exe" TEST
bb_run -- 'C:\TEST\ops_versions_test.exe'
expect_eq "version checks on the machine (doctest exit code)" 0 "$BB_RC"
bb_done
