#!/usr/bin/env bash
# Boot-time renames on an NT-family machine (XP) end to end: the system's pending list,
# where cancelling our request keeps another program's ones for the restart.
source "$(dirname "$0")/../lib/bb.sh"
source "$(dirname "$0")/machine-session.sh"

bb_machine os-restart-nt winxp
bb_put "$BB_TREE/bin/os_tool.exe" TOOLS
R=$BB_C/R
mkdir -p "$R"
session_hold
tool() { bb_run -- 'C:\TOOLS\os_tool.exe' "$@"; }
pending() {
    "$BB_MACHINE" reg "$BB_M" 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager' "$BB_C/sm.txt"
    grep -c '^"PendingFileRenameOperations"' "$BB_C/sm.txt"
}
out=$("$BB_MACHINE" run "$BB_M" -- 'C:\TOOLS\os_tool.exe' family | tr -d '\r')
expect_eq "the manager picks the NT family" nt "$out"

printf 'ours old' >"$R/ours.dll"
printf 'ours new' >"$R/ours.new"
printf 'doomed' >"$R/doomed.dll"
printf 'theirs new' >"$R/theirs.new"
printf 'theirs gone' >"$R/theirs.old"
tool foreign 'C:\R\theirs.new' 'C:\R\theirs.dll'
expect_eq "another program's rename scheduled" 0 "$BB_RC"
tool move 'C:\R\ours.new' 'C:\R\ours.dll'
expect_eq "our replacement scheduled" 0 "$BB_RC"
tool move 'C:\R\doomed.dll' -
expect_eq "our deletion scheduled" 0 "$BB_RC"
tool foreign 'C:\R\theirs.old' -
expect_eq "another program's deletion scheduled" 0 "$BB_RC"
expect_eq "the requests are pending" 1 "$(pending)"

tool cancel 'C:\R\ours.new' 'C:\R\ours.dll'
expect_eq "our replacement cancelled" 0 "$BB_RC"
expect_eq "the others are still pending" 1 "$(pending)"
session_restart
expect_eq "the cancelled replacement did not happen" 'ours old' "$(cat "$R/ours.dll" 2>/dev/null)"
expect_eq "its source stays" 'ours new' "$(cat "$R/ours.new" 2>/dev/null)"
check "our deletion happened" test ! -e "$R/doomed.dll"
expect_eq "their rename happened" 'theirs new' "$(cat "$R/theirs.dll" 2>/dev/null)"
check "their deletion happened" test ! -e "$R/theirs.old"
expect_eq "nothing is pending after the restart" 0 "$(pending)"

# Cancelling our only request removes the value; ShutdownSystem restarts with the privilege.
tool move 'C:\R\ours.new' -
tool cancel 'C:\R\ours.new' -
expect_eq "the value goes with our last request" 0 "$(pending)"
tool move 'C:\R\ours.new' 'C:\R\ours.dll'
tool restart
expect_eq "ShutdownSystem succeeded" 0 "$BB_RC"
session_release
wait_until 60 test ! -e "$R/ours.new"
expect_eq "the restart it started performed the replacement" 'ours new' "$(cat "$R/ours.dll" 2>/dev/null)"
check "the source is gone" test ! -e "$R/ours.new"

session_end
bb_done
