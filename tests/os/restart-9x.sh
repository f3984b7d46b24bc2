#!/usr/bin/env bash
# Boot-time renames on Windows 98 end to end: requests go into WININIT.INI, a restart of the
# machine performs them; a cancelled request is not performed, the others are.
source "$(dirname "$0")/../lib/bb.sh"
source "$(dirname "$0")/machine-session.sh"

bb_machine os-restart-9x win98
bb_put "$BB_TREE/bin/os_tool.exe" TOOLS
R=$BB_C/R
W=$BB_C/windows/WININIT.INI
mkdir -p "$R"
session_hold
tool() { bb_run -- 'C:\TOOLS\os_tool.exe' "$@"; }
out=$("$BB_MACHINE" run "$BB_M" -- 'C:\TOOLS\os_tool.exe' family | tr -d '\r')
expect_eq "the manager picks the 9x family" 9x "$out"

# A replacement from a file with a long name, and a deletion.
printf old >"$R/target.dll"
printf new >"$R/Long New Name.dll"
printf doomed >"$R/doomed.dll"
tool move 'C:\R\Long New Name.dll' 'C:\R\target.dll'
expect_eq "replacement scheduled" 0 "$BB_RC"
tool move 'C:\R\doomed.dll' -
expect_eq "deletion scheduled" 0 "$BB_RC"
check "WININIT.INI: header, replacement with the short source, deletion" \
    grep -qaPz '^\[Rename\]\r\nC:\\R\\target\.dll = C:\\R\\[A-Z0-9_~]{1,8}\.DLL\r\nNUL = C:\\R\\doomed\.dll\r\n$' "$W"
cp "$W" "$BB_C/wininit.before"
tool move 'C:\R\missing.dll' 'C:\R\target.dll'
expect_eq "a missing source cannot be scheduled" 1 "$BB_RC"
check "WININIT.INI unchanged by the failed request" cmp -s "$W" "$BB_C/wininit.before"
session_restart
expect_eq "restart replaced the target" new "$(cat "$R/target.dll" 2>/dev/null)"
check "the source is gone" test ! -e "$R/Long New Name.dll"
check "the deleted file is gone" test ! -e "$R/doomed.dll"
check "WININIT.INI was used up" test ! -e "$W"

# Four requests, one rename and one deletion cancelled: only the other two happen.
printf 'a old' >"$R/a.dll"
printf 'a new' >"$R/a.new"
printf 'b old' >"$R/b.dll"
printf 'b new' >"$R/b.new"
printf keep >"$R/keep.dll"
printf drop >"$R/drop.dll"
tool move 'C:\R\a.new' 'C:\R\a.dll'
tool move 'C:\R\keep.dll' -
tool move 'C:\R\b.new' 'C:\R\b.dll'
tool move 'C:\R\drop.dll' -
tool cancel 'C:\R\b.new' 'C:\R\b.dll'
expect_eq "rename cancelled" 0 "$BB_RC"
tool cancel 'C:\R\keep.dll' -
expect_eq "deletion cancelled" 0 "$BB_RC"
expect_file_bytes "WININIT.INI holds the two others" "$W" '[Rename]\r\nC:\\R\\a.dll = C:\\R\\a.new\r\nNUL = C:\\R\\drop.dll\r\n'
session_restart
expect_eq "the kept rename happened" 'a new' "$(cat "$R/a.dll" 2>/dev/null)"
check "the kept deletion happened" test ! -e "$R/drop.dll"
expect_eq "the cancelled rename did not" 'b old' "$(cat "$R/b.dll" 2>/dev/null)"
expect_eq "its source stays" 'b new' "$(cat "$R/b.new" 2>/dev/null)"
expect_eq "the cancelled deletion did not" keep "$(cat "$R/keep.dll" 2>/dev/null)"

# Another program's WININIT.INI, its last line without CR LF: that line stays whole, and
# cancelling ours keeps their request.
printf 'c old' >"$R/c.dll"
printf 'c new' >"$R/c.new"
printf theirs >"$R/theirs.dll"
printf ours >"$R/ours.dll"
printf '[Rename]\r\nNUL=C:\\R\\theirs.dll' >"$W"
tool move 'C:\R\c.new' 'C:\R\c.dll'
tool move 'C:\R\ours.dll' -
expect_file_bytes "our lines follow theirs" "$W" '[Rename]\r\nNUL=C:\\R\\theirs.dll\r\nC:\\R\\c.dll = C:\\R\\c.new\r\nNUL = C:\\R\\ours.dll\r\n'
tool cancel 'C:\R\ours.dll' -
printf '[boot]\r\nnetwork=1' >"$BB_C/wininit.other"
session_restart
check "their deletion happened" test ! -e "$R/theirs.dll"
expect_eq "our rename happened" 'c new' "$(cat "$R/c.dll" 2>/dev/null)"
expect_eq "our cancelled deletion did not" ours "$(cat "$R/ours.dll" 2>/dev/null)"

# A file without a Rename section whose last line has no CR LF: the new header gets a line.
cp "$BB_C/wininit.other" "$W"
printf 'd new' >"$R/d.new"
tool move 'C:\R\d.new' 'C:\R\d.dll'
expect_file_bytes "header on a line of its own" "$W" '[boot]\r\nnetwork=1\r\n[Rename]\r\nC:\\R\\d.dll = C:\\R\\d.new\r\n'

# ShutdownSystem asks for the restart itself.
tool restart
expect_eq "ShutdownSystem succeeded" 0 "$BB_RC"
session_release
wait_until 60 test ! -e "$W"
expect_eq "the restart it started performed the rename" 'd new' "$(cat "$R/d.dll" 2>/dev/null)"
check "and used up WININIT.INI" test ! -e "$W"

session_end
bb_done
