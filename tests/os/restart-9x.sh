#!/usr/bin/env bash
# Boot-time renames on Windows 98 end to end: the OS layer's requests and the file
# operations' ones over files in use go into WININIT.INI in 8.3 form, a restart of the
# machine performs them; a cancelled request is not performed, the others are.
source "$(dirname "$0")/restart-lib.sh"

restart_setup os-restart-9x win98
W=$BB_C/windows/WININIT.INI
expect_eq "the manager picks the 9x family" 9x "$FAMILY"

# A replacement of a long-named file from another, and a deletion: short names only.
printf old >"$R/Long Target.dll"
printf new >"$R/Long New Name.dll"
printf doomed >"$R/doomed.dll"
tool move 'C:\R\Long New Name.dll' 'C:\R\Long Target.dll'
tool move 'C:\R\doomed.dll' -
check "WININIT.INI: header, replacement in short names, deletion" \
    grep -qaPz '^\[Rename\]\r\nC:\\R\\[A-Z0-9_~]{1,8}\.DLL = C:\\R\\[A-Z0-9_~]{1,8}\.DLL\r\nNUL = C:\\R\\doomed\.dll\r\n$' "$W"
session_restart
expect_eq "restart replaced the long-named target" new "$(cat "$R/Long Target.dll" 2>/dev/null)"
expect_eq "under its long name, and nothing else is left" "Long Target.dll" "$(ls "$R")"
check "WININIT.INI was used up" test ! -e "$W"

# Another program's request, its line without CR LF; four of ours, one rename and one
# deletion cancelled; and the file operations over files in use, as a procedure runs them:
# a driver held open is replaced through a copy beside it, a library in use is deleted.
# Their line stays whole; only the cancelled requests are not performed.
for f in a b; do printf '%s old' $f >"$R/$f.dll"; printf '%s new' $f >"$R/$f.new"; done
printf theirs >"$R/theirs.dll"
printf keep >"$R/keep.dll"
printf drop >"$R/drop.dll"
printf '[Rename]\r\nNUL=C:\\R\\theirs.dll' >"$W"
tool move 'C:\R\a.new' 'C:\R\a.dll'
tool move 'C:\R\keep.dll' -
tool move 'C:\R\b.new' 'C:\R\b.dll'
tool move 'C:\R\drop.dll' -
tool cancel 'C:\R\b.new' 'C:\R\b.dll'
tool cancel 'C:\R\keep.dll' -
expect_file_bytes "WININIT.INI: their line, then our two others" "$W" '[Rename]\r\nNUL=C:\\R\\theirs.dll\r\nC:\\R\\a.dll = C:\\R\\a.new\r\nNUL = C:\\R\\drop.dll\r\n'
files_in_use_prepare
rename_lines=$(tr -d '\r' <"$W" 2>/dev/null | sed -n '/^\[Rename\]$/,/^\[/p' | grep ' = ')
check "a rename line for the driver" grep -qix 'C:\\OPSR\\SYS\\zvIFDH.sys = C:\\OPSR\\SYS\\_zvIFDH.sys' <<<"$rename_lines"
check "a delete line for the library" grep -qix 'NUL = C:\\OPSR\\SYS\\zvOLD.dll' <<<"$rename_lines"
expect_file_bytes "the copy beside the driver holds the new one" "$BB_C/OPSR/SYS/_zvIFDH.sys" 'driver 1.1'
# The restart ends every program, the holders too.
session_restart
check "their deletion happened" test ! -e "$R/theirs.dll"
expect_eq "the kept rename happened" 'a new' "$(cat "$R/a.dll" 2>/dev/null)"
check "the kept deletion happened" test ! -e "$R/drop.dll"
expect_eq "the cancelled rename did not" 'b old' "$(cat "$R/b.dll" 2>/dev/null)"
expect_eq "its source stays" 'b new' "$(cat "$R/b.new" 2>/dev/null)"
expect_eq "the cancelled deletion did not" keep "$(cat "$R/keep.dll" 2>/dev/null)"
files_in_use_done

# A file without a Rename section whose last line has no CR LF: the new header gets a line.
# Then ShutdownSystem asks for the restart itself.
printf '[boot]\r\nnetwork=1' >"$W"
printf 'd new' >"$R/d.new"
printf 'd old' >"$R/d.dll"
tool move 'C:\R\d.new' 'C:\R\d.dll'
expect_file_bytes "header on a line of its own" "$W" '[boot]\r\nnetwork=1\r\n[Rename]\r\nC:\\R\\d.dll = C:\\R\\d.new\r\n'
tool restart
expect_eq "ShutdownSystem succeeded" 0 "$BB_RC"
touch "$BB_C/TOOLS/session.stop"
wait_until 60 test ! -e "$W"
expect_eq "the restart it started performed the rename" 'd new' "$(cat "$R/d.dll" 2>/dev/null)"
check "and used up WININIT.INI" test ! -e "$W"

touch "$BB_C/TOOLS/session.stop"
bb_done
