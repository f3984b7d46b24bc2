#!/usr/bin/env bash
# Boot-time renames on an NT-family machine (XP) end to end: the system's pending list,
# where cancelling our request keeps another program's ones for the restart, and the file
# operations over files in use.
source "$(dirname "$0")/restart-lib.sh"
pending() {
    "$BB_MACHINE" reg "$BB_M" 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager' "$BB_C/sm.txt"
    grep -c '^"PendingFileRenameOperations"' "$BB_C/sm.txt"
}

restart_setup os-restart-nt winxp
expect_eq "the manager picks the NT family" nt "$FAMILY"

printf 'ours old' >"$R/ours.dll"
printf 'ours new' >"$R/ours.new"
printf 'doomed' >"$R/doomed.dll"
printf 'theirs new' >"$R/theirs.new"
printf 'theirs gone' >"$R/theirs.old"
tool foreign 'C:\R\theirs.new' 'C:\R\theirs.dll'
tool move 'C:\R\ours.new' 'C:\R\ours.dll'
tool move 'C:\R\doomed.dll' -
tool foreign 'C:\R\theirs.old' -
tool cancel 'C:\R\ours.new' 'C:\R\ours.dll'
expect_eq "the others are still pending" 1 "$(pending)"

# The file operations over files in use: a driver held open, a library in use.
files_in_use_prepare
expect_file_bytes "before the restart the driver is unchanged" "$BB_C/OPSR/SYS/zvIFDH.sys" 'driver 1.0'

session_restart
expect_eq "the cancelled replacement did not happen" 'ours old' "$(cat "$R/ours.dll" 2>/dev/null)"
expect_eq "its source stays" 'ours new' "$(cat "$R/ours.new" 2>/dev/null)"
check "our deletion happened" test ! -e "$R/doomed.dll"
expect_eq "their rename happened" 'theirs new' "$(cat "$R/theirs.dll" 2>/dev/null)"
check "their deletion happened" test ! -e "$R/theirs.old"
files_in_use_done
expect_eq "nothing is pending after the restart" 0 "$(pending)"

# Cancelling our only request removes the value; ShutdownSystem restarts with the privilege.
tool move 'C:\R\ours.new' -
tool cancel 'C:\R\ours.new' -
expect_eq "the value goes with our last request" 0 "$(pending)"
tool move 'C:\R\ours.new' 'C:\R\ours.dll'
tool restart
expect_eq "ShutdownSystem succeeded" 0 "$BB_RC"
touch "$BB_C/TOOLS/session.stop"
wait_until 60 test ! -e "$R/ours.new"
expect_eq "the restart it started performed the replacement" 'ours new' "$(cat "$R/ours.dll" 2>/dev/null)"
check "the source is gone" test ! -e "$R/ours.new"

touch "$BB_C/TOOLS/session.stop"
bb_done
