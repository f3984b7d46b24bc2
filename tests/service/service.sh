#!/usr/bin/env bash
# Service operations on the XP machine (the installer handles services on the NT family only).
source "$(dirname "$0")/../lib/bb.sh"

bb_machine service-ops winxp
mkdir -p "$BB_C/SVCT/PKG"
cp "$BB_TREE/package/current/zvService.exe" "$BB_C/SVCT/PKG/"
bb_put "$BB_TREE/bin/service_ops_test.exe" TEST
bb_run -- 'C:\TEST\service_ops_test.exe'
expect_eq "service operations (doctest exit code)" 0 "$BB_RC"
# The machine's service processes hold this script's output open: end them, so that a
# failure is reported at once (the machine stays for a look).
"$BB_MACHINE" stop "$BB_M"
bb_done
