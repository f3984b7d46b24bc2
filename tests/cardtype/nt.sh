#!/usr/bin/env bash
# The card-type test program on an NT machine (XP), with the sample service program beside it.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine ct-nt winxp
bb_put "$BB_TREE/bin/cardtype.exe" "$BB_TREE/package/current/zvService.exe" TEST
"$BB_MACHINE" run "$BB_M" --timeout 300 -- 'C:\TEST\cardtype.exe' && rc=0 || rc=$?
expect_eq "the card-type tests pass on XP" 0 "$rc"
bb_done
