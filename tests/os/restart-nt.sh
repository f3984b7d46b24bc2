#!/usr/bin/env bash
# Boot-time renames on an NT-family machine (XP) end to end: the system's pending list,
# where cancelling our request keeps another program's ones for the restart, and the file
# operations over files in use.
source "$(dirname "$0")/../lib/bb.sh"

# Wine performs the boot-time renames whenever a session starts, not only on a restart: a
# holding process keeps requests from being performed before the restart the test means.
session_hold() {
    rm -f "$BB_C/TOOLS/session.stop"
    "$BB_MACHINE" start "$BB_M" -- 'C:\TOOLS\holdfile.exe' 'C:\TOOLS\session' 600 >/dev/null
    FAMILY=$("$BB_MACHINE" run "$BB_M" -- 'C:\TOOLS\os_tool.exe' family | tr -d '\r')
}
session_restart() {
    "$BB_MACHINE" restart "$BB_M"
    session_hold
}
tool() { bb_run -- 'C:\TOOLS\os_tool.exe' "$@"; }
pending() {
    "$BB_MACHINE" reg "$BB_M" 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager' "$BB_C/sm.txt"
    grep -c '^"PendingFileRenameOperations"' "$BB_C/sm.txt"
}

bb_machine os-restart-nt winxp
bb_put "$BB_TREE/bin/os_tool.exe" "$BB_TREE/testenv/holdfile.exe" TOOLS
bb_put "$BB_TREE/bin/ops_restart_prepare.exe" TEST
touch "$BB_C/TOOLS/session"
R=$BB_C/R
mkdir -p "$R"
session_hold
expect_eq "the manager picks the NT family" nt "$FAMILY"

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
tool cancel 'C:\R\ours.new' 'C:\R\ours.dll'
expect_eq "our replacement cancelled" 0 "$BB_RC"
expect_eq "the others are still pending" 1 "$(pending)"

# The file operations over files in use: a driver held open, a library in use.
mkdir -p "$BB_C/OPSR/PKG" "$BB_C/OPSR/SYS"
printf 'driver 1.1' >"$BB_C/OPSR/PKG/zvIFDH.sys"
printf 'driver 1.0' >"$BB_C/OPSR/SYS/zvIFDH.sys"
printf 'old library' >"$BB_C/OPSR/SYS/zvOLD.dll"
"$BB_MACHINE" start "$BB_M" -- 'C:\TOOLS\holdfile.exe' 'C:\OPSR\SYS\zvIFDH.sys' 600 >/dev/null
bb_run -- 'C:\TEST\ops_restart_prepare.exe'
expect_eq "install and deinstall of files in use (doctest exit code)" 0 "$BB_RC"
expect_file_bytes "before the restart the driver is unchanged" "$BB_C/OPSR/SYS/zvIFDH.sys" 'driver 1.0'

session_restart
expect_eq "the cancelled replacement did not happen" 'ours old' "$(cat "$R/ours.dll" 2>/dev/null)"
expect_eq "its source stays" 'ours new' "$(cat "$R/ours.new" 2>/dev/null)"
check "our deletion happened" test ! -e "$R/doomed.dll"
expect_eq "their rename happened" 'theirs new' "$(cat "$R/theirs.dll" 2>/dev/null)"
check "their deletion happened" test ! -e "$R/theirs.old"
expect_file_bytes "the held driver is the new one" "$BB_C/OPSR/SYS/zvIFDH.sys" 'driver 1.1'
check "its temporary copy is gone" test ! -e "$BB_C/OPSR/SYS/_zvIFDH.sys"
check "the library in use is gone" test ! -e "$BB_C/OPSR/SYS/zvOLD.dll"
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
