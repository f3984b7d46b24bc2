#!/usr/bin/env bash
# The unit test program beside a current and a legacy reader driver and the current package.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine install-units
bb_put "$BB_TREE/bin/install_units_test.exe" TEST
cp "$BB_TREE/package/current/zvIFDH.sys" "$BB_C/TEST/current.sys"
cp "$BB_TREE/package/legacy/zvIFDH.sys" "$BB_C/TEST/legacy.sys"
mkdir -p "$BB_C/TEST/PKG"
cp -r "$BB_TREE/package/current/." "$BB_C/TEST/PKG/"
bb_run -- 'C:\TEST\install_units_test.exe'
expect_eq "reader-count and step cases" 0 "$BB_RC"
# A machine kept after a failure must not hold the test's output open.
"$BB_MACHINE" stop "$BB_M"
bb_done
