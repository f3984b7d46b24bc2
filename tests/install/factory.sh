#!/usr/bin/env bash
# Runs the factory test program beside a current and a legacy reader driver.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine install-factory
bb_put "$BB_TREE/bin/install_factory_test.exe" TEST
cp "$BB_TREE/package/current/zvIFDH.sys" "$BB_C/TEST/current.sys"
cp "$BB_TREE/package/legacy/zvIFDH.sys" "$BB_C/TEST/legacy.sys"
bb_run -- 'C:\TEST\install_factory_test.exe'
# A machine kept after a failure must not hold the test's output open.
"$BB_MACHINE" stop "$BB_M"
expect_eq "factory and layout unit cases" 0 "$BB_RC"
bb_done
